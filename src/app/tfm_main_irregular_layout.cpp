// The page of the irregular-header merge (rztbs_ver_hb_Tab_2): the usage note, the sheet entries
// beside their data regions, the header-row and gap-row fields and the two buttons.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTextEdit>
#include <QVBoxLayout>

#include "app/tfm_main.h"

namespace {

QLabel* PageLabel(QWidget* page, const char* name, const QString& text) {
    return NameControl(new QLabel(text, page), name, text);
}

// A small edit for a number of rows, with its label as buddy.
QLineEdit* RowsEdit(QWidget* page, const char* name, QLabel* label) {
    QString caption = label->text();
    if (caption.endsWith(QLatin1Char(':'))) caption.chop(1);
    auto* edit = NameControl(new QLineEdit(QStringLiteral("1"), page), name, caption);
    edit->setFixedWidth(48);
    label->setBuddy(edit);
    return edit;
}

}  // namespace

void TfmMain::buildIrregularPage() {
    QWidget* page = rztbs_ver_hb_Tab_2;
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(8, 8, 8, 8);
    v->setSpacing(6);

    lbl_ver_hb_2 = PageLabel(page, "lbl_ver_hb_2", QStringLiteral("不规则合并方式使用说明:"));
    edt_ver_hb_22 =
        NameControl(new QTextEdit(page), "edt_ver_hb_22", QStringLiteral("不规则合并方式使用说明"));
    edt_ver_hb_22->setReadOnly(true);
    edt_ver_hb_22->setPlainText(
        QStringLiteral("不规则表头合并使用说明:如果您的电子表格的表头格式制作得相当精美并且结构"
                       "复杂,要改成单一表头并放在第一行的改变工作量大\n"
                       "不适合用规则表头进行合并的可以使用本种方式,该方式在保持您表头不变的情况"
                       "下利用复制方式把其它类似的表内容追加起来形成一\n"
                       "张大表!期间需要您指定表头占用的行数等相信息！"));
    edt_ver_hb_22->setFixedHeight(88);
    lbl_ver_hb_2->setBuddy(edt_ver_hb_22);
    v->addWidget(lbl_ver_hb_2);
    v->addWidget(edt_ver_hb_22);

    lbl_ver_hb_2bb = PageLabel(page, "lbl_ver_hb_2bb", QStringLiteral("本次参与合并的工作表信息:"));
    v->addWidget(lbl_ver_hb_2bb);
    auto* lists = new QGridLayout;
    lists->setHorizontalSpacing(4);
    lbl_xls_name = PageLabel(page, "lbl_xls_name", QStringLiteral("工作表信息"));
    lbl_regon_lab = PageLabel(page, "lbl_regon_lab", QStringLiteral("数据区域"));
    lst_vert_hb2_stName =
        NameControl(new QListWidget(page), "lst_vert_hb2_stName", QStringLiteral("工作表信息"));
    lst_vert_hb2_regioninfo =
        NameControl(new QListWidget(page), "lst_vert_hb2_regioninfo", QStringLiteral("数据区域"));
    lbl_xls_name->setBuddy(lst_vert_hb2_stName);
    lbl_regon_lab->setBuddy(lst_vert_hb2_regioninfo);
    lists->addWidget(lbl_xls_name, 0, 0);
    lists->addWidget(lbl_regon_lab, 0, 1);
    lists->addWidget(lst_vert_hb2_stName, 1, 0);
    lists->addWidget(lst_vert_hb2_regioninfo, 1, 1);
    lists->setColumnStretch(0, 3);  // the entries are long paths, the regions short
    lists->setColumnStretch(1, 1);
    v->addLayout(lists, 1);

    auto* rows = new QHBoxLayout;
    rows->setSpacing(6);
    lbl_hshead = PageLabel(page, "lbl_hshead", QStringLiteral("表头占用行数:"));
    edt_field_hs = RowsEdit(page, "edt_field_hs", lbl_hshead);
    lbl_KKhh = PageLabel(page, "lbl_KKhh", QStringLiteral("各表数据间空几行"));
    edt_ver_hb_kh = RowsEdit(page, "edt_ver_hb_kh", lbl_KKhh);
    btn_ver_hb_bgz_1 = NameControl(new TBmpButton(QStringLiteral("设置行数"), page),
                                   "btn_ver_hb_bgz_1", QStringLiteral("设置行数"));
    btn_vert_hb_entry = NameControl(new TBmpButton(QStringLiteral("生成合并表"), page),
                                    "btn_vert_hb_entry", QStringLiteral("生成合并表"));
    btn_ver_hb_bgz_1->setFixedSize(88, 26);
    btn_vert_hb_entry->setFixedSize(100, 26);
    btn_vert_hb_entry->setEnabled(false);
    for (QWidget* w : {static_cast<QWidget*>(lbl_hshead), static_cast<QWidget*>(edt_field_hs),
                       static_cast<QWidget*>(lbl_KKhh), static_cast<QWidget*>(edt_ver_hb_kh),
                       static_cast<QWidget*>(btn_ver_hb_bgz_1)})
        rows->addWidget(w);
    rows->addStretch(1);
    rows->addWidget(btn_vert_hb_entry);
    v->addLayout(rows);
}
