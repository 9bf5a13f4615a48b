// Number formats, General rendering, serial dates and A1 addresses.
#include <gtest/gtest.h>

#include <cmath>

#include "formats/numfmt.h"
#include "formats/workbook.h"

using namespace shuhui::formats;

TEST(FormatGeneral, RendersLikeTheSpreadsheet) {
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {0, "0"},
        {1001, "1001"},
        {3.5, "3.5"},
        {0.1, "0.1"},
        {-2.25, "-2.25"},
        {0.1 + 0.2, "0.3"},
        {1e20, "1E+20"},
        {1.5e-10, "1.5E-10"},
        {1e-5, "0.00001"},
        {123456789012345.0, "123456789012345"},
        {1e15, "1E+15"},
        {8500.5, "8500.5"},
        {2.0 / 3.0, "0.666666666666667"},
        {-1e-12, "-1E-12"},
        {12000, "12000"},
        {9999.99, "9999.99"},
    };
    for (const auto& c : cases) EXPECT_EQ(formatGeneral(c.value), c.text) << c.value;
}

TEST(NumberFormats, DateAndCurrencyCodes) {
    struct Case {
        const char* code;
        bool date, currency;
    } cases[] = {
        {"General", false, false},
        {"0.00", false, false},
        {"#,##0.00", false, false},
        {"0.00E+00", false, false},
        {"yyyy-mm-dd", true, false},
        {"yyyy\"年\"m\"月\"d\"日\"", true, false},
        {"h:mm:ss", true, false},
        {"[h]:mm:ss", true, false},
        {"mm:ss.0", true, false},
        {"[$-804]yyyy-mm-dd", true, false},
        {"\"¥\"#,##0.00", false, true},
        {"¥#,##0.00;[Red]¥-#,##0.00", false, true},
        {"[$€-407]#,##0.00", false, true},
        {"$#,##0", false, true},
        {"[Red]0.00", false, false},
        {"\"day\"0", false, false},  // letters inside quotes are literal text
        {"0\\d", false, false},      // an escaped letter too
        {"@", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isDateFormat(c.code), c.date) << c.code;
        EXPECT_EQ(isCurrencyFormat(c.code), c.currency) << c.code;
    }
    for (int id : {14, 15, 16, 17, 18, 19, 20, 21, 22, 27, 31, 36, 45, 46, 47, 50, 57, 58})
        EXPECT_TRUE(isDateFormat(builtinFormat(id))) << id;
    for (int id : {0, 1, 2, 3, 4, 9, 10, 11, 12, 13, 37, 38, 48, 49, 100})
        EXPECT_FALSE(isDateFormat(builtinFormat(id))) << id;
    EXPECT_EQ(builtinFormat(999), "General");
}

TEST(SerialDates, IsoText) {
    struct Case {
        double serial;
        bool d1904;
        const char* iso;
    } cases[] = {
        {1, false, "1900-01-01"},
        {59, false, "1900-02-28"},
        {60, false, "1900-02-29"},  // the fictitious leap day
        {61, false, "1900-03-01"},
        {45322, false, "2024-01-31"},
        {45322.5208333333, false, "2024-01-31T12:30:00"},
        {0.5, false, "12:00:00"},
        {0.75, false, "18:00:00"},
        {43831.0000115741, false, "2020-01-01T00:00:01"},
        {43831.5000005787, false, "2020-01-01T12:00:00.050"},
        {0, true, "1904-01-01"},
        {43860, true, "2024-01-31"},
        {2958465, false, "9999-12-31"},
    };
    for (const auto& c : cases) EXPECT_EQ(serialToIso(c.serial, c.d1904), c.iso) << c.serial;
    EXPECT_EQ(serial1904To1900(43860), 45322);
}

TEST(SerialDates, FromIsoText) {
    struct Case {
        const char* iso;
        bool d1904;
        std::optional<double> serial;
    } cases[] = {
        {"1900-01-01", false, 1},
        {"1900-02-28", false, 59},
        {"1900-03-01", false, 61},
        {"2024-01-31", false, 45322},
        {"2024-01-31T12:30:00", false, 45322 + 0.5208333333333334},
        {"2024-01-31T12:00:00.5Z", false, 45322.5 + 0.5 / 86400},
        {"2024-01-31T12:00:00+08:00", false, 45322.5},
        {"2024-01-31 06:00", false, 45322.25},
        {"18:00:00", false, 0.75},
        {"1904-01-01", true, 0},
        {"2024-01-31", true, 43860},
        {"9999-12-31", false, 2958465},
        {"1899-12-31", false, std::nullopt},
        {"2023-02-29", false, std::nullopt},
        {"2024-13-01", false, std::nullopt},
        {"2024-01-31T25:00:00", false, std::nullopt},
        {"2024-01-31x", false, std::nullopt},
        {"张三", false, std::nullopt},
        {"", false, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto got = isoToSerial(c.iso, c.d1904);
        ASSERT_EQ(got.has_value(), c.serial.has_value()) << c.iso;
        if (got) {
            EXPECT_NEAR(*got, *c.serial, 1e-9) << c.iso;
        }
    }
}

TEST(Addresses, ColumnsAndRanges) {
    EXPECT_EQ(columnLetters(0), "A");
    EXPECT_EQ(columnLetters(25), "Z");
    EXPECT_EQ(columnLetters(26), "AA");
    EXPECT_EQ(columnLetters(701), "ZZ");
    EXPECT_EQ(columnLetters(702), "AAA");
    EXPECT_EQ(columnLetters(16383), "XFD");
    EXPECT_EQ(absoluteAddress({0, 0, 19, 7}), "$A$1:$H$20");
    EXPECT_EQ(absoluteAddress({0, 0, 0, 0}), "$A$1");
    EXPECT_EQ(absoluteAddress({2, 1, 4, 2}), "$B$3:$C$5");
}

TEST(Sheet, UsedAndDataRanges) {
    Sheet s;
    EXPECT_EQ(s.usedRangeAddress(), "$A$1");
    std::vector<std::string> strings = {"", "x"};
    auto cell = [](uint32_t r, uint16_t c, CellType t, uint32_t text = 0) {
        Cell x;
        x.row = r;
        x.col = c;
        x.type = t;
        x.text = text;
        return x;
    };
    s.cells = {cell(1, 3, CellType::Blank), cell(2, 1, CellType::Text, 1),
               cell(4, 2, CellType::Number), cell(6, 5, CellType::Text, 0)};
    EXPECT_EQ(s.usedRangeAddress(), "$B$2:$F$7");  // formatted blanks and empty texts count here
    ASSERT_TRUE(s.dataRange(strings));
    EXPECT_EQ(*s.dataRange(strings), (Range{2, 1, 4, 2}));  // but not here
    s.cells = {cell(4, 2, CellType::Number)};
    EXPECT_EQ(s.usedRangeAddress(), "$C$5");
}

TEST(Workbook, StyleLookupFallsBackToTheDefault) {
    Workbook wb;
    CellStyle date;
    date.numFmt = "yyyy-mm-dd";
    CellStyle money;
    money.numFmt = "\"¥\"#,##0.00";
    wb.styles = {CellStyle{}, date, money};
    Cell c;
    c.type = CellType::Number;
    c.style = 1;
    EXPECT_TRUE(wb.isDate(c));
    c.style = 2;
    EXPECT_TRUE(wb.isCurrency(c));
    EXPECT_FALSE(wb.isDate(c));
    c.style = 77;
    EXPECT_EQ(wb.style(c).numFmt, "General");
    c.type = CellType::Text;
    c.style = 1;
    EXPECT_FALSE(wb.isDate(c));
    wb.sheets.resize(2);
    wb.sheets[1].name = "工资";
    EXPECT_EQ(wb.findSheet("工资"), &wb.sheets[1]);
    EXPECT_EQ(wb.findSheet("无"), nullptr);
}
