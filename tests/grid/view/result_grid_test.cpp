// The result grid widgets over the engine: the Qt model (checked by QAbstractItemModelTester),
// grouping by drops on the group-by box and ungrouping by drops on the header, group rows and
// their keys, footers, the filter box and the column drop-down, editing, widths and cell hints.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include "grid/grid_fixture.h"
#include "grid/summary_panel.h"
#include "grid/view/filter_box.h"
#include "grid/view/filter_popup.h"
#include "grid/view/footer_row.h"
#include "grid/view/grid_header.h"
#include "grid/view/grid_model.h"
#include "grid/view/grid_style.h"
#include "grid/view/grid_table_view.h"
#include "grid/view/group_by_box.h"
#include "grid/view/result_grid.h"

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '{' << l.join("|").toStdString() << '}';
}

using namespace shuhui;
using grid::RowKind;
using grid::view::GridModel;
using grid::view::ResultGrid;

namespace {

// Messages of the model tester ("qt.modeltest"): each one is a broken model contract.
QStringList g_modelTestFailures;
void recordModelTest(QtMsgType type, const QMessageLogContext& ctx, const QString& msg) {
    if (ctx.category && QByteArray(ctx.category) == "qt.modeltest")
        g_modelTestFailures << msg;
    else if (type == QtFatalMsg)
        abort();
}

const char* kStaff =
    "部门:s|姓名:s|工资:f|人数:i\n"
    "销售部|张三|3000|2\n"
    "财务部|李四|2500.5|1\n"
    "销售部|王五|4000|3\n"
    "技术部|赵六||4\n"
    "财务部|钱七|1800|1\n";

class ResultGridTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_modelTestFailures.clear();
        previousHandler = qInstallMessageHandler(recordModelTest);
        grid = std::make_unique<ResultGrid>();
        grid->resize(700, 400);
        tester = std::make_unique<QAbstractItemModelTester>(
            grid->model(), QAbstractItemModelTester::FailureReportingMode::Warning);
        load(kStaff, true);
        grid->show();
        QApplication::processEvents();
    }
    void load(const char* text, bool formatSwitch) {
        grid::SummaryTable table;
        grid::rebuildResultGrid(grid->engine(), table, grid::testing::makeResult(text),
                                formatSwitch);
        grid->refresh();
    }
    void TearDown() override {
        tester.reset();
        grid.reset();
        qInstallMessageHandler(previousHandler);
        EXPECT_TRUE(g_modelTestFailures.isEmpty()) << g_modelTestFailures.join("\n").toStdString();
    }
    GridModel* model() { return grid->model(); }
    QString cell(int row, int col) { return model()->index(row, col).data().toString(); }
    // Sends a drop of `mime` carrying `payload` onto `target` at `pos`.
    static bool drop(QWidget* target, const char* mime, size_t payload, QPoint pos) {
        QMimeData data;
        data.setData(mime, QByteArray::number(qulonglong(payload)));
        QDragEnterEvent enter(pos, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent dropEv(QPointF(pos), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropEv);
        return dropEv.isAccepted();
    }
    std::unique_ptr<ResultGrid> grid;
    std::unique_ptr<QAbstractItemModelTester> tester;
    QtMessageHandler previousHandler = nullptr;
};

}  // namespace

TEST_F(ResultGridTest, ModelShowsColumnsCellsAndStyles) {
    EXPECT_EQ(model()->rowCount(), 5);
    EXPECT_EQ(model()->columnCount(), 4);
    EXPECT_EQ(model()->headerData(2, Qt::Horizontal).toString(), QString("工资"));
    EXPECT_EQ(cell(0, 0), QString("销售部"));
    EXPECT_EQ(cell(1, 2), QString("￥2500.50"));
    EXPECT_EQ(cell(3, 2), QString(""));
    EXPECT_EQ(model()->index(0, 2).data(Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignRight | Qt::AlignVCenter));
    EXPECT_EQ(model()->index(0, 1).data(Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignLeft | Qt::AlignVCenter));
    EXPECT_EQ(model()->index(1, 2).data(Qt::EditRole).toString(), QString("￥2500.50"));
    EXPECT_TRUE(model()->flags(model()->index(0, 0)) & Qt::ItemIsEditable);

    auto* table = grid->tableView();
    EXPECT_EQ(table->objectName(), QString("cxGrid1DBTableView1"));
    EXPECT_FALSE(table->verticalHeader()->isVisible());
    EXPECT_EQ(table->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_EQ(table->rowHeight(0), 23);
    EXPECT_EQ(table->horizontalHeader()->height(), 22);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(table->columnWidth(c), 100);
    EXPECT_TRUE(table->styleSheet().contains("rgb(213, 228, 238)"));
}

TEST_F(ResultGridTest, DropOnGroupBoxGroupsAndDropOnHeaderUngroups) {
    auto* box = grid->groupByBox();
    EXPECT_TRUE(box->captions().isEmpty());
    ASSERT_TRUE(drop(box, grid::view::kColumnMime, 0, QPoint(20, 10)));  // 部门
    EXPECT_EQ(box->captions(), QStringList{"部门"});
    EXPECT_EQ(model()->columnCount(), 3);  // the grouped column leaves the grid
    EXPECT_EQ(model()->headerData(0, Qt::Horizontal).toString(), QString("姓名"));
    // Three collapsed groups in pinyin order (财务部, 技术部, 销售部), each with its footer (always
    // visible).
    ASSERT_EQ(model()->rowCount(), 6);
    EXPECT_EQ(model()->rowKind(0), RowKind::GroupHeader);
    EXPECT_EQ(cell(0, 0), QString("部门 : 财务部 (2)"));
    EXPECT_EQ(cell(2, 0), QString("部门 : 技术部 (1)"));
    EXPECT_EQ(model()->rowKind(1), RowKind::GroupFooter);
    // The count sits under the grouped 部门, which no longer shows; the sums stay.
    EXPECT_EQ(cell(1, 0), QString(""));
    EXPECT_EQ(cell(1, 1), QString("4300.50"));
    EXPECT_EQ(cell(1, 2), QString("2.00"));

    // A second level goes inside the first, in drop order.
    ASSERT_TRUE(drop(box, grid::view::kColumnMime, 3, QPoint(20, 10)));  // 人数
    EXPECT_EQ(box->captions(), (QStringList{"部门", "人数"}));
    // A mime type the box does not know is refused.
    EXPECT_FALSE(drop(box, "text/plain", 1, QPoint(20, 10)));

    // Dragging the first level back onto the header ungroups it; the other level stays.
    ASSERT_TRUE(drop(grid->tableView()->gridHeader()->viewport(), grid::view::kGroupMime, 0,
                     QPoint(10, 5)));
    EXPECT_EQ(box->captions(), QStringList{"人数"});
    EXPECT_EQ(model()->columnCount(), 3);
    grid->ungroupColumn(3);
    EXPECT_EQ(model()->rowCount(), 5);
    EXPECT_EQ(model()->columnCount(), 4);
}

TEST_F(ResultGridTest, GroupRowsExpandByArrowDoubleClickAndKeys) {
    grid->groupByColumn(0);
    auto* table = grid->tableView();
    ASSERT_EQ(model()->rowCount(), 6);
    // Arrow click opens 财务部 (2 rows), the first group.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->groupArrowRect(0).center());
    EXPECT_EQ(model()->rowCount(), 8);
    EXPECT_EQ(model()->rowKind(1), RowKind::Data);
    EXPECT_EQ(cell(1, 0), QString("李四"));
    // Key - on the group row closes it, + opens it again.
    table->setCurrentIndex(model()->index(0, 0));
    QTest::keyClick(table, Qt::Key_Minus);
    EXPECT_EQ(model()->rowCount(), 6);
    QTest::keyClick(table, Qt::Key_Plus);
    EXPECT_EQ(model()->rowCount(), 8);
    // Double-click on a group row toggles it.
    const int last = model()->rowCount() - 2;  // 销售部's header, its footer is last
    ASSERT_EQ(model()->rowKind(last), RowKind::GroupHeader);
    const QPoint p(150, table->rowViewportPosition(last) + 5);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, p);
    EXPECT_EQ(model()->rowCount(), 10);
    grid->collapseAll();
    EXPECT_EQ(model()->rowCount(), 6);
    grid->expandAll();
    EXPECT_EQ(model()->rowCount(), 11);
}

TEST_F(ResultGridTest, FooterFollowsSummariesOptionsAndEdits) {
    EXPECT_EQ(grid->footerTexts(), (QStringList{"个数:5", "", "11300.50", "11.00"}));
    EXPECT_TRUE(grid->footer()->isVisible());
    grid->engine().options().footer = false;
    grid->refresh();
    EXPECT_FALSE(grid->footer()->isVisible());
    grid->engine().options().footer = true;
    grid->refresh();
    EXPECT_TRUE(grid->footer()->isVisible());
    // The footer lies under the rows, above the horizontal scroll bar, and follows scrolling.
    auto* table = grid->tableView();
    EXPECT_EQ(grid->footer()->geometry().top(), table->geometry().bottom() + 1);
    table->setColumnWidth(0, 900);
    QApplication::processEvents();
    ASSERT_TRUE(grid->horizontalScrollBar()->isVisible());
    EXPECT_EQ(grid->horizontalScrollBar()->geometry().top(),
              grid->footer()->geometry().bottom() + 1);
    grid->horizontalScrollBar()->setValue(50);
    EXPECT_EQ(table->horizontalScrollBar()->value(), 50);

    // An edit through the model changes the sum at once; typed signs are dropped.
    ASSERT_TRUE(model()->setData(model()->index(3, 2), QString("￥1,000")));
    EXPECT_EQ(grid->footerTexts()[2], QString("12300.50"));
    EXPECT_EQ(cell(3, 2), QString("￥1000.00"));
    for (const char* bad : {"abc", "12abc"})
        EXPECT_FALSE(model()->setData(model()->index(3, 2), QString(bad))) << bad;
    EXPECT_EQ(cell(3, 2), QString("￥1000.00"));
    // Blank clears the cell; it no longer adds.
    ASSERT_TRUE(model()->setData(model()->index(3, 2), QString(" ")));
    EXPECT_EQ(grid->footerTexts()[2], QString("11300.50"));
    // A text field takes the text as typed.
    ASSERT_TRUE(model()->setData(model()->index(0, 1), QString("张三丰")));
    EXPECT_EQ(cell(0, 1), QString("张三丰"));
}

TEST_F(ResultGridTest, InsertAndConfirmedDeleteByKeys) {
    auto* table = grid->tableView();
    bool answer = false;
    int asked = 0;
    grid->setConfirmDelete([&] {
        ++asked;
        return answer;
    });
    table->setCurrentIndex(model()->index(1, 0));
    QTest::keyClick(table, Qt::Key_Insert);
    EXPECT_EQ(model()->rowCount(), 6);
    EXPECT_EQ(cell(1, 0), QString(""));
    EXPECT_EQ(grid->footerTexts()[0], QString("个数:6"));

    table->setCurrentIndex(model()->index(1, 0));
    QTest::keyClick(table, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(model()->rowCount(), 6);  // refused
    answer = true;
    QTest::keyClick(table, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(model()->rowCount(), 5);
    EXPECT_EQ(cell(1, 0), QString("财务部"));

    grid->engine().options().inserting = false;
    QTest::keyClick(table, Qt::Key_Insert);
    EXPECT_EQ(model()->rowCount(), 5);
}

TEST_F(ResultGridTest, FilterBoxShowsConditionAndClears) {
    auto* box = grid->filterBox();
    EXPECT_TRUE(box->isVisible());  // always, while no filter is set
    EXPECT_EQ(grid->filterText(), QString());
    EXPECT_FALSE(box->clearButton()->isEnabled());

    grid->setColumnFilter(0, grid::ColumnFilter::equals(workbooks::Value::fromText("销售部")));
    EXPECT_EQ(grid->filterText(), QString("部门 = 销售部"));
    EXPECT_EQ(box->label()->text(), QString("部门 = 销售部"));
    EXPECT_EQ(model()->rowCount(), 2);
    EXPECT_EQ(grid->footerTexts()[0], QString("个数:2"));

    QTest::mouseClick(box->clearButton(), Qt::LeftButton);
    EXPECT_EQ(grid->filterText(), QString());
    EXPECT_EQ(model()->rowCount(), 5);

    // Shown only while a filter is set.
    grid->engine().options().filterVisible = grid::FilterVisible::fvNonEmpty;
    grid->refresh();
    EXPECT_FALSE(box->isVisible());
    grid->setColumnFilter(3, grid::ColumnFilter::greater(workbooks::Value::fromNumber(1)));
    EXPECT_TRUE(box->isVisible());
    grid->setColumnFilter(3, std::nullopt);
    EXPECT_FALSE(box->isVisible());
}

TEST_F(ResultGridTest, ColumnDropDownFiltersByTickedValuesOrCondition) {
    auto* header = grid->tableView()->gridHeader();
    EXPECT_TRUE(header->filterButtonRect(0).isEmpty());  // column filtering off
    grid->engine().options().columnFiltering = true;
    grid->refresh();
    const QRect button = header->filterButtonRect(0);
    ASSERT_FALSE(button.isEmpty());
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, button.center());
    grid::view::FilterPopup* popup = grid->filterPopup();
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(popup->values()->count(), 3);  // 财务部, 技术部, 销售部: no blanks in 部门
    for (int i = 0; i < 3; ++i) EXPECT_EQ(popup->values()->item(i)->checkState(), Qt::Checked);
    // Untick 销售部.
    for (int i = 0; i < 3; ++i)
        if (popup->values()->item(i)->text() == "销售部")
            popup->values()->item(i)->setCheckState(Qt::Unchecked);
    popup->apply();
    EXPECT_EQ(model()->rowCount(), 3);
    EXPECT_EQ(grid->filterText(), QString("部门 in (财务部, 技术部)"));

    // The 工资 column offers its blank cell and takes a condition instead of ticks.
    popup = grid->openFilterPopup(2);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->values()->item(0)->text(), QString(grid::view::FilterPopup::kBlankEntry));
    popup->condition()->setCurrentIndex(3);  // 大于
    popup->operand()->setText("2000");
    popup->apply();
    EXPECT_EQ(grid->filterText(), QString("部门 in (财务部, 技术部) and 工资 > 2000"));
    EXPECT_EQ(model()->rowCount(), 1);  // 李四
    popup = grid->openFilterPopup(2);
    popup->clear();
    EXPECT_EQ(model()->rowCount(), 3);
}

TEST_F(ResultGridTest, AutoWidthFillsTheViewAndManualWidthsAreKept) {
    auto* table = grid->tableView();
    table->setColumnWidth(1, 160);  // the user widens a column
    EXPECT_EQ(grid->engine().column(1).width, 160);
    grid->engine().options().columnAutoWidth = true;
    grid->refresh();
    int sum = 0;
    for (int c = 0; c < model()->columnCount(); ++c) sum += table->columnWidth(c);
    EXPECT_NEAR(sum, table->viewport()->width(), 4);
    EXPECT_EQ(grid->engine().column(1).width, 160);  // auto widths are not written back
    grid->engine().options().columnAutoWidth = false;
    grid->refresh();
    EXPECT_EQ(table->columnWidth(1), 160);
}

TEST_F(ResultGridTest, CellHintsOnlyForCutText) {
    load("备注:s\n这是一段很长很长的备注文字,一个一百像素宽的列放不下它\n短", false);
    auto* table = grid->tableView();
    EXPECT_TRUE(table->cellTextIsCut(model()->index(0, 0)));
    EXPECT_FALSE(table->cellTextIsCut(model()->index(1, 0)));
}

TEST_F(ResultGridTest, NoResultMeansNoColumnsAndAMillionRowsMapByIndex) {
    grid->engine().clearColumns();
    grid->engine().setResult(nullptr);
    grid->refresh();
    EXPECT_EQ(model()->rowCount(), 0);
    EXPECT_EQ(model()->columnCount(), 0);
    EXPECT_TRUE(grid->footerTexts().isEmpty());

    auto r = std::make_shared<workbooks::Result>();
    auto& c = r->addField("值", workbooks::FieldType::Integer);
    constexpr int kRows = 1000000;
    c.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        c.appendNumber(i % 7);
        r->commitRow();
    }
    grid::SummaryTable table;
    grid::rebuildResultGrid(grid->engine(), table, r, true);
    grid->refresh();
    EXPECT_EQ(model()->rowCount(), kRows);
    EXPECT_EQ(cell(kRows - 1, 0), QString("￥0.00"));  // 999999 % 7 == 0
    grid->tableView()->scrollToBottom();
    QApplication::processEvents();
    grid->groupByColumn(0);
    EXPECT_EQ(model()->rowCount(), 14);  // 7 groups with their footers
}
