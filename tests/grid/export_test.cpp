// Export: the file naming rule, the export button's steps, and workbooks read back by an
// independent reader (xlrd under /usr/bin/python3): captions, typed values, formats, groups
// expanded, the footer and continuation sheets past 65,535 rows.
#include "grid/export.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include "formats/error.h"
#include "grid/summary_panel.h"
#include "grid_fixture.h"

namespace shuhui::grid {
namespace {

using testing::makeResult;
using workbooks::Value;

TEST(Export, FileNamesAlwaysEndInXls) {
    const std::pair<const char*, const char*> cases[] = {
        {"a.html", "a.xls"},      {"D:\\报表.2010\\月报", "D:\\报表.2010\\月报.xls"},
        {"结果", "结果.xls"},     {"结果.txt", "结果.xls"},
        {"结果.xls", "结果.xls"}, {"/tmp/a.b/c", "/tmp/a.b/c.xls"},
        {"a.b.c", "a.b.xls"},     {"C:a.b", "C:a.xls"},
        {"C:报表", "C:报表.xls"}, {"d.x:y", "d.x:y.xls"},
        {"dir/", "dir/.xls"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(xlsFileName(in), out) << in;
}

TEST(Export, WarningTexts) {
    EXPECT_STREQ(kNoDataWarning, "   没有数据需要导出!    ");
    EXPECT_STREQ(kNoFileNameWarning, "    您没有指定文件名,不能继续!    ");
    EXPECT_STREQ(kWarningCaption, "信息提示");
}

class ExportFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("shuhui_grid_export_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    // Every non-empty cell (of a long sheet only the first three and the last two rows) as
    // "sheet!row,col" -> "type:value[:format]" (types of xlrd: 1 text, 2 number, 3 date, 4
    // boolean), plus "sheet!rows" -> the row count and "sheets" -> the names.
    std::map<std::string, std::string> readBack(const std::string& file) {
        // The test command installs the reader: without it these checks fail, never pass unseen.
        if (access("/usr/bin/python3", X_OK) != 0) {
            ADD_FAILURE() << "no /usr/bin/python3 (with xlrd) to read the export back";
            return {};
        }
        std::string script = path("dump.py");
        FILE* f = std::fopen(script.c_str(), "w");
        std::fputs(
            "import sys, xlrd\n"
            "b = xlrd.open_workbook(sys.argv[1], formatting_info=True)\n"
            "print('sheets\\t' + ','.join(s.name for s in b.sheets()))\n"
            "for si, s in enumerate(b.sheets()):\n"
            "    print('%d!rows\\t%d' % (si, s.nrows))\n"
            "    rows = range(s.nrows) if s.nrows < 100 else list(range(3)) + list(range(s.nrows - "
            "2, s.nrows))\n"
            "    for r in rows:\n"
            "        for c in range(s.ncols):\n"
            "            cell = s.cell(r, c)\n"
            "            if cell.ctype == 0: continue\n"
            "            xf = b.xf_list[cell.xf_index]\n"
            "            fmt = b.format_map[xf.format_key].format_str\n"
            "            bold = b.font_list[xf.font_index].bold\n"
            "            v = cell.value\n"
            "            if cell.ctype in (2, 3): v = repr(float(v))\n"
            "            print('%d!%d,%d\\t%d:%s:%s%s' % (si, r, c, cell.ctype, v, fmt, ':bold' if "
            "bold else ''))\n",
            f);
        std::fclose(f);
        std::string cmd = "/usr/bin/python3 " + script + " '" + file + "' 2>&1";
        FILE* p = popen(cmd.c_str(), "r");
        std::map<std::string, std::string> out;
        char buf[4096];
        std::string all;
        while (std::fgets(buf, sizeof buf, p)) {
            std::string line(buf);
            all += line;
            if (!line.empty() && line.back() == '\n') line.pop_back();
            size_t tab = line.find('\t');
            if (tab != std::string::npos) out[line.substr(0, tab)] = line.substr(tab + 1);
        }
        int rc = pclose(p);
        EXPECT_EQ(rc, 0) << all;
        return out;
    }

    std::filesystem::path dir_;
};

TEST_F(ExportFiles, ButtonStepsWarnOrWrite) {
    std::vector<std::string> warnings;
    auto warn = [&](const std::string& text, const std::string& caption) {
        warnings.push_back(caption + "|" + text);
    };
    int asked = 0;
    GridView view;
    // No result at all, then a closed result with columns standing: the first warning, no dialog.
    EXPECT_FALSE(runExport(
        view, [&] { return ++asked, std::string("x"); }, warn));
    SummaryTable t;
    rebuildResultGrid(view, t, makeResult("a:s\nx"), true);
    view.setResult(nullptr);
    EXPECT_FALSE(runExport(
        view, [&] { return ++asked, std::string("x"); }, warn));
    EXPECT_EQ(asked, 0);
    // A cancelled dialog: the second warning.
    rebuildResultGrid(view, t, makeResult("a:s\nx"), true);
    EXPECT_FALSE(runExport(
        view, [&] { return ++asked, std::string(); }, warn));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(warnings, (std::vector<std::string>{std::string("信息提示|") + kNoDataWarning,
                                                  std::string("信息提示|") + kNoDataWarning,
                                                  std::string("信息提示|") + kNoFileNameWarning}));
    // A name of the web page entry is written as .xls.
    auto s = runExport(
        view, [&] { return path("a.html"); }, warn);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->path, path("a.xls"));
    EXPECT_TRUE(std::filesystem::exists(path("a.xls")));
    EXPECT_FALSE(std::filesystem::exists(path("a.html")));
    EXPECT_EQ(s->dataRows, 1u);
    EXPECT_EQ(s->sheets, 1u);
}

TEST_F(ExportFiles, GroupedViewIsWrittenExpandedWithTypedValues) {
    GridView view;
    SummaryTable t;
    rebuildResultGrid(view, t,
                      makeResult("部门:s|姓名:s|工资:f|入职:d|在职:b\n"
                                 "销售部|张三|3000|40179|1\n"
                                 "财务部|李四|4200.5|40180|0\n"
                                 "销售部|王五|待定||1"),
                      true);
    view.groupBy(0);  // collapsed: the file still holds every row
    view.column(4).visible = false;
    const ExportSummary s = exportGridToXls(view, path("组.txt"));
    EXPECT_EQ(s.path, path("组.xls"));
    EXPECT_EQ(s.dataRows, 3u);
    EXPECT_EQ(s.sheets, 1u);
    auto cells = readBack(s.path);
    ASSERT_FALSE(cells.empty());
    // Header: the display columns (部门 is grouped, 在职 hidden), bold.
    EXPECT_EQ(cells["0!0,0"], "1:姓名:General:bold");
    EXPECT_EQ(cells["0!0,1"], "1:工资:General:bold");
    EXPECT_EQ(cells["0!0,2"], "1:入职:General:bold");
    EXPECT_EQ(cells.count("0!0,3"), 0u);
    // 财务部 first, then 销售部; each group row, its rows, its footer.
    EXPECT_EQ(cells["0!1,0"], "1:部门 : 财务部 (1):General:bold");
    EXPECT_EQ(cells["0!2,0"], "1:李四:General");
    EXPECT_EQ(cells["0!2,1"], "2:4200.5:￥0.00");
    EXPECT_EQ(cells["0!2,2"], "3:40180.0:yyyy-mm-dd");
    EXPECT_EQ(cells["0!3,1"], "2:4200.5:0.00:bold");  // group footer sum
    EXPECT_EQ(cells["0!4,0"], "1:部门 : 销售部 (2):General:bold");
    EXPECT_EQ(cells["0!5,0"], "1:张三:General");
    EXPECT_EQ(cells["0!6,1"], "1:待定:General");  // a text in a money column stays text
    EXPECT_EQ(cells.count("0!6,2"), 0u);          // blank
    EXPECT_EQ(cells["0!7,1"], "2:3000.0:0.00:bold");
    // The footer: the grouped first column's count is not a display column; the sums are.
    EXPECT_EQ(cells["0!8,1"], "2:7200.5:0.00:bold");
    EXPECT_EQ(cells["0!rows"], "9");
}

TEST_F(ExportFiles, FooterCountAndBooleansInAPlainView) {
    GridView view;
    SummaryTable t;
    rebuildResultGrid(view, t, makeResult("名称:s|在职:b\n甲|1\n乙|0"), false);
    const ExportSummary s = exportGridToXls(view, path("plain"));
    auto cells = readBack(s.path);
    ASSERT_FALSE(cells.empty());
    EXPECT_EQ(cells["0!1,1"], "4:1:General");
    EXPECT_EQ(cells["0!2,1"], "4:0:General");
    EXPECT_EQ(cells["0!3,0"], "2:2.0:\"个数:\"0:bold");
}

TEST_F(ExportFiles, DateCellsShowTheTimeOnlyWhenTheGridDoes) {
    GridView view;
    SummaryTable t;
    rebuildResultGrid(view, t, makeResult("入职:t|日期:d\n40179|40180\n40179.5|40180.25"), false);
    // What the grid shows: the date alone for a whole day, date and time otherwise.
    EXPECT_EQ(view.cellText(0, 0), "2010-01-01");
    EXPECT_EQ(view.cellText(1, 0), "2010-01-01 12:00:00");
    const ExportSummary s = exportGridToXls(view, path("日期"));
    auto cells = readBack(s.path);
    ASSERT_FALSE(cells.empty());
    const struct {
        const char* cell;
        const char* expected;
    } cases[] = {
        {"0!1,0", "3:40179.0:yyyy-mm-dd"},
        {"0!1,1", "3:40180.0:yyyy-mm-dd"},
        {"0!2,0", "3:40179.5:yyyy-mm-dd hh:mm:ss"},
        {"0!2,1", "3:40180.25:yyyy-mm-dd hh:mm:ss"},
    };
    for (const auto& c : cases) EXPECT_EQ(cells[c.cell], c.expected) << c.cell;
}

TEST_F(ExportFiles, RowsPastOneSheetContinueOnFurtherSheets) {
    const size_t n = 2 * kRowsPerSheet + 10;
    workbooks::Result r;
    r.addField("序号", workbooks::FieldType::Integer);
    r.addField("名称", workbooks::FieldType::String);
    auto& a = r.field(0);  // taken after both fields exist: adding a field moves the columns
    auto& b = r.field(1);
    for (size_t i = 0; i < n; ++i) {
        a.appendNumber(double(i));
        b.appendText("行" + std::to_string(i % 1000));
        r.commitRow();
    }
    const ExportSummary s = exportResultToXls(r, path("大表"));
    EXPECT_EQ(s.path, path("大表.xls"));
    EXPECT_EQ(s.dataRows, n);
    EXPECT_EQ(s.sheets, 3u);
    EXPECT_EQ(exportSheetsNotice(s), "数据超过 65535 行,已分 3 个工作表导出");
    EXPECT_EQ(exportSheetsNotice(ExportSummary{"a.xls", 10, 1}), "");
    EXPECT_EQ(exportSheetsNotice(ExportSummary{"a.xls", 65535, 2, 1}),
              "数据 65535 行加上分组行和合计行共 65536 行,超过一个工作表的 65535 行,"
              "已分 2 个工作表导出");
    auto cells = readBack(s.path);
    ASSERT_FALSE(cells.empty());
    EXPECT_EQ(cells["sheets"], "Sheet1,Sheet2,Sheet3");
    EXPECT_EQ(cells["0!rows"], "65536");
    EXPECT_EQ(cells["1!rows"], "65536");
    EXPECT_EQ(cells["2!rows"], "11");
    for (int sh = 0; sh < 3; ++sh)
        EXPECT_EQ(cells[std::to_string(sh) + "!0,0"], "1:序号:General:bold");
    EXPECT_EQ(cells["0!65535,0"], "2:65534.0:General");
    EXPECT_EQ(cells["1!1,0"], "2:65535.0:General");
    EXPECT_EQ(cells["2!10,0"], "2:" + std::to_string(n - 1) + ".0:General");
    EXPECT_EQ(cells["2!10,1"], "1:行" + std::to_string((n - 1) % 1000) + ":General");
}

TEST_F(ExportFiles, AFullSheetPushesTheFooterToTheNextSheet) {
    auto r = std::make_shared<workbooks::Result>();
    auto& a = r->addField("值", workbooks::FieldType::Float);
    for (size_t i = 0; i < kRowsPerSheet; ++i) {
        a.appendNumber(1);
        r->commitRow();
    }
    GridView view;
    SummaryTable t;
    rebuildResultGrid(view, t, r, true);
    const ExportSummary s = exportGridToXls(view, path("满"));
    EXPECT_EQ(s.dataRows, kRowsPerSheet);
    EXPECT_EQ(s.sheets, 2u);
    EXPECT_EQ(s.summaryRows, 1u);  // the footer
    EXPECT_EQ(exportSheetsNotice(s),
              "数据 65535 行加上分组行和合计行共 65536 行,"
              "超过一个工作表的 65535 行,已分 2 个工作表导出");
    auto cells = readBack(s.path);
    ASSERT_FALSE(cells.empty());
    EXPECT_EQ(cells["1!rows"], "2");
    EXPECT_EQ(cells["1!1,0"], "2:65535.0:0.00:bold");
}

TEST_F(ExportFiles, UnwritableFolderThrows) {
    GridView view;
    SummaryTable t;
    rebuildResultGrid(view, t, makeResult("a:s\nx"), true);
    EXPECT_THROW(exportGridToXls(view, path("没有的目录/结果")), Error);
}

}  // namespace
}  // namespace shuhui::grid
