// The result grid handlers of the main window: view options, expand/collapse, summary control
// panel with its edit popup, "生成统计" and the export. Showing and hiding the floating panels is
// done here; the grid work itself is a stub until the grid is built.
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>

#include "app/tfm_main.h"

void TfmMain::connectGridHandlers() {
    connect(btn_option, &QPushButton::clicked, this, &TfmMain::btn_optionClick);
    connect(btn_option_close, &QPushButton::clicked, this, &TfmMain::btn_option_closeClick);
    connect(rzchckbx_field_filter, &QCheckBox::clicked, this, &TfmMain::rzchckbx_field_filterClick);
    connect(rzchckbx_col_AutoWidth, &QCheckBox::clicked, this,
            &TfmMain::rzchckbx_col_AutoWidthClick);
    connect(rzchckbx_foot, &QCheckBox::clicked, this, &TfmMain::rzchckbx_footClick);
    connect(rzchckbx_group_foot, &QCheckBox::clicked, this, &TfmMain::rzchckbx_group_footClick);
    connect(rzchckbx_group_box, &QCheckBox::clicked, this, &TfmMain::rzchckbx_group_boxClick);
    connect(rzchckbx_fot_filter, &QCheckBox::clicked, this, &TfmMain::rzchckbx_fot_filterClick);
    connect(rzchckbx_zd_zk, &QCheckBox::clicked, this, &TfmMain::rzchckbx_zd_zkClick);
    connect(btn_sum_option, &QPushButton::clicked, this, &TfmMain::btn_sum_optionClick);
    connect(btn_sum_option_close, &QPushButton::clicked, this, &TfmMain::btn_sum_option_closeClick);
    connect(lst_num_Field, &QListWidget::itemClicked, this, &TfmMain::lst_num_FieldClick);
    connect(lst_num_Field_sum_type, &QListWidget::itemClicked, this,
            &TfmMain::lst_num_Field_sum_typeClick);
    connect(lst_num_Field_xsws, &QListWidget::itemClicked, this, &TfmMain::lst_num_Field_xswsClick);
    connect(lst_num_Field_hbfh, &QListWidget::itemClicked, this, &TfmMain::lst_num_Field_hbfhClick);
    connect(lst_num_Field_align, &QListWidget::itemClicked, this,
            &TfmMain::lst_num_Field_alignClick);
    for (QListWidget* l : {lst_num_Field, lst_num_Field_sum_type, lst_num_Field_xsws,
                           lst_num_Field_hbfh, lst_num_Field_align})
        connect(l, &QListWidget::itemDoubleClicked, this, &TfmMain::lst_num_FieldDblClick);
    connect(cbb_sum_type, &QComboBox::activated, this, &TfmMain::cbb_sum_typeClick);
    connect(cbb_xsws, &QComboBox::activated, this, &TfmMain::cbb_xswsClick);
    connect(cbb_hbfh, &QComboBox::activated, this, &TfmMain::cbb_hbfhClick);
    connect(btn_ok, &QPushButton::clicked, this, &TfmMain::btn_okClick);
    connect(btn_edit_show_close, &QPushButton::clicked, this, &TfmMain::btn_edit_show_closeClick);
    connect(btn_gen_sum, &QPushButton::clicked, this, &TfmMain::btn_gen_sumClick);
    connect(btn_export, &QPushButton::clicked, this, &TfmMain::btn_exportClick);
}

// ---- view options -----------------------------------------------------------------------------

void TfmMain::btn_optionClick() {
    rzpnl_kz->show();
    rzpnl_kz->raise();
}

void TfmMain::btn_option_closeClick() {
    rzpnl_kz->hide();
}

void TfmMain::rzchckbx_field_filterClick() {}
void TfmMain::rzchckbx_col_AutoWidthClick() {}
void TfmMain::rzchckbx_footClick() {}
void TfmMain::rzchckbx_group_footClick() {}
void TfmMain::rzchckbx_group_boxClick() {}
void TfmMain::rzchckbx_fot_filterClick() {}
void TfmMain::rzchckbx_zd_zkClick() {}

// ---- summary control --------------------------------------------------------------------------

void TfmMain::SelectSummaryRow(int) {}

void TfmMain::btn_sum_optionClick() {
    rzpnl_sum_kz->show();
    rzpnl_sum_kz->raise();
}

void TfmMain::btn_sum_option_closeClick() {
    rzpnl_sum_kz->hide();
}

void TfmMain::lst_num_FieldClick() {}
void TfmMain::lst_num_Field_sum_typeClick() {}
void TfmMain::lst_num_Field_xswsClick() {}
void TfmMain::lst_num_Field_hbfhClick() {}
void TfmMain::lst_num_Field_alignClick() {}
void TfmMain::lst_num_FieldDblClick() {}
void TfmMain::cbb_sum_typeClick() {}
void TfmMain::cbb_xswsClick() {}
void TfmMain::cbb_hbfhClick() {}
void TfmMain::btn_okClick() {}

void TfmMain::btn_edit_show_closeClick() {
    // The popup and its overlay are shown and hidden together; the summary panel stays.
    rzpnl_Field_edit->hide();
    trnspnl_over->hide();
}

void TfmMain::btn_gen_sumClick() {}

// ---- export -----------------------------------------------------------------------------------

void TfmMain::btn_exportClick() {}
