// The horizontal merge page driven through its controls: ① capture, checking fields, ② the
// counting and the common field, ③ the analysis, ④ and the two other result forms into the grid,
// with the warnings and the page's state between steps.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "app/catalogue_tree.h"
#include "app/tab_rows.h"
#include "catalogue_window.h"
#include "formats/error.h"
#include "grid/view/grid_table_view.h"

namespace {

const QString kRunFailed = QStringLiteral("出现错误!请检查您否做好了第一步表头的选择设置!");

// Counts how often a widget is shown.
struct ShowCounter : QObject {
    int shown = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show) ++shown;
        return false;
    }
};

// Types `text` into a widget key by key, as a keyboard (or an input method) delivers it.
void Type(QWidget* w, const QString& text) {
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), {});
}

class HMergeTest : public CatalogueWindowTest {
  protected:
    void SetUp() override {
        CatalogueWindowTest::SetUp();
        fm->RzBmpButton4->click();
        fm->rzpnl_loading->installEventFilter(&notices);
    }

    // Opens the workbooks and checks their first sheets.
    void OpenAndCheck(const QStringList& files) {
        Open(files);
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            catalogue_tree::toggle(tree->topLevelItem(i)->child(0));
    }

    // Checks the named items of field page n.
    void Check(size_t n, const QStringList& names) {
        QListWidget* list = fm->FieldLists.at(n);
        ASSERT_TRUE(list);
        for (const QString& name : names) {
            const auto found = list->findItems(name, Qt::MatchExactly);
            ASSERT_EQ(found.size(), 1) << name.toStdString();
            found[0]->setCheckState(Qt::Checked);
        }
    }

    // Payroll and attendance: ① on 工资 and 考勤, the fields checked, ② and ③ on 姓名.
    void PayAndAttendance() {
        OpenAndCheck({Book("工资.xls"), Book("考勤.xls")});
        fm->btn_get_sheet_field->click();
        Check(0, {"姓名", "基本工资", "奖金"});
        Check(1, {"应扣金额"});
        fm->btn_set_public_field->click();
        fm->edt_public_field_name->clear();
        Type(fm->edt_public_field_name, QStringLiteral("姓名"));
        fm->btn_Enter->click();
    }

    QStringList Lines(const QPlainTextEdit* memo) const {
        const QString text = memo->toPlainText();
        return text.isEmpty() ? QStringList() : text.split('\n');
    }

    // The grid's rows as the view shows them, "a|b|c".
    QStringList GridRows() const {
        QStringList rows;
        const QAbstractItemModel* m = fm->cxGrid1DBTableView1->model();
        for (int r = 0; r < m->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < m->columnCount(); ++c) cells << m->data(m->index(r, c)).toString();
            rows << cells.join('|');
        }
        return rows;
    }
    QStringList GridColumns() const {
        QStringList names;
        const QAbstractItemModel* m = fm->cxGrid1DBTableView1->model();
        for (int c = 0; c < m->columnCount(); ++c)
            names << m->headerData(c, Qt::Horizontal).toString();
        return names;
    }

    void ExpectResultPanelShown() {
        EXPECT_TRUE(fm->rzpnl_kz_cxgrid->isVisible());
        EXPECT_EQ(fm->rzpnl_kz_cxgrid->geometry(),
                  QRect(20, 20, fm->width() - 40, fm->height() - 40));
        EXPECT_FALSE(fm->rzpnl_loading->isVisible());
    }

    std::vector<ScriptedPrompts::Call> Warnings() const {
        std::vector<ScriptedPrompts::Call> out;
        for (const auto& c : prompts.calls)
            if (c.kind == "warning") out.push_back(c);
        return out;
    }

    ShowCounter notices;
};

TEST_F(HMergeTest, PageAtStart) {
    EXPECT_TRUE(fm->btn_get_sheet_field->isEnabled());
    EXPECT_FALSE(fm->btn_set_public_field->isEnabled());
    EXPECT_FALSE(fm->btn_Enter->isEnabled());
    EXPECT_EQ(fm->rzpg_fields->count(), 0);
    EXPECT_EQ(fm->rzpg_fenxi->currentWidget(), fm->rztbsht_public_test_result);
    EXPECT_FALSE(fm->btn_left_right->isVisibleTo(fm.get()));
    EXPECT_FALSE(fm->comList->isVisibleTo(fm.get()));
    EXPECT_EQ(fm->lbl_hov_memo->text(),
              "横向合并是把各工作表按一个相同的字段(姓名,工号)等横向连接起来!");
    EXPECT_EQ(fm->btn_Gen->toolTip(), "生成多个表都含有共用字段的数据!");
    EXPECT_EQ(fm->btn_all_join->toolTip(), "多个表中的所有字段数据全部显示在结果中!");
    EXPECT_EQ(fm->btn_left_right->toolTip(), "表1有表2无或是表1有而表2无的数据也将显示!");
    EXPECT_EQ(Lines(fm->edt_select_field2),
              (QStringList{"说明:数值专用格式是指本软件能自动识别哪些",
                           "数据是数值型,如果勾选此项那么在生成数据的",
                           "时候会自动将数值型进行汇总,加上货币符号,但",
                           "生成速度较慢。如果取消勾选,生成速度较快,汇",
                           "总也可以事后自行在Excel中进行！"}));
    const QString notes = fm->edt_select_field1->toPlainText();
    EXPECT_TRUE(notes.startsWith("【使用说明:】"));
    EXPECT_TRUE(notes.contains("【横向合并解释】"));
    for (const char* name :
         {"btn_get_sheet_field", "btn_set_public_field", "btn_Enter", "btn_all_select",
          "btn_all_clear", "edt_public_field_name", "mmo_count", "mmo_fxjg", "btn_left_right",
          "btn_Gen", "btn_all_join", "btn_get_auto", "img_botom"}) {
        const QWidget* w = fm->findChild<QWidget*>(name);
        ASSERT_TRUE(w) << name;
        EXPECT_EQ(w->accessibleDescription(), name);
        EXPECT_FALSE(w->accessibleName().isEmpty()) << name;
    }
    // ④ before any step ③: the warning, no result panel.
    fm->btn_Gen->click();
    ASSERT_EQ(Warnings().size(), 1u);
    EXPECT_EQ(Warnings()[0].text, kRunFailed);
    EXPECT_EQ(Warnings()[0].caption, "信息提示");
    EXPECT_FALSE(fm->rzpnl_kz_cxgrid->isVisible());
    EXPECT_FALSE(fm->rzpnl_loading->isVisible());
    EXPECT_EQ(notices.shown, 1);
}

TEST_F(HMergeTest, CaptureMakesOnePagePerCheckedSheet) {
    Open({Book("工资.xls"), Book("pay.xls")});
    catalogue_tree::toggle(tree->topLevelItem(0)->child(0));
    catalogue_tree::toggle(tree->topLevelItem(1));  // a workbook node: both its sheets
    fm->JoinQuery = "kept";
    fm->JoinTableList = "x";
    fm->btn_get_sheet_field->click();
    EXPECT_TRUE(fm->btn_get_sheet_field->isChecked());
    ASSERT_EQ(fm->rzpg_fields->count(), 3);
    EXPECT_EQ(fm->rzpg_fields->currentIndex(), 0);
    EXPECT_EQ(fm->rzpg_fenxi->currentWidget(), fm->rztbsht_public_select_field_1);
    EXPECT_TRUE(fm->btn_set_public_field->isEnabled());
    EXPECT_EQ(fm->JoinQuery, "kept");
    EXPECT_TRUE(fm->JoinTableList.isEmpty());
    const char* captions[] = {"工资$", "一月$", "二月$"};
    for (int n = 0; n < 3; ++n) {
        SCOPED_TRACE(n);
        QWidget* page = fm->rzpg_fields->widget(n);
        EXPECT_EQ(page, fm->FieldPages[n].data());
        EXPECT_EQ(fm->rzpg_fields->tabText(n), captions[n]);
        EXPECT_EQ(page->toolTip(), QString::number(n));
        EXPECT_EQ(
            page->property("tag").toInt(),
            catalogue_tree::absoluteIndex(tree, n == 0 ? tree->topLevelItem(0)->child(0)
                                                       : tree->topLevelItem(1)->child(n - 1)));
        QListWidget* list = fm->FieldLists[n];
        EXPECT_EQ(list->objectName(), QStringLiteral("tcheck%1").arg(n));
        EXPECT_EQ(list->property("tag").toInt(), n);
        for (int i = 0; i < list->count(); ++i)
            EXPECT_EQ(list->item(i)->checkState(), Qt::Unchecked);
    }
    EXPECT_EQ(fm->FieldLists[0]->item(3)->text(), "奖金");
    // The tabs stand in rows above the pages, one button per page.
    ASSERT_EQ(fm->rzpg_fields_tabs->buttons().size(), 3u);
    EXPECT_EQ(fm->rzpg_fields_tabs->buttons()[2]->text(), "二月$");
    fm->rzpg_fields_tabs->buttons()[2]->click();
    EXPECT_EQ(fm->rzpg_fields->currentIndex(), 2);
    EXPECT_TRUE(fm->FieldLists[2]->isVisible());
    EXPECT_FALSE(fm->FieldLists[0]->isVisible());
    fm->rzpg_fields_tabs->buttons()[2]->click();  // the current tab again: it stays marked
    EXPECT_TRUE(fm->rzpg_fields_tabs->buttons()[2]->isChecked());
    EXPECT_FALSE(fm->rzpg_fields_tabs->buttons()[0]->isChecked());
    fm->rzpg_fields_tabs->buttons()[1]->toggle();  // what an accessibility client's Toggle does
    EXPECT_EQ(fm->rzpg_fields->currentIndex(), 1);
    fm->rzpg_fields_tabs->buttons()[2]->click();

    // "< 全选" / "< 全清" act on the page in view only.
    fm->btn_all_select->click();
    for (int i = 0; i < fm->FieldLists[2]->count(); ++i)
        EXPECT_EQ(fm->FieldLists[2]->item(i)->checkState(), Qt::Checked);
    EXPECT_EQ(fm->FieldLists[1]->item(0)->checkState(), Qt::Unchecked);
    fm->btn_all_clear->click();
    EXPECT_EQ(fm->FieldLists[2]->item(0)->checkState(), Qt::Unchecked);

    // A second capture replaces the pages.
    catalogue_tree::toggle(tree->topLevelItem(1));
    QPointer<QListWidget> old = fm->FieldLists[1].data();
    fm->btn_get_sheet_field->click();
    ASSERT_EQ(fm->rzpg_fields->count(), 1);
    EXPECT_EQ(fm->FieldLists.size(), 1u);
    EXPECT_EQ(fm->FieldLists[0]->objectName(), "tcheck0");
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(fm->rzpg_fields_tabs->buttons().size(), 1u);

    // No checked sheet: no page; "< 全选" does nothing.
    catalogue_tree::toggle(tree->topLevelItem(0)->child(0));
    fm->btn_get_sheet_field->click();
    EXPECT_EQ(fm->rzpg_fields->count(), 0);
    fm->btn_all_select->click();
}

// What a screen reader sees of a field list: one check box per field with its text and state, whose
// action checks or unchecks it.
TEST_F(HMergeTest, FieldItemsAreCheckBoxesToAssistiveTechnology) {
    OpenAndCheck({Book("工资.xls")});
    fm->btn_get_sheet_field->click();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(fm->FieldLists[0].data());
    ASSERT_TRUE(list);
    EXPECT_EQ(list->text(QAccessible::Description), "tcheck0");
    ASSERT_EQ(list->childCount(), 4);
    QAccessibleInterface* item = list->child(2);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->role(), QAccessible::CheckBox);
    EXPECT_EQ(item->text(QAccessible::Name), "基本工资");
    EXPECT_TRUE(item->state().checkable);
    EXPECT_FALSE(item->state().checked);
    EXPECT_EQ(list->indexOfChild(item), 2);
    QAccessibleActionInterface* action = item->actionInterface();
    ASSERT_TRUE(action);
    action->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(fm->FieldLists[0]->item(2)->checkState(), Qt::Checked);
    EXPECT_TRUE(item->state().checked);
    fm->FieldLists[0]->item(2)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(item->state().checked);
}

TEST_F(HMergeTest, CaptureReadsWithTheDriverOfTheMomentAndStopsAtAnUnreadableSheet) {
    QTemporaryDir dir;
    const QString moved = dir.filePath("工资.xls");
    ASSERT_TRUE(QFile::copy(Book("工资.xls"), moved));
    OpenAndCheck({Book("考勤.xls"), moved, Book("社保.xls")});
    fm->rrb2007->setChecked(true);
    fm->btn_get_sheet_field->click();
    EXPECT_EQ(fm->qry_get_field.sql(), "select top 1 * from [Excel 12.0;database=" +
                                           Book("社保.xls").toStdString() + "].[社保$]");
    ASSERT_TRUE(QFile::remove(moved));
    fm->rrb2003->setChecked(true);
    // The provider's error leaves the handler for the application's error report.
    EXPECT_THROW(fm->btn_get_sheet_fieldClick(), shuhui::Error);
    EXPECT_EQ(fm->rzpg_fields->count(), 2);
    EXPECT_EQ(fm->FieldLists[1]->count(), 0);
    EXPECT_TRUE(fm->FieldPages[2].isNull());
    EXPECT_EQ(fm->qry_get_field.sql().rfind("select top 1 * from [Excel 8.0;", 0), 0u);
    EXPECT_TRUE(fm->btn_set_public_field->isEnabled());
}

TEST_F(HMergeTest, CountingAppendsBlocks) {
    OpenAndCheck({Book("工资.xls"), Book("考勤.xls"), Book("社保.xls")});
    fm->btn_get_sheet_field->click();
    fm->btn_set_public_field->click();
    EXPECT_EQ(fm->rzpg_fenxi->currentWidget(), fm->rztbsht_public_field_set);
    EXPECT_TRUE(fm->btn_Enter->isEnabled());
    fm->btn_get_auto->click();  // nothing checked yet
    Check(0, {"奖金"});
    Check(1, {"应扣金额"});
    fm->btn_get_auto->click();
    Check(2, {"社保扣款"});
    fm->btn_get_auto->click();
    EXPECT_EQ(Lines(fm->mmo_count), (QStringList{"把次数最大的名称填到上方框中!", "姓名=2次",
                                                 "把次数最大的名称填到上方框中!", "姓名=3次",
                                                 "把次数最大的名称填到上方框中!"}));
    EXPECT_TRUE(fm->mmo_count->isVisible());
    EXPECT_TRUE(fm->edt_public_field_name->text().isEmpty());
    const int n = fm->comList->findText("姓名");
    ASSERT_GE(n, 0);
    EXPECT_EQ(fm->comList->itemData(n).toString(), "3");
    EXPECT_EQ(fm->comList->count(), 8);
}

TEST_F(HMergeTest, PayAndAttendanceThroughAllThreeResults) {
    PayAndAttendance();
    const QString pay = Book("工资.xls"), att = Book("考勤.xls");
    EXPECT_EQ(fm->rzpg_fenxi->currentWidget(), fm->rztbsht_public_test_result);
    EXPECT_EQ(fm->JoinQuery,
              "select T0.姓名,T0.基本工资,T0.奖金,T1.应扣金额 from   [Excel 8.0;database=" + pay +
                  "].[工资$] T0,  [Excel 8.0;database=" + att +
                  "].[考勤$] T1 where  T0.姓名= T1.姓名");
    EXPECT_EQ(Lines(fm->mmo_fxjg),
              (QStringList{"本次参与合并的表:", "[工资$],[考勤$]", "------------------",
                           "表名与代号(右边):", "------------------", "工资$ T0", "考勤$ T1",
                           "------------------", "------------------",
                           "本次合并参与表格个数为两个,结果会列出来表1有而表2无等这样的记录信息"}));
    EXPECT_TRUE(fm->btn_left_right->isVisible());
    EXPECT_EQ(fm->LastJoinPlan.tables.size(), 2u);

    fm->btn_Gen->click();
    EXPECT_EQ(GridRows(),
              (QStringList{"张三|5000|800|50", "李四|6000|900.5|20.5", "Zhang|4000|300|10"}));
    ExpectResultPanelShown();
    EXPECT_EQ(notices.shown, 1);

    fm->btn_all_join->click();
    EXPECT_EQ(GridColumns(),
              (QStringList{"T0.姓名", "性别", "基本工资", "奖金", "T1.姓名", "月份", "应扣金额"}));
    EXPECT_EQ(GridRows(),
              (QStringList{"张三|男|5000|800|张三|1|50", "李四|女|6000|900.5|李四|1|20.5",
                           "Zhang|男|4000|300|zhang|1|10"}));
    ExpectResultPanelShown();

    fm->btn_left_right->click();
    EXPECT_EQ(GridRows(),
              (QStringList{"5000|800|张三|张三|50", "6000|900.5|李四|李四|20.5",
                           "4000|300|Zhang|zhang|10", "4500|200|王五| |", "|| |赵六|30"}));
    ExpectResultPanelShown();
    EXPECT_FALSE(fm->btn_left_right->isEnabled());
    EXPECT_EQ(notices.shown, 3);
    EXPECT_TRUE(Warnings().empty());

    // The next step ③ that offers it makes it usable again; pressing ③ twice gives the same query.
    const QString query = fm->JoinQuery;
    fm->btn_Enter->click();
    EXPECT_TRUE(fm->btn_left_right->isEnabled());
    EXPECT_EQ(fm->JoinQuery, query);
}

TEST_F(HMergeTest, StepThreeWarningsAndThreeSheets) {
    PayAndAttendance();
    const QString query = fm->JoinQuery, from = fm->JoinFromClause;
    fm->edt_public_field_name->clear();
    fm->btn_Enter->click();
    ASSERT_EQ(Warnings().size(), 1u);
    EXPECT_EQ(Warnings()[0].text, "共用字段必须指定!");
    EXPECT_EQ(Warnings()[0].caption, "信息提示");
    EXPECT_TRUE(fm->mmo_fxjg->toPlainText().isEmpty());
    EXPECT_TRUE(fm->JoinSelectList.isEmpty());
    EXPECT_EQ(fm->JoinQuery, query);
    EXPECT_EQ(fm->JoinFromClause, from);

    // A third sheet: no left/right; the all-fields form selects T0.*,T1.*,T2.*.
    Open({Book("社保.xls")});
    catalogue_tree::toggle(tree->topLevelItem(2)->child(0));
    fm->btn_get_sheet_field->click();
    Check(0, {"姓名"});
    Check(1, {"应扣金额"});
    Check(2, {"社保扣款"});
    Type(fm->edt_public_field_name, QStringLiteral("姓名#工号"));
    fm->btn_Enter->click();
    EXPECT_FALSE(fm->btn_left_right->isVisible());
    fm->btn_Gen->click();
    EXPECT_EQ(GridRows(), (QStringList{"张三|50|200", "李四|20.5|210", "Zhang|10|190"}));
    fm->btn_all_join->click();
    EXPECT_EQ(fm->adoExcel.sql().rfind("select T0.*,T1.*,T2.* from ", 0), 0u);
    EXPECT_EQ(GridColumns().size(), 10);
}

TEST_F(HMergeTest, FailuresOfTheResultButtons) {
    PayAndAttendance();
    fm->btn_Gen->click();
    ASSERT_EQ(GridRows().size(), 3);

    // A new step ①: the left/right button is still shown but the table list is empty.
    fm->btn_get_sheet_field->click();
    ASSERT_FALSE(fm->btn_left_right->isHidden());
    fm->btn_left_right->click();
    ASSERT_EQ(Warnings().size(), 1u);
    EXPECT_EQ(Warnings()[0].text, "参与合并的表不足两个,请先按“③设置生成结果”重新生成合并结果!");
    EXPECT_FALSE(fm->rzpnl_loading->isVisible());
    EXPECT_FALSE(fm->btn_left_right->isEnabled());
    // ④ still shows the join of the last step ③; the all-fields form fails on the emptied pieces.
    fm->btn_Gen->click();
    EXPECT_EQ(GridRows().size(), 3);
    fm->btn_all_join->click();
    ASSERT_EQ(Warnings().size(), 2u);
    EXPECT_EQ(Warnings()[1].text, kRunFailed);
    EXPECT_TRUE(GridRows().isEmpty());
    EXPECT_FALSE(fm->rzpnl_loading->isVisible());

    // A common field one sheet lacks: ④ warns, the left/right form shows the provider's message.
    Check(0, {"姓名"});
    Check(1, {"应扣金额"});
    fm->edt_public_field_name->setText("性别");
    fm->btn_Enter->click();
    fm->btn_Gen->click();
    ASSERT_EQ(Warnings().size(), 3u);
    EXPECT_EQ(Warnings()[2].text, kRunFailed);
    fm->btn_left_right->click();
    ASSERT_EQ(Warnings().size(), 4u);
    EXPECT_TRUE(Warnings()[3].text.contains("性别")) << Warnings()[3].text.toStdString();
    EXPECT_EQ(Warnings()[3].caption, "信息提示");
    EXPECT_FALSE(fm->rzpnl_loading->isVisible());
}

TEST_F(HMergeTest, LaterStepsKeepTheCapturedWorkbooksAndTakeTheDriverOfTheMoment) {
    PayAndAttendance();
    // Opening other files with the clear option replaces the whole tree.
    fm->rcbClear->setChecked(true);
    Open({Book("pay.xls")});
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    fm->rrb2007->setChecked(true);
    fm->btn_Enter->click();
    EXPECT_TRUE(fm->JoinFromClause.startsWith("  [Excel 12.0;database=" + Book("工资.xls") +
                                              "].[工资$] T0"));
    fm->btn_Gen->click();
    EXPECT_EQ(GridRows().size(), 3);
    fm->btn_left_right->click();
    EXPECT_EQ(GridRows().size(), 5);
    EXPECT_TRUE(Warnings().empty());
}

TEST_F(HMergeTest, MatchingNoRowShowsAnEmptyResult) {
    Open({Book("工资.xls"), Book("edge.xls")});
    catalogue_tree::toggle(tree->topLevelItem(0)->child(0));
    QTreeWidgetItem* offset = nullptr;
    for (int i = 0; i < tree->topLevelItem(1)->childCount(); ++i)
        if (tree->topLevelItem(1)->child(i)->text(0) == "偏移$")
            offset = tree->topLevelItem(1)->child(i);
    ASSERT_TRUE(offset);
    catalogue_tree::toggle(offset);
    fm->btn_get_sheet_field->click();
    Check(0, {"姓名"});
    Check(1, {"数量"});
    fm->btn_set_public_field->click();
    fm->edt_public_field_name->setText("姓名");
    fm->btn_Enter->click();
    fm->btn_Gen->click();
    EXPECT_TRUE(Warnings().empty());
    EXPECT_EQ(fm->cxGrid1DBTableView1->model()->columnCount(), 0);
    ExpectResultPanelShown();
}

}  // namespace
