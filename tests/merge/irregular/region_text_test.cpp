// Region texts: splitting, the whole numbers of the page's fields, the header-row shift and the
// cell where the next block goes.
#include <gtest/gtest.h>

#include "formats/error.h"
#include "merge/irregular/region_text.h"

namespace ir = shuhui::irregular;

TEST(RegionText, Split) {
    using V = std::vector<std::string>;
    EXPECT_EQ(ir::Split("", ':'), V{});
    EXPECT_EQ(ir::Split("$A$1", ':'), V{"$A$1"});
    EXPECT_EQ(ir::Split("$A$1:$H$20", ':'), (V{"$A$1", "$H$20"}));
    EXPECT_EQ(ir::Split("$A$1", '$'), (V{"", "A", "1"}));
    EXPECT_EQ(ir::Split("a>", '>'), (V{"a", ""}));
}

TEST(RegionText, WholeNumber) {
    const struct {
        const char* text;
        std::optional<int> value;
    } cases[] = {
        {"1", 1},    {"3", 3},    {"0", 0},    {"-2", -2},  {" 12 ", 12},
        {"+4", 4},   {"", {}},    {"  ", {}},  {"abc", {}}, {"1.5", {}},
        {"2行", {}}, {"+-3", {}}, {"--3", {}}, {"1 2", {}}, {"99999999999", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(ir::WholeNumber(c.text), c.value) << c.text;
}

TEST(RegionText, ShiftRegion) {
    const struct {
        const char* region;
        int rows;
        const char* shifted;
    } cases[] = {
        {"$A$1:$H$20", 1, "$A$2:$H$20"},  // the default header of one row
        {"$A$1:$H$20", 2, "$A$3:$H$20"},
        {"$B$3:$H$20", 2, "$B$5:$H$20"},    // a used range that starts in row 3
        {"$A$1:$H$20", 24, "$A$25:$H$20"},  // past the data: written as computed
        {"$AB$1:$AC$9", 3, "$AB$4:$AC$9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ir::ShiftRegion(c.region, c.rows), c.shifted) << c.region << " + " << c.rows;
    // Each press shifts again from the current text.
    EXPECT_EQ(ir::ShiftRegion(ir::ShiftRegion("$A$1:$H$20", 1), 1), "$A$3:$H$20");

    for (const char* bad : {"$A$1", "", "A1:H20", "$A$x:$H$20", "$$1:$H$20"})
        EXPECT_THROW(ir::ShiftRegion(bad, 1), shuhui::Error) << bad;
}

TEST(RegionText, ShiftRegionsSkipsASingleCellAndShiftsTheRest) {
    std::vector<std::string> regions{"$A$1:$F$12", "$A$1", "$A$1:$F$9"};
    const std::string warning =
        ir::ShiftRegions(regions, 3, {"D:/a.xls>一月$", "D:/a.xls>空表$", "D:/b.xls>三月$"});
    EXPECT_EQ(regions, (std::vector<std::string>{"$A$4:$F$12", "$A$1", "$A$4:$F$9"}));
    EXPECT_EQ(warning,
              "工作表[D:/a.xls>空表$]的数据区域$A$1只有一个单元格,无法按表头行数下移,"
              "该表的数据区域未改变!");

    std::vector<std::string> fine{"$A$1:$F$12"};
    EXPECT_EQ(ir::ShiftRegions(fine, 1, {"x"}), "");
    std::vector<std::string> none;
    EXPECT_EQ(ir::ShiftRegions(none, 1, {}), "");
}

TEST(RegionText, NextPasteCell) {
    const struct {
        const char* used;
        int gap;
        const char* cell;
    } cases[] = {
        {"$A$1:$F$12", 1, "A14"}, {"$A$1:$F$12", 0, "A13"}, {"$A$1:$F$12", -2, "A13"},
        {"$A$1:$F$12", 2, "A15"}, {"$C$2:$F$30", 1, "C32"}, {"$AA$1:$AB$5", 1, "AA7"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ir::NextPasteCell(c.used, c.gap), c.cell) << c.used << " gap " << c.gap;

    try {
        ir::NextPasteCell("$A$1", 1);
        FAIL() << "a single-cell used range has no last row";
    } catch (const shuhui::Error& e) {
        EXPECT_STREQ(e.what(),
                     "合并表的已用区域\"$A$1\"只有一个单元格,无法确定下一块数据的粘贴位置");
    }
    EXPECT_THROW(ir::NextPasteCell("A1:F12", 1), shuhui::Error);
}
