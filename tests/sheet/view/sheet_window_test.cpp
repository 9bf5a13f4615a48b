// The result window: tabs, merged cells as spans, styles as roles, the unsaved title, saving with
// "保存" / "另存为" (refusing .xls beyond its limits and offering .xlsx) and the question on close.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFile>
#include <QFont>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>

#include "formats/reader.h"
#include "sheet/sheet_test_support.h"
#include "sheet/view/scripted_sheet_prompts.h"
#include "sheet/view/sheet_model.h"
#include "sheet/view/sheet_window.h"

namespace shuhui::sheetview {
namespace {

std::shared_ptr<sheet::Document> resultDocument() {
    formats::Workbook wb;
    wb.sheets.push_back(sheet::testing::headerSheet(wb, "一月", 3));
    wb.sheets.push_back(sheet::testing::headerSheet(wb, "二月", 2));
    auto doc = std::make_shared<sheet::Document>(std::move(wb), "工作簿1");
    doc->setActiveSheet(1);
    return doc;
}

// A workbook too wide for .xls: 300 columns in one row.
std::shared_ptr<sheet::Document> wideDocument() {
    auto doc = sheet::Document::blank("宽表");
    std::string row = "0";
    for (int c = 1; c < 300; ++c) row.append("\t").append(std::to_string(c));
    doc->paste(0, 0, 0, sheet::blockFromTsv(row));
    return doc;
}

TEST(SheetWindow, ShowsTabsSpansTextsAndStyles) {
    SheetWindow w(resultDocument());
    QAbstractItemModelTester tester(w.model(),
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    ASSERT_EQ(w.tabs()->count(), 2);
    EXPECT_EQ(w.tabs()->tabText(0), "一月");
    EXPECT_EQ(w.tabs()->currentIndex(), 1);  // the active sheet
    EXPECT_EQ(w.tabs()->accessibleDescription(), "sheet_tabs");

    QTableView* t = w.table();
    EXPECT_EQ(t->columnSpan(0, 0), 4);  // title A1:D1
    EXPECT_EQ(t->rowSpan(1, 0), 2);     // 姓名 A2:A3
    EXPECT_EQ(t->columnSpan(1, 1), 2);  // 应发工资 B2:C2
    const QAbstractItemModel* m = t->model();
    EXPECT_EQ(m->data(m->index(0, 0)).toString(), "二月工资表");
    EXPECT_EQ(m->data(m->index(4, 2)).toString(), "200.00");
    EXPECT_EQ(m->data(m->index(4, 2), Qt::TextAlignmentRole).value<Qt::Alignment>() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
    EXPECT_EQ(m->headerData(27, Qt::Horizontal).toString(), "AB");
    EXPECT_EQ(m->headerData(0, Qt::Vertical).toString(), "1");
    EXPECT_TRUE(m->data(m->index(1, 1), Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(m->data(m->index(1, 1), Qt::BackgroundRole).value<QColor>(), QColor(255, 255, 0));
    EXPECT_EQ(t->columnWidth(0), w.columnPixels(12));
    EXPECT_GT(w.columnPixels(12), w.columnPixels(8.43));
    EXPECT_EQ(t->rowHeight(0), RowPixels(30));

    w.tabs()->setCurrentIndex(0);
    EXPECT_EQ(m->data(m->index(0, 0)).toString(), "一月工资表");
    EXPECT_EQ(m->data(m->index(5, 0)).toString(), "一月姓名3");
    EXPECT_EQ(t->columnSpan(0, 0), 4);
}

TEST(SheetWindow, FrozenPanesOfTheFileStayInPlace) {
    SheetWindow w(sheet::Document::open(std::string(SHUHUI_FIXTURES) + "/sheet/header_xlwt.xls"));
    w.resize(400, 300);  // narrower than the columns, so the table scrolls both ways
    w.show();
    QApplication::processEvents();
    QTableView* t = w.table();
    ASSERT_TRUE(w.frozenTop()->isVisible());
    ASSERT_TRUE(w.frozenLeft()->isVisible());
    EXPECT_EQ(w.frozenTop()->height(), t->horizontalHeader()->height() + t->rowHeight(0) +
                                           t->rowHeight(1) + t->rowHeight(2));
    EXPECT_EQ(w.frozenLeft()->width(), t->verticalHeader()->width() + t->columnWidth(0));
    EXPECT_EQ(w.frozenTop()->columnSpan(0, 0), 6);
    t->horizontalScrollBar()->setValue(40);
    t->verticalScrollBar()->setValue(30);
    ASSERT_EQ(t->horizontalScrollBar()->value(), 40);
    EXPECT_EQ(w.frozenTop()->horizontalScrollBar()->value(), 40);
    EXPECT_EQ(w.frozenTop()->verticalScrollBar()->value(), 0);
    EXPECT_EQ(w.frozenLeft()->verticalScrollBar()->value(), 30);
    w.tabs()->setCurrentIndex(1);  // 二月 is frozen too; a sheet without panes hides the views
    EXPECT_TRUE(w.frozenTop()->isVisible());
    SheetWindow plain(resultDocument());
    plain.show();
    EXPECT_FALSE(plain.frozenTop()->isVisible());
    EXPECT_FALSE(plain.frozenLeft()->isVisible());
}

TEST(SheetWindow, ButtonsAreNamedForScreenReaders) {
    SheetWindow w(resultDocument());
    auto* saveAs = w.findChild<QPushButton*>("btn_sheet_save_as");
    ASSERT_TRUE(saveAs);
    EXPECT_EQ(saveAs->accessibleName(), "另存为");
    EXPECT_EQ(saveAs->accessibleDescription(), "btn_sheet_save_as");
    ASSERT_TRUE(w.findChild<QPushButton*>("btn_sheet_save"));
    EXPECT_EQ(w.table()->objectName(), "sheet_grid");
}

TEST(SheetWindow, TitleMarksUnsavedChangesAndFollowsPastes) {
    auto doc = sheet::Document::blank("工作簿7");
    SheetWindow w(doc);
    EXPECT_EQ(w.windowTitle(), "工作簿7 - 凌川数汇");
    doc->paste(0, 0, 0, sheet::blockFromTsv("甲\t1\n"));
    EXPECT_EQ(w.windowTitle(), "工作簿7 (未保存) - 凌川数汇");
    EXPECT_EQ(w.model()->data(w.model()->index(0, 0)).toString(), "甲");
    doc->setSaved(true);
    EXPECT_EQ(w.windowTitle(), "工作簿7 - 凌川数汇");
}

TEST(SheetWindow, SaveAsWritesXlsOrXlsxAndRenamesTheWindow) {
    QTemporaryDir dir;
    for (const char* file : {"结果.xls", "结果.xlsx"}) {
        ScriptedSheetPrompts prompts;
        auto doc = resultDocument();
        doc->setSaved(false);
        SheetWindow w(doc);
        prompts.fileAnswers = {dir.filePath(file)};
        w.findChild<QPushButton*>("btn_sheet_save_as")->click();
        EXPECT_EQ(prompts.kinds(), QStringList{"file"});
        EXPECT_TRUE(QFile::exists(dir.filePath(file))) << file;
        EXPECT_EQ(w.windowTitle(), QString(file) + " - 凌川数汇");
        const formats::Workbook back = formats::readWorkbook(dir.filePath(file).toStdString());
        EXPECT_EQ(back.sheets.at(0).merged, doc->sheet(0).merged);
        // "保存" now writes to that file without asking
        doc->setSaved(false);
        w.findChild<QPushButton*>("btn_sheet_save")->click();
        EXPECT_EQ(prompts.kinds(), QStringList{"file"});
        EXPECT_TRUE(doc->saved());
    }
}

TEST(SheetWindow, SaveAsWithoutAnExtensionTakesTheChosenType) {
    QTemporaryDir dir;
    ScriptedSheetPrompts prompts;
    SheetWindow w(resultDocument());
    prompts.fileAnswers = {dir.filePath("无扩展名")};
    EXPECT_TRUE(w.saveAs());
    EXPECT_EQ(prompts.lastFilter, "Excel 97-2003 工作簿 (*.xls)");
    EXPECT_TRUE(QFile::exists(dir.filePath("无扩展名.xls")));
}

TEST(SheetWindow, XlsBeyondItsLimitsIsRefusedAndXlsxOffered) {
    QTemporaryDir dir;
    struct Case {
        bool acceptXlsx;
        bool written;
    } cases[] = {{true, true}, {false, false}};
    for (const Case& c : cases) {
        ScriptedSheetPrompts prompts;
        prompts.yesNoAnswer = c.acceptXlsx;
        prompts.fileAnswers = {dir.filePath("宽.xls")};
        SheetWindow w(wideDocument());
        EXPECT_EQ(w.saveAs(), c.written);
        EXPECT_EQ(prompts.lastFilter, "Excel 工作簿 (*.xlsx)");  // the dialog starts with .xlsx
        ASSERT_EQ(prompts.kinds(), (QStringList{"file", "yesno"}));
        EXPECT_TRUE(prompts.calls[1].text.contains("256 列"));
        EXPECT_TRUE(prompts.calls[1].text.contains(".xlsx"));
        EXPECT_FALSE(QFile::exists(dir.filePath("宽.xls")));
        EXPECT_EQ(QFile::exists(dir.filePath("宽.xlsx")), c.written);
        if (c.written) {
            const formats::Workbook back =
                formats::readWorkbook(dir.filePath("宽.xlsx").toStdString());
            EXPECT_EQ(back.sheets.at(0).cells.size(), 300u);  // nothing cut
        }
        QFile::remove(dir.filePath("宽.xlsx"));
    }
}

TEST(SheetWindow, ClosingWithUnsavedChangesAsks) {
    QTemporaryDir dir;
    struct Case {
        SheetPrompts::Answer answer;
        const char* file;  // the 另存为 answer
        bool closes;
        QStringList kinds;
    } cases[] = {
        {SheetPrompts::Cancel, "", false, {"save?"}},
        {SheetPrompts::No, "", true, {"save?"}},
        {SheetPrompts::Yes, "关闭时.xls", true, {"save?", "file"}},
        {SheetPrompts::Yes, "", false, {"save?", "file"}},  // the save dialog cancelled
    };
    for (const Case& c : cases) {
        ScriptedSheetPrompts prompts;
        prompts.saveAnswers = {c.answer};
        if (*c.file) prompts.fileAnswers = {dir.filePath(c.file)};
        auto doc = resultDocument();
        doc->setSaved(false);
        SheetWindow w(doc);
        w.show();
        EXPECT_EQ(w.close(), c.closes) << c.answer;
        EXPECT_EQ(prompts.kinds(), c.kinds) << c.answer;
        EXPECT_EQ(prompts.calls[0].text, "是否保存对“工作簿1”的更改?");
        if (*c.file) {
            EXPECT_TRUE(QFile::exists(dir.filePath(c.file)));
        }
    }
    ScriptedSheetPrompts prompts;
    SheetWindow saved(resultDocument());
    saved.show();
    EXPECT_TRUE(saved.close());
    EXPECT_TRUE(prompts.calls.empty());
}

}  // namespace
}  // namespace shuhui::sheetview
