// Round trips of the writers: what writeXls / writeXlsx produce must read back as the model that
// was written, both through this program's readers and through independent ones (xlrd for .xls,
// openpyxl for .xlsx, run by tests/formats/roundtrip_dump.py under /usr/bin/python3).
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>

#include "formats/numfmt.h"
#include "formats/reader.h"
#include "formats/roundtrip_sample.h"
#include "formats/writer.h"

namespace shuhui::formats {
namespace {

namespace fs = std::filesystem;
using testing::Dump;

struct Target {
    const char* name;
    FileFormat format;
    const char* extension;
    void (*write)(const Workbook&, const std::string&);
};

void PrintTo(const Target& t, std::ostream* os) {
    *os << t.name;
}

const Target kTargets[] = {
    {"xls", FileFormat::Xls8, ".xls", writeXls},
    {"xlsx", FileFormat::Xlsx, ".xlsx", writeXlsx},
};

class RoundTrip : public ::testing::TestWithParam<Target> {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("shuhui-roundtrip-" + std::to_string(::getpid()) + "-" + GetParam().name);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& stem) const {
        return (dir_ / (stem + GetParam().extension)).string();
    }
    bool isXlsx() const { return GetParam().format == FileFormat::Xlsx; }

    fs::path dir_;
};

// What .xlsx written through libxlsxwriter cannot say:
// - a literal error cell: an error is written as the formula that yields it, so readers see its
//   cached text;
// - an automatic font colour: fonts carry the theme's text colour (black) instead;
// - the width of a hidden column: it is stored as 0.
bool errorAsText(const Target& t) {
    return t.format == FileFormat::Xlsx;
}
bool keepsHiddenWidth(const Target& t) {
    return t.format != FileFormat::Xlsx;
}
std::string fontColor(const Target& t, uint32_t c) {
    return t.format == FileFormat::Xlsx && c == 0x000000 ? "-" : testing::rgbText(c);
}

std::string describe(const Sheet& s, const Cell& c) {
    return s.name + "!" + columnLetters(c.col) + std::to_string(c.row + 1);
}

void expectMatchesDump(const Workbook& wb, const Dump& d, const Target& t) {
    ASSERT_FALSE(d.raw.rfind("FAILED", 0) == 0) << d.raw;
    EXPECT_EQ(d.datemode, wb.date1904 ? 1 : 0);
    ASSERT_EQ(d.sheets.size(), wb.sheets.size());
    size_t expectedCells = 0;
    for (size_t si = 0; si < wb.sheets.size(); ++si) {
        const Sheet& s = wb.sheets[si];
        const char* state = s.state == SheetState::Visible ? "visible" : "hidden";
        EXPECT_EQ(d.sheets[si], std::make_tuple(s.name, std::string(state)));
        for (const Cell& c : s.cells) {
            ++expectedCells;
            auto it = d.cells.find({int(si), c.row, c.col});
            ASSERT_NE(it, d.cells.end()) << describe(s, c) << " missing";
            const auto& line = it->second;
            switch (c.type) {
                case CellType::Text:
                    EXPECT_EQ(line.kind, "text") << describe(s, c);
                    EXPECT_EQ(line.value, wb.text(c)) << describe(s, c);
                    break;
                case CellType::Number:
                    EXPECT_EQ(line.kind, "number") << describe(s, c);
                    EXPECT_EQ(std::stod(line.value), c.number) << describe(s, c);
                    break;
                case CellType::Bool:
                    EXPECT_EQ(line.kind, "bool") << describe(s, c);
                    EXPECT_EQ(line.value, std::to_string(c.small)) << describe(s, c);
                    break;
                case CellType::Error:
                    if (errorAsText(t)) {
                        EXPECT_EQ(line.value, errorText(c.small)) << describe(s, c);
                    } else {
                        EXPECT_EQ(line.kind, "error") << describe(s, c);
                        EXPECT_EQ(line.value, std::to_string(c.small)) << describe(s, c);
                    }
                    break;
                case CellType::Blank:
                    EXPECT_EQ(line.kind, "blank") << describe(s, c);
                    break;
            }
            EXPECT_EQ(line.style, testing::expectedStyle(wb.styles[c.style])) << describe(s, c);
        }
        std::set<Range> merges(s.merged.begin(), s.merged.end()), got;
        for (const auto& [sheet, r] : d.merges)
            if (sheet == int(si)) got.insert(r);
        EXPECT_EQ(got, merges) << s.name;
        for (const ColInfo& ci : s.cols) {
            for (uint32_t c = ci.first; c <= ci.last; ++c) {
                auto it = d.cols.find({int(si), c});
                ASSERT_NE(it, d.cols.end()) << s.name << " column " << c;
                if (!ci.hidden || keepsHiddenWidth(t)) {
                    EXPECT_NEAR(it->second.first, ci.width, 1.0 / 14) << s.name << " column " << c;
                }
                EXPECT_EQ(it->second.second, ci.hidden) << s.name << " column " << c;
            }
        }
        for (const RowInfo& ri : s.rows) {
            auto it = d.rows.find({int(si), ri.row});
            ASSERT_NE(it, d.rows.end()) << s.name << " row " << ri.row;
            EXPECT_NEAR(it->second.first, ri.height, 0.05) << s.name << " row " << ri.row;
            EXPECT_EQ(it->second.second, ri.hidden) << s.name << " row " << ri.row;
        }
    }
    EXPECT_EQ(d.cells.size(), expectedCells) << "cells the model does not have";
}

void expectSameStyle(const CellStyle& want, const CellStyle& got, const std::string& where,
                     const Target& t) {
    EXPECT_EQ(got.font.name, want.font.name) << where;
    EXPECT_EQ(got.font.size, want.font.size) << where;
    EXPECT_EQ(got.font.bold, want.font.bold) << where;
    EXPECT_EQ(got.font.italic, want.font.italic) << where;
    EXPECT_EQ(got.font.underline, want.font.underline) << where;
    EXPECT_EQ(fontColor(t, got.font.color), fontColor(t, want.font.color)) << where;
    EXPECT_EQ(testing::rgbText(got.fill), testing::rgbText(want.fill)) << where;
    for (auto [w, g] : {std::pair{&want.left, &got.left},
                        {&want.right, &got.right},
                        {&want.top, &got.top},
                        {&want.bottom, &got.bottom}}) {
        EXPECT_EQ(g->style, w->style) << where;
        if (w->style != BorderStyle::None) {
            EXPECT_EQ(testing::rgbText(g->color), testing::rgbText(w->color)) << where;
        }
    }
    EXPECT_EQ(got.halign, want.halign) << where;
    EXPECT_EQ(got.valign, want.valign) << where;
    EXPECT_EQ(got.wrap, want.wrap) << where;
    EXPECT_EQ(got.numFmt, want.numFmt) << where;
}

// Column widths are in characters as the spreadsheet shows them (8.43 for the default column),
// not as the file stores them (9.14, with the cell padding).
void expectSameColumns(const Sheet& want, const Sheet& got, const Target& t) {
    for (const ColInfo& ci : want.cols) {
        for (uint32_t c = ci.first; c <= ci.last; ++c) {
            auto it = std::find_if(got.cols.begin(), got.cols.end(),
                                   [&](const ColInfo& g) { return g.first <= c && c <= g.last; });
            ASSERT_NE(it, got.cols.end()) << want.name << " column " << c;
            if (!ci.hidden || keepsHiddenWidth(t)) {
                EXPECT_NEAR(it->width, ci.width, 1.0 / 14) << want.name << " column " << c;
            }
            EXPECT_EQ(it->hidden, ci.hidden) << want.name << " column " << c;
        }
    }
}

void expectSameWorkbook(const Workbook& want, const Workbook& got, const Target& t,
                        bool columns = true) {
    EXPECT_EQ(got.format, t.format);
    EXPECT_EQ(got.date1904, want.date1904);
    ASSERT_EQ(got.sheets.size(), want.sheets.size());
    for (size_t si = 0; si < want.sheets.size(); ++si) {
        const Sheet& ws = want.sheets[si];
        const Sheet& gs = got.sheets[si];
        EXPECT_EQ(gs.name, ws.name);
        EXPECT_EQ(gs.state, ws.state) << ws.name;
        ASSERT_EQ(gs.cells.size(), ws.cells.size()) << ws.name;
        std::vector<Cell> sorted = ws.cells;
        std::sort(sorted.begin(), sorted.end(), [](const Cell& a, const Cell& b) {
            return a.row != b.row ? a.row < b.row : a.col < b.col;
        });
        for (size_t i = 0; i < sorted.size(); ++i) {
            const Cell& w = sorted[i];
            const Cell& g = gs.cells[i];
            std::string where = describe(ws, w);
            ASSERT_EQ(std::make_pair(g.row, g.col), std::make_pair(w.row, w.col)) << where;
            if (w.type == CellType::Error && errorAsText(t)) {
                EXPECT_EQ(g.type, CellType::Text) << where;
                if (g.type == CellType::Text) {
                    EXPECT_EQ(got.text(g), errorText(w.small)) << where;
                }
            } else {
                EXPECT_EQ(g.type, w.type) << where;
                if (w.type == CellType::Text) {
                    EXPECT_EQ(got.text(g), want.text(w)) << where;
                } else if (w.type == CellType::Number) {
                    EXPECT_EQ(g.number, w.number) << where;
                } else if (w.type == CellType::Bool || w.type == CellType::Error) {
                    EXPECT_EQ(g.small, w.small) << where;
                }
            }
            expectSameStyle(want.style(w), got.style(g), where, t);
            EXPECT_EQ(got.isDate(g), want.isDate(w)) << where;
            EXPECT_EQ(got.isCurrency(g), want.isCurrency(w)) << where;
        }
        std::vector<Range> wm = ws.merged, gm = gs.merged;
        std::sort(wm.begin(), wm.end());
        std::sort(gm.begin(), gm.end());
        EXPECT_EQ(gm, wm) << ws.name;
        if (columns) expectSameColumns(ws, gs, t);
        for (const RowInfo& ri : ws.rows) {
            auto it = std::find_if(gs.rows.begin(), gs.rows.end(),
                                   [&](const RowInfo& g) { return g.row == ri.row; });
            ASSERT_NE(it, gs.rows.end()) << ws.name << " row " << ri.row;
            EXPECT_NEAR(it->height, ri.height, 0.05) << ws.name << " row " << ri.row;
            EXPECT_EQ(it->hidden, ri.hidden) << ws.name << " row " << ri.row;
        }
    }
}

TEST_P(RoundTrip, SampleReadsBackThroughTheIndependentReader) {
    for (bool date1904 : {false, true}) {
        SCOPED_TRACE(date1904 ? "1904 date system" : "1900 date system");
        Workbook wb = testing::sampleWorkbook(date1904);
        std::string file = path(date1904 ? "sample1904" : "sample");
        GetParam().write(wb, file);
        expectMatchesDump(wb, testing::dumpWith(file), GetParam());
    }
}

TEST_P(RoundTrip, SampleReadsBackThroughOurReader) {
    for (bool date1904 : {false, true}) {
        SCOPED_TRACE(date1904 ? "1904 date system" : "1900 date system");
        Workbook wb = testing::sampleWorkbook(date1904);
        std::string file = path(date1904 ? "sample1904" : "sample");
        GetParam().write(wb, file);
        expectSameWorkbook(wb, readWorkbook(file), GetParam(), /*columns=*/false);
    }
}

TEST_P(RoundTrip, ColumnWidthsReadBackAsShown) {
    Workbook wb = testing::sampleWorkbook();
    std::string file = path("widths");
    GetParam().write(wb, file);
    Workbook back = readWorkbook(file);
    ASSERT_EQ(back.sheets.size(), wb.sheets.size());
    expectSameColumns(wb.sheets[0], back.sheets[0], GetParam());
}

// Writing what was read gives the same workbook again.
TEST_P(RoundTrip, RewritingWhatWasReadIsStable) {
    Workbook wb = testing::sampleWorkbook();
    std::string first = path("first"), second = path("second");
    GetParam().write(wb, first);
    Workbook once = readWorkbook(first);
    GetParam().write(once, second);
    // Widths too: a unit mismatch between reader and writer would grow them every cycle.
    expectSameWorkbook(once, readWorkbook(second), GetParam());
}

// The largest sheet .xls holds: 65,536 rows, 256 columns in the last row.
TEST_P(RoundTrip, FullHeightSheet) {
    Workbook wb;
    wb.styles.resize(1);
    Sheet s;
    s.name = "Rows";
    for (uint32_t r = 0; r < kXlsMaxRows; ++r) s.cells.push_back(testing::numberCell(r, 0, r));
    for (uint16_t c = 1; c < kXlsMaxCols; ++c)
        s.cells.push_back(testing::numberCell(kXlsMaxRows - 1, c, c + 0.5));
    wb.sheets.push_back(s);
    std::string file = path("rows");
    GetParam().write(wb, file);
    Workbook back = readWorkbook(file);
    ASSERT_EQ(back.sheets.size(), 1u);
    ASSERT_EQ(back.sheets[0].cells.size(), s.cells.size());
    EXPECT_EQ(back.sheets[0].usedRangeAddress(), "$A$1:$IV$65536");
    EXPECT_EQ(back.sheets[0].cells.back().number, 255.5);
}

INSTANTIATE_TEST_SUITE_P(Writers, RoundTrip, ::testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace shuhui::formats
