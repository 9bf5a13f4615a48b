// Construction of the main window's controls: catalogue, mode bar, pages of the two merges,
// result panel with its floating panels, loading notice. Positions are in pixels relative to the
// parent; floating panels are absolutely placed and raised above the laid-out content.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/tfm_main.h"

namespace {

const QColor kStripTop(0xfd, 0xfe, 0xff);
const QColor kStripBottom(0xc9, 0xdb, 0xef);
const QColor kOverlay(226, 235, 243);

QWidget* Page(QTabWidget* tabs, const QString& name, const QString& caption) {
    auto* page = NameControl(new TPanel, name, caption);
    static_cast<TPanel*>(page)->setColors(QColor(0xf6, 0xf9, 0xfd), QColor(0xf6, 0xf9, 0xfd));
    tabs->addTab(page, caption);
    return page;
}

QTabWidget* PageControl(QWidget* parent, const QString& name) {
    auto* tabs = NameControl(new QTabWidget(parent), name);
    tabs->setDocumentMode(true);
    return tabs;
}

// A 30-pixel title strip with a bold caption, a gradient face and a close button at its right.
TPanel* TitleStrip(QWidget* panel, const QString& name, const QString& caption,
                   TBmpButton** closeButton, const QString& closeName) {
    auto* strip = NameControl(new TPanel(panel), name, caption);
    strip->setCaption(caption);
    strip->setBold(true);
    strip->setColors(kStripTop, kStripBottom);
    strip->setCaptionColor(QColor(0x1d, 0x3d, 0x66));
    strip->setGeometry(1, 1, panel->width() - 2, 30);
    strip->setCursor(Qt::SizeAllCursor);
    if (closeButton) {
        auto* b = NameControl(new TBmpButton(QString(), strip), closeName, QStringLiteral("关闭"));
        b->setGlyph(TBmpButton::Glyph::Close);
        b->setGeometry(strip->width() - 26, 5, 20, 20);
        b->setCursor(Qt::ArrowCursor);
        *closeButton = b;
    }
    return strip;
}

TPanel* FloatingPanel(QWidget* parent, const QString& name, QRect geometry) {
    auto* panel = NameControl(new TPanel(parent), name);
    panel->setColors(QColor(0xf7, 0xfa, 0xfd), QColor(0xe6, 0xee, 0xf7));
    panel->setBorder(1, QColor(0x6f, 0x93, 0xbf));
    panel->setGeometry(geometry);
    panel->hide();
    return panel;
}

QLabel* Heading(QWidget* parent, const QString& name, const QString& text, QRect geometry) {
    auto* label = NameControl(new QLabel(text, parent), name, text);
    label->setGeometry(geometry);
    return label;
}

TBmpButton* ToolButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = NameControl(new TBmpButton(caption, parent), name, caption.trimmed());
    b->setFixedHeight(24);
    b->setMinimumWidth(QFontMetrics(b->font()).horizontalAdvance(caption) + 24);
    return b;
}

}  // namespace

void TfmMain::buildCatalogue() {
    QVBoxLayout* col = leftColumn();
    rrb2003 = NameControl(new QRadioButton(QStringLiteral("Excel2003版"), RzPanel3), "rrb2003",
                          QStringLiteral("Excel2003版"));
    rrb2003->setChecked(true);
    rrb2007 = NameControl(new QRadioButton(QStringLiteral("Excel2007-2010版"), RzPanel3), "rrb2007",
                          QStringLiteral("Excel2007-2010版"));
    rcbClear = NameControl(new QCheckBox(QStringLiteral("打开新文件清除原有列表"), RzPanel3),
                           "rcbClear", QStringLiteral("打开新文件清除原有列表"));
    RzBmpButton7 = NameControl(new TBmpButton(QStringLiteral("  打开文件"), RzPanel3),
                               "RzBmpButton7", QStringLiteral("打开文件"));
    RzBmpButton7->setFixedHeight(28);
    RzCheckTree1 =
        NameControl(new QTreeWidget(RzPanel3), "RzCheckTree1", QStringLiteral("工作表目录"));
    RzCheckTree1->setHeaderHidden(true);
    RzCheckTree1->setColumnCount(1);
    col->addWidget(rrb2003);
    col->addWidget(rrb2007);
    col->addWidget(rcbClear);
    col->addWidget(RzBmpButton7);
    col->addWidget(RzCheckTree1, 1);
}

void TfmMain::buildModeBar() {
    modeGroup = new QButtonGroup(this);
    modeGroup->setExclusive(true);
    const struct {
        TBmpButton** button;
        const char* name;
        QString caption;
    } modes[] = {
        {&RzBmpButton6, "RzBmpButton6", QStringLiteral("  查询汇总")},
        {&RzBmpButton4, "RzBmpButton4", QStringLiteral("  横向合并")},
        {&RzBmpButton5, "RzBmpButton5", QStringLiteral("  纵向合并")},
    };
    int x = 8;
    for (const auto& m : modes) {
        auto* b = NameControl(new TBmpButton(m.caption, RzPanel6), m.name, m.caption.trimmed());
        b->setCheckable(true);
        b->setGeometry(x, 6, 100, 28);
        x += 104;
        modeGroup->addButton(b);
        *m.button = b;
    }
    RzBmpButton6->setChecked(true);
    RzPanel6->setCaption(QStringLiteral(" 当前操作类型 > 查询汇总  "));

    rlbInfo = NameControl(new QLabel(QStringLiteral("表头字段"), RzPanel2), "rlbInfo",
                          QStringLiteral("表头字段"));
    rlbInfo->setStyleSheet("color: white; background: transparent;");
    rlbInfo->setAttribute(Qt::WA_TransparentForMouseEvents);
    rlbInfo->setGeometry(16, 7, 600, 16);  // stretched along the bar by placeStatusText()
    rlbInfo->raise();
}

void TfmMain::buildPages() {
    RzPageControl1 = PageControl(RzPanel4, "RzPageControl1");
    tsFind = Page(RzPageControl1, "tsFind", QStringLiteral("查询汇总"));
    tsHX = Page(RzPageControl1, "tsHX", QStringLiteral("横向合并"));
    tsZx = Page(RzPageControl1, "tsZx", QStringLiteral("纵向合并"));
    RzPageControl1->setCurrentWidget(tsZx);  // the query page is made active on show
    rightColumn()->addWidget(RzPageControl1, 1);

    buildHorizontalMergePage();

    // Vertical merge: the two mode buttons over the two sub-pages.
    auto* zx = new QVBoxLayout(tsZx);
    zx->setContentsMargins(6, 6, 6, 6);
    auto* zxButtons = new QHBoxLayout;
    verModeGroup = new QButtonGroup(this);
    btn_verhb_btn2 = NameControl(new TBmpButton(QStringLiteral("规则表头合并"), tsZx),
                                 "btn_verhb_btn2", QStringLiteral("规则表头合并"));
    btn_ver_hbbtn3 = NameControl(new TBmpButton(QStringLiteral("不规则表头合并"), tsZx),
                                 "btn_ver_hbbtn3", QStringLiteral("不规则表头合并"));
    for (TBmpButton* b : {btn_verhb_btn2, btn_ver_hbbtn3}) {
        b->setCheckable(true);
        b->setFixedSize(120, 28);
        verModeGroup->addButton(b);
        zxButtons->addWidget(b);
    }
    btn_verhb_btn2->setChecked(true);
    zxButtons->addStretch(1);
    zx->addLayout(zxButtons);
    rzpg_ver_hb = PageControl(tsZx, "rzpg_ver_hb");
    rztbs_ver_hb_Tab_1 = Page(rzpg_ver_hb, "rztbs_ver_hb_Tab_1", QStringLiteral("规则表头合并"));
    rztbs_ver_hb_Tab_2 = Page(rzpg_ver_hb, "rztbs_ver_hb_Tab_2", QStringLiteral("不规则表头合并"));
    rzpg_ver_hb->setCurrentIndex(0);
    zx->addWidget(rzpg_ver_hb, 1);

    trnspnl_over_order = NameControl(new TTransPnl(rztbs_ver_hb_Tab_1), "trnspnl_over_order");
    trnspnl_over_order->setColor(kOverlay);
    trnspnl_over_order->hide();
    rzpnl_Field_order =
        FloatingPanel(rztbs_ver_hb_Tab_1, "rzpnl_Field_order", QRect(448, 136, 193, 249));
    rzpnl_field_sort_top = TitleStrip(rzpnl_Field_order, "rzpnl_field_sort_top",
                                      QStringLiteral(" 字段顺序设置"), nullptr, {});
    rzpnl_Field_order->raise();
    // The field order panel keeps its distance to the page's right edge. Its place (448, 136)
    // holds for the page as wide as the window's first size makes it; every width change moves it
    // by the change, also the ones of the layout before the first show.
    auto* page1 = static_cast<TPanel*>(rztbs_ver_hb_Tab_1);
    constexpr int kPage1FirstWidth = 744;
    connect(page1, &TPanel::resized, this,
            [this, lastWidth = kPage1FirstWidth](QSize size) mutable {
                rzpnl_Field_order->move(rzpnl_Field_order->x() + size.width() - lastWidth,
                                        rzpnl_Field_order->y());
                lastWidth = size.width();
            });
    buildRegularHeaderPage();
}

void TfmMain::buildResultPanel() {
    rzpnl_kz_cxgrid =
        NameControl(new TPanel(this), "rzpnl_kz_cxgrid", QStringLiteral("合并表格操作区"));
    rzpnl_kz_cxgrid->setColors(QColor(0xf6, 0xf9, 0xfd), QColor(0xf6, 0xf9, 0xfd));
    rzpnl_kz_cxgrid->setGeometry(231, 85, 744, 526);
    auto* v = new QVBoxLayout(rzpnl_kz_cxgrid);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    auto piece = [](QWidget* parent, const char* name, Qt::CursorShape cursor, int width,
                    QColor top, QColor bottom) {
        auto* img = NameControl(new TImage(parent), name);
        img->setCursor(cursor);
        img->setColors(top, bottom);
        if (width > 0) img->setFixedWidth(width);
        return img;
    };
    const QColor barTop(0x3a, 0x74, 0xb8), barBottom(0x1d, 0x4c, 0x8a), edge(0x17, 0x3e, 0x70);

    // Title strip: corner grips of the window at both ends, the moving body in between.
    rzpnl_kz4 = NameControl(new TPanel(rzpnl_kz_cxgrid), "rzpnl_kz4");
    rzpnl_kz4->setFixedHeight(36);
    auto* title = new QHBoxLayout(rzpnl_kz4);
    title->setContentsMargins(0, 0, 0, 0);
    title->setSpacing(0);
    img9 = piece(rzpnl_kz4, "img9", Qt::SizeFDiagCursor, 5, edge, edge);
    img10 = piece(rzpnl_kz4, "img10", Qt::ArrowCursor, 0, barTop, barBottom);
    img11 = piece(rzpnl_kz4, "img11", Qt::SizeBDiagCursor, 5, edge, edge);
    title->addWidget(img9);
    title->addWidget(img10, 1);
    title->addWidget(img11);
    auto* titleRow = new QHBoxLayout(img10);
    titleRow->setContentsMargins(10, 0, 6, 0);
    lbl_kz4_title = NameControl(new QLabel(QStringLiteral("合并表格操作区"), img10),
                                "lbl_kz4_title", QStringLiteral("合并表格操作区"));
    lbl_kz4_title->setStyleSheet("color: white; background: transparent; font-weight: bold;");
    lbl_kz4_title->setAttribute(Qt::WA_TransparentForMouseEvents);
    btn_cxGrid_close =
        NameControl(new TBmpButton(QString(), img10), "btn_cxGrid_close", QStringLiteral("关闭"));
    btn_cxGrid_close->setGlyph(TBmpButton::Glyph::Close);
    btn_cxGrid_close->setCaptionStyle(true);
    btn_cxGrid_close->setFixedSize(40, 20);
    btn_cxGrid_close->hide();
    titleRow->addWidget(lbl_kz4_title);
    titleRow->addStretch(1);
    titleRow->addWidget(btn_cxGrid_close);
    v->addWidget(rzpnl_kz4);

    // Middle: side edges around the toolbar and the grid container.
    auto* middle = new QHBoxLayout;
    middle->setSpacing(0);
    img6 = piece(rzpnl_kz_cxgrid, "img6", Qt::SizeHorCursor, 4, edge, edge);
    img7 = piece(rzpnl_kz_cxgrid, "img7", Qt::SizeHorCursor, 4, edge, edge);
    auto* centre = new QVBoxLayout;
    centre->setSpacing(0);
    img_cx = piece(rzpnl_kz_cxgrid, "img_cx", Qt::ArrowCursor, 0, QColor(0xfb, 0xfd, 0xff),
                   QColor(0xd3, 0xe1, 0xf1));
    img_cx->setFixedHeight(34);
    auto* tools = new QHBoxLayout(img_cx);
    tools->setContentsMargins(6, 5, 8, 5);
    tools->setSpacing(4);
    btn_option = ToolButton(img_cx, "btn_option", QStringLiteral("显示控制"));
    btn_sum_option = ToolButton(img_cx, "btn_sum_option", QStringLiteral("统计控制"));
    btn_gen_sum = ToolButton(img_cx, "btn_gen_sum", QStringLiteral("生成统计"));
    btn_export = ToolButton(img_cx, "btn_export", QStringLiteral("导出到Excel"));
    rzchckbx_zd_zk = NameControl(new QCheckBox(QStringLiteral("展开/折叠"), img_cx),
                                 "rzchckbx_zd_zk", QStringLiteral("展开/折叠"));
    for (QWidget* w : {static_cast<QWidget*>(btn_option), static_cast<QWidget*>(btn_sum_option),
                       static_cast<QWidget*>(btn_gen_sum), static_cast<QWidget*>(btn_export)})
        tools->addWidget(w);
    tools->addStretch(1);
    tools->addWidget(rzchckbx_zd_zk);
    cxGrid1 = NameControl(new QWidget(rzpnl_kz_cxgrid), "cxGrid1", QStringLiteral("结果表格"));
    cxGrid1->setAutoFillBackground(true);
    cxGrid1Layout = new QVBoxLayout(cxGrid1);
    cxGrid1Layout->setContentsMargins(0, 0, 0, 0);
    cxGrid1Layout->setSpacing(0);
    centre->addWidget(img_cx);
    centre->addWidget(cxGrid1, 1);
    middle->addWidget(img6);
    middle->addLayout(centre, 1);
    middle->addWidget(img7);
    v->addLayout(middle, 1);

    // Bottom strip: window grip at the left corner, panel grip and window grip at the right.
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(0);
    img1 = piece(rzpnl_kz_cxgrid, "img1", Qt::SizeBDiagCursor, 5, edge, edge);
    img_cx_bottom = piece(rzpnl_kz_cxgrid, "img_cx_bottom", Qt::ArrowCursor, 0, barTop, barBottom);
    img5 = piece(rzpnl_kz_cxgrid, "img5", Qt::SizeFDiagCursor, 10, barTop.darker(110),
                 barBottom.darker(110));
    img4 = piece(rzpnl_kz_cxgrid, "img4", Qt::SizeFDiagCursor, 5, edge, edge);
    for (QWidget* w : {img1, img_cx_bottom, img5, img4}) {
        w->setFixedHeight(29);
        bottom->addWidget(w, w == img_cx_bottom ? 1 : 0);
    }
    v->addLayout(bottom);

    buildOptionsPanel();
    buildSummaryPanel();
}

void TfmMain::buildOptionsPanel() {
    rzpnl_kz = FloatingPanel(rzpnl_kz_cxgrid, "rzpnl_kz", QRect(40, 144, 209, 193));
    rzpnl_kz_top = TitleStrip(rzpnl_kz, "rzpnl_kz_top", QStringLiteral(" 选项控制"),
                              &btn_option_close, "btn_option_close");
    const struct {
        QCheckBox** box;
        const char* name;
        QString caption;
        bool checked;
    } boxes[] = {
        {&rzchckbx_field_filter, "rzchckbx_field_filter", QStringLiteral("字段过滤"), false},
        {&rzchckbx_col_AutoWidth, "rzchckbx_col_AutoWidth", QStringLiteral("列自动宽度"), false},
        {&rzchckbx_foot, "rzchckbx_foot", QStringLiteral("页脚"), true},
        {&rzchckbx_group_foot, "rzchckbx_group_foot", QStringLiteral("组注脚"), false},
        {&rzchckbx_group_box, "rzchckbx_group_box", QStringLiteral("项部群组"), true},
        {&rzchckbx_fot_filter, "rzchckbx_fot_filter", QStringLiteral("底部过滤"), true},
    };
    int y = 42;
    for (const auto& b : boxes) {
        auto* box = NameControl(new QCheckBox(b.caption, rzpnl_kz), b.name, b.caption);
        box->setChecked(b.checked);
        box->setGeometry(24, y, 170, 22);
        y += 24;
        *b.box = box;
    }
}

void TfmMain::buildSummaryPanel() {
    rzpnl_sum_kz = FloatingPanel(rzpnl_kz_cxgrid, "rzpnl_sum_kz", QRect(256, 144, 371, 257));
    rzpnl_sum_option = TitleStrip(rzpnl_sum_kz, "rzpnl_sum_option", QStringLiteral(" 统计控制"),
                                  &btn_sum_option_close, "btn_sum_option_close");
    const struct {
        QListWidget** list;
        const char* name;
        QString heading;
        int x, width;
    } lists[] = {
        {&lst_num_Field, "lst_num_Field", QStringLiteral("表头字段(数值)"), 8, 112},
        {&lst_num_Field_sum_type, "lst_num_Field_sum_type", QStringLiteral("统计方式"), 122, 62},
        {&lst_num_Field_xsws, "lst_num_Field_xsws", QStringLiteral("小数位数"), 186, 56},
        {&lst_num_Field_hbfh, "lst_num_Field_hbfh", QStringLiteral("货币符"), 244, 54},
        {&lst_num_Field_align, "lst_num_Field_align", QStringLiteral("列对齐"), 300, 62},
    };
    for (const auto& l : lists) {
        Heading(rzpnl_sum_kz, QStringLiteral("lbl_") + QString::fromLatin1(l.name).mid(4),
                l.heading, QRect(l.x + 2, 36, l.width, 16));
        auto* list = NameControl(new QListWidget(rzpnl_sum_kz), l.name, l.heading);
        list->setGeometry(l.x, 54, l.width, 195);
        *l.list = list;
    }
    lst_num_Field_id =
        NameControl(new QListWidget(rzpnl_sum_kz), "lst_num_Field_id", QStringLiteral("列序号"));
    lst_num_Field_id->setGeometry(8, 54, 40, 195);
    lst_num_Field_id->hide();

    trnspnl_over = NameControl(new TTransPnl(rzpnl_sum_kz), "trnspnl_over");
    trnspnl_over->setColor(kOverlay);
    trnspnl_over->hide();

    rzpnl_Field_edit = FloatingPanel(rzpnl_sum_kz, "rzpnl_Field_edit", QRect(16, 107, 345, 47));
    rzpnl_Field_edit->setColors(QColor(0xff, 0xfb, 0xea), QColor(0xfb, 0xea, 0xbf));
    rzpnl_Field_edit->setBorder(1, QColor(0xc2, 0x8a, 0x30));
    rzpnl_Field_edit->setCursor(Qt::SizeAllCursor);
    const struct {
        const char* name;
        QString heading;
        int x, width;
    } headings[] = {
        {"lbl_field_name", QStringLiteral("表头字段"), 4, 98},
        {"lbl_sum_type", QStringLiteral("统计方式"), 104, 64},
        {"lbl_xsws", QStringLiteral("小数位"), 170, 40},
        {"lbl_hbfh", QStringLiteral("货币符"), 212, 42},
        {"lbl_align", QStringLiteral("列对齐"), 256, 44},
    };
    for (const auto& h : headings)
        Heading(rzpnl_Field_edit, QString::fromLatin1(h.name), h.heading,
                QRect(h.x + 1, 2, h.width, 15));
    edt_field_name =
        NameControl(new QLineEdit(rzpnl_Field_edit), "edt_field_name", QStringLiteral("表头字段"));
    edt_field_name->setGeometry(4, 19, 98, 22);
    auto combo = [this](const char* name, const QString& label, QStringList entries, QRect r) {
        auto* c = NameControl(new QComboBox(rzpnl_Field_edit), name, label);
        c->setEditable(true);
        // A typed text stays a text: Enter must not add it to the entries.
        c->setInsertPolicy(QComboBox::NoInsert);
        NameControl(c->lineEdit(), QString::fromLatin1(name) + QStringLiteral("_text"), label);
        c->addItems(entries);
        c->setCurrentIndex(-1);
        c->setGeometry(r);
        c->setCursor(Qt::ArrowCursor);
        return c;
    };
    cbb_sum_type = combo("cbb_sum_type", QStringLiteral("统计方式"),
                         {QStringLiteral("累计"), QStringLiteral("计数"), QStringLiteral("最大值"),
                          QStringLiteral("最小值"), QStringLiteral("平均值"), QStringLiteral("无")},
                         QRect(104, 19, 64, 22));
    cbb_xsws = combo("cbb_xsws", QStringLiteral("小数位"), {"2", "3", "0"}, QRect(170, 19, 40, 22));
    cbb_hbfh = combo("cbb_hbfh", QStringLiteral("货币符"),
                     {QStringLiteral("￥"), QStringLiteral("＄"), QStringLiteral("￡"), QString()},
                     QRect(212, 19, 42, 22));
    cbb_align = combo("cbb_align", QStringLiteral("列对齐"),
                      {QStringLiteral("左"), QStringLiteral("中"), QStringLiteral("右")},
                      QRect(256, 19, 44, 22));
    btn_ok = NameControl(new TBmpButton(QStringLiteral("确定"), rzpnl_Field_edit), "btn_ok",
                         QStringLiteral("确定"));
    btn_ok->setGeometry(302, 19, 38, 22);
    btn_ok->setCursor(Qt::ArrowCursor);
    btn_edit_show_close = NameControl(new TBmpButton(QString(), rzpnl_Field_edit),
                                      "btn_edit_show_close", QStringLiteral("关闭"));
    btn_edit_show_close->setGlyph(TBmpButton::Glyph::Close);
    btn_edit_show_close->setGeometry(326, 2, 16, 16);
    btn_edit_show_close->setCursor(Qt::ArrowCursor);
    rzpnl_Field_edit->raise();
}

void TfmMain::buildLoadingNotice() {
    rzpnl_loading =
        NameControl(new TPanel(this), "rzpnl_loading", QStringLiteral("正在生成数据,请稍候..."));
    rzpnl_loading->setCaption(QStringLiteral("正在生成数据,请稍候..."));
    rzpnl_loading->setCaptionAlignment(Qt::AlignCenter);
    rzpnl_loading->setBold(true);
    rzpnl_loading->setCaptionColor(QColor(0x1d, 0x3d, 0x66));
    rzpnl_loading->setColors(QColor(0xff, 0xfb, 0xea), QColor(0xfb, 0xe4, 0xa8));
    rzpnl_loading->setBorder(3, QColor(0x8d, 0xa9, 0xc9));
    rzpnl_loading->setGeometry(464, 264, 233, 41);
    // Right under the notice, shown only while a query runs that can be stopped.
    btn_loading_cancel = NameControl(new TBmpButton(QStringLiteral("取消"), this),
                                     "btn_loading_cancel", QStringLiteral("取消"));
    btn_loading_cancel->setGeometry(464 + 233 - 60, 264 + 41 + 2, 60, 24);
    btn_loading_cancel->setCursor(Qt::ArrowCursor);
    btn_loading_cancel->hide();
    rzpnl_loading->hide();
}
