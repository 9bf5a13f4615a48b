// The clipboard's three forms of a styled block: our own (everything), tab-separated text and HTML.
#include <gtest/gtest.h>

#include "formats/error.h"
#include "sheet/block.h"
#include "sheet/clipboard.h"
#include "sheet/document.h"
#include "sheet_test_support.h"

namespace shuhui::sheet {
namespace {

StyledBlock headerBlock() {
    formats::Workbook wb;
    wb.sheets.push_back(testing::headerSheet(wb, "一月", 2));
    Document doc(std::move(wb), "a.xls");
    return doc.read(0, parseReference("A1:D5"));
}

TEST(Block, OwnFormKeepsEverything) {
    StyledBlock b = headerBlock();
    b.cells.back().type = formats::CellType::Bool;  // D5: a value of every kind
    b.cells.back().small = 1;
    b.cells.back().text.clear();
    b.cells[0].text = "制表\t\"甲\"\n第二行\\";  // escapes survive
    EXPECT_EQ(decodeBlock(encodeBlock(b)), b);
}

TEST(Block, DamagedOwnFormIsRefused) {
    const std::string good = encodeBlock(headerBlock());
    for (const std::string& bad :
         {std::string(), std::string("SHUHUI-BLOCK 2\n"), good.substr(0, good.size() / 2),
          good + "cell\t99\t0\t1\t0\t0\t0\t\n", good + "merge\t0\t0\t9\t9\n", good + "bogus\n"}) {
        EXPECT_THROW(decodeBlock(bad), Error) << bad.substr(0, 40);
    }
}

TEST(Block, TabSeparatedTextShowsTheCellsAsShown) {
    const StyledBlock b = headerBlock();
    EXPECT_EQ(blockToTsv(b),
              "一月工资表\t\t\t\r\n"
              "姓名\t应发工资\t\t备注\r\n"
              "\t基本工资\t奖金\t\r\n"
              "一月姓名1\t1000\t100.00\t备注1\r\n"
              "一月姓名2\t1001\t200.00\t备注2\r\n");
}

TEST(Block, TabSeparatedTextReadsBackAsValues) {
    const StyledBlock b = blockFromTsv("姓名\t金额\r\n张三\t12.5\r\n\"李\"\"四\"\"\t\n\"\t-3\n");
    ASSERT_EQ(b.rows, 3u);
    ASSERT_EQ(b.cols, 2u);
    ASSERT_EQ(b.cells.size(), 6u);
    EXPECT_EQ(b.cells[3].type, formats::CellType::Number);
    EXPECT_EQ(b.cells[3].number, 12.5);
    EXPECT_EQ(b.cells[4].text, "李\"四\"\t\n");
    EXPECT_EQ(b.cells[5].number, -3);
    EXPECT_EQ(blockFromTsv("").rows, 0u);
    EXPECT_EQ(blockFromTsv("a\tb").cols, 2u);
}

TEST(Block, HtmlTableDrawsMergesAsOneCell) {
    const std::string html = blockToHtml(headerBlock());
    EXPECT_NE(html.find("<td colspan=\"4\""), std::string::npos);
    EXPECT_NE(html.find("<td rowspan=\"2\""), std::string::npos);
    EXPECT_NE(html.find("background:#FFFF00"), std::string::npos);
    EXPECT_NE(html.find(">100.00</td>"), std::string::npos);
    EXPECT_NE(html.find("<tr height=\"40\">"), std::string::npos);  // 30 points
    // 4 cells in the title row are one; row 3 lost A3 and D3 to the merges above
    size_t tds = 0;
    for (size_t at = html.find("<td"); at != std::string::npos; at = html.find("<td", at + 1))
        ++tds;
    EXPECT_EQ(tds, 1u + 3u + 2u + 4u + 4u);
}

TEST(Clipboard, ProcessClipboardIsSharedAndReplacedByEveryCopy) {
    EXPECT_EQ(processClipboard(), processClipboard());
    LocalClipboard c;
    EXPECT_FALSE(c.block());
    c.setBlock(headerBlock());
    c.setBlock(blockFromTsv("x"));
    ASSERT_TRUE(c.block());
    EXPECT_EQ(c.block()->rows, 1u);
}

}  // namespace
}  // namespace shuhui::sheet
