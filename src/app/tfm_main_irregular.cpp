// The handlers of the irregular-header merge page: the survey of the checked sheets' used ranges
// (btn_ver_hbbtn3), the header-row shift ("设置行数"), the two lists kept in step, the copy under
// the carrier sheet ("生成合并表"), and the shutdown of the newest result application at program
// end. The work itself is done by shuhui::irregular over the spreadsheet automation interface.
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <exception>
#include <optional>

#include "app/loading_notice.h"
#include "app/tfm_main.h"
#include "merge/irregular/carrier_copy.h"
#include "merge/irregular/messages.h"
#include "merge/irregular/region_text.h"
#include "merge/irregular/survey.h"
#include "sheet/view/sheet_application.h"

namespace ir = shuhui::irregular;

namespace {

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

const QString kCaption = QString::fromUtf8(ir::kCaption);

// The hourglass pointer for as long as it lives.
class HourglassPointer {
  public:
    HourglassPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~HourglassPointer() { QGuiApplication::restoreOverrideCursor(); }
    HourglassPointer(const HourglassPointer&) = delete;
    HourglassPointer& operator=(const HourglassPointer&) = delete;
};

ir::SheetEntry Entry(const QListWidgetItem* item) {
    return {item->data(TfmMain::kEntryPathRole).toString().toStdString(),
            item->data(TfmMain::kEntrySheetRole).toString().toStdString()};
}

std::vector<std::string> Texts(const QListWidget* list) {
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().toStdString());
    return out;
}

// Selects row `row` of `to` when it has one, and nothing otherwise.
void SelectSameRow(QListWidget* to, int row) {
    to->setCurrentRow(row < to->count() ? row : -1);
}

}  // namespace

void TfmMain::connectIrregularHandlers() {
    connect(btn_ver_hbbtn3, &TBmpButton::Click, this, &TfmMain::btn_ver_hbbtn3Click);
    connect(btn_ver_hb_bgz_1, &QPushButton::clicked, this, &TfmMain::btn_ver_hb_bgz_1Click);
    connect(btn_vert_hb_entry, &QPushButton::clicked, this, &TfmMain::btn_vert_hb_entryClick);
    connect(lst_vert_hb2_stName, &QListWidget::currentRowChanged, this,
            &TfmMain::lst_vert_hb2_stNameClick);
    connect(lst_vert_hb2_regioninfo, &QListWidget::currentRowChanged, this,
            &TfmMain::lst_vert_hb2_regioninfoClick);
}

shuhui::sheet::ApplicationFactory& TfmMain::SheetApplications() {
    if (!ExcelFactory) ExcelFactory = shuhui::sheetview::CreateApplicationFactory(this);
    return *ExcelFactory;
}

// ---- survey -------------------------------------------------------------------------------------

void TfmMain::btn_ver_hbbtn3Click() {
    rzpg_ver_hb->setCurrentWidget(rztbs_ver_hb_Tab_2);
    lst_vert_hb2_stName->clear();
    lst_vert_hb2_regioninfo->clear();
    // A failure after a source application started leaves this handler for the error report;
    // the sheets after it are not surveyed.
    for (const shuhui::workbooks::CheckedSheet& node : CheckedSheets()) {
        const ir::SheetEntry entry{node.path, node.sheet};
        auto* item = new QListWidgetItem(Text(entry.Text()));
        item->setData(kEntryPathRole, Text(entry.path));
        item->setData(kEntrySheetRole, Text(entry.sheet));
        lst_vert_hb2_stName->addItem(item);
        LoadingNotice notice(rzpnl_loading);
        HourglassPointer pointer;
        if (const auto region = ir::SurveySheetRegion(SheetApplications(), entry.path, entry.sheet))
            lst_vert_hb2_regioninfo->addItem(Text(*region));
        else
            ShowWarning(QString::fromUtf8(ir::kNoApplication), kCaption);
    }
}

// ---- header-row shift ---------------------------------------------------------------------------

void TfmMain::btn_ver_hb_bgz_1Click() {
    const std::optional<int> rows = ir::WholeNumber(edt_field_hs->text().toStdString());
    if (!rows) {
        ShowWarning(Text(ir::HeaderRowsNotWholeNumber(edt_field_hs->text().toStdString())),
                    kCaption);
        return;
    }
    if (*rows <= 0) {
        ShowWarning(QString::fromUtf8(ir::kHeaderRowsNotPositive), kCaption);
        return;
    }
    std::vector<std::string> regions = Texts(lst_vert_hb2_regioninfo);
    const std::string skipped = ir::ShiftRegions(regions, *rows, Texts(lst_vert_hb2_stName));
    for (int i = 0; i < lst_vert_hb2_regioninfo->count(); ++i)
        lst_vert_hb2_regioninfo->item(i)->setText(Text(regions[i]));
    btn_vert_hb_entry->setEnabled(true);
    if (!skipped.empty()) ShowWarning(Text(skipped), kCaption);
}

// ---- the two lists in step ----------------------------------------------------------------------

void TfmMain::lst_vert_hb2_stNameClick() {
    if (syncingRegionLists_) return;
    syncingRegionLists_ = true;
    SelectSameRow(lst_vert_hb2_regioninfo, lst_vert_hb2_stName->currentRow());
    syncingRegionLists_ = false;
}

void TfmMain::lst_vert_hb2_regioninfoClick() {
    if (syncingRegionLists_) return;
    syncingRegionLists_ = true;
    SelectSameRow(lst_vert_hb2_stName, lst_vert_hb2_regioninfo->currentRow());
    syncingRegionLists_ = false;
}

// ---- copy under the carrier ---------------------------------------------------------------------

void TfmMain::btn_vert_hb_entryClick() {
    QListWidgetItem* selected = lst_vert_hb2_stName->currentItem();
    if (!selected || !selected->isSelected()) {
        ShowWarning(QString::fromUtf8(ir::kNoCarrierSelected), kCaption);
        return;
    }
    const std::optional<int> gap = ir::WholeNumber(edt_ver_hb_kh->text().toStdString());
    if (!gap) {
        ShowWarning(Text(ir::GapRowsNotWholeNumber(edt_ver_hb_kh->text().toStdString())), kCaption);
        return;
    }
    if (AskConfirm(Text(ir::ConfirmCarrierText(selected->text().toStdString())), kCaption) != 1)
        return;

    ir::CarrierCopy copy;
    for (int i = 0; i < lst_vert_hb2_stName->count(); ++i)
        copy.entries.push_back(Entry(lst_vert_hb2_stName->item(i)));
    copy.regions = Texts(lst_vert_hb2_regioninfo);
    copy.carrier = static_cast<std::size_t>(lst_vert_hb2_stName->row(selected));
    copy.gapRows = *gap;
    std::optional<HourglassPointer> pointer;
    try {
        ir::RunCarrierCopy(SheetApplications(), copy, ExcelApp, [&] {
            lst_vert_hb2_stName->setCurrentRow(0);
            pointer.emplace();
        });
    } catch (const std::exception& e) {
        pointer.reset();
        ShowWarning(QString::fromUtf8(e.what()), kCaption);
    }
}

// ---- program end --------------------------------------------------------------------------------

void TfmMain::ShutDownExcelApp() {
    // An unsaved result is never thrown away silently: each open result window asks first.
    shuhui::sheetview::SaveOrDiscardOpenResults(this);
    try {
        if (ExcelApp) {
            ExcelApp->WorkBooks().Close();
            ExcelApp->Quit();
        }
    } catch (...) {
        // Nothing is reported at program end.
    }
    ExcelApp.reset();
}
