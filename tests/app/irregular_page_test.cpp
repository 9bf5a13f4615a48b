// The irregular-header merge page driven through its controls, with a scripted spreadsheet
// application: the survey, the header-row shift, the lists in step, the confirmation, the copy,
// the warnings and the shutdown of the result application.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>
#include <memory>

#include "app/catalogue_tree.h"
#include "app/tfm_main.h"
#include "merge/irregular/fake_spreadsheet.h"
#include "scripted_prompts.h"

namespace {

using Calls = std::vector<std::string>;

QStringList Items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

class IrregularPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        world.AddFile("D:/a.xls", {{"一月", "$A$1:$F$12"}, {"二月", "$A$1:$F$20"}});
        world.AddFile("D:/b.xls", {{"三月", "$A$1:$F$9"}});
        fm = std::make_unique<TfmMain>(nullptr, QStringLiteral("/nonexistent-dir/curVer.txt"));
        fm->ExcelFactory = std::make_unique<fake::FakeFactory>(world);
        fm->show();
        QApplication::processEvents();
        // The catalogue: two workbooks, every sheet checked.
        QTreeWidget* tree = fm->RzCheckTree1;
        catalogue_tree::addWorkbook(tree, "D:/a.xls", {"一月$", "二月$"});
        catalogue_tree::addWorkbook(tree, "D:/b.xls", {"三月$"});
        for (QTreeWidgetItem* book : {tree->topLevelItem(0), tree->topLevelItem(1)})
            book->setCheckState(0, Qt::Checked);
        fm->RzBmpButton5->click();
    }

    // A click on row `row` of `list`, as the user makes it.
    void ClickRow(QListWidget* list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }
    void Survey() { fm->btn_ver_hbbtn3->click(); }
    void Shift(const QString& rows) {
        fm->edt_field_hs->setText(rows);
        fm->btn_ver_hb_bgz_1->click();
    }
    const ScriptedPrompts::Call& LastPrompt() const { return prompts.calls.back(); }

    fake::FakeSpreadsheet world;  // outlives the window, whose end closes the result application
    ScriptedPrompts prompts;
    std::unique_ptr<TfmMain> fm;
};

}  // namespace

TEST_F(IrregularPageTest, StartState) {
    const struct {
        const char* name;
        QString text;
    } labels[] = {
        {"lbl_ver_hb_2", "不规则合并方式使用说明:"},
        {"lbl_ver_hb_2bb", "本次参与合并的工作表信息:"},
        {"lbl_xls_name", "工作表信息"},
        {"lbl_regon_lab", "数据区域"},
        {"lbl_hshead", "表头占用行数:"},
        {"lbl_KKhh", "各表数据间空几行"},
    };
    for (const auto& l : labels) {
        auto* label = fm->rztbs_ver_hb_Tab_2->findChild<QLabel*>(l.name);
        ASSERT_NE(label, nullptr) << l.name;
        EXPECT_EQ(label->text(), l.text);
        EXPECT_EQ(label->accessibleDescription(), QString(l.name));
    }
    EXPECT_EQ(
        fm->edt_ver_hb_22->toPlainText().split('\n'),
        (QStringList{"不规则表头合并使用说明:如果您的电子表格的表头格式制作得相当精美并且结构复"
                     "杂,要改成单一表头并放在第一行的改变工作量大",
                     "不适合用规则表头进行合并的可以使用本种方式,该方式在保持您表头不变的情况"
                     "下利用复制方式把其它类似的表内容追加起来形成一",
                     "张大表!期间需要您指定表头占用的行数等相信息！"}));
    EXPECT_TRUE(fm->edt_ver_hb_22->isReadOnly());
    EXPECT_EQ(fm->edt_field_hs->text(), "1");
    EXPECT_EQ(fm->edt_ver_hb_kh->text(), "1");
    EXPECT_EQ(fm->btn_ver_hb_bgz_1->text(), "设置行数");
    EXPECT_EQ(fm->btn_vert_hb_entry->text(), "生成合并表");
    EXPECT_FALSE(fm->btn_vert_hb_entry->isEnabled());
    EXPECT_EQ(fm->lst_vert_hb2_stName->count(), 0);
    EXPECT_EQ(fm->lst_vert_hb2_regioninfo->count(), 0);
    for (QWidget* w : std::initializer_list<QWidget*>{
             fm->edt_ver_hb_22, fm->lst_vert_hb2_stName, fm->lst_vert_hb2_regioninfo,
             fm->edt_field_hs, fm->edt_ver_hb_kh, fm->btn_ver_hb_bgz_1, fm->btn_vert_hb_entry}) {
        EXPECT_EQ(w->accessibleDescription(), w->objectName());
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
    }
    EXPECT_EQ(fm->ExcelApp, nullptr);
}

// The whole page: survey, shift, the lists in step, the confirmation and the copy.
TEST_F(IrregularPageTest, SurveyShiftConfirmAndCopy) {
    bool noticeAndHourglass = true;
    world.onCall = [&](const std::string& call) {
        if (call.find("Address") != std::string::npos && world.created <= 3)
            noticeAndHourglass &= fm->rzpnl_loading->isVisible() &&
                                  QGuiApplication::overrideCursor() &&
                                  QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
    };
    Survey();
    world.onCall = nullptr;
    EXPECT_TRUE(noticeAndHourglass);
    EXPECT_EQ(fm->rzpg_ver_hb->currentWidget(), fm->rztbs_ver_hb_Tab_2);
    EXPECT_EQ(Items(fm->lst_vert_hb2_stName),
              (QStringList{"D:/a.xls>一月$", "D:/a.xls>二月$", "D:/b.xls>三月$"}));
    EXPECT_EQ(Items(fm->lst_vert_hb2_regioninfo),
              (QStringList{"$A$1:$F$12", "$A$1:$F$20", "$A$1:$F$9"}));
    EXPECT_EQ(fm->lst_vert_hb2_stName->item(1)->data(TfmMain::kEntryPathRole), "D:/a.xls");
    EXPECT_EQ(fm->lst_vert_hb2_stName->item(1)->data(TfmMain::kEntrySheetRole), "二月$");
    EXPECT_EQ(world.created, 3);
    for (int app = 1; app <= 3; ++app) EXPECT_TRUE(world.Quit(app));
    EXPECT_FALSE(fm->rzpnl_loading->isVisible());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(prompts.calls.empty());

    Shift("3");
    EXPECT_EQ(Items(fm->lst_vert_hb2_regioninfo),
              (QStringList{"$A$4:$F$12", "$A$4:$F$20", "$A$4:$F$9"}));
    EXPECT_TRUE(fm->btn_vert_hb_entry->isEnabled());

    // No carrier chosen yet.
    fm->btn_vert_hb_entry->click();
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(LastPrompt().kind, "warning");
    EXPECT_EQ(LastPrompt().text, "请您在上框中选择一项作为最终合并数据承载表!");
    EXPECT_EQ(LastPrompt().caption, "信息提示");

    // The lists in step, either way.
    ClickRow(fm->lst_vert_hb2_stName, 2);
    EXPECT_EQ(fm->lst_vert_hb2_regioninfo->currentRow(), 2);
    ClickRow(fm->lst_vert_hb2_regioninfo, 1);
    EXPECT_EQ(fm->lst_vert_hb2_stName->currentRow(), 1);

    // Cancelled: no application is created.
    prompts.confirmAnswer = 2;
    fm->btn_vert_hb_entry->click();
    EXPECT_EQ(LastPrompt().kind, "confirm");
    EXPECT_EQ(LastPrompt().text,
              "当前选中的表为[D:/a.xls>二月$],\n"
              "最后的合并表需要一个做为数据粘贴表,目前所选表\n"
              "是您要作为最终合并数据承载表吗?");
    EXPECT_EQ(LastPrompt().caption, "信息提示");
    EXPECT_EQ(world.created, 3);
    EXPECT_EQ(fm->ExcelApp, nullptr);

    // Confirmed with 二月 as the carrier.
    prompts.confirmAnswer = 1;
    bool hourglassWhileCopying = true;
    world.onCall = [&](const std::string& call) {
        if (call.rfind("6.", 0) == 0 || call.rfind("7.", 0) == 0)  // the sheets after the carrier
            hourglassWhileCopying &= QGuiApplication::overrideCursor() != nullptr;
    };
    fm->btn_vert_hb_entry->click();
    world.onCall = nullptr;
    EXPECT_TRUE(hourglassWhileCopying);
    EXPECT_EQ(LastPrompt().kind, "confirm");  // no warning after it
    ASSERT_NE(fm->ExcelApp, nullptr);
    ASSERT_EQ(world.added.size(), 1u);
    std::vector<std::string> blocks;
    for (const fake::Block& b : world.added[0]->sheets[1].blocks)
        blocks.push_back(b.from + " " + fake::Address(b.at));
    EXPECT_EQ(blocks,
              (std::vector<std::string>{"D:/a.xls>二月 $A$1:$F$20", "D:/a.xls>一月 $A$22:$F$30",
                                        "D:/b.xls>三月 $A$32:$F$37"}));
    EXPECT_EQ(world.CallsOf(4)[0], "create");  // the result application
    EXPECT_EQ(world.CallsOf(5)[2], "Open(D:/a.xls)");
    EXPECT_EQ(world.CallsOf(5)[3], "WorkSheets(二月)");
    EXPECT_EQ(fm->lst_vert_hb2_stName->currentRow(), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(fm->btn_vert_hb_entry->isEnabled());
    // The lists are unchanged by a run.
    EXPECT_EQ(Items(fm->lst_vert_hb2_regioninfo),
              (QStringList{"$A$4:$F$12", "$A$4:$F$20", "$A$4:$F$9"}));

    // A new survey restores the full used ranges.
    Survey();
    EXPECT_EQ(Items(fm->lst_vert_hb2_regioninfo),
              (QStringList{"$A$1:$F$12", "$A$1:$F$20", "$A$1:$F$9"}));
}

TEST_F(IrregularPageTest, NoApplicationWarnsForEverySheetAndListsTheEntries) {
    for (int n = 1; n <= 3; ++n) world.FailAt("create", n);
    Survey();
    EXPECT_EQ(Items(fm->lst_vert_hb2_stName).size(), 3);
    EXPECT_EQ(fm->lst_vert_hb2_regioninfo->count(), 0);
    ASSERT_EQ(prompts.calls.size(), 3u);
    for (const auto& call : prompts.calls) {
        EXPECT_EQ(call.kind, "warning");
        EXPECT_EQ(call.text, "您的电脑未安装Excel!");
        EXPECT_EQ(call.caption, "信息提示");
    }
}

// A failure after the source application started goes to the error report: the survey ends at
// that sheet, whose entry stays without a region; its source application is closed.
TEST_F(IrregularPageTest, ASurveyFailureEndsTheSurveyAtThatSheet) {
    world.FailAt("WorkSheets(二月)");
    EXPECT_FALSE(RunReported([&] {
        Survey();
        return true;
    }));
    EXPECT_EQ(Items(fm->lst_vert_hb2_stName), (QStringList{"D:/a.xls>一月$", "D:/a.xls>二月$"}));
    EXPECT_EQ(Items(fm->lst_vert_hb2_regioninfo), (QStringList{"$A$1:$F$12"}));
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(LastPrompt().kind, "error");
    EXPECT_TRUE(LastPrompt().text.startsWith("模拟失败: 2.WorkSheets(二月)"));
    EXPECT_TRUE(world.Quit(2));
    EXPECT_EQ(world.created, 2);
    EXPECT_FALSE(fm->rzpnl_loading->isVisible());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // The region list lags behind: a copy fails at the sheet without a region, the blocks
    // before it stay.
    Shift("1");
    ClickRow(fm->lst_vert_hb2_stName, 0);
    fm->btn_vert_hb_entry->click();
    EXPECT_EQ(LastPrompt().kind, "warning");
    EXPECT_EQ(LastPrompt().text, "工作表[D:/a.xls>二月$]没有数据区域,请重新获取各表的数据区域");
    EXPECT_EQ(world.added.at(0)->sheets[1].blocks.size(), 1u);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(IrregularPageTest, HeaderRowShiftWarnings) {
    Survey();
    const struct {
        QString rows;
        QString warning;
    } cases[] = {
        {"0", "表头行数不能为0,请设置一个具体的数值!"},
        {"-1", "表头行数不能为0,请设置一个具体的数值!"},
        {"abc", "表头占用行数\"abc\"不是整数,请设置一个具体的数值!"},
        {"2.5", "表头占用行数\"2.5\"不是整数,请设置一个具体的数值!"},
        {"", "表头占用行数\"\"不是整数,请设置一个具体的数值!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rows.toStdString());
        Shift(c.rows);
        EXPECT_EQ(LastPrompt().kind, "warning");
        EXPECT_EQ(LastPrompt().text, c.warning);
        EXPECT_EQ(LastPrompt().caption, "信息提示");
        EXPECT_EQ(Items(fm->lst_vert_hb2_regioninfo),
                  (QStringList{"$A$1:$F$12", "$A$1:$F$20", "$A$1:$F$9"}));
        EXPECT_FALSE(fm->btn_vert_hb_entry->isEnabled());
    }
    // Two presses of 1 move the first row down by 2.
    Shift("1");
    Shift("1");
    EXPECT_EQ(Items(fm->lst_vert_hb2_regioninfo),
              (QStringList{"$A$3:$F$12", "$A$3:$F$20", "$A$3:$F$9"}));
}

TEST_F(IrregularPageTest, ASingleCellRegionIsNamedAndTheOthersAreShifted) {
    world.files["D:/a.xls"].sheets[1].used.reset();  // 二月 is empty: "$A$1"
    Survey();
    Shift("2");
    EXPECT_EQ(Items(fm->lst_vert_hb2_regioninfo), (QStringList{"$A$3:$F$12", "$A$1", "$A$3:$F$9"}));
    EXPECT_EQ(LastPrompt().kind, "warning");
    EXPECT_EQ(LastPrompt().text,
              "工作表[D:/a.xls>二月$]的数据区域$A$1只有一个单元格,"
              "无法按表头行数下移,该表的数据区域未改变!");
    EXPECT_TRUE(fm->btn_vert_hb_entry->isEnabled());
}

TEST_F(IrregularPageTest, AnEmptyListStillEnablesTheCopy) {
    Shift("1");
    EXPECT_TRUE(prompts.calls.empty());
    EXPECT_TRUE(fm->btn_vert_hb_entry->isEnabled());
}

TEST_F(IrregularPageTest, AGapThatIsNotAWholeNumberWarnsBeforeAnythingStarts) {
    Survey();
    Shift("3");
    ClickRow(fm->lst_vert_hb2_stName, 0);
    fm->edt_ver_hb_kh->setText("两行");
    fm->btn_vert_hb_entry->click();
    EXPECT_EQ(LastPrompt().kind, "warning");
    EXPECT_EQ(LastPrompt().text, "各表数据间空几行\"两行\"不是整数,请设置一个具体的数值!");
    EXPECT_EQ(world.created, 3);

    fm->edt_ver_hb_kh->setText("-2");
    fm->btn_vert_hb_entry->click();
    std::vector<int> firstRows;
    for (const fake::Block& b : world.added.at(0)->sheets[1].blocks) firstRows.push_back(b.at.row1);
    EXPECT_EQ(firstRows, (std::vector<int>{1, 13, 30}));
}

// A failure during the copy: its message under "信息提示", the pointer back to normal, the result
// application kept with what was pasted, the failing sheet's source application closed.
TEST_F(IrregularPageTest, ACopyFailureWarnsWithItsMessage) {
    Survey();
    Shift("3");
    ClickRow(fm->lst_vert_hb2_stName, 0);
    world.FailAt("Open(D:/b.xls)");
    fm->btn_vert_hb_entry->click();
    EXPECT_EQ(LastPrompt().kind, "warning");
    EXPECT_EQ(LastPrompt().text, "模拟失败: 7.Open(D:/b.xls)");
    EXPECT_EQ(LastPrompt().caption, "信息提示");
    EXPECT_NE(fm->ExcelApp, nullptr);
    EXPECT_EQ(world.added.at(0)->sheets[1].blocks.size(), 2u);
    EXPECT_TRUE(world.Quit(7));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(fm->btn_vert_hb_entry->isEnabled());
}

// Program end: the newest result application's workbooks closed, then it quits; failures are
// ignored; nothing happens without one.
TEST_F(IrregularPageTest, ShutdownAtProgramEnd) {
    const struct {
        const char* failAt;
        Calls after;  // the result application's calls at the end
    } cases[] = {
        {nullptr, {"WorkBooks", "Close", "Quit"}},
        {"4.Close", {"WorkBooks", "Close"}},
        {"4.WorkBooks", {"WorkBooks"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failAt ? c.failAt : "no failure");
        TearDown();
        world.calls.clear();
        world.created = 0;
        SetUp();
        Survey();
        Shift("3");
        ClickRow(fm->lst_vert_hb2_stName, 0);
        fm->btn_vert_hb_entry->click();
        ASSERT_NE(fm->ExcelApp, nullptr);
        const std::size_t before = world.CallsOf(4).size();
        if (c.failAt) world.FailAt(c.failAt);
        const std::size_t prompted = prompts.calls.size();
        fm.reset();
        const Calls calls = world.CallsOf(4);
        EXPECT_EQ(Calls(calls.begin() + before, calls.end()), c.after);
        EXPECT_EQ(prompts.calls.size(), prompted);
    }
    // Never set: nothing is called.
    world.calls.clear();
    fm = std::make_unique<TfmMain>(nullptr, QStringLiteral("/nonexistent-dir/curVer.txt"));
    fm->ExcelFactory = std::make_unique<fake::FakeFactory>(world);
    fm.reset();
    EXPECT_TRUE(world.calls.empty());
}

// The entry's text is "path>sheet", but path and sheet travel as a pair: a ">" in the path (a
// legal character in a file name here) does not move the split.
TEST_F(IrregularPageTest, EntriesKeepPathAndSheetAsAPair) {
    world.AddFile("D:/季度>汇总.xls", {{"一月", "$A$1:$F$5"}});
    QTreeWidget* tree = fm->RzCheckTree1;
    tree->clear();
    catalogue_tree::addWorkbook(tree, "D:/季度>汇总.xls", {"一月$"});
    catalogue_tree::addWorkbook(tree, "D:/b.xls", {"三月$"});
    for (QTreeWidgetItem* book : {tree->topLevelItem(0), tree->topLevelItem(1)})
        book->setCheckState(0, Qt::Checked);
    Survey();
    EXPECT_EQ(Items(fm->lst_vert_hb2_stName),
              (QStringList{"D:/季度>汇总.xls>一月$", "D:/b.xls>三月$"}));
    EXPECT_EQ(Items(fm->lst_vert_hb2_regioninfo), (QStringList{"$A$1:$F$5", "$A$1:$F$9"}));
    Shift("3");
    ClickRow(fm->lst_vert_hb2_stName, 1);
    fm->btn_vert_hb_entry->click();
    EXPECT_EQ(LastPrompt().kind, "confirm");
    EXPECT_EQ(world.CallsOf(5)[2], "Open(D:/季度>汇总.xls)");
    EXPECT_EQ(world.CallsOf(5)[3], "WorkSheets(一月)");
    std::vector<int> firstRows;
    for (const fake::Block& b : world.added.at(0)->sheets[1].blocks) firstRows.push_back(b.at.row1);
    EXPECT_EQ(firstRows, (std::vector<int>{1, 11}));
}
