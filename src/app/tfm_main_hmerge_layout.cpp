// The horizontal merge page tsHX: a strip with the explanation across the top; below it, from left
// to right, the field pages (rzpg_fields), "< 全选" / "< 全清", the three step buttons and the
// analysis pages (rzpg_fenxi: 选择表头, 共有字段, 测试结果). Handlers: tfm_main_hmerge.cpp.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/tab_rows.h"
#include "app/tfm_main.h"

namespace {

const QColor kPageFace(0xf6, 0xf9, 0xfd);

const char kUsageNotes[] =
    "【使用说明:】\n"
    "1. 在左边的目录中勾选要合并的工作表,表的个数不限,但各表都要有一个相同的字段(如姓名、工号),"
    "然后按“①取选中表表头”。\n"
    "2. 在每个表的字段页中勾选结果中要显示的字段。\n"
    "3. 按“②设置共有字段”,填入各表共有的字段名;不清楚时可按“智能获取共有字段”。\n"
    "4. 按“③设置生成结果”查看参与合并的表,再按“④显示生成结果”。\n"
    "注意:两个以上的表一起合并时,无法列出表1中有而表2中没有的记录;需要这些记录时,"
    "请每次只合并两个表。\n"
    "\n"
    "【横向合并解释】\n"
    "横向合并把几张表按一个相同的字段左右拼成一张表。例如:\n"
    "工资表:姓名,性别,基本工资,奖金\n"
    "考勤表:姓名,年月,考勤扣款\n"
    "保险表:姓名,医保扣款,社保扣款\n"
    "以“姓名”为共有字段合并后,每个人的工资、考勤和保险数据都在同一行中,"
    "一眼就能看到这个人的全部情况。";

const char kFormatNotes[] =
    "说明:数值专用格式是指本软件能自动识别哪些\n"
    "数据是数值型,如果勾选此项那么在生成数据的\n"
    "时候会自动将数值型进行汇总,加上货币符号,但\n"
    "生成速度较慢。如果取消勾选,生成速度较快,汇\n"
    "总也可以事后自行在Excel中进行！";

QWidget* FenxiPage(QTabWidget* tabs, const QString& name, const QString& caption) {
    auto* page = NameControl(new TPanel, name, caption);
    page->setColors(kPageFace, kPageFace);
    tabs->addTab(page, caption);
    return page;
}

TPanel* TitleStrip(QWidget* parent, const QString& name, const QString& caption) {
    auto* strip = NameControl(new TPanel(parent), name, caption.trimmed());
    strip->setCaption(caption);
    strip->setBold(true);
    strip->setColors(QColor(0xfd, 0xfe, 0xff), QColor(0xc9, 0xdb, 0xef));
    strip->setCaptionColor(QColor(0x1d, 0x3d, 0x66));
    strip->setFixedHeight(26);
    return strip;
}

TBmpButton* Button(QWidget* parent, const char* name, const QString& caption, int height = 30) {
    auto* b = NameControl(new TBmpButton(caption, parent), name, caption.trimmed());
    b->setFixedHeight(height);
    return b;
}

QPlainTextEdit* Note(QWidget* parent, const char* name, const QString& caption, const char* text) {
    auto* note = NameControl(new QPlainTextEdit(QString::fromUtf8(text), parent), name, caption);
    note->setReadOnly(true);
    return note;
}

}  // namespace

void TfmMain::buildHorizontalMergePage() {
    auto* page = new QVBoxLayout(tsHX);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);

    img_botom = NameControl(new TImage(tsHX), "img_botom", QStringLiteral("横向合并"));
    img_botom->setFixedHeight(44);
    img_botom->setColors(QColor(0xfb, 0xfd, 0xff), QColor(0xd3, 0xe1, 0xf1));
    auto* strip = new QHBoxLayout(img_botom);
    strip->setContentsMargins(12, 0, 12, 0);
    const QString memo =
        QStringLiteral("横向合并是把各工作表按一个相同的字段(姓名,工号)等横向连接起来!");
    lbl_hov_memo = NameControl(new QLabel(memo, img_botom), "lbl_hov_memo", memo);
    lbl_hov_memo->setStyleSheet("color: #1d3d66; background: transparent;");
    lbl_hov_memo->setAttribute(Qt::WA_TransparentForMouseEvents);  // presses drag the window
    strip->addWidget(lbl_hov_memo);
    page->addWidget(img_botom);
    connect(img_botom, &TImage::mouseDown, this, &TfmMain::Image3MouseDown);
    connect(img_botom, &TImage::dblClick, this, &TfmMain::Image3DblClick);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(6, 6, 6, 6);
    body->setSpacing(6);
    page->addLayout(body, 1);

    // Field pages with their tabs in rows above them.
    auto* fields = new QVBoxLayout;
    fields->setSpacing(0);
    rzpg_fields = NameControl(new QTabWidget(tsHX), "rzpg_fields", QStringLiteral("表头字段页"));
    rzpg_fields->setDocumentMode(true);
    rzpg_fields_tabs = NameControl(new TabRows(rzpg_fields, tsHX), "rzpg_fields_tabs",
                                   QStringLiteral("表头字段页"));
    fields->addWidget(rzpg_fields_tabs);
    fields->addWidget(rzpg_fields, 1);
    body->addLayout(fields, 3);

    auto* selectButtons = new QVBoxLayout;
    btn_all_select = Button(tsHX, "btn_all_select", QStringLiteral("< 全选"), 26);
    btn_all_clear = Button(tsHX, "btn_all_clear", QStringLiteral("< 全清"), 26);
    for (TBmpButton* b : {btn_all_select, btn_all_clear}) {
        b->setFixedWidth(64);
        selectButtons->addWidget(b);
    }
    selectButtons->addStretch(1);
    body->addLayout(selectButtons);

    auto* steps = new QVBoxLayout;
    hmergeStepGroup = new QButtonGroup(this);
    hmergeStepGroup->setExclusive(true);
    btn_get_sheet_field = Button(tsHX, "btn_get_sheet_field", QStringLiteral("①取选中表表头"));
    btn_set_public_field = Button(tsHX, "btn_set_public_field", QStringLiteral("②设置共有字段"));
    btn_Enter = Button(tsHX, "btn_Enter", QStringLiteral("③设置生成结果"));
    for (TBmpButton* b : {btn_get_sheet_field, btn_set_public_field, btn_Enter}) {
        b->setCheckable(true);
        b->setFixedWidth(128);
        hmergeStepGroup->addButton(b);
        steps->addWidget(b);
    }
    btn_set_public_field->setEnabled(false);
    btn_Enter->setEnabled(false);
    steps->addStretch(1);
    body->addLayout(steps);

    rzpg_fenxi = NameControl(new QTabWidget(tsHX), "rzpg_fenxi", QStringLiteral("分析"));
    rzpg_fenxi->setDocumentMode(true);
    rztbsht_public_select_field_1 =
        FenxiPage(rzpg_fenxi, "rztbsht_public_select_field_1", QStringLiteral("选择表头"));
    rztbsht_public_field_set =
        FenxiPage(rzpg_fenxi, "rztbsht_public_field_set", QStringLiteral("共有字段"));
    rztbsht_public_test_result =
        FenxiPage(rzpg_fenxi, "rztbsht_public_test_result", QStringLiteral("测试结果"));
    rzpg_fenxi->setCurrentWidget(rztbsht_public_test_result);
    body->addWidget(rzpg_fenxi, 4);

    // 选择表头: the usage notes.
    auto* notes = new QVBoxLayout(rztbsht_public_select_field_1);
    notes->setContentsMargins(0, 0, 0, 0);
    rzpnl_kz1 =
        TitleStrip(rztbsht_public_select_field_1, "rzpnl_kz1", QStringLiteral(" 选择设置表头"));
    edt_select_field1 = Note(rztbsht_public_select_field_1, "edt_select_field1",
                             QStringLiteral("使用说明"), kUsageNotes);
    edt_select_field1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    notes->addWidget(rzpnl_kz1);
    notes->addWidget(edt_select_field1, 1);

    // 共有字段: the common field and its counting.
    auto* common = new QVBoxLayout(rztbsht_public_field_set);
    common->setContentsMargins(0, 0, 0, 6);
    rzpnl_title1 =
        TitleStrip(rztbsht_public_field_set, "rzpnl_title1", QStringLiteral("  设置共用字段"));
    edt_public_field_name = NameControl(new QLineEdit(rztbsht_public_field_set),
                                        "edt_public_field_name", QStringLiteral("共用字段"));
    const QString hint = QStringLiteral("输入一个诸表都有的字段(如姓名)!");
    edt_memo = NameControl(new QLineEdit(hint, rztbsht_public_field_set), "edt_memo", hint);
    edt_memo->setReadOnly(true);
    edt_memo->setFrame(false);
    btn_get_auto =
        Button(rztbsht_public_field_set, "btn_get_auto", QStringLiteral("智能获取共有字段"));
    mmo_count = NameControl(new QPlainTextEdit(rztbsht_public_field_set), "mmo_count",
                            QStringLiteral("字段次数"));
    mmo_count->setReadOnly(true);
    mmo_count->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mmo_count->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    comList = NameControl(new QComboBox(rztbsht_public_field_set), "comList");
    comList->hide();
    common->addWidget(rzpnl_title1);
    for (QWidget* w : {static_cast<QWidget*>(edt_public_field_name),
                       static_cast<QWidget*>(edt_memo), static_cast<QWidget*>(btn_get_auto)}) {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(8, 0, 8, 0);
        row->addWidget(w);
        common->addLayout(row);
    }
    auto* countRow = new QHBoxLayout;
    countRow->setContentsMargins(8, 0, 8, 0);
    countRow->addWidget(mmo_count);
    common->addLayout(countRow, 1);

    // 测试结果: the analysis and the three result buttons.
    auto* result = new QVBoxLayout(rztbsht_public_test_result);
    result->setContentsMargins(0, 0, 0, 6);
    rzpnl_kz2 = TitleStrip(rztbsht_public_test_result, "rzpnl_kz2", QStringLiteral(" 分析结果"));
    mmo_fxjg = NameControl(new QPlainTextEdit(rztbsht_public_test_result), "mmo_fxjg",
                           QStringLiteral("分析结果"));
    mmo_fxjg->setReadOnly(true);
    mmo_fxjg->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    btn_left_right = Button(rztbsht_public_test_result, "btn_left_right",
                            QStringLiteral("加显表1而表2无的数据"));
    btn_left_right->setToolTip(QStringLiteral("表1有表2无或是表1有而表2无的数据也将显示!"));
    btn_left_right->hide();
    btn_Gen = Button(rztbsht_public_test_result, "btn_Gen", QStringLiteral("④显示生成结果"));
    btn_Gen->setToolTip(QStringLiteral("生成多个表都含有共用字段的数据!"));
    btn_all_join =
        Button(rztbsht_public_test_result, "btn_all_join", QStringLiteral("显示所有表头数据"));
    btn_all_join->setToolTip(QStringLiteral("多个表中的所有字段数据全部显示在结果中!"));
    rzchckbx_format = NameControl(new QCheckBox(QStringLiteral("生成数值专用格式")),
                                  "rzchckbx_format", QStringLiteral("生成数值专用格式"));
    edt_select_field2 = Note(rztbsht_public_test_result, "edt_select_field2",
                             QStringLiteral("数值专用格式说明"), kFormatNotes);
    edt_select_field2->setFixedHeight(96);
    result->addWidget(rzpnl_kz2);
    auto* inner = new QVBoxLayout;
    inner->setContentsMargins(8, 4, 8, 0);
    inner->addWidget(mmo_fxjg, 1);
    for (QWidget* w : {static_cast<QWidget*>(btn_left_right), static_cast<QWidget*>(btn_Gen),
                       static_cast<QWidget*>(btn_all_join), static_cast<QWidget*>(rzchckbx_format),
                       static_cast<QWidget*>(edt_select_field2)})
        inner->addWidget(w);
    result->addLayout(inner, 1);

    connect(btn_get_sheet_field, &TBmpButton::Click, this, &TfmMain::btn_get_sheet_fieldClick);
    connect(btn_set_public_field, &TBmpButton::Click, this, &TfmMain::btn_set_public_fieldClick);
    connect(btn_Enter, &TBmpButton::Click, this, &TfmMain::btn_EnterClick);
    connect(btn_all_select, &TBmpButton::Click, this, &TfmMain::btn_all_selectClick);
    connect(btn_all_clear, &TBmpButton::Click, this, &TfmMain::btn_all_clearClick);
    connect(btn_get_auto, &TBmpButton::Click, this, &TfmMain::btn_get_autoClick);
    connect(btn_Gen, &TBmpButton::Click, this, &TfmMain::btn_GenClick);
    connect(btn_all_join, &TBmpButton::Click, this, &TfmMain::btn_all_joinClick);
    connect(btn_left_right, &TBmpButton::Click, this, &TfmMain::btn_left_rightClick);
}
