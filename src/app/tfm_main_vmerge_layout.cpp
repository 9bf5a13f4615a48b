// The page of the one-row-header vertical merge (rztbs_ver_hb_Tab_1): the usage note, the list of
// taking part sheets, the three parallel field lists, the two step buttons, and the field order
// editor inside the floating panel rzpnl_Field_order (made with its caption bar and the overlay in
// tfm_main_layout.cpp).
//
// The page's content is laid out; the overlay and the floating panel are placed by hand above it.
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QTextEdit>
#include <QVBoxLayout>

#include "app/tfm_main.h"

namespace {

const char* const kUsageNote[] = {
    "规则表头合并使用说明:即要求参与合并的各工作表要拥有相同的字段(表头项目)数目,"
    "字段名称和顺序也最好是一致的。如果使用规",
    "则表头进行纵向合并这种方式,那么请确保表头在第一行,"
    "如果你的表头上面还有一行标题,请先在Excel中将其去除让表头成为第一行!",
    "如果你的表头是由多行组成且有合并行现象请你使用不规则表头进行合并!",
};

QListWidget* List(QWidget* parent, const char* name, const QString& caption) {
    auto* list = NameControl(new QListWidget(parent), name, caption);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return list;
}

TBmpButton* StepButton(QWidget* parent, const char* name, const QString& caption) {
    auto* b = NameControl(new TBmpButton(caption, parent), name, caption);
    b->setFixedSize(110, 28);
    return b;
}

}  // namespace

void TfmMain::buildRegularHeaderPage() {
    QWidget* page = rztbs_ver_hb_Tab_1;
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(8, 6, 8, 8);
    v->setSpacing(4);

    lbl_ver_hj_2 = NameControl(new QLabel(QStringLiteral("本种合并方式使用说明:"), page),
                               "lbl_ver_hj_2", QStringLiteral("本种合并方式使用说明:"));
    rp_ver_hb_1_memo = NameControl(new QTextEdit(page), "rp_ver_hb_1_memo",
                                   QStringLiteral("本种合并方式使用说明"));
    rp_ver_hb_1_memo->setReadOnly(true);
    QStringList note;
    for (const char* line : kUsageNote) note << QString::fromUtf8(line);
    rp_ver_hb_1_memo->setPlainText(note.join('\n'));
    rp_ver_hb_1_memo->setFixedHeight(78);
    rp_ver_hb_1_memo->setStyleSheet("QTextEdit { color: #1d3d66; background: #fffdf3; }");

    lbl_Ver_hb_1 = NameControl(new QLabel(QStringLiteral("本次参与合并的工作表信息:"), page),
                               "lbl_Ver_hb_1", QStringLiteral("本次参与合并的工作表信息:"));
    lst_ver_hb_1 = List(page, "lst_ver_hb_1", QStringLiteral("本次参与合并的工作表信息"));
    lst_ver_hb_1->setFixedHeight(84);

    const QString fieldsHeading =
        QStringLiteral("本次参与合并的工作表头字段及排列顺序,可手工在下框纠正:");
    lbl_ver_hb_4 = NameControl(new QLabel(fieldsHeading, page), "lbl_ver_hb_4", fieldsHeading);
    lst_Field_order_shtname = List(page, "lst_Field_order_shtname", QStringLiteral("工作表"));
    lst_Field_order_shtname->setFixedWidth(120);
    edt_ver_hb_text =
        List(page, "edt_ver_hb_text", QStringLiteral("表头字段及排列顺序(双击或回车调整)"));
    lst_field_order_count = List(page, "lst_field_order_count", QStringLiteral("字段数"));
    lst_field_order_count->setFixedWidth(44);
    auto* fields = new QHBoxLayout;
    fields->setSpacing(2);
    fields->addWidget(lst_Field_order_shtname);
    fields->addWidget(edt_ver_hb_text, 1);
    fields->addWidget(lst_field_order_count);

    btn_all_selectAdd = StepButton(page, "btn_all_selectAdd", QStringLiteral("①合并检查"));
    btn_field_verhb = StepButton(page, "btn_field_verhb", QStringLiteral("②生成结果"));
    btn_field_verhb->setEnabled(false);
    auto* steps = new QHBoxLayout;
    steps->addStretch(1);
    steps->addWidget(btn_all_selectAdd);
    steps->addWidget(btn_field_verhb);

    v->addWidget(lbl_ver_hj_2);
    v->addWidget(rp_ver_hb_1_memo);
    v->addWidget(lbl_Ver_hb_1);
    v->addWidget(lst_ver_hb_1);
    v->addWidget(lbl_ver_hb_4);
    v->addLayout(fields, 1);
    v->addLayout(steps);

    // The field order editor: the close box in the caption bar, the four flat buttons under it and
    // the list along the panel's bottom.
    TPanel* panel = rzpnl_Field_order;
    btn_field_order_close = NameControl(new TBmpButton(QString(), rzpnl_field_sort_top),
                                        "btn_field_order_close", QStringLiteral("关闭"));
    btn_field_order_close->setGlyph(TBmpButton::Glyph::Close);
    btn_field_order_close->setGeometry(rzpnl_field_sort_top->width() - 26, 5, 20, 20);
    btn_field_order_close->setCursor(Qt::ArrowCursor);
    const struct {
        TBmpButton** button;
        const char* name;
        QString caption;
        QString hint;
        int x, width;
    } tools[] = {
        {&btn_up, "btn_up", QStringLiteral("上移"), QStringLiteral("项目上移!"), 6, 40},
        {&btn_down, "btn_down", QStringLiteral("下移"), QStringLiteral("项目下移!"), 48, 40},
        {&btn_field_order_del, "btn_field_order_del", QStringLiteral("删除"),
         QStringLiteral("删除所选项目!"), 90, 40},
        {&btn_centry_field_order, "btn_centry_field_order", QStringLiteral("确定"), QString(), 137,
         50},
    };
    for (const auto& t : tools) {
        auto* b = NameControl(new TBmpButton(t.caption, panel), t.name, t.caption);
        b->setFlat(true);
        b->setToolTip(t.hint);
        b->setGeometry(t.x, 36, t.width, 24);
        *t.button = b;
    }
    lst_Field_order_list = List(panel, "lst_Field_order_list", QStringLiteral("字段顺序"));
    lst_Field_order_list->setGeometry(1, 64, panel->width() - 2, panel->height() - 65);

    // Above the page's content: the overlay, then the editor over it.
    trnspnl_over_order->raise();
    rzpnl_Field_order->raise();
}
