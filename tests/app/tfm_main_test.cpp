// The main window: start state, modes, result panel placement, version caption, named controls.
#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "app/tfm_main.h"
#include "scripted_prompts.h"

namespace {

const char* kMissingVersion = "/nonexistent-dir/curVer.txt";

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fm = std::make_unique<TfmMain>(nullptr, QString::fromLatin1(kMissingVersion));
        fm->show();
        QApplication::processEvents();
    }
    std::unique_ptr<TfmMain> fm;
};

}  // namespace

TEST_F(MainWindowTest, StartState) {
    EXPECT_TRUE(fm->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(fm->size(), QSize(985, 648));
    EXPECT_TRUE(fm->RzBmpButton6->isChecked());
    EXPECT_FALSE(fm->RzBmpButton4->isChecked());
    EXPECT_FALSE(fm->RzBmpButton5->isChecked());
    EXPECT_EQ(fm->RzPageControl1->currentWidget(), fm->tsFind);
    EXPECT_EQ(fm->RzPanel6->caption(), QString(" 当前操作类型 > 查询汇总  "));
    EXPECT_TRUE(fm->rzpnl_kz_cxgrid->isVisible());
    EXPECT_EQ(fm->rzpnl_kz_cxgrid->geometry(), QRect(231, 85, 744, 526));
    EXPECT_FALSE(fm->btn_cxGrid_close->isVisible());
    EXPECT_FALSE(fm->btn_cxGrid_close->isVisibleTo(fm->rzpnl_kz_cxgrid));
    for (QTabWidget* tabs : {fm->RzPageControl1, fm->rzpg_ver_hb, fm->rzpg_fenxi}) {
        EXPECT_FALSE(tabs->tabBar()->isVisibleTo(tabs)) << tabs->objectName().toStdString();
    }
    EXPECT_EQ(fm->rzpg_fenxi->currentWidget(), fm->rztbsht_public_test_result);
    EXPECT_EQ(fm->rzpg_ver_hb->currentWidget(), fm->rztbs_ver_hb_Tab_1);
    EXPECT_EQ(fm->rzpg_fields->count(), 0);
    EXPECT_EQ(fm->rlbInfo->text(), QString("表头字段"));
    EXPECT_TRUE(fm->rrb2003->isChecked());
    EXPECT_FALSE(fm->rrb2007->isChecked());
    EXPECT_FALSE(fm->rcbClear->isChecked());
    EXPECT_EQ(fm->RzCheckTree1->topLevelItemCount(), 0);
    EXPECT_TRUE(fm->RzCheckTree1->isHeaderHidden());
    EXPECT_EQ(fm->ClickedNode, nullptr);
    EXPECT_FALSE(fm->rzchckbx_format->isChecked());
    EXPECT_FALSE(fm->rzchckbx_zd_zk->isChecked());
    EXPECT_TRUE(fm->btn_verhb_btn2->isChecked());
}

TEST_F(MainWindowTest, FloatingPanelsAndNoticeStartHiddenAtTheirPlaces) {
    struct {
        QWidget* panel;
        QWidget* parent;
        QRect geometry;
    } cases[] = {
        {fm->rzpnl_kz, fm->rzpnl_kz_cxgrid, {40, 144, 209, 193}},
        {fm->rzpnl_sum_kz, fm->rzpnl_kz_cxgrid, {256, 144, 371, 257}},
        {fm->rzpnl_Field_edit, fm->rzpnl_sum_kz, {16, 107, 345, 47}},
        {fm->rzpnl_Field_order, fm->rztbs_ver_hb_Tab_1, {448, 136, 193, 249}},
        {fm->rzpnl_loading, fm.get(), {464, 264, 233, 41}},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(c.panel->isVisibleTo(c.parent)) << c.panel->objectName().toStdString();
        EXPECT_EQ(c.panel->parentWidget(), c.parent) << c.panel->objectName().toStdString();
        if (c.panel != fm->rzpnl_Field_order) {  // that one is anchored to the page's right edge
            EXPECT_EQ(c.panel->geometry(), c.geometry) << c.panel->objectName().toStdString();
        }
    }
    EXPECT_EQ(fm->rzpnl_Field_order->size(), QSize(193, 249));
    EXPECT_EQ(fm->rzpnl_loading->caption(), QString("正在生成数据,请稍候..."));
    EXPECT_EQ(fm->rzpnl_kz_top->caption(), QString(" 选项控制"));
    EXPECT_EQ(fm->rzpnl_sum_option->caption(), QString(" 统计控制"));
    EXPECT_EQ(fm->rzpnl_field_sort_top->caption(), QString(" 字段顺序设置"));
    EXPECT_EQ(fm->rzpnl_kz_top->height(), 30);
    for (TTransPnl* o : {fm->trnspnl_over, fm->trnspnl_over_order}) {
        EXPECT_FALSE(o->isVisibleTo(o->parentWidget()));
        EXPECT_EQ(o->Color(), QColor(226, 235, 243));
        EXPECT_EQ(o->Style(), gsSrcAnd);
        EXPECT_FALSE(o->Ctl3D());
    }
}

TEST_F(MainWindowTest, ViewOptionBoxesAndSummaryEntries) {
    struct {
        QCheckBox* box;
        const char* caption;
        bool checked;
    } boxes[] = {
        {fm->rzchckbx_field_filter, "字段过滤", false},
        {fm->rzchckbx_col_AutoWidth, "列自动宽度", false},
        {fm->rzchckbx_foot, "页脚", true},
        {fm->rzchckbx_group_foot, "组注脚", false},
        {fm->rzchckbx_group_box, "项部群组", true},
        {fm->rzchckbx_fot_filter, "底部过滤", true},
    };
    for (const auto& b : boxes) {
        EXPECT_EQ(b.box->text(), QString(b.caption));
        EXPECT_EQ(b.box->isChecked(), b.checked) << b.caption;
    }
    auto entries = [](QComboBox* c) {
        QStringList l;
        for (int i = 0; i < c->count(); ++i) l << c->itemText(i);
        return l;
    };
    EXPECT_EQ(entries(fm->cbb_sum_type),
              QStringList({"累计", "计数", "最大值", "最小值", "平均值", "无"}));
    EXPECT_EQ(entries(fm->cbb_xsws), QStringList({"2", "3", "0"}));
    EXPECT_EQ(entries(fm->cbb_hbfh), QStringList({"￥", "＄", "￡", ""}));
    EXPECT_EQ(entries(fm->cbb_align), QStringList({"左", "中", "右"}));
    EXPECT_TRUE(fm->cbb_sum_type->isEditable());
    EXPECT_FALSE(fm->lst_num_Field_id->isVisibleTo(fm->rzpnl_sum_kz));
    EXPECT_TRUE(fm->lst_num_Field->isVisibleTo(fm->rzpnl_sum_kz));
}

TEST_F(MainWindowTest, ModeButtons) {
    struct {
        TBmpButton* button;
        QWidget* page;
        const char* caption;
        bool panelVisible;
    } cases[] = {
        {fm->RzBmpButton4, fm->tsHX, " 当前操作类型 > 横向合并   ", false},
        {fm->RzBmpButton5, fm->tsZx, " 当前操作类型 > 纵向合并   ", false},
        {fm->RzBmpButton6, fm->tsFind, " 当前操作类型 > 查询汇总   ", true},
        {fm->RzBmpButton5, fm->tsZx, " 当前操作类型 > 纵向合并   ", false},
    };
    for (const auto& c : cases) {
        c.button->click();
        EXPECT_TRUE(c.button->isChecked());
        for (TBmpButton* other : {fm->RzBmpButton4, fm->RzBmpButton5, fm->RzBmpButton6})
            if (other != c.button) {
                EXPECT_FALSE(other->isChecked());
            }
        EXPECT_EQ(fm->RzPageControl1->currentWidget(), c.page);
        EXPECT_EQ(fm->RzPanel6->caption(), QString(c.caption));
        EXPECT_EQ(fm->RzPanel6->accessibleName(), QString(c.caption));
        EXPECT_EQ(fm->rzpnl_kz_cxgrid->isVisible(), c.panelVisible);
        EXPECT_EQ(fm->btn_cxGrid_close->isVisibleTo(fm->rzpnl_kz_cxgrid), !c.panelVisible);
    }
}

TEST_F(MainWindowTest, QueryModeReturnsThePanelHomeAfterMaximiseOrShowResultPanel) {
    fm->RzBmpButton4->click();
    fm->ShowResultPanel();
    EXPECT_NE(fm->rzpnl_kz_cxgrid->geometry(), QRect(231, 85, 744, 526));
    fm->Image3DblClick();  // maximise
    QApplication::processEvents();
    EXPECT_TRUE(fm->windowState() & Qt::WindowMaximized);
    fm->RzBmpButton6->click();
    EXPECT_EQ(fm->rzpnl_kz_cxgrid->geometry(), QRect(231, 85, 744, 526));
    EXPECT_TRUE(fm->rzpnl_kz_cxgrid->isVisible());
    fm->Image3DblClick();
    EXPECT_EQ(fm->windowState(), Qt::WindowNoState);
}

TEST_F(MainWindowTest, ShowResultPanelLeavesTwentyPixelsOnEverySide) {
    struct {
        QSize window;
        QRect panel;
    } cases[] = {
        {{1000, 700}, {20, 20, 960, 660}},
        {{1001, 701}, {20, 20, 961, 661}},
        {{985, 648}, {20, 20, 945, 608}},
        {{800, 500}, {20, 20, 760, 460}},
    };
    fm->RzBmpButton4->click();
    for (const auto& c : cases) {
        fm->resize(c.window);
        QApplication::processEvents();
        ASSERT_EQ(fm->size(), c.window);
        fm->ShowResultPanel();
        EXPECT_EQ(fm->rzpnl_kz_cxgrid->geometry(), c.panel);
        EXPECT_TRUE(fm->rzpnl_kz_cxgrid->isVisible());
    }
    fm->btn_cxGrid_close->click();
    EXPECT_FALSE(fm->rzpnl_kz_cxgrid->isVisible());
}

TEST_F(MainWindowTest, ResultPanelIsAnchoredToAllFourSides) {
    fm->resize(1085, 698);
    QApplication::processEvents();
    EXPECT_EQ(fm->rzpnl_kz_cxgrid->geometry(), QRect(231, 85, 844, 576));
    fm->resize(985, 648);
    QApplication::processEvents();
    EXPECT_EQ(fm->rzpnl_kz_cxgrid->geometry(), QRect(231, 85, 744, 526));
}

TEST_F(MainWindowTest, PanelsMoveByTheirTitleStripsAndStayInside) {
    fm->btn_option->click();
    ASSERT_TRUE(fm->rzpnl_kz->isVisible());
    const QPoint start = fm->rzpnl_kz->pos();
    // Right button works too; a move far out is clamped to the result panel.
    QTest::mousePress(fm->rzpnl_kz_top, Qt::RightButton, {}, QPoint(50, 10));
    auto moveTo = [&](QPoint local) {
        QMouseEvent move(QEvent::MouseMove, QPointF(local),
                         fm->rzpnl_kz_top->mapToGlobal(QPointF(local)), Qt::NoButton,
                         Qt::RightButton, {});
        QApplication::sendEvent(fm->rzpnl_kz_top, &move);
    };
    moveTo(QPoint(70, 40));
    EXPECT_EQ(fm->rzpnl_kz->pos(), start + QPoint(20, 30));
    QTest::mouseRelease(fm->rzpnl_kz_top, Qt::RightButton, {}, QPoint(70, 40));
    QTest::mousePress(fm->rzpnl_kz_top, Qt::LeftButton, {}, QPoint(50, 10));
    moveTo(QPoint(-5000, -5000));
    EXPECT_EQ(fm->rzpnl_kz->pos(), QPoint(0, 0));
    QTest::mouseRelease(fm->rzpnl_kz_top, Qt::LeftButton, {}, QPoint(0, 0));
    fm->btn_option_close->click();
    EXPECT_FALSE(fm->rzpnl_kz->isVisible());
}

TEST_F(MainWindowTest, ClosingTheEditPopupHidesItsOverlayAndKeepsTheSummaryPanel) {
    fm->btn_sum_option->click();
    fm->rzpnl_Field_edit->show();
    fm->trnspnl_over->show();
    fm->btn_edit_show_close->click();
    EXPECT_FALSE(fm->rzpnl_Field_edit->isVisible());
    EXPECT_FALSE(fm->trnspnl_over->isVisible());
    EXPECT_TRUE(fm->rzpnl_sum_kz->isVisible());
}

TEST(MainWindowVersion, CaptionFromTheVersionFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct {
        const char* content;  // nullptr: no file
        const char* caption;
    } cases[] = {
        {nullptr, "凌川数汇 版本:"},
        {"[SoftAtt]\nVer=5.2\n", "凌川数汇 版本:5.2"},
        {"[Other]\nVer=5.2\n", "凌川数汇 版本:"},
        {"[SoftAtt]\nName=x\n", "凌川数汇 版本:"},
        {"[SoftAtt]\nVer=2.0 测试版\n", "凌川数汇 版本:2.0 测试版"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString("curVer%1.txt").arg(n++));
        if (c.content) {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.content);
        }
        TfmMain fm(nullptr, path);
        EXPECT_EQ(fm.windowTitle(), QString("凌川数汇"));
        fm.show();
        QApplication::processEvents();
        EXPECT_EQ(fm.windowTitle(), QString(c.caption));
        EXPECT_EQ(fm.RzLabel1->text(), QString(c.caption));
        fm.hide();
        fm.show();  // shown again: the version is appended only once
        EXPECT_EQ(fm.windowTitle(), QString(c.caption));
    }
}

TEST_F(MainWindowTest, EveryNamedControlCarriesItsNameAndCaption) {
    struct {
        const char* name;
        const char* caption;  // expected accessible name, nullptr: just not empty
    } cases[] = {
        {"RzBmpButton6", "查询汇总"},
        {"RzBmpButton4", "横向合并"},
        {"RzBmpButton5", "纵向合并"},
        {"RzPageControl1", nullptr},
        {"tsFind", "查询汇总"},
        {"tsHX", "横向合并"},
        {"tsZx", "纵向合并"},
        {"rlbInfo", "表头字段"},
        {"rrb2003", "Excel2003版"},
        {"rrb2007", "Excel2007-2010版"},
        {"rcbClear", "打开新文件清除原有列表"},
        {"RzBmpButton7", "打开文件"},
        {"RzCheckTree1", nullptr},
        {"rzpg_fields", nullptr},
        {"rzpg_fenxi", nullptr},
        {"rztbsht_public_select_field_1", "选择表头"},
        {"rztbsht_public_field_set", "共有字段"},
        {"rztbsht_public_test_result", "测试结果"},
        {"rzchckbx_format", "生成数值专用格式"},
        {"btn_verhb_btn2", "规则表头合并"},
        {"btn_ver_hbbtn3", "不规则表头合并"},
        {"rzpg_ver_hb", nullptr},
        {"rztbs_ver_hb_Tab_1", nullptr},
        {"rztbs_ver_hb_Tab_2", nullptr},
        {"rzpnl_Field_order", nullptr},
        {"rzpnl_field_sort_top", " 字段顺序设置"},
        {"trnspnl_over_order", nullptr},
        {"rzpnl_kz_cxgrid", nullptr},
        {"img10", nullptr},
        {"btn_cxGrid_close", nullptr},
        {"img9", nullptr},
        {"img11", nullptr},
        {"img1", nullptr},
        {"img4", nullptr},
        {"img5", nullptr},
        {"img6", nullptr},
        {"img7", nullptr},
        {"img_cx", nullptr},
        {"btn_option", "显示控制"},
        {"btn_sum_option", "统计控制"},
        {"btn_gen_sum", "生成统计"},
        {"btn_export", "导出到Excel"},
        {"rzchckbx_zd_zk", "展开/折叠"},
        {"cxGrid1", nullptr},
        {"rzpnl_kz", nullptr},
        {"rzpnl_kz_top", " 选项控制"},
        {"btn_option_close", nullptr},
        {"rzchckbx_field_filter", "字段过滤"},
        {"rzchckbx_col_AutoWidth", "列自动宽度"},
        {"rzchckbx_foot", "页脚"},
        {"rzchckbx_group_foot", "组注脚"},
        {"rzchckbx_group_box", "项部群组"},
        {"rzchckbx_fot_filter", "底部过滤"},
        {"rzpnl_sum_kz", nullptr},
        {"rzpnl_sum_option", " 统计控制"},
        {"btn_sum_option_close", nullptr},
        {"lst_num_Field", "表头字段(数值)"},
        {"lst_num_Field_sum_type", "统计方式"},
        {"lst_num_Field_xsws", "小数位数"},
        {"lst_num_Field_hbfh", "货币符"},
        {"lst_num_Field_align", "列对齐"},
        {"lst_num_Field_id", nullptr},
        {"rzpnl_Field_edit", nullptr},
        {"edt_field_name", "表头字段"},
        {"cbb_sum_type", "统计方式"},
        {"cbb_xsws", "小数位"},
        {"cbb_hbfh", "货币符"},
        {"cbb_align", "列对齐"},
        {"btn_ok", "确定"},
        {"btn_edit_show_close", nullptr},
        {"lbl_num_Field", "表头字段(数值)"},
        {"lbl_num_Field_sum_type", "统计方式"},
        {"lbl_num_Field_xsws", "小数位数"},
        {"lbl_num_Field_hbfh", "货币符"},
        {"lbl_num_Field_align", "列对齐"},
        {"lbl_field_name", "表头字段"},
        {"lbl_sum_type", "统计方式"},
        {"lbl_xsws", "小数位"},
        {"lbl_hbfh", "货币符"},
        {"lbl_align", "列对齐"},
        {"cbb_sum_type_text", "统计方式"},
        {"cbb_xsws_text", "小数位"},
        {"cbb_hbfh_text", "货币符"},
        {"cbb_align_text", "列对齐"},
        {"hdr_grid_columns", "列标题"},
        {"trnspnl_over", nullptr},
        {"rzpnl_loading", "正在生成数据,请稍候..."},
        {"rpTop", nullptr},
        {"RzLabel1", nullptr},
        {"RzPanel6", " 当前操作类型 > 查询汇总  "},
    };
    for (const auto& c : cases) {
        auto* w = fm->findChild<QWidget*>(c.name);
        ASSERT_NE(w, nullptr) << c.name;
        EXPECT_EQ(w->objectName(), QString(c.name));
        EXPECT_EQ(w->accessibleDescription(), QString(c.name));
        if (c.caption) {
            EXPECT_EQ(w->accessibleName(), QString(c.caption)) << c.name;
        } else {
            EXPECT_FALSE(w->accessibleName().isEmpty()) << c.name;
        }
    }
    auto* grid = fm->findChild<QWidget*>("cxGrid1");
    ASSERT_NE(grid->layout(), nullptr);
    EXPECT_EQ(grid->layout()->contentsMargins(), QMargins(0, 0, 0, 0));
}

TEST_F(MainWindowTest, TreePressRecordsTheClickedNode) {
    auto* wb = new QTreeWidgetItem(fm->RzCheckTree1, QStringList("D:/a.xls"));
    fm->RzCheckTree1->expandAll();
    QApplication::processEvents();
    const QRect r = fm->RzCheckTree1->visualItemRect(wb);
    QTest::mousePress(fm->RzCheckTree1->viewport(), Qt::RightButton, {}, r.center());
    EXPECT_EQ(fm->ClickedNode, wb);
    QTest::mousePress(fm->RzCheckTree1->viewport(), Qt::LeftButton, {}, QPoint(5, 300));
    EXPECT_EQ(fm->ClickedNode, nullptr);
}
