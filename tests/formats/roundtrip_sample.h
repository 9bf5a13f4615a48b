// The workbook the writers' round-trip tests write, and the reading of roundtrip_dump.py's output.
//
// sampleWorkbook() holds what a written file must keep: Chinese text, texts longer than one BIFF
// record (forcing CONTINUE, in both the one-byte and the two-byte form), thousands of unique texts
// (a shared string table over many records), numbers with and without an exact RK form, dates,
// currency and thousands formats, booleans, errors, formatted blanks, styles (fonts, colours in and
// out of the default palette, fills, borders, alignment, wrap), more merged ranges than one
// MERGEDCELLS record holds, column widths, a hidden column, row heights, a hidden row, a hidden
// sheet and an empty one. dumpWith() runs the independent reader and parses its lines.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "formats/workbook.h"

namespace shuhui::formats::testing {

inline uint32_t addText(Workbook& wb, const std::string& s) {
    wb.strings.push_back(s);
    return uint32_t(wb.strings.size() - 1);
}

inline Cell textCell(Workbook& wb, uint32_t row, uint16_t col, const std::string& s,
                     uint32_t style = 0) {
    Cell c;
    c.row = row, c.col = col, c.type = CellType::Text, c.text = addText(wb, s), c.style = style;
    return c;
}

inline Cell numberCell(uint32_t row, uint16_t col, double v, uint32_t style = 0) {
    Cell c;
    c.row = row, c.col = col, c.type = CellType::Number, c.number = v, c.style = style;
    return c;
}

inline Cell smallCell(uint32_t row, uint16_t col, CellType type, uint8_t v, uint32_t style = 0) {
    Cell c;
    c.row = row, c.col = col, c.type = type, c.small = v, c.style = style;
    return c;
}

// Style indices of the sample.
enum SampleStyle : uint32_t {
    kPlain = 0,
    kDate = 1,
    kYuan = 2,
    kThousands = 3,
    kHeader = 4,
    kFancy = 5,
    kWrapped = 6,
    kDateAgain = 7,  // equal to kDate: the writers share one format
};

// The numbers of the sample: RK integers, RK x100, RK high bits, and ones that need NUMBER.
inline const std::vector<double>& sampleNumbers() {
    static const std::vector<double> v = {
        0,         1,       -1,    536870911, -536870912, 536870912,        0.5,
        1.25,      12.34,   -0.01, 0.1,       1e20,       3.14159265358979, 1e-300,
        123456.78, -2.5e-7, 4e9,   -12345,    1234567.891};
    return v;
}

inline Workbook sampleWorkbook(bool date1904 = false) {
    Workbook wb;
    wb.date1904 = date1904;
    wb.styles.resize(8);
    wb.styles[kDate].numFmt = "yyyy-mm-dd";
    wb.styles[kYuan].numFmt = "￥0.00";
    wb.styles[kThousands].numFmt = "#,##0.00";
    CellStyle& head = wb.styles[kHeader];
    head.font.bold = true;
    head.halign = HAlign::Center;
    head.valign = VAlign::Center;
    head.fill = 0xFFFF00;  // in the default palette
    head.left = head.right = head.top = head.bottom = Border{BorderStyle::Thin, kNoColor};
    CellStyle& fancy = wb.styles[kFancy];
    fancy.font.name = "宋体";
    fancy.font.size = 12;
    fancy.font.italic = true;
    fancy.font.underline = 1;
    fancy.font.color = 0xFF0000;
    fancy.fill = 0x123456;  // not in the default palette
    CellStyle& wrapped = wb.styles[kWrapped];
    wrapped.wrap = true;
    wrapped.halign = HAlign::Left;
    wrapped.valign = VAlign::Top;
    wrapped.bottom = Border{BorderStyle::Medium, 0xFF0000};
    wrapped.left = Border{BorderStyle::Double, 0x00B050};  // not in the default palette
    wb.styles[kDateAgain] = wb.styles[kDate];

    // Sheet 1: a payroll-like table with every kind of value.
    Sheet pay;
    pay.name = "工资表";
    const char* header[] = {"姓名", "工号", "入职日期", "基本工资", "奖金", "在职", "错误", "备注"};
    for (uint16_t c = 0; c < 8; ++c) pay.cells.push_back(textCell(wb, 0, c, header[c], kHeader));
    const auto& nums = sampleNumbers();
    const uint8_t errors[] = {0x07, 0x2A, 0x0F, 0x17, 0x1D, 0x24, 0x00};
    for (uint32_t i = 0; i < nums.size(); ++i) {
        uint32_t r = i + 1;
        pay.cells.push_back(textCell(wb, r, 0, "张三" + std::to_string(i)));
        pay.cells.push_back(numberCell(r, 1, nums[i]));
        pay.cells.push_back(numberCell(r, 2, 45000 + i, i % 2 ? kDateAgain : kDate));
        pay.cells.push_back(numberCell(r, 3, 5000.25 + i * 100.1, kYuan));
        pay.cells.push_back(numberCell(r, 4, nums[i], kThousands));
        pay.cells.push_back(smallCell(r, 5, CellType::Bool, uint8_t(i % 2)));
        pay.cells.push_back(smallCell(r, 6, CellType::Error, errors[i % 7]));
        if (i % 3 == 0)
            pay.cells.push_back(textCell(wb, r, 7, "备注 " + std::to_string(i), kWrapped));
    }
    uint32_t r = uint32_t(nums.size()) + 1;
    // formatted blanks, a run of them and a single one
    pay.cells.push_back(smallCell(r, 0, CellType::Blank, 0, kFancy));
    pay.cells.push_back(smallCell(r, 1, CellType::Blank, 0, kFancy));
    pay.cells.push_back(smallCell(r, 2, CellType::Blank, 0, kHeader));
    pay.cells.push_back(textCell(wb, r, 3, "红色斜体", kFancy));
    pay.cells.push_back(smallCell(r, 5, CellType::Blank, 0, kWrapped));
    // a date with a time of day
    pay.cells.push_back(numberCell(r + 1, 2, 45123.5, kDate));
    // long texts: two-byte characters and one-byte ones, both longer than a record
    std::string longChinese;
    for (int i = 0; i < 5000; ++i) longChinese += (i % 10 == 9) ? "。" : "长";
    std::string longAscii(9000, 'a');
    for (size_t i = 0; i < longAscii.size(); i += 100) longAscii[i] = char('A' + (i / 100) % 26);
    pay.cells.push_back(textCell(wb, r + 2, 0, longChinese));
    pay.cells.push_back(textCell(wb, r + 3, 0, longAscii));
    pay.cells.push_back(textCell(wb, r + 4, 0, "Ünïcödé ¥ ￥ € 😀 mixed"));
    pay.cells.push_back(textCell(wb, r + 4, 1, "张三0"));  // the same text as another cell
    pay.cols = {ColInfo{0, 0, 12.0, false, 0}, ColInfo{1, 2, 20.57, false, 0},
                ColInfo{6, 6, 8.43, true, 0}};
    pay.rows = {RowInfo{0, 24, false}, RowInfo{5, 15, true}};
    wb.sheets.push_back(pay);

    // Sheet 2: thousands of unique texts.
    Sheet many;
    many.name = "字符串";
    for (uint32_t i = 0; i < 3000; ++i) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "编号-%05u-名称", i);
        many.cells.push_back(textCell(wb, i / 3, uint16_t(i % 3), buf));
    }
    wb.sheets.push_back(many);

    // Sheet 3: more merged ranges than one record holds.
    Sheet merges;
    merges.name = "Merged";
    for (uint32_t i = 0; i < 1100; ++i) {
        merges.merged.push_back(Range{i, 0, i, 1});
        merges.cells.push_back(textCell(wb, i, 0, "合并" + std::to_string(i)));
        merges.cells.push_back(numberCell(i, 2, i));
    }
    merges.merged.push_back(Range{1100, 0, 1102, 3});
    merges.cells.push_back(textCell(wb, 1100, 0, "大标题", kHeader));
    wb.sheets.push_back(merges);

    Sheet hidden;
    hidden.name = "隐藏";
    hidden.state = SheetState::Hidden;
    hidden.cells.push_back(textCell(wb, 0, 0, "看不见"));
    wb.sheets.push_back(hidden);

    Sheet empty;
    empty.name = "空白";
    wb.sheets.push_back(empty);
    return wb;
}

// ------------------------------------------------------------------ the independent reader's view

struct Dump {
    int datemode = -1;
    std::vector<std::tuple<std::string, std::string>> sheets;  // name, state
    struct CellLine {
        std::string kind, value;
        std::vector<std::string> style;
    };
    std::map<std::tuple<int, uint32_t, uint32_t>, CellLine> cells;
    std::vector<std::tuple<int, Range>> merges;
    std::map<std::pair<int, uint32_t>, std::pair<double, bool>> cols;
    std::map<std::pair<int, uint32_t>, std::pair<double, bool>> rows;
    std::string raw;
};

inline std::string unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char n = s[++i];
            out.push_back(n == 't' ? '\t' : n == 'n' ? '\n' : n);
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

// Runs tests/formats/roundtrip_dump.py on the file; an empty raw text means it failed.
inline Dump dumpWith(const std::string& path) {
    Dump d;
    std::string cmd = std::string("/usr/bin/python3 ") + SHUHUI_SOURCE_DIR +
                      "/tests/formats/roundtrip_dump.py '" + path + "' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return d;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) d.raw.append(buf, n);
    if (pclose(p) != 0) {
        d.raw = "FAILED: " + d.raw;
        return d;
    }
    size_t pos = 0;
    while (pos < d.raw.size()) {
        size_t eol = d.raw.find('\n', pos);
        if (eol == std::string::npos) eol = d.raw.size();
        std::vector<std::string> f;
        size_t a = pos;
        while (true) {
            size_t tab = d.raw.find('\t', a);
            if (tab == std::string::npos || tab > eol) tab = eol;
            f.push_back(unescape(d.raw.substr(a, tab - a)));
            if (tab == eol) break;
            a = tab + 1;
        }
        pos = eol + 1;
        const std::string& k = f[0];
        auto u = [&](size_t i) { return uint32_t(std::stoul(f[i])); };
        if (k == "datemode") {
            d.datemode = std::stoi(f[1]);
        } else if (k == "sheet") {
            d.sheets.emplace_back(f[2], f[3]);
        } else if (k == "cell") {
            auto& line = d.cells[{std::stoi(f[1]), u(2), u(3)}];
            line.kind = f[4];
            line.value = f[5];
        } else if (k == "style") {
            d.cells[{std::stoi(f[1]), u(2), u(3)}].style.assign(f.begin() + 4, f.end());
        } else if (k == "merge") {
            d.merges.emplace_back(std::stoi(f[1]), Range{u(2), u(3), u(4), u(5)});
        } else if (k == "col") {
            d.cols[{std::stoi(f[1]), u(2)}] = {std::stod(f[3]), f[4] == "1"};
        } else if (k == "row") {
            d.rows[{std::stoi(f[1]), u(2)}] = {std::stod(f[3]), f[4] == "1"};
        }
    }
    return d;
}

inline std::string rgbText(uint32_t c) {
    if (c == kNoColor) return "-";
    char buf[8];
    std::snprintf(buf, sizeof buf, "%06X", c & 0xFFFFFF);
    return buf;
}

// The style line roundtrip_dump.py prints for a cell of this style.
inline std::vector<std::string> expectedStyle(const CellStyle& s) {
    auto fmt = [](double v) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.1f", v);
        return std::string(buf);
    };
    auto border = [](const Border& b) {
        return std::to_string(int(b.style)) + "/" +
               (b.style == BorderStyle::None ? std::string("-") : rgbText(b.color));
    };
    return {s.font.name,
            fmt(s.font.size),
            s.font.bold ? "1" : "0",
            s.font.italic ? "1" : "0",
            std::to_string(s.font.underline),
            rgbText(s.font.color),
            rgbText(s.fill),
            std::to_string(int(s.halign)),
            std::to_string(int(s.valign)),
            s.wrap ? "1" : "0",
            border(s.left),
            border(s.right),
            border(s.top),
            border(s.bottom),
            s.numFmt};
}

}  // namespace shuhui::formats::testing
