// References in A1 notation and the texts a cell shows.
#include <gtest/gtest.h>

#include "formats/error.h"
#include "sheet/cell_text.h"
#include "sheet/reference.h"

namespace shuhui::sheet {
namespace {

TEST(Reference, ParsesCellsAndRectanglesAndWritesThemBackAbsolute) {
    struct Case {
        const char* text;
        const char* address;
    } cases[] = {
        {"A1", "$A$1"},
        {"$A$1", "$A$1"},
        {"$A$1:$H$20", "$A$1:$H$20"},
        {"B3:H20", "$B$3:$H$20"},
        {"b3:h20", "$B$3:$H$20"},
        {"A$14", "$A$14"},
        {"$A$25:$H$20", "$A$20:$H$25"},  // corners in any order, as the application reads them
        {"H20:A1", "$A$1:$H$20"},
        {"AA100:AB101", "$AA$100:$AB$101"},
        {"XFD1048576", "$XFD$1048576"},
    };
    for (const Case& c : cases) EXPECT_EQ(addressOf(parseReference(c.text)), c.address) << c.text;
    const Rect r = parseReference("B3:H20");
    EXPECT_EQ(r, (Rect{2, 1, 19, 7}));
}

TEST(Reference, RefusesWhatIsNotARange) {
    for (const char* bad : {"", "A", "1", "A0", "$A$1:", ":A1", "A1:B", "XFE1", "A1048577",
                            "A1:B2:C3", "Sheet1!A1", "工资", "A 1", "$$A1"}) {
        try {
            parseReference(bad);
            ADD_FAILURE() << "accepted " << bad;
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), ErrorKind::Syntax);
            EXPECT_NE(std::string(e.what()).find(std::string("“") + bad + "”"), std::string::npos)
                << e.what();
        }
    }
}

TEST(CellText, NumberFormatsShowAsTheSpreadsheetShowsThem) {
    struct Case {
        double value;
        const char* code;
        const char* shown;
    } cases[] = {
        {1001, "General", "1001"},
        {0.1, "", "0.1"},
        {2.675, "0.00", "2.68"},
        {1.005, "0.00", "1.01"},
        {1234567.891, "#,##0.00", "1,234,567.89"},
        {-1234.5, "#,##0.00", "-1,234.50"},
        {-1234.5, "#,##0.00;(#,##0.00)", "(1,234.50)"},
        {0, "0.00;-0.00;\"-\"", "-"},
        {0.256, "0%", "26%"},
        {0.256, "0.0%", "25.6%"},
        {5, "￥0.00", "￥5.00"},
        {-5, "￥0.00", "-￥5.00"},
        {1234.5, "[$¥-804]#,##0.00", "¥1,234.50"},
        {12, "0\"元\"", "12元"},
        {12, "0\\个", "12个"},
        {3, "[Red]0", "3"},
        {0.5, "#.##", ".5"},
        {2.5, "0.0#", "2.5"},
        {2.125, "0.0#", "2.13"},
        {7, "000", "007"},
        {-0.001, "0.00", "0.00"},
        {45322, "yyyy-mm-dd", "2024-01-31"},
        {45322.5208333333, "yyyy/m/d h:mm", "2024-01-31 12:30:00"},
        {12345.678, "0.00E+00", "12345.678"},
        {1e20, "0", "100000000000000000000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatNumber(c.value, c.code, false), c.shown) << c.code << " " << c.value;
}

TEST(CellText, ValuesOfEveryKind) {
    formats::Workbook wb;
    formats::CellStyle twoPlaces;
    twoPlaces.numFmt = "0.00";
    wb.styles = {formats::CellStyle(), twoPlaces};
    wb.strings = {"甲"};
    using formats::Cell;
    using formats::CellType;
    EXPECT_EQ(cellText(wb, Cell{.type = CellType::Text, .text = 0}), "甲");
    EXPECT_EQ(cellText(wb, Cell{.type = CellType::Number, .style = 1, .number = 3}), "3.00");
    EXPECT_EQ(cellText(wb, Cell{.type = CellType::Bool, .small = 1}), "TRUE");
    EXPECT_EQ(cellText(wb, Cell{.type = CellType::Error, .small = 0x07}), "#DIV/0!");
    EXPECT_EQ(cellText(wb, Cell{.type = CellType::Blank, .style = 1}), "");
}

}  // namespace
}  // namespace shuhui::sheet
