// Small workbooks for the spreadsheet application's tests, built in memory: a sheet with a
// three-row merged, styled header over a few data rows, as the irregular merge meets them.
#pragma once

#include <string>
#include <vector>

#include "formats/workbook.h"

namespace shuhui::sheet::testing {

// Adds `text` to the pool and returns its index.
inline uint32_t addText(formats::Workbook& wb, const std::string& text) {
    wb.strings.push_back(text);
    return uint32_t(wb.strings.size() - 1);
}

inline formats::Cell textCell(formats::Workbook& wb, uint32_t row, uint16_t col,
                              const std::string& t, uint32_t style = 0) {
    return formats::Cell{.row = row,
                         .col = col,
                         .type = formats::CellType::Text,
                         .style = style,
                         .text = addText(wb, t)};
}

inline formats::Cell numberCell(uint32_t row, uint16_t col, double v, uint32_t style = 0) {
    return formats::Cell{
        .row = row, .col = col, .type = formats::CellType::Number, .style = style, .number = v};
}

// Sheet `name`: rows 1-3 a header (A1:D1 merged title, A2:A3 merged "姓名", B2:C2 merged
// "应发工资", D2:D3 merged "备注"; B3 "基本工资", C3 "奖金"), then `dataRows` rows of
// 姓名 i / 1000+i / 100*i (money format) / text. Styles: 1 title (bold 16pt, centred), 2 header
// (bold, yellow fill, thin borders, centred), 3 money ("#,##0.00"). Column A 12 characters wide,
// row 1 30 points high.
inline formats::Sheet headerSheet(formats::Workbook& wb, const std::string& name,
                                  uint32_t dataRows) {
    if (wb.styles.empty()) wb.styles.push_back(formats::CellStyle());
    if (wb.styles.size() == 1) {
        formats::CellStyle title;
        title.font.name = "宋体";
        title.font.size = 16;
        title.font.bold = true;
        title.halign = formats::HAlign::Center;
        title.valign = formats::VAlign::Center;
        formats::CellStyle head;
        head.font.bold = true;
        head.fill = 0xFFFF00;
        head.halign = formats::HAlign::Center;
        head.left = head.right = head.top = head.bottom = {formats::BorderStyle::Thin, 0x000000};
        formats::CellStyle money;
        money.numFmt = "#,##0.00";
        wb.styles.push_back(title);
        wb.styles.push_back(head);
        wb.styles.push_back(money);
    }
    formats::Sheet s;
    s.name = name;
    s.cells.push_back(textCell(wb, 0, 0, name + "工资表", 1));
    for (uint16_t c = 1; c < 4; ++c)
        s.cells.push_back(formats::Cell{.row = 0, .col = c, .style = 1});
    s.cells.push_back(textCell(wb, 1, 0, "姓名", 2));
    s.cells.push_back(textCell(wb, 1, 1, "应发工资", 2));
    s.cells.push_back(formats::Cell{.row = 1, .col = 2, .style = 2});
    s.cells.push_back(textCell(wb, 1, 3, "备注", 2));
    s.cells.push_back(formats::Cell{.row = 2, .col = 0, .style = 2});
    s.cells.push_back(textCell(wb, 2, 1, "基本工资", 2));
    s.cells.push_back(textCell(wb, 2, 2, "奖金", 2));
    s.cells.push_back(formats::Cell{.row = 2, .col = 3, .style = 2});
    for (uint32_t i = 0; i < dataRows; ++i) {
        const uint32_t r = 3 + i;
        s.cells.push_back(textCell(wb, r, 0, name + "姓名" + std::to_string(i + 1)));
        s.cells.push_back(numberCell(r, 1, 1000 + i));
        s.cells.push_back(numberCell(r, 2, 100.0 * (i + 1), 3));
        s.cells.push_back(textCell(wb, r, 3, "备注" + std::to_string(i + 1)));
    }
    s.merged = {{0, 0, 0, 3}, {1, 0, 2, 0}, {1, 1, 1, 2}, {1, 3, 2, 3}};
    s.cols = {formats::ColInfo{.first = 0, .last = 0, .width = 12}};
    s.rows = {formats::RowInfo{.row = 0, .height = 30}};
    return s;
}

}  // namespace shuhui::sheet::testing
