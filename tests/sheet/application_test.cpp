// The automation members over documents: what the irregular merge does with them, the failures it
// must be able to show, and a result saved and reopened by independent readers.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>

#include "formats/error.h"
#include "formats/writer.h"
#include "sheet/application.h"
#include "sheet_test_support.h"

namespace shuhui::sheet {
namespace {

namespace fs = std::filesystem;

const std::string kBasic = std::string(SHUHUI_FIXTURES) + "/formats/basic_lo.xls";

class ApplicationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("shuhui-sheet-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        clipboard_ = std::make_shared<LocalClipboard>();
        factory_ = std::make_unique<DocumentApplicationFactory>(
            clipboard_, [this](const std::shared_ptr<Document>& d) { shown_.push_back(d); });
    }
    void TearDown() override { fs::remove_all(dir_); }

    // A workbook file with sheets of the three-row header, `rows` data rows each.
    std::string workbook(const std::string& stem,
                         std::vector<std::pair<std::string, uint32_t>> sheets) {
        formats::Workbook wb;
        for (const auto& [name, rows] : sheets)
            wb.sheets.push_back(testing::headerSheet(wb, name, rows));
        const std::string path = (dir_ / (stem + ".xls")).string();
        formats::writeXls(wb, path);
        return path;
    }

    fs::path dir_;
    std::shared_ptr<LocalClipboard> clipboard_;
    std::unique_ptr<DocumentApplicationFactory> factory_;
    std::vector<std::shared_ptr<Document>> shown_;
};

TEST_F(ApplicationTest, SurveyReadsTheUsedRangeOfASheetByName) {
    auto app = factory_->Create();
    app->WorkBooks().Open(kBasic);
    EXPECT_EQ(app->WorkSheets("偏移")->UsedRange()->Address(), "$B$3:$C$5");
    EXPECT_EQ(app->WorkSheets("空表")->UsedRange()->Address(), "$A$1");
    EXPECT_EQ(app->WorkSheets("合并表头")->UsedRange()->Address(), "$A$1:$E$4");
    app->ActiveWorkBook()->Saved(true);
    app->WorkBooks().Close();
    app->Quit();
}

// The same styled three-row header written by xlwt and by openpyxl, as the application keeps it.
TEST_F(ApplicationTest, OpenKeepsTheLookOfFilesFromOtherWriters) {
    for (const char* file : {"header_xlwt.xls", "header_openpyxl.xlsx"}) {
        auto app = factory_->Create();
        app->WorkBooks().Open(std::string(SHUHUI_FIXTURES) + "/sheet/" + file);
        EXPECT_EQ(app->WorkSheets("一月")->UsedRange()->Address(), "$A$1:$F$11") << file;
        EXPECT_EQ(app->WorkSheets(2)->UsedRange()->Address(), "$A$1:$F$6") << file;
        app->Visible(true);
        const Document& d = *shown_.back();
        const formats::Sheet& s = d.sheet(0);
        EXPECT_EQ(s.merged,
                  (std::vector<formats::Range>{
                      {0, 0, 0, 5}, {1, 0, 2, 0}, {1, 1, 2, 1}, {1, 2, 1, 4}, {1, 5, 2, 5}}))
            << file;
        EXPECT_EQ(s.frozenRows, 3u) << file;
        EXPECT_EQ(s.frozenCols, 1u) << file;
        EXPECT_NEAR(d.columnWidth(0, 0), 12, 0.1) << file;
        EXPECT_EQ(d.rowHeight(0, 0), 30.0) << file;
        EXPECT_EQ(d.cellText(0, 3, 2), "5,000.00") << file;
        EXPECT_EQ(d.cellText(0, 3, 1), "200001") << file;
        const formats::CellStyle& title = d.workbook().style(*d.cell(0, 0, 0));
        EXPECT_TRUE(title.font.bold) << file;
        EXPECT_EQ(title.font.size, 16) << file;
        EXPECT_EQ(title.halign, formats::HAlign::Center) << file;
        EXPECT_NE(title.fill, formats::kNoColor) << file;
        const formats::CellStyle& head = d.workbook().style(*d.cell(0, 2, 3));
        EXPECT_EQ(head.bottom.style, formats::BorderStyle::Thin) << file;
        app->ActiveWorkBook()->Saved(true);
        app->Quit();
    }
}

TEST_F(ApplicationTest, FormulaCellsCarryTheirStoredResults) {
    auto app = factory_->Create();
    app->WorkBooks().Open(kBasic);
    app->WorkSheets("公式")->Activate();
    app->ActiveSheet()->Range("A1:F1")->Copy();
    EXPECT_EQ(blockToTsv(*clipboard_->block()), "10\t20\t30\t合计30\t#DIV/0!\tFALSE\r\n");
}

TEST_F(ApplicationTest, AddMakesThreeSheetsAndPositionsCountFromOne) {
    auto app = factory_->Create();
    app->WorkBooks().Add();
    app->WorkSheets(2)->Activate();
    app->Visible(true);
    ASSERT_EQ(shown_.size(), 1u);
    const Document& d = *shown_[0];
    EXPECT_EQ(d.sheetCount(), 3u);
    EXPECT_EQ(d.sheet(0).name, "Sheet1");
    EXPECT_EQ(d.activeSheet(), 1u);
    EXPECT_EQ(app->ActiveSheet()->UsedRange()->Address(), "$A$1");
    EXPECT_EQ(app->WorkSheets("SHEET3")->Range("b3:h20")->Address(), "$B$3:$H$20");
}

// The irregular merge's copy: the carrier's used range at A1 of sheet 2 of a new workbook, then
// each other sheet's data region below, one gap row between blocks.
TEST_F(ApplicationTest, CopyUnderTheCarrierKeepsHeaderBlocksAndLook) {
    const std::string a = workbook("a", {{"一月", 9}, {"二月", 17}});
    const std::string b = workbook("b", {{"三月", 6}});
    auto result = factory_->Create();
    result->WorkBooks().Add();
    result->WorkSheets(2)->Activate();
    result->Visible(true);

    auto copy = [&](const std::string& path, const std::string& sheet, const std::string& region,
                    const std::string& at) {
        auto source = factory_->Create();
        source->WorkBooks().Open(path);
        source->WorkSheets(sheet)->Activate();
        const std::string r =
            region.empty() ? source->ActiveSheet()->UsedRange()->Address() : region;
        source->ActiveSheet()->Range(r)->Copy();
        result->ActiveSheet()->Range(at)->Select();
        result->ActiveSheet()->Paste();
        source->ActiveWorkBook()->Saved(true);
        source->WorkBooks().Close();
        source->Quit();
    };
    copy(a, "一月", "", "A1");
    EXPECT_EQ(result->ActiveSheet()->UsedRange()->Address(), "$A$1:$D$12");
    copy(a, "二月", "$A$4:$D$20", "A14");
    EXPECT_EQ(result->ActiveSheet()->UsedRange()->Address(), "$A$1:$D$30");
    copy(b, "三月", "$A$4:$D$9", "A32");
    EXPECT_EQ(result->ActiveSheet()->UsedRange()->Address(), "$A$1:$D$37");

    const Document& d = *shown_.at(0);
    EXPECT_EQ(d.activeSheet(), 1u);
    EXPECT_EQ(d.cellText(1, 0, 0), "一月工资表");
    EXPECT_EQ(d.cellText(1, 13, 0), "二月姓名1");
    EXPECT_EQ(d.cellText(1, 29, 2), "1,700.00");
    EXPECT_EQ(d.cellText(1, 31, 0), "三月姓名1");
    EXPECT_EQ(d.cellText(1, 12, 0), "");
    EXPECT_EQ(d.cellText(1, 30, 0), "");
    EXPECT_EQ(d.sheet(1).merged, (std::vector<formats::Range>{
                                     {0, 0, 0, 3}, {1, 0, 2, 0}, {1, 1, 1, 2}, {1, 3, 2, 3}}));
    EXPECT_EQ(d.columnWidth(1, 0), 12);
    EXPECT_EQ(d.rowHeight(1, 0), 30.0);
    const formats::CellStyle& head = d.workbook().style(*d.cell(1, 1, 1));
    EXPECT_TRUE(head.font.bold);
    EXPECT_EQ(head.fill, 0xFFFF00u);
    EXPECT_EQ(head.top.style, formats::BorderStyle::Thin);
    EXPECT_FALSE(d.saved());
}

TEST_F(ApplicationTest, EveryFailureIsAnErrorWithAChineseMessage) {
    const std::string a = workbook("a", {{"一月", 2}});
    struct Case {
        const char* what;
        std::function<void(Application&)> run;
        const char* message;  // a piece of the message
    } cases[] = {
        {"missing file", [](Application& app) { app.WorkBooks().Open("/nonexistent/无.xls"); },
         "无.xls"},
        {"no workbook", [](Application& app) { app.ActiveSheet(); }, "没有打开的工作簿"},
        {"no workbook to save", [](Application& app) { app.ActiveWorkBook(); }, "没有打开的工作簿"},
        {"no sheet of that name",
         [&](Application& app) {
             app.WorkBooks().Open(a);
             app.WorkSheets("二月");
         },
         "没有名为“二月”的工作表"},
        {"position 0",
         [&](Application& app) {
             app.WorkBooks().Open(a);
             app.WorkSheets(0);
         },
         "没有第 0 个"},
        {"position past the last",
         [](Application& app) {
             app.WorkBooks().Add();
             app.WorkSheets(4);
         },
         "只有 3 个工作表"},
        {"bad reference",
         [](Application& app) {
             app.WorkBooks().Add();
             app.ActiveSheet()->Range("A1:");
         },
         "“A1:”不是有效"},
        {"paste with nothing copied",
         [](Application& app) {
             app.WorkBooks().Add();
             app.ActiveSheet()->Paste();
         },
         "剪贴板上没有"},
        {"sheet after quit",
         [](Application& app) {
             app.WorkBooks().Add();
             auto s = app.ActiveSheet();
             app.Quit();
             s->UsedRange();
         },
         "已经退出"},
        {"range after quit",
         [](Application& app) {
             app.WorkBooks().Add();
             auto r = app.ActiveSheet()->Range("A1");
             app.Quit();
             r->Copy();
         },
         "已经退出"},
        {"workbooks after quit",
         [](Application& app) {
             app.Quit();
             app.WorkBooks();
         },
         "已经退出"},
        {"workbook after close",
         [](Application& app) {
             app.WorkBooks().Add();
             auto wb = app.ActiveWorkBook();
             app.WorkBooks().Close();
             wb->Saved(true);
         },
         "已经关闭"},
        {"sheet after close",
         [](Application& app) {
             app.WorkBooks().Add();
             auto s = app.WorkSheets(1);
             app.WorkBooks().Close();
             s->Range("A1")->Select();
         },
         "已经关闭"},
    };
    for (const Case& c : cases) {
        clipboard_->setBlock(StyledBlock{});
        auto app = factory_->Create();
        try {
            c.run(*app);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << c.what << ": " << e.what();
        }
    }
}

TEST_F(ApplicationTest, ObjectsOfAReleasedApplicationFailCleanly) {
    std::shared_ptr<Worksheet> sheet;
    {
        auto app = factory_->Create();
        app->WorkBooks().Add();
        sheet = app->ActiveSheet();
        app->Visible(true);
    }
    EXPECT_THROW(sheet->Activate(), Error);
    // the shown workbook outlives its application
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0]->sheetCount(), 3u);
}

TEST_F(ApplicationTest, EachVisibleShowsTheActiveWorkbookAgain) {
    auto app = factory_->Create();
    app->Visible(true);  // nothing open: nothing to show
    app->WorkBooks().Add();
    app->Visible(true);
    app->Visible(false);
    app->Visible(true);
    ASSERT_EQ(shown_.size(), 2u);
    EXPECT_EQ(shown_[0], shown_[1]);
}

// A saved result read back by xlrd (.xls) and openpyxl (.xlsx): the same values and merged ranges.
std::set<std::string> independentDump(const std::string& file) {
    const std::string cmd = "/usr/bin/python3 " + std::string(SHUHUI_SOURCE_DIR) +
                            "/tests/formats/roundtrip_dump.py '" + file + "' 2>&1";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return {};
    std::string all;
    char buf[4096];
    while (size_t n = fread(buf, 1, sizeof buf, p)) all.append(buf, n);
    const int rc = ::pclose(p);
    EXPECT_EQ(rc, 0) << all;
    std::set<std::string> lines;
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string::npos) end = all.size();
        const std::string line = all.substr(start, end - start);
        if ((line.rfind("cell\t1\t", 0) == 0 && line.find("\tblank\t") == std::string::npos) ||
            line.rfind("merge\t1\t", 0) == 0)
            lines.insert(line);
        start = end + 1;
    }
    return lines;
}

TEST_F(ApplicationTest, SavedResultReopensElsewhereWithValuesAndMerges) {
    ASSERT_EQ(::access("/usr/bin/python3", X_OK), 0)
        << "the round trip needs /usr/bin/python3 (xlrd, openpyxl)";
    const std::string a = workbook("a", {{"一月", 2}});
    auto result = factory_->Create();
    result->WorkBooks().Add();
    result->WorkSheets(2)->Activate();
    result->Visible(true);
    auto source = factory_->Create();
    source->WorkBooks().Open(a);
    source->ActiveSheet()->UsedRange()->Copy();
    result->ActiveSheet()->Range("A1")->Select();
    result->ActiveSheet()->Paste();
    source->ActiveSheet()->Range("$A$4:$D$5")->Copy();
    result->ActiveSheet()->Range("A7")->Select();
    result->ActiveSheet()->Paste();

    const std::set<std::string> expected = {
        "cell\t1\t0\t0\ttext\t一月工资表",
        "cell\t1\t1\t0\ttext\t姓名",
        "cell\t1\t1\t1\ttext\t应发工资",
        "cell\t1\t1\t3\ttext\t备注",
        "cell\t1\t2\t1\ttext\t基本工资",
        "cell\t1\t2\t2\ttext\t奖金",
        "cell\t1\t3\t0\ttext\t一月姓名1",
        "cell\t1\t3\t1\tnumber\t1000.0",
        "cell\t1\t3\t2\tnumber\t100.0",
        "cell\t1\t3\t3\ttext\t备注1",
        "cell\t1\t4\t0\ttext\t一月姓名2",
        "cell\t1\t4\t1\tnumber\t1001.0",
        "cell\t1\t4\t2\tnumber\t200.0",
        "cell\t1\t4\t3\ttext\t备注2",
        "cell\t1\t6\t0\ttext\t一月姓名1",
        "cell\t1\t6\t1\tnumber\t1000.0",
        "cell\t1\t6\t2\tnumber\t100.0",
        "cell\t1\t6\t3\ttext\t备注1",
        "cell\t1\t7\t0\ttext\t一月姓名2",
        "cell\t1\t7\t1\tnumber\t1001.0",
        "cell\t1\t7\t2\tnumber\t200.0",
        "cell\t1\t7\t3\ttext\t备注2",
        "merge\t1\t0\t0\t0\t3",
        "merge\t1\t1\t0\t2\t0",
        "merge\t1\t1\t1\t1\t2",
        "merge\t1\t1\t3\t2\t3",
    };
    for (const char* ext : {".xls", ".xlsx"}) {
        const std::string out = (dir_ / (std::string("结果") + ext)).string();
        shown_.at(0)->saveAs(out);
        EXPECT_TRUE(shown_[0]->saved());
        EXPECT_EQ(shown_[0]->name(), std::string("结果") + ext);
        EXPECT_EQ(independentDump(out), expected) << ext;
    }
}

}  // namespace
}  // namespace shuhui::sheet
