// The sheet preview: a double-click on the catalogue tree names a workbook in the status bar or
// runs "select  * from" on a sheet through adoExcel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <exception>
#include <memory>

#include "app/tfm_main.h"
#include "catalogue_window.h"
#include "grid/view/grid_model.h"
#include "grid/view/result_grid.h"

namespace {

class PreviewTest : public CatalogueWindowTest {
  protected:
    // A press on the node (ClickedNode) followed by the double-click handler.
    void DoubleClick(QTreeWidgetItem* node) {
        const QPoint at = tree->visualItemRect(node).center();
        QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, at);
        ASSERT_EQ(fm->ClickedNode, node);
        fm->RzCheckTree1DblClick();
    }

    static std::string SelectAll(const char* driver, const QString& path, const char* sheet) {
        return std::string("select  * from [") + driver + ";database=" + path.toStdString() +
               "].[" + sheet + "]";
    }
};

}  // namespace

TEST_F(PreviewTest, WorkbookNodeNamesTheWorkbookAndLeavesTheGrid) {
    Open({Book("pay.xls"), Book("工资.xls")});
    DoubleClick(tree->topLevelItem(1)->child(0));
    ASSERT_TRUE(fm->adoExcel.active());
    const std::string sql = fm->adoExcel.sql();

    DoubleClick(tree->topLevelItem(0));
    EXPECT_EQ(fm->rlbInfo->text(), "工作簿:" + Book("pay.xls"));
    EXPECT_EQ(fm->adoExcel.sql(), sql);
    EXPECT_TRUE(fm->adoExcel.active());
}

TEST_F(PreviewTest, StatusBarShowsALongPathWholeInAWideWindow) {
    const QString dir = QStringLiteral("/tmp/") + QString(40, QChar(u'长')) + QStringLiteral("/");
    auto* book = new QTreeWidgetItem(tree, QStringList(dir + "工资.xls"));
    book->setData(0, Qt::UserRole, dir + "工资.xls");
    for (const QSize size : {QSize(1280, 800), QSize(1600, 900)}) {
        fm->resize(size);
        QApplication::processEvents();
        DoubleClick(book);
        const QString text = fm->rlbInfo->text();
        EXPECT_EQ(text, "工作簿:" + dir + "工资.xls");
        EXPECT_GE(fm->rlbInfo->width(), fm->rlbInfo->fontMetrics().horizontalAdvance(text))
            << size.width();
        EXPECT_LE(fm->rlbInfo->geometry().right(), fm->RzPanel2->width()) << size.width();
    }
}

TEST_F(PreviewTest, EmptySpaceChangesNothing) {
    Open({Book("pay.xls")});
    const QString info = fm->rlbInfo->text();
    const QPoint empty(5, tree->viewport()->height() - 5);
    ASSERT_EQ(tree->itemAt(empty), nullptr);
    QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, empty);
    ASSERT_EQ(fm->ClickedNode, nullptr);
    fm->RzCheckTree1DblClick();
    EXPECT_EQ(fm->rlbInfo->text(), info);
    EXPECT_TRUE(fm->adoExcel.sql().empty());
    EXPECT_FALSE(fm->adoExcel.active());
}

TEST_F(PreviewTest, SheetNodeRunsSelectAllThroughAdoExcel) {
    const QRect panel = fm->rzpnl_kz_cxgrid->geometry();
    const bool panelShown = fm->rzpnl_kz_cxgrid->isVisible();
    const QString info = fm->rlbInfo->text();
    Open({Book("工资.xls"), Book("pay.xls")});
    DoubleClick(tree->topLevelItem(1)->child(1));
    EXPECT_EQ(fm->adoExcel.sql(), SelectAll("Excel 8.0", Book("pay.xls"), "二月$"));
    ASSERT_TRUE(fm->adoExcel.active());
    const auto& r = fm->adoExcel.result();
    EXPECT_EQ(r.rowCount(), 2u);
    EXPECT_EQ(r.fieldCount(), 4u);
    // The preview neither moves nor shows the result panel, nor writes the status bar.
    EXPECT_EQ(fm->rzpnl_kz_cxgrid->geometry(), panel);
    EXPECT_EQ(fm->rzpnl_kz_cxgrid->isVisible(), panelShown);
    EXPECT_EQ(fm->rlbInfo->text(), info);
}

TEST_F(PreviewTest, TheLoadingNoticeStandsWhileASheetIsRead) {
    // What the notice went through, and whether the rows were there when it was painted.
    struct Watch : QObject {
        QStringList seen;
        TfmMain* fm = nullptr;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Show) seen << "show";
            if (e->type() == QEvent::Paint)
                seen << (fm->adoExcel.active() ? "paint after read" : "paint before read");
            if (e->type() == QEvent::Hide) seen << "hide";
            return false;
        }
    } watch;
    watch.fm = fm.get();
    Open({Book("工资.xls")});
    fm->rzpnl_loading->installEventFilter(&watch);
    DoubleClick(tree->topLevelItem(0)->child(0));
    EXPECT_TRUE(fm->adoExcel.active());
    EXPECT_FALSE(fm->rzpnl_loading->isVisible());
    ASSERT_GE(watch.seen.size(), 3);
    EXPECT_EQ(watch.seen.front(), "show");
    EXPECT_TRUE(watch.seen.contains("paint before read")) << watch.seen.join(",").toStdString();
    EXPECT_EQ(watch.seen.back(), "hide");
    // also when the read fails
    watch.seen.clear();
    QTreeWidgetItem* missing = new QTreeWidgetItem(tree->topLevelItem(0), {"没有这张表$"});
    EXPECT_THROW(DoubleClick(missing), std::exception);
    EXPECT_FALSE(fm->rzpnl_loading->isVisible());
    EXPECT_EQ(watch.seen.front(), "show");
    EXPECT_EQ(watch.seen.back(), "hide");
    fm->rzpnl_loading->removeEventFilter(&watch);
}

TEST_F(PreviewTest, RealDoubleClickOnASheetGoesThroughTheTreesEvents) {
    Open({Book("工资.xls")});
    QTreeWidgetItem* sheet = tree->topLevelItem(0)->child(0);
    const QPoint at = tree->visualItemRect(sheet).center();
    // What the window system delivers for a double-click: press, release, double-click, release.
    QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(fm->ClickedNode, sheet);
    EXPECT_EQ(fm->adoExcel.sql(), SelectAll("Excel 8.0", Book("工资.xls"), "工资$"));
    EXPECT_TRUE(fm->adoExcel.active());
}

TEST_F(PreviewTest, DriverIsReadAtEachDoubleClick) {
    Open({Book("工资.xls")});
    QTreeWidgetItem* sheet = tree->topLevelItem(0)->child(0);
    const struct {
        QRadioButton* button;
        const char* driver;
    } steps[] = {
        {fm->rrb2003, "Excel 8.0"}, {fm->rrb2007, "Excel 12.0"}, {fm->rrb2003, "Excel 8.0"}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s.driver);
        s.button->setChecked(true);
        DoubleClick(sheet);
        EXPECT_EQ(fm->adoExcel.sql(), SelectAll(s.driver, Book("工资.xls"), "工资$"));
        EXPECT_TRUE(fm->adoExcel.active());
    }
}

TEST_F(PreviewTest, ProviderErrorLeavesTheHandlerWithTheQueryClosed) {
    fm->rrb2007->setChecked(true);
    Open({Book("book.xlsx")});
    QTreeWidgetItem* sheet = tree->topLevelItem(0)->child(0);
    DoubleClick(sheet);
    ASSERT_TRUE(fm->adoExcel.active());

    // The .xlsx workbook under the 2003 driver.
    fm->rrb2003->setChecked(true);
    EXPECT_THROW(DoubleClick(sheet), std::exception);
    EXPECT_EQ(fm->adoExcel.sql(), SelectAll("Excel 8.0", Book("book.xlsx"), "工资$"));
    EXPECT_FALSE(fm->adoExcel.active());

    // Through the error report, with the provider's message naming the workbook.
    prompts.calls.clear();
    EXPECT_FALSE(RunReported([&] {
        DoubleClick(sheet);
        return true;
    }));
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].kind, QString("error"));
    EXPECT_TRUE(prompts.calls[0].text.contains(Book("book.xlsx")));
}

TEST_F(PreviewTest, MissingSheetLeavesTheHandlerWithAnError) {
    Open({Book("社保.xls")});
    QTreeWidgetItem* sheet = tree->topLevelItem(0)->child(0);
    DoubleClick(sheet);
    auto* grid = fm->cxGrid1Level1;
    ASSERT_GT(grid->model()->rowCount(), 0);
    const size_t columns = grid->engine().columnCount();
    ASSERT_GT(columns, 0u);

    sheet->setText(0, QStringLiteral("没有这张表$"));
    EXPECT_THROW(DoubleClick(sheet), std::exception);
    EXPECT_FALSE(fm->adoExcel.active());
    // The columns of the last preview stand, but its closed result shows no rows, as the export
    // (which finds no data) sees it.
    EXPECT_EQ(grid->engine().columnCount(), columns);
    EXPECT_EQ(grid->model()->rowCount(), 0);
    prompts.calls.clear();
    fm->btn_exportClick();
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].kind, QString("warning"));
    EXPECT_EQ(prompts.calls[0].text, QStringLiteral("   没有数据需要导出!    "));
}

TEST_F(PreviewTest, FailedOpenLeavesPreviewsFailingUntilAWorkbookOpens) {
    Open({Book("工资.xls")});
    QTreeWidgetItem* sheet = tree->topLevelItem(0)->child(0);
    EXPECT_THROW(Open({Book("corrupt.xls")}), std::exception);
    EXPECT_THROW(DoubleClick(sheet), std::exception);
    EXPECT_FALSE(fm->adoExcel.active());

    Open({Book("社保.xls")});
    DoubleClick(sheet);
    EXPECT_EQ(fm->adoExcel.sql(), SelectAll("Excel 8.0", Book("工资.xls"), "工资$"));
    EXPECT_TRUE(fm->adoExcel.active());
}

// "取消" under the notice stops a running query: "已取消" is said, adoExcel holds its earlier text
// and result again and the grid keeps its rows.
TEST_F(PreviewTest, CancelLeavesTheEarlierResultInPlace) {
    Open({Book("工资.xls")});
    DoubleClick(tree->topLevelItem(0)->child(0));
    ASSERT_TRUE(fm->adoExcel.active());
    const std::string earlierSql = fm->adoExcel.sql();
    const auto earlier = fm->adoExcel.sharedResult();
    const size_t rows = fm->cxGrid1Level1->engine().result()->rowCount();
    ASSERT_GT(rows, 0u);

    QTimer::singleShot(100, [&] {
        EXPECT_TRUE(fm->btn_loading_cancel->isVisible());
        QTest::mouseClick(fm->btn_loading_cancel, Qt::LeftButton);
    });
    const std::string runaway =
        "with recursive c(x) as (select 1 union all select x+1 from c) select count(*) from c, " +
        SelectAll("Excel 8.0", Book("工资.xls"), "工资$").substr(std::string("select  * from ").size());
    EXPECT_FALSE(fm->OpenResultQuery(runaway));
    ASSERT_FALSE(prompts.calls.empty());
    EXPECT_EQ(prompts.calls.back().kind, "warning");
    EXPECT_EQ(prompts.calls.back().text, "已取消");
    EXPECT_EQ(prompts.calls.back().caption, "信息提示");
    EXPECT_EQ(fm->adoExcel.sql(), earlierSql);
    EXPECT_EQ(fm->adoExcel.sharedResult(), earlier);
    EXPECT_EQ(fm->cxGrid1Level1->engine().result()->rowCount(), rows);
    EXPECT_FALSE(fm->btn_loading_cancel->isVisible());
}
