// Number patterns: rounding on the decimal text, prefixes, negatives, decimals and format codes.
#include "grid/pattern.h"

#include <gtest/gtest.h>

namespace shuhui::grid {
namespace {

struct PatternCase {
    double value;
    const char* pattern;
    const char* expected;
};

TEST(Pattern, FormatsAsTheSpreadsheetShows) {
    const PatternCase cases[] = {
        {2.675, "0.00", "2.68"},  // binary 2.67499999... rounds up on its decimal text
        {1.005, "0.00", "1.01"},
        {1.005, "￥0.00", "￥1.01"},
        {25, "个数:0", "个数:25"},
        {0, "个数:0", "个数:0"},
        {1234.5, "0.00", "1234.50"},  // no thousands separator
        {1234.5, "￥0.00", "￥1234.50"},
        {1234.5, "0", "1235"},  // half away from zero
        {-1234.5, "0", "-1235"},
        {-5, "￥0.00", "-￥5.00"},  // the sign comes before the prefix
        {-0.001, "0.00", "0.00"},   // rounds to zero: no sign
        {0.5, "0.000", "0.500"},
        {0.0005, "0.000", "0.001"},
        {0.0004, "0.000", "0.000"},
        {9.9996, "0.000", "10.000"},  // carry into a new digit
        {0.25, "0", "0"},
        {0.5, "0", "1"},
        {123456789012.345, "0.00", "123456789012.35"},
        {1e20, "0", "100000000000000000000"},
        {3, "合计0元", "合计3元"},  // text after the number part stays
        {7, "无数字", "无数字"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatPattern(c.value, c.pattern), c.expected) << c.value << " " << c.pattern;
}

TEST(Pattern, DecimalsGiveOnlyThreePatterns) {
    EXPECT_EQ(patternForDecimals(0), "0");
    EXPECT_EQ(patternForDecimals(2), "0.00");
    EXPECT_EQ(patternForDecimals(3), "0.000");
    for (int d : {-1, 1, 4, 10}) EXPECT_FALSE(patternForDecimals(d)) << d;
}

TEST(Pattern, SpreadsheetFormatCodes) {
    EXPECT_EQ(excelFormatCode(""), "General");
    EXPECT_EQ(excelFormatCode("0.00"), "0.00");
    EXPECT_EQ(excelFormatCode("￥0.00"), "￥0.00");
    EXPECT_EQ(excelFormatCode("个数:0"), "\"个数:\"0");
    EXPECT_EQ(excelFormatCode("合计0元"), "\"合计\"0\"元\"");
}

}  // namespace
}  // namespace shuhui::grid
