// The workbook builder: one pool entry per distinct text and style, sheets in the order added, and
// a built workbook that the .xls writer and reader carry through unchanged.
#include "formats/workbook_builder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "formats/reader.h"
#include "formats/writer.h"

namespace shuhui::formats {
namespace {

TEST(WorkbookBuilder, PoolsTextsAndStyles) {
    WorkbookBuilder b;
    ASSERT_EQ(b.workbook().styles.size(), 1u);  // the default style
    EXPECT_EQ(b.style(CellStyle{}), 0u);

    CellStyle bold;
    bold.font.bold = true;
    CellStyle money;
    money.numFmt = "#,##0.00";
    CellStyle right = money;
    right.halign = HAlign::Right;
    struct Case {
        const CellStyle* style;
        uint32_t want;
    };
    const Case styles[] = {{&bold, 1}, {&money, 2}, {&bold, 1}, {&right, 3}, {&money, 2}};
    for (const Case& c : styles) EXPECT_EQ(b.style(*c.style), c.want);
    EXPECT_EQ(b.workbook().styles.size(), 4u);
    EXPECT_EQ(b.workbook().styles[3], right);

    // Enough texts to make the pool's table grow several times; repeats keep their first index.
    for (int i = 0; i < 20000; ++i) ASSERT_EQ(b.text(std::to_string(i) + "t"), uint32_t(i));
    for (int i = 0; i < 20000; i += 997) EXPECT_EQ(b.text(std::to_string(i) + "t"), uint32_t(i));
    EXPECT_EQ(b.text(""), 20000u);
    EXPECT_EQ(b.text("姓名"), 20001u);
    EXPECT_EQ(b.text("姓名"), 20001u);
    EXPECT_EQ(b.workbook().strings.size(), 20002u);
}

TEST(WorkbookBuilder, GoesOnBuildingAWorkbookReadFromAFile) {
    Workbook read;
    CellStyle bold;
    bold.font.bold = true;
    read.styles = {CellStyle{}, bold, bold};  // readers may keep equal styles twice
    read.strings = {"姓名", "工号", "姓名"};
    WorkbookBuilder b(std::move(read));
    EXPECT_EQ(b.style(bold), 1u);
    EXPECT_EQ(b.text("姓名"), 0u);
    EXPECT_EQ(b.text("工号"), 1u);
    EXPECT_EQ(b.text("部门"), 3u);
    CellStyle money;
    money.numFmt = "0.00";
    EXPECT_EQ(b.style(money), 3u);
    EXPECT_TRUE(WorkbookBuilder(Workbook{}).workbook().styles.size() == 1u);
}

TEST(WorkbookBuilder, BuildsSheetsTheWriterTakes) {
    WorkbookBuilder b;
    CellStyle bold;
    bold.font.bold = true;
    for (const char* name : {"工资", "考勤"}) {
        Sheet& s = b.addSheet(name);
        Cell head;
        head.type = CellType::Text;
        head.text = b.text("姓名");
        head.style = b.style(bold);
        s.cells.push_back(head);
        Cell value;
        value.row = 1;
        value.type = CellType::Number;
        value.number = 3000.5;
        s.cells.push_back(value);
    }
    const std::string path =
        (std::filesystem::temp_directory_path() / "shuhui_builder_test.xls").string();
    writeXls(b.workbook(), path);
    const Workbook back = readWorkbook(path);
    std::remove(path.c_str());
    ASSERT_EQ(back.sheets.size(), 2u);
    EXPECT_EQ(back.sheets[1].name, "考勤");
    ASSERT_EQ(back.sheets[1].cells.size(), 2u);
    EXPECT_EQ(back.text(back.sheets[1].cells[0]), "姓名");
    EXPECT_TRUE(back.style(back.sheets[1].cells[0]).font.bold);
    EXPECT_EQ(back.sheets[1].cells[1].number, 3000.5);

    const Workbook taken = std::move(b).finish();
    EXPECT_EQ(taken.sheets.size(), 2u);
}

}  // namespace
}  // namespace shuhui::formats
