// The document: used range, reading a styled block and pasting it elsewhere.
#include <gtest/gtest.h>

#include "formats/error.h"
#include "sheet/document.h"
#include "sheet_test_support.h"

namespace shuhui::sheet {
namespace {

using formats::Cell;
using formats::CellStyle;
using formats::CellType;

std::shared_ptr<Document> withSheets(std::vector<std::pair<std::string, uint32_t>> sheets) {
    formats::Workbook wb;
    for (const auto& [name, rows] : sheets)
        wb.sheets.push_back(testing::headerSheet(wb, name, rows));
    return std::make_shared<Document>(std::move(wb), "a.xls", "a.xls");
}

// The sheet as text: one line per row of the used range, cells separated by "|".
std::string grid(const Document& d, size_t sheet) {
    const auto r = d.usedRange(sheet);
    if (!r) return "";
    std::string out;
    for (uint32_t row = r->firstRow; row <= r->lastRow; ++row) {
        for (uint32_t col = r->firstCol; col <= r->lastCol; ++col) {
            if (col > r->firstCol) out += "|";
            out += d.cellText(sheet, row, col);
        }
        out += "\n";
    }
    return out;
}

TEST(Document, UsedRangeIsTheRectangleOfValuesAndFormats) {
    struct Case {
        const char* what;
        std::vector<Cell> cells;
        std::vector<formats::Range> merged;
        const char* address;
    } cases[] = {
        {"empty sheet", {}, {}, "$A$1"},
        {"one value", {testing::numberCell(0, 0, 1)}, {}, "$A$1"},
        {"from B3",
         {testing::numberCell(2, 1, 1), testing::numberCell(19, 7, 2)},
         {},
         "$B$3:$H$20"},
        {"a formatted blank counts",
         {testing::numberCell(2, 1, 1), Cell{.row = 24, .col = 1, .style = 1}},
         {},
         "$B$3:$B$25"},
        {"a blank of the default format does not",
         {testing::numberCell(2, 1, 1), Cell{.row = 24, .col = 1, .style = 0},
          Cell{.row = 30, .col = 9, .style = 2}},
         {},
         "$B$3"},
        {"a merged area counts whole", {testing::numberCell(2, 1, 1)}, {{2, 1, 4, 5}}, "$B$3:$F$5"},
    };
    for (const Case& c : cases) {
        formats::Workbook wb;
        CellStyle red;
        red.fill = 0xFF0000;
        wb.styles = {CellStyle(), red, CellStyle()};
        formats::Sheet s;
        s.cells = c.cells;
        s.merged = c.merged;
        wb.sheets.push_back(s);
        Document d(std::move(wb), "x.xls");
        EXPECT_EQ(d.usedRangeAddress(0), c.address) << c.what;
    }
}

TEST(Document, BlankHasThreeEmptySheetsAndIsSaved) {
    auto d = Document::blank("工作簿1");
    ASSERT_EQ(d->sheetCount(), 3u);
    EXPECT_EQ(d->sheet(0).name, "Sheet1");
    EXPECT_EQ(d->sheet(2).name, "Sheet3");
    EXPECT_EQ(d->usedRangeAddress(1), "$A$1");
    EXPECT_TRUE(d->saved());
    EXPECT_TRUE(d->path().empty());
    EXPECT_EQ(d->findSheet("sheet2"), 1u);
    EXPECT_FALSE(d->findSheet("Sheet4"));
}

TEST(Document, ReadTakesCellsStylesMergesInsideWidthsAndHeights) {
    auto d = withSheets({{"一月", 3}});
    const StyledBlock b = d->read(0, parseReference("A2:C5"));
    EXPECT_EQ(b.rows, 4u);
    EXPECT_EQ(b.cols, 3u);
    // merges inside A2:C5 only: A2:A3 and B2:C2 (the title A1:D1 and D2:D3 cross its edge)
    EXPECT_EQ(b.merged, (std::vector<formats::Range>{{0, 0, 1, 0}, {0, 1, 0, 2}}));
    EXPECT_EQ(b.colWidths, (std::vector<double>{12, 8.43, 8.43}));
    EXPECT_EQ(b.rowHeights.size(), 4u);
    EXPECT_FALSE(b.rowHeights[0]);
    ASSERT_FALSE(b.cells.empty());
    EXPECT_EQ(b.cells[0].text, "姓名");
    EXPECT_TRUE(b.styles[b.cells[0].style].font.bold);
    EXPECT_EQ(b.styles[b.cells[0].style].fill, 0xFFFF00u);
    EXPECT_EQ(shownText(b, b.cells.back()), "200.00");
    const StyledBlock title = d->read(0, parseReference("A1"));
    EXPECT_EQ(title.rowHeights[0], 30.0);
    EXPECT_TRUE(title.merged.empty());
}

TEST(Document, PasteIntoAnEmptySheetBringsEverythingWithWidthsAndHeights) {
    auto src = withSheets({{"一月", 2}});
    auto dst = Document::blank("工作簿1");
    std::vector<Document::Change> changes;
    dst->subscribe([&](Document::Change c) { changes.push_back(c); });
    dst->paste(1, 0, 0, src->read(0, parseReference("$A$1:$D$5")));
    EXPECT_EQ(grid(*dst, 1),
              "一月工资表|||\n"
              "姓名|应发工资||备注\n"
              "|基本工资|奖金|\n"
              "一月姓名1|1000|100.00|备注1\n"
              "一月姓名2|1001|200.00|备注2\n");
    EXPECT_EQ(dst->sheet(1).merged, src->sheet(0).merged);
    EXPECT_EQ(dst->columnWidth(1, 0), 12);
    EXPECT_EQ(dst->rowHeight(1, 0), 30.0);
    const Cell* head = dst->cell(1, 1, 1);
    ASSERT_TRUE(head);
    EXPECT_EQ(dst->workbook().style(*head), src->workbook().styles[2]);
    EXPECT_EQ(dst->usedRangeAddress(1), "$A$1:$D$5");
    EXPECT_FALSE(dst->saved());
    EXPECT_EQ(changes, std::vector<Document::Change>{Document::Change::Cells});
    EXPECT_EQ(dst->selection(1), (Rect{0, 0, 4, 3}));
}

TEST(Document, PasteBelowKeepsTheSheetsWidthsAndPlacesByPosition) {
    auto src = withSheets({{"一月", 2}, {"二月", 3}});
    auto dst = Document::blank("工作簿1");
    dst->paste(1, 0, 0, src->read(0, parseReference("$A$1:$D$5")));
    // a data region from column B pasted at A7: lands in column A
    formats::Workbook wide;
    wide.sheets.push_back(testing::headerSheet(wide, "三月", 2));
    wide.sheets[0].cols = {formats::ColInfo{.first = 1, .last = 1, .width = 30}};
    Document third(std::move(wide), "b.xls");
    dst->paste(1, 6, 0, third.read(0, parseReference("B4:C5")));
    dst->paste(1, 8, 0, src->read(1, parseReference("$A$4:$D$6")));
    EXPECT_EQ(grid(*dst, 1),
              "一月工资表|||\n"
              "姓名|应发工资||备注\n"
              "|基本工资|奖金|\n"
              "一月姓名1|1000|100.00|备注1\n"
              "一月姓名2|1001|200.00|备注2\n"
              "|||\n"
              "1000|100.00||\n"
              "1001|200.00||\n"
              "二月姓名1|1000|100.00|备注1\n"
              "二月姓名2|1001|200.00|备注2\n"
              "二月姓名3|1002|300.00|备注3\n");
    EXPECT_EQ(dst->columnWidth(1, 0), 12);  // not 30: the sheet was no longer empty
    EXPECT_EQ(dst->usedRangeAddress(1), "$A$1:$D$11");
    EXPECT_EQ(dst->sheet(1).merged.size(), 4u);
}

TEST(Document, PasteReplacesWhatWasThereAndDissolvesCrossingMerges) {
    auto dst = withSheets({{"一月", 2}});
    const StyledBlock two = blockFromTsv("x\ty\n");
    dst->paste(0, 1, 2, two);  // C2:D2, across B2:C2 and D2:D3
    EXPECT_EQ(dst->sheet(0).merged, (std::vector<formats::Range>{{0, 0, 0, 3}, {1, 0, 2, 0}}));
    EXPECT_EQ(dst->cellText(0, 1, 1), "应发工资");
    EXPECT_EQ(dst->cellText(0, 1, 2), "x");
    EXPECT_EQ(dst->cellText(0, 1, 3), "y");
    const Cell* c = dst->cell(0, 1, 3);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->style, 0u);  // the block's default style replaced the header style
}

TEST(Document, PasteThatDoesNotFitIsRefused) {
    auto dst = Document::blank("工作簿1");
    EXPECT_THROW(dst->paste(0, kMaxRows - 1, 0, blockFromTsv("a\nb\n")), Error);
    EXPECT_TRUE(dst->saved());
}

TEST(Document, SavedStateIsAnnounced) {
    auto d = Document::blank("工作簿1");
    int calls = 0;
    const int id = d->subscribe([&](Document::Change) { ++calls; });
    d->setSaved(false);
    d->setSaved(false);
    d->unsubscribe(id);
    d->setSaved(true);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(d->saved());
}

}  // namespace
}  // namespace shuhui::sheet
