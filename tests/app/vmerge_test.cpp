// The one-row-header vertical merge page, driven as a user would: check sheets in the catalogue,
// read them ("规则表头合并"), check the counts, edit field lists in the editor, generate the result
// and look at the grid and the result panel. Workbooks from tests/fixtures/merge/vertical.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

#include "app/tfm_main.h"
#include "catalogue_window.h"
#include "grid/view/grid_model.h"
#include "grid/view/result_grid.h"

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '{' << l.join("|").toStdString() << '}';
}

namespace {

QString Fixture(const char* name) {
    return QString::fromUtf8(SHUHUI_FIXTURES "/merge/vertical/") + QString::fromUtf8(name);
}

const QString kCaption = QStringLiteral("信息提示");
const QString kCountsDiffer = QStringLiteral("参与合并工作表有字段数目不一致现象,请仔细排查!");
const QString kUnionFailed = QStringLiteral("出现错误!请检查字段数目与排列顺序!");

class VerticalMergeTest : public CatalogueWindowTest {
  protected:
    void SetUp() override {
        CatalogueWindowTest::SetUp();
        fm->RzBmpButton5Click();
        QApplication::processEvents();
    }

    // Opens the two fixture workbooks under the 2007-2010 driver, which reads both formats.
    void OpenMonthsAndBranches() {
        fm->rrb2007->setChecked(true);
        Open({Fixture("months.xls"), Fixture("branches.xlsx")});
    }
    QTreeWidgetItem* Sheet(int book, const QString& name) {
        QTreeWidgetItem* node = tree->topLevelItem(book);
        for (int i = 0; i < node->childCount(); ++i)
            if (node->child(i)->text(0) == name) return node->child(i);
        ADD_FAILURE() << "no sheet " << name.toStdString();
        return nullptr;
    }
    void Check(int book, std::initializer_list<const char*> sheets) {
        for (const char* s : sheets)
            Sheet(book, QString::fromUtf8(s))->setCheckState(0, Qt::Checked);
    }
    void Read() { fm->btn_verhb_btn2->click(); }

    static QStringList Texts(const QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
        return out;
    }
    QStringList Warnings() {
        QStringList out;
        for (const auto& c : prompts.calls) {
            if (c.kind == "open") continue;
            EXPECT_EQ(c.kind, QString("warning"));
            EXPECT_EQ(c.caption, kCaption) << c.text.toStdString();
            out << c.text;
        }
        prompts.calls.clear();
        return out;
    }
    // The field list's row i under the pointer: press, release, double-click, release.
    void DoubleClickFieldList(int row) {
        QListWidget* list = fm->edt_ver_hb_text;
        const QPoint at = row >= 0 ? list->visualItemRect(list->item(row)).center()
                                   : QPoint(5, list->viewport()->height() - 5);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    void SelectInEditor(int row) { fm->lst_Field_order_list->setCurrentRow(row); }
    bool EditorShown() {
        return fm->rzpnl_Field_order->isVisible() && fm->trnspnl_over_order->isVisible();
    }
    // The grid's header and its rows' text columns (numbers are formatted by the grid).
    QStringList Header() {
        QStringList out;
        auto* model = fm->cxGrid1Level1->model();
        for (int c = 0; c < model->columnCount(); ++c)
            out << model->headerData(c, Qt::Horizontal).toString();
        return out;
    }
    QStringList Column(int c) {
        QStringList out;
        auto* model = fm->cxGrid1Level1->model();
        for (int r = 0; r < model->rowCount(); ++r) out << model->index(r, c).data().toString();
        return out;
    }
    QString Entry(const QString& book, const char* sheet) {
        return book + ">" + QString::fromUtf8(sheet);
    }
};

}  // namespace

TEST_F(VerticalMergeTest, PageControlsCarryTheirNamesAndTexts) {
    EXPECT_EQ(fm->rzpg_ver_hb->currentWidget(), fm->rztbs_ver_hb_Tab_1);
    EXPECT_TRUE(fm->btn_verhb_btn2->isChecked());
    const struct {
        QWidget* w;
        const char* name;
        const char* text;
    } controls[] = {
        {fm->lbl_ver_hj_2, "lbl_ver_hj_2", "本种合并方式使用说明:"},
        {fm->lbl_Ver_hb_1, "lbl_Ver_hb_1", "本次参与合并的工作表信息:"},
        {fm->lbl_ver_hb_4, "lbl_ver_hb_4",
         "本次参与合并的工作表头字段及排列顺序,可手工在下框纠正:"},
        {fm->btn_all_selectAdd, "btn_all_selectAdd", "①合并检查"},
        {fm->btn_field_verhb, "btn_field_verhb", "②生成结果"},
        {fm->btn_centry_field_order, "btn_centry_field_order", "确定"},
        {fm->lst_ver_hb_1, "lst_ver_hb_1", nullptr},
        {fm->lst_Field_order_shtname, "lst_Field_order_shtname", nullptr},
        {fm->edt_ver_hb_text, "edt_ver_hb_text", nullptr},
        {fm->lst_field_order_count, "lst_field_order_count", nullptr},
        {fm->lst_Field_order_list, "lst_Field_order_list", nullptr},
        {fm->btn_up, "btn_up", nullptr},
        {fm->btn_down, "btn_down", nullptr},
        {fm->btn_field_order_del, "btn_field_order_del", nullptr},
        {fm->btn_field_order_close, "btn_field_order_close", nullptr},
        {fm->rp_ver_hb_1_memo, "rp_ver_hb_1_memo", nullptr},
    };
    for (const auto& c : controls) {
        EXPECT_EQ(c.w->objectName(), QString(c.name));
        EXPECT_EQ(c.w->accessibleDescription(), QString(c.name));
        if (c.text) {
            EXPECT_EQ(c.w->accessibleName(), QString::fromUtf8(c.text)) << c.name;
        }
    }
    EXPECT_EQ(fm->rp_ver_hb_1_memo->toPlainText().split('\n').size(), 3);
    EXPECT_TRUE(fm->rp_ver_hb_1_memo->isReadOnly());
    EXPECT_EQ(fm->btn_up->toolTip(), QString("项目上移!"));
    EXPECT_EQ(fm->btn_down->toolTip(), QString("项目下移!"));
    EXPECT_EQ(fm->btn_field_order_del->toolTip(), QString("删除所选项目!"));
    EXPECT_EQ(fm->rzpnl_field_sort_top->caption(), QString(" 字段顺序设置"));
    ASSERT_EQ(fm->size(), QSize(985, 648));
    EXPECT_EQ(fm->rzpnl_Field_order->geometry(), QRect(448, 136, 193, 249));
    // Anchored to the top right of the page.
    fm->resize(1185, 748);
    QApplication::processEvents();
    EXPECT_EQ(fm->rzpnl_Field_order->geometry(), QRect(648, 136, 193, 249));
    EXPECT_FALSE(fm->btn_field_verhb->isEnabled());
    EXPECT_FALSE(fm->rzpnl_Field_order->isVisible());
    // Nothing is read before the first click.
    EXPECT_EQ(fm->lst_ver_hb_1->count(), 0);
}

// Read, check, edit in the editor, check again, reorder the first list, generate.
TEST_F(VerticalMergeTest, WholePageFromCheckedSheetsToTheGrid) {
    OpenMonthsAndBranches();
    const QString months = Fixture("months.xls"), branches = Fixture("branches.xlsx");
    Check(0, {"一月$", "二月$"});  // months.xls only partly checked
    Check(1, {"北区$", "南区$"});
    Read();
    EXPECT_EQ(Texts(fm->lst_ver_hb_1),
              QStringList({Entry(months, "一月$"), Entry(months, "二月$"), Entry(branches, "北区$"),
                           Entry(branches, "南区$")}));
    EXPECT_EQ(Texts(fm->lst_Field_order_shtname),
              QStringList({"一月$", "二月$", "北区$", "南区$"}));
    EXPECT_EQ(Texts(fm->edt_ver_hb_text), QStringList({"姓名,部门,工资", "姓名,部门,工资,备注",
                                                       "姓名,部门,工资", "姓名,部门,工资"}));
    EXPECT_EQ(Texts(fm->lst_field_order_count), QStringList({"3", "4", "3", "3"}));
    EXPECT_EQ(fm->qry_temp.sql(),
              "select top 1 * from [Excel 12.0;database=" + branches.toStdString() + "].[南区$]");

    fm->btn_all_selectAdd->click();
    EXPECT_EQ(Warnings(), QStringList({kCountsDiffer}));
    EXPECT_FALSE(fm->btn_field_verhb->isEnabled());

    // Selecting a sheet name selects the same row in the two other lists.
    fm->lst_Field_order_shtname->setCurrentRow(1);
    EXPECT_EQ(fm->edt_ver_hb_text->currentRow(), 1);
    EXPECT_EQ(fm->lst_field_order_count->currentRow(), 1);

    // The editor on 二月: the overlay covers the page, the list holds its four fields.
    DoubleClickFieldList(1);
    ASSERT_TRUE(EditorShown());
    EXPECT_EQ(fm->trnspnl_over_order->geometry(), fm->rztbs_ver_hb_Tab_1->rect());
    EXPECT_EQ(Texts(fm->lst_Field_order_list), QStringList({"姓名", "部门", "工资", "备注"}));
    SelectInEditor(3);
    fm->btn_field_order_del->click();
    EXPECT_EQ(Texts(fm->lst_Field_order_list), QStringList({"姓名", "部门", "工资"}));
    fm->btn_centry_field_order->click();
    EXPECT_FALSE(fm->rzpnl_Field_order->isVisible());
    EXPECT_FALSE(fm->trnspnl_over_order->isVisible());
    EXPECT_EQ(fm->edt_ver_hb_text->item(1)->text(), QString("姓名,部门,工资"));
    EXPECT_EQ(fm->lst_field_order_count->item(1)->text(), QString("3"));
    EXPECT_EQ(fm->lst_Field_order_shtname->item(1)->text(), QString("二月$"));

    fm->btn_all_selectAdd->click();
    EXPECT_TRUE(Warnings().isEmpty());
    EXPECT_TRUE(fm->btn_field_verhb->isEnabled());

    // The first list, reordered: 工资 to the front.
    DoubleClickFieldList(0);
    SelectInEditor(2);
    fm->btn_up->click();
    fm->btn_up->click();
    EXPECT_EQ(fm->lst_Field_order_list->currentRow(), 0);
    fm->btn_centry_field_order->click();
    EXPECT_EQ(fm->edt_ver_hb_text->item(0)->text(), QString("工资,姓名,部门"));

    fm->rzchckbx_format->setChecked(true);  // numeric columns get the money format and a list row
    bool noticeShown = false;
    QObject::connect(fm->cxGrid1Level1->model(), &QAbstractItemModel::modelReset,
                     [&] { noticeShown = noticeShown || fm->rzpnl_loading->isVisible(); });
    fm->btn_field_verhb->click();
    EXPECT_TRUE(Warnings().isEmpty());
    const auto select = [](const QString& book, const char* sheet) {
        return "select 工资,姓名,部门 from [Excel 12.0;database=" + book.toStdString() + "].[" +
               sheet + "]";
    };
    EXPECT_EQ(fm->adoExcel.sql(),
              select(months, "一月$") + " union all " + select(months, "二月$") + " union all " +
                  select(branches, "北区$") + " union all " + select(branches, "南区$"));
    EXPECT_EQ(Header(), QStringList({"工资", "姓名", "部门"}));
    EXPECT_EQ(Column(1), QStringList({"张三", "李四", "王五", "张三", "吴十", "郑一", "冯二"}));
    EXPECT_EQ(Column(2), QStringList({"财务", "人事", "销售", "财务", "技术", "人事", "财务"}));
    EXPECT_TRUE(noticeShown);
    EXPECT_FALSE(fm->rzpnl_loading->isVisible());
    EXPECT_TRUE(fm->rzpnl_kz_cxgrid->isVisible());
    EXPECT_EQ(fm->rzpnl_kz_cxgrid->geometry(), QRect(20, 20, fm->width() - 40, fm->height() - 40));
    // The summary lists list the numeric column.
    ASSERT_EQ(fm->lst_num_Field->count(), 1);
    EXPECT_EQ(fm->lst_num_Field->item(0)->text(), QString("工资"));

    // A second read discards the edits; the button stays enabled.
    Read();
    EXPECT_EQ(fm->edt_ver_hb_text->item(0)->text(), QString("姓名,部门,工资"));
    EXPECT_EQ(fm->lst_field_order_count->item(1)->text(), QString("4"));
    EXPECT_TRUE(fm->btn_field_verhb->isEnabled());
}

TEST_F(VerticalMergeTest, EditorCasesThatChangeNothing) {
    OpenMonthsAndBranches();
    Check(0, {"一月$", "二月$"});
    Read();
    const QStringList fields = Texts(fm->edt_ver_hb_text),
                      counts = Texts(fm->lst_field_order_count);

    DoubleClickFieldList(1);
    const QStringList items = Texts(fm->lst_Field_order_list);
    ASSERT_EQ(items.size(), 4);
    // Down and delete with nothing selected, up on the first item, down on the last.
    fm->lst_Field_order_list->clearSelection();
    fm->btn_down->click();
    fm->btn_field_order_del->click();
    EXPECT_EQ(Texts(fm->lst_Field_order_list), items);
    SelectInEditor(0);
    fm->btn_up->click();
    EXPECT_EQ(fm->lst_Field_order_list->currentRow(), 0);
    SelectInEditor(3);
    fm->btn_down->click();
    EXPECT_EQ(Texts(fm->lst_Field_order_list), items);
    EXPECT_EQ(fm->lst_Field_order_list->currentRow(), 3);

    // Closing after moving writes nothing back.
    fm->btn_up->click();
    EXPECT_NE(Texts(fm->lst_Field_order_list), items);
    fm->btn_field_order_close->click();
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(Texts(fm->edt_ver_hb_text), fields);
    EXPECT_EQ(Texts(fm->lst_field_order_count), counts);

    // With no entry selected the editor opens empty, and confirming it writes nothing.
    fm->edt_ver_hb_text->clearSelection();
    fm->edt_ver_hb_textDblClick();
    EXPECT_TRUE(EditorShown());
    EXPECT_EQ(fm->lst_Field_order_list->count(), 0);
    fm->btn_centry_field_order->click();
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(Texts(fm->edt_ver_hb_text), fields);
    EXPECT_EQ(Texts(fm->lst_field_order_count), counts);

    // Deleting every field of a list writes an empty list and the count 0.
    DoubleClickFieldList(0);
    while (fm->lst_Field_order_list->count() > 0) {
        SelectInEditor(0);
        fm->btn_field_order_del->click();
    }
    fm->btn_centry_field_order->click();
    EXPECT_EQ(fm->edt_ver_hb_text->item(0)->text(), QString());
    EXPECT_EQ(fm->lst_field_order_count->item(0)->text(), QString("0"));
}

TEST_F(VerticalMergeTest, ClearWarningsInsteadOfErrorReports) {
    // The check with nothing read, generating with no field list.
    fm->btn_all_selectAdd->click();
    EXPECT_EQ(Warnings(),
              QStringList({QStringLiteral("还没有读取到任何工作表的字段,请先在目录中勾选工作表,"
                                          "再点击“规则表头合并”!")}));
    EXPECT_FALSE(fm->btn_field_verhb->isEnabled());

    OpenMonthsAndBranches();
    Check(0, {"一月$"});
    Read();
    fm->btn_all_selectAdd->click();
    ASSERT_TRUE(fm->btn_field_verhb->isEnabled());
    Sheet(0, "一月$")->setCheckState(0, Qt::Unchecked);
    Read();
    ASSERT_EQ(fm->edt_ver_hb_text->count(), 0);
    const std::string sql = fm->adoExcel.sql();
    fm->btn_field_verhb->click();
    EXPECT_EQ(Warnings(), QStringList({QStringLiteral("没有可用的字段列表,请先在目录中勾选工作表,"
                                                      "点击“规则表头合并”并完成“①合并检查”!")}));
    EXPECT_EQ(fm->adoExcel.sql(), sql);
    EXPECT_FALSE(fm->rzpnl_loading->isVisible());
    // A failed check leaves the button enabled.
    fm->btn_all_selectAdd->click();
    Warnings();
    EXPECT_TRUE(fm->btn_field_verhb->isEnabled());
}

TEST_F(VerticalMergeTest, EqualCountsWithOtherNamesFailAtGeneration) {
    OpenMonthsAndBranches();
    Check(0, {"一月$", "二月$"});
    Read();
    fm->edt_ver_hb_text->setCurrentRow(1);
    fm->edt_ver_hb_textDblClick();
    SelectInEditor(3);
    fm->btn_field_order_del->click();
    fm->btn_centry_field_order->click();
    fm->btn_all_selectAdd->click();
    fm->btn_field_verhb->click();
    ASSERT_TRUE(Warnings().isEmpty());
    ASSERT_EQ(fm->cxGrid1Level1->model()->rowCount(), 4);

    // 四月 has three fields too, under other names.
    Sheet(0, "二月$")->setCheckState(0, Qt::Unchecked);
    Check(0, {"四月$"});
    Read();
    fm->btn_all_selectAdd->click();
    EXPECT_TRUE(Warnings().isEmpty());
    fm->btn_cxGrid_close->click();
    fm->btn_field_verhb->click();
    EXPECT_EQ(Warnings(), QStringList({kUnionFailed}));
    EXPECT_FALSE(fm->adoExcel.active());
    EXPECT_FALSE(fm->rzpnl_loading->isVisible());
    EXPECT_FALSE(fm->rzpnl_kz_cxgrid->isVisible());
    // The grid keeps its columns without rows.
    EXPECT_EQ(Header(), QStringList({"姓名", "部门", "工资"}));
    EXPECT_EQ(fm->cxGrid1Level1->model()->rowCount(), 0);
}

TEST_F(VerticalMergeTest, AngleBracketsInFolderAndSheetNamesReadTheirOwnSheet) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString dir = tmp.path() + "/季>度";
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString copy = dir + "/月报.xls";
    ASSERT_TRUE(QFile::copy(Fixture("months.xls"), copy));
    Open({copy});
    Check(0, {"月>报$", "一月$"});
    Read();
    EXPECT_EQ(Texts(fm->lst_ver_hb_1), QStringList({Entry(copy, "一月$"), Entry(copy, "月>报$")}));
    EXPECT_EQ(Texts(fm->lst_Field_order_shtname), QStringList({"一月$", "月>报$"}));
    EXPECT_EQ(Texts(fm->edt_ver_hb_text), QStringList({"姓名,部门,工资", "姓名,部门,工资"}));
    fm->btn_all_selectAdd->click();
    fm->btn_field_verhb->click();
    EXPECT_TRUE(Warnings().isEmpty());
    EXPECT_EQ(Column(0), QStringList({"张三", "李四", "周九"}));

    // The driver is read at generation: every reference follows the radio buttons.
    fm->rrb2007->setChecked(true);
    fm->btn_field_verhb->click();
    EXPECT_EQ(fm->adoExcel.sql(),
              "select 姓名,部门,工资 from [Excel 12.0;database=" + copy.toStdString() +
                  "].[一月$] union all select 姓名,部门,工资 from [Excel "
                  "12.0;database=" +
                  copy.toStdString() + "].[月>报$]");
    EXPECT_EQ(Column(0), QStringList({"张三", "李四", "周九"}));
}

TEST_F(VerticalMergeTest, BracketedFieldNamesAndAResultWithoutRows) {
    OpenMonthsAndBranches();
    Check(0, {"明细1$", "明细2$"});
    Read();
    EXPECT_EQ(fm->edt_ver_hb_text->item(0)->text(), QString("姓名,金额(元),base pay,1月"));
    fm->btn_all_selectAdd->click();
    fm->btn_field_verhb->click();
    EXPECT_TRUE(Warnings().isEmpty());
    EXPECT_EQ(Header(), QStringList({"姓名", "金额(元)", "base pay", "1月"}));
    EXPECT_EQ(Column(0), QStringList({"甲", "乙", "丙"}));

    // A sheet without a row: no columns, and the result panel all the same.
    fm->btn_cxGrid_close->click();
    Sheet(0, "明细1$")->setCheckState(0, Qt::Unchecked);
    Sheet(0, "明细2$")->setCheckState(0, Qt::Unchecked);
    Check(0, {"空表$"});
    Read();
    EXPECT_EQ(Texts(fm->lst_field_order_count), QStringList({"1"}));
    fm->btn_field_verhb->click();
    EXPECT_TRUE(Warnings().isEmpty());
    EXPECT_TRUE(fm->adoExcel.active());
    EXPECT_EQ(fm->cxGrid1Level1->model()->columnCount(), 0);
    EXPECT_TRUE(fm->rzpnl_kz_cxgrid->isVisible());
}

TEST_F(VerticalMergeTest, ProviderFailureWhileReadingKeepsWhatWasListed) {
    Open({Fixture("months.xls")});
    fm->rrb2007->setChecked(true);
    Open({Fixture("branches.xlsx")});
    fm->rrb2003->setChecked(true);  // the .xlsx cannot be read under this driver
    Check(0, {"一月$"});
    Check(1, {"北区$", "南区$"});
    EXPECT_THROW(Read(), std::exception);
    EXPECT_EQ(Texts(fm->lst_ver_hb_1), QStringList({Entry(Fixture("months.xls"), "一月$"),
                                                    Entry(Fixture("branches.xlsx"), "北区$")}));
    EXPECT_EQ(Texts(fm->lst_Field_order_shtname), QStringList({"一月$"}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
