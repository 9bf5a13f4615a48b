// The entry points: applications whose Visible(true) opens result windows and whose Copy/Paste go
// through the system clipboard in three forms; the question for every unsaved window at the end.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QTableView>
#include <QTemporaryDir>

#include "formats/error.h"
#include "formats/writer.h"
#include "sheet/sheet_test_support.h"
#include "sheet/view/clipboard_bridge.h"
#include "sheet/view/scripted_sheet_prompts.h"
#include "sheet/view/sheet_application.h"
#include "sheet/view/sheet_window.h"

namespace shuhui::sheetview {
namespace {

class SheetApplicationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        formats::Workbook wb;
        wb.sheets.push_back(sheet::testing::headerSheet(wb, "一月", 2));
        source_ = dir_.filePath("a.xls").toStdString();
        formats::writeXls(wb, source_);
        factory_ = CreateApplicationFactory(&owner_);
    }
    void TearDown() override {
        for (SheetWindow* w : SheetWindow::openWindows()) delete w;
    }

    // A result application with one visible new workbook, sheet 2 active.
    std::unique_ptr<sheet::Application> result() {
        auto app = factory_->Create();
        app->WorkBooks().Add();
        app->WorkSheets(2)->Activate();
        app->Visible(true);
        return app;
    }

    QTemporaryDir dir_;
    QWidget owner_;
    std::string source_;
    std::unique_ptr<sheet::ApplicationFactory> factory_;
};

TEST_F(SheetApplicationTest, EachVisibleOpensANewWindowAndEarlierOnesStay) {
    auto first = result();
    auto second = result();
    const QList<SheetWindow*> windows = SheetWindow::openWindows();
    ASSERT_EQ(windows.size(), 2);
    EXPECT_NE(&windows[0]->document(), &windows[1]->document());
    EXPECT_EQ(windows[0]->parentWidget(), &owner_);
    EXPECT_TRUE(windows[0]->isVisible());
    EXPECT_EQ(windows[0]->tabs()->currentIndex(), 1);
    first.reset();  // released: the window keeps its workbook
    EXPECT_EQ(windows[0]->document().sheetCount(), 3u);
}

TEST_F(SheetApplicationTest, CopyPutsThreeFormsOnTheSystemClipboardAndPasteReadsOursBack) {
    auto target = result();
    auto source = factory_->Create();
    source->WorkBooks().Open(source_);
    source->ActiveSheet()->UsedRange()->Copy();

    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->hasFormat(kBlockMimeType));
    EXPECT_EQ(data->text(),
              "一月工资表\t\t\t\r\n姓名\t应发工资\t\t备注\r\n\t基本工资\t奖金\t\r\n"
              "一月姓名1\t1000\t100.00\t备注1\r\n一月姓名2\t1001\t200.00\t备注2\r\n");
    EXPECT_TRUE(data->html().contains("colspan=\"4\""));

    target->ActiveSheet()->Range("A1")->Select();
    target->ActiveSheet()->Paste();
    SheetWindow* w = SheetWindow::openWindows().at(0);
    EXPECT_EQ(w->document().sheet(1).merged.size(), 4u);
    EXPECT_EQ(w->table()->columnSpan(0, 0), 4);
    EXPECT_TRUE(w->windowTitle().contains("(未保存)"));
    EXPECT_EQ(target->ActiveSheet()->UsedRange()->Address(), "$A$1:$D$5");
}

TEST_F(SheetApplicationTest, TextFromAnotherProgramIsPastedAsTabSeparatedValues) {
    auto target = result();
    QApplication::clipboard()->setText("姓名\t金额\n张三\t12.5\n");
    target->ActiveSheet()->Range("B2")->Select();
    target->ActiveSheet()->Paste();
    const sheet::Document& d = SheetWindow::openWindows().at(0)->document();
    EXPECT_EQ(d.cellText(1, 1, 1), "姓名");
    EXPECT_EQ(d.cellText(1, 2, 2), "12.5");
    EXPECT_EQ(d.cell(1, 2, 2)->type, formats::CellType::Number);
    EXPECT_EQ(target->ActiveSheet()->UsedRange()->Address(), "$B$2:$C$3");
}

TEST_F(SheetApplicationTest, AnEmptyClipboardGivesTheApplicationsError) {
    auto target = result();
    QApplication::clipboard()->clear();
    try {
        target->ActiveSheet()->Paste();
        ADD_FAILURE() << "pasted nothing without an error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("剪贴板上没有"), std::string::npos);
    }
}

TEST_F(SheetApplicationTest, AtProgramEndEveryUnsavedWindowIsAskedFor) {
    ScriptedSheetPrompts prompts;
    auto a = result();
    auto b = result();
    auto c = result();
    QApplication::clipboard()->setText("x");
    for (auto* app : {a.get(), b.get()}) app->ActiveSheet()->Paste();  // c stays untouched
    prompts.saveAnswers = {SheetPrompts::Yes, SheetPrompts::No};
    prompts.fileAnswers = {dir_.filePath("留下.xlsx")};
    a->WorkBooks().Close();
    a->Quit();
    SaveOrDiscardOpenResults(&owner_);
    EXPECT_EQ(prompts.kinds(), (QStringList{"save? (是/否)", "file", "save? (是/否)"}));
    EXPECT_TRUE(QFile::exists(dir_.filePath("留下.xlsx")));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(SheetWindow::openWindows().isEmpty());
}

}  // namespace
}  // namespace shuhui::sheetview
