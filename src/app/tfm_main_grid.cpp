// The result grid handlers of the main window: the grid widget in cxGrid1, the view options,
// expand/collapse, the summary control panel with its edit popup, "生成统计" and the export.
//
// Each handler turns one event into one call on the grid engine (grid/summary_panel.h,
// grid/export.h) or the grid widget (grid/view/result_grid.h) and shows the outcome. The six
// summary lists mirror summaryTable: syncSummaryLists() rewrites them after every change.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QVBoxLayout>

#include "app/loading_notice.h"
#include "app/prompts.h"
#include "app/tfm_main.h"
#include "grid/export.h"
#include "grid/view/grid_table_view.h"

namespace {

const QString kInfoCaption = QString::fromUtf8(shuhui::grid::kWarningCaption);

// The save dialog's filter as the file dialog takes it: the four descriptions, each naming its
// pattern, joined by ";;" (the first is preselected).
QString qtSaveFilter() {
    const QStringList parts = QString::fromUtf8(shuhui::grid::kSaveDialogFilter).split('|');
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) entries << parts[i];
    return entries.join(";;");
}

}  // namespace

void TfmMain::buildResultGrid() {
    cxGrid1Level1 = NameControl(new shuhui::grid::view::ResultGrid(cxGrid1), "cxGrid1Level1",
                                QStringLiteral("结果表格"));
    cxGrid1DBTableView1 = cxGrid1Level1->tableView();
    cxGrid1Layout->addWidget(cxGrid1Level1);
    cxGrid1Level1->setConfirmDelete(
        [] { return ::AskConfirm(QStringLiteral("确实要删除这条记录吗?"), kInfoCaption) == 1; });
    summaryPanel =
        std::make_unique<shuhui::grid::SummaryPanel>(cxGrid1Level1->engine(), summaryTable);
}

void TfmMain::connectGridHandlers() {
    buildResultGrid();
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
                           lst_num_Field_hbfh, lst_num_Field_align}) {
        connect(l, &QListWidget::itemDoubleClicked, this, &TfmMain::lst_num_FieldDblClick);
        // However one list's selection changes (clicks, arrow keys, an accessibility client), the
        // other five follow, so that "确定" applies to the row the user sees.
        connect(l, &QListWidget::itemSelectionChanged, this, [this, l] {
            if (syncingLists_) return;
            const QList<QListWidgetItem*> picked = l->selectedItems();
            SelectSummaryRow(picked.isEmpty() ? -1 : l->row(picked.first()));
        });
        // A double-click on the empty part below the rows opens the popup too (itemDoubleClicked
        // covers the rows only).
        l->viewport()->installEventFilter(this);
    }
    connect(cbb_sum_type, &QComboBox::activated, this, &TfmMain::cbb_sum_typeClick);
    connect(cbb_xsws, &QComboBox::activated, this, &TfmMain::cbb_xswsClick);
    connect(cbb_hbfh, &QComboBox::activated, this, &TfmMain::cbb_hbfhClick);
    // Choosing an alignment only marks it chosen; it is written by "确定".
    connect(cbb_align, &QComboBox::activated, this,
            [this](int i) { summaryPanel->chooseAlign(i); });
    // Typing into a box changes its text; no entry counts as chosen then.
    const auto typed = [this](QComboBox* box,
                              void (shuhui::grid::SummaryPanel::*set)(const std::string&)) {
        connect(box->lineEdit(), &QLineEdit::textEdited, this,
                [this, set](const QString& t) { (summaryPanel.get()->*set)(t.toStdString()); });
    };
    typed(cbb_sum_type, &shuhui::grid::SummaryPanel::setKindText);
    typed(cbb_xsws, &shuhui::grid::SummaryPanel::setDecimalsText);
    typed(cbb_hbfh, &shuhui::grid::SummaryPanel::setSignText);
    typed(cbb_align, &shuhui::grid::SummaryPanel::setAlignText);
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

namespace {

// Sets the one option of a switch from the box's new state and lets the grid show it.
void applySwitch(shuhui::grid::view::ResultGrid* grid, shuhui::grid::OptionSwitch s, QCheckBox* box) {
    shuhui::grid::applyOptionSwitch(grid->engine(), s, box->isChecked());
    grid->refresh();
}

}  // namespace

void TfmMain::rzchckbx_field_filterClick() {
    applySwitch(cxGrid1Level1, shuhui::grid::OptionSwitch::FieldFilter, rzchckbx_field_filter);
}

void TfmMain::rzchckbx_col_AutoWidthClick() {
    applySwitch(cxGrid1Level1, shuhui::grid::OptionSwitch::ColumnAutoWidth, rzchckbx_col_AutoWidth);
}

void TfmMain::rzchckbx_footClick() {
    applySwitch(cxGrid1Level1, shuhui::grid::OptionSwitch::Footer, rzchckbx_foot);
}

void TfmMain::rzchckbx_group_footClick() {
    applySwitch(cxGrid1Level1, shuhui::grid::OptionSwitch::GroupFooter, rzchckbx_group_foot);
}

void TfmMain::rzchckbx_group_boxClick() {
    applySwitch(cxGrid1Level1, shuhui::grid::OptionSwitch::GroupByBox, rzchckbx_group_box);
}

void TfmMain::rzchckbx_fot_filterClick() {
    applySwitch(cxGrid1Level1, shuhui::grid::OptionSwitch::FilterBox, rzchckbx_fot_filter);
}

void TfmMain::rzchckbx_zd_zkClick() {
    shuhui::grid::applyExpandCollapse(cxGrid1Level1->engine(), rzchckbx_zd_zk->isChecked());
    cxGrid1Level1->refresh();
}

// ---- summary control --------------------------------------------------------------------------

bool TfmMain::summaryListEmptyDoubleClick(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonDblClick) return false;
    for (QListWidget* l : {lst_num_Field, lst_num_Field_sum_type, lst_num_Field_xsws,
                           lst_num_Field_hbfh, lst_num_Field_align}) {
        if (watched != l->viewport()) continue;
        const auto* me = static_cast<QMouseEvent*>(event);
        if (l->itemAt(me->position().toPoint())) return false;
        lst_num_FieldDblClick();
        return true;
    }
    return false;
}

void TfmMain::syncSummaryLists() {
    const QScopedValueRollback<bool> syncing(syncingLists_, true);
    QListWidget* lists[] = {lst_num_Field,    lst_num_Field_sum_type, lst_num_Field_xsws,
                            lst_num_Field_id, lst_num_Field_hbfh,     lst_num_Field_align};
    for (QListWidget* l : lists) l->clear();
    for (const shuhui::grid::SummaryRow& r : summaryTable.rows) {
        const std::string* texts[] = {&r.field,    &r.kind, &r.decimals,
                                      &r.columnId, &r.sign, &r.align};
        for (int i = 0; i < 6; ++i) lists[i]->addItem(QString::fromStdString(*texts[i]));
    }
    for (QListWidget* l : lists) l->setCurrentRow(summaryTable.selected);
}

void TfmMain::SelectSummaryRow(int i) {
    const QScopedValueRollback<bool> syncing(syncingLists_, true);
    summaryPanel->select(i);
    for (QListWidget* l : {lst_num_Field, lst_num_Field_sum_type, lst_num_Field_xsws,
                           lst_num_Field_id, lst_num_Field_hbfh, lst_num_Field_align}) {
        l->setCurrentRow(summaryTable.selected);
        if (summaryTable.selected < 0) l->clearSelection();
    }
}

void TfmMain::btn_sum_optionClick() {
    rzpnl_sum_kz->show();
    rzpnl_sum_kz->raise();
}

void TfmMain::btn_sum_option_closeClick() {
    rzpnl_sum_kz->hide();
}

void TfmMain::lst_num_FieldClick() {
    SelectSummaryRow(lst_num_Field->currentRow());
}

void TfmMain::lst_num_Field_sum_typeClick() {
    SelectSummaryRow(lst_num_Field_sum_type->currentRow());
}

void TfmMain::lst_num_Field_xswsClick() {
    SelectSummaryRow(lst_num_Field_xsws->currentRow());
}

void TfmMain::lst_num_Field_hbfhClick() {
    SelectSummaryRow(lst_num_Field_hbfh->currentRow());
}

void TfmMain::lst_num_Field_alignClick() {
    SelectSummaryRow(lst_num_Field_align->currentRow());
}

void TfmMain::lst_num_FieldDblClick() {
    // The overlay covers the summary panel below its title strip; the popup lies above it.
    const int top = rzpnl_sum_option->height();
    trnspnl_over->setGeometry(0, top, rzpnl_sum_kz->width(), rzpnl_sum_kz->height() - top);
    rzpnl_Field_edit->show();
    trnspnl_over->show();
    rzpnl_Field_edit->raise();
    // Texts only: no entry of any box counts as chosen.
    summaryPanel->openPopup();
    const shuhui::grid::SummaryPopup& p = summaryPanel->popup();
    edt_field_name->setText(QString::fromStdString(p.fieldName));
    const std::pair<QComboBox*, const std::string*> boxes[] = {{cbb_sum_type, &p.kindText},
                                                               {cbb_xsws, &p.decimalsText},
                                                               {cbb_hbfh, &p.signText},
                                                               {cbb_align, &p.alignText}};
    for (const auto& [box, text] : boxes) {
        box->setCurrentIndex(-1);
        box->setEditText(QString::fromStdString(*text));
    }
}

void TfmMain::cbb_sum_typeClick() {
    summaryPanel->chooseKind(cbb_sum_type->currentIndex());
    syncSummaryLists();
}

void TfmMain::cbb_xswsClick() {
    summaryPanel->chooseDecimals(cbb_xsws->currentIndex());
    syncSummaryLists();
}

void TfmMain::cbb_hbfhClick() {
    summaryPanel->chooseSign(cbb_hbfh->currentIndex());
    syncSummaryLists();
}

void TfmMain::btn_okClick() {
    // A text that is no whole number throws after the steps before it were applied; the grid
    // shows those and the error goes on to the top-level report with the popup left open.
    try {
        summaryPanel->apply();
    } catch (...) {
        syncSummaryLists();
        cxGrid1Level1->refresh();
        throw;
    }
    syncSummaryLists();
    cxGrid1Level1->refresh();
    btn_edit_show_closeClick();
}

void TfmMain::btn_edit_show_closeClick() {
    // The popup and its overlay are shown and hidden together; the summary panel stays.
    summaryPanel->closePopup();
    rzpnl_Field_edit->hide();
    trnspnl_over->hide();
}

void TfmMain::btn_gen_sumClick() {
    LoadingNotice notice(rzpnl_loading);
    rzchckbx_format->setChecked(true);
    summaryTable.clear();
    syncSummaryLists();
    ConfigureResultColumns(adoExcel);
    rzchckbx_format->setChecked(false);
    notice.hide();
}

// ---- export -----------------------------------------------------------------------------------

void TfmMain::btn_exportClick() {
    // The result query decides whether there is anything to export (the columns may outlive it).
    if (adoExcel.isEmpty()) {
        ShowWarning(QString::fromUtf8(shuhui::grid::kNoDataWarning), kInfoCaption);
        return;
    }
    const auto askFileName = [this] {
        return Prompts::Current()
            .saveFileName(this, QString::fromUtf8(shuhui::grid::kSaveDialogTitle), qtSaveFilter())
            .toStdString();
    };
    const auto warn = [this](const std::string& text, const std::string& caption) {
        ShowWarning(QString::fromStdString(text), QString::fromStdString(caption));
    };
    // A write failure leaves this handler as shuhui::Error for the top-level report.
    const auto written = shuhui::grid::runExport(cxGrid1Level1->engine(), askFileName, warn);
    if (written && written->sheets > 1)
        ShowWarning(QString::fromStdString(shuhui::grid::exportSheetsNotice(*written)),
                    kInfoCaption);
}
