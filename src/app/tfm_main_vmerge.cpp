// The handlers of the one-row-header vertical merge: reading the checked sheets' header rows into
// the page's four lists, the field-count check, the field order editor and the union result.
// The texts, the check, the editor's operations and the query live in
// merge/vertical/regular_header.h; the handlers move values between the lists and those calls.
//
// The lists hold the state: lst_ver_hb_1 one entry per checked sheet (its path and sheet name as
// data behind the "path>sheet" text), and the three parallel lists one entry per sheet that gave
// fields (sheet name, field list with its names as data, count).
#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QTabWidget>
#include <exception>
#include <functional>
#include <string>

#include "app/loading_notice.h"
#include "app/prompts.h"
#include "app/tfm_main.h"
#include "grid/view/grid_table_view.h"
#include "merge/vertical/regular_header.h"

namespace vm = shuhui::merge::vertical;

namespace {

constexpr int kSheetRole = Qt::UserRole + 1;  // sheet name beside the path (Qt::UserRole)

std::string Std(const QString& s) {
    return s.toStdString();
}
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
QString Q(const char* s) {
    return QString::fromUtf8(s);
}

// A checked sheet of the catalogue as the merge takes it.
vm::SheetSource SourceOfNode(const shuhui::workbooks::CheckedSheet& node) {
    return {node.path, node.sheet};
}

vm::SheetSource SourceOfEntry(const QListWidgetItem* entry) {
    return {Std(entry->data(Qt::UserRole).toString()), Std(entry->data(kSheetRole).toString())};
}

std::vector<std::string> FieldsOf(const QListWidgetItem* entry) {
    std::vector<std::string> fields;
    for (const QString& f : entry->data(Qt::UserRole).toStringList()) fields.push_back(Std(f));
    return fields;
}

void SetFields(QListWidgetItem* entry, const std::vector<std::string>& fields) {
    QStringList names;
    for (const std::string& f : fields) names << Q(f);
    entry->setText(Q(vm::joinFields(fields)));
    entry->setData(Qt::UserRole, names);
}

// The selected entry's row; -1 when none is selected.
int SelectedRow(const QListWidget* list) {
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.front());
}

void SelectRow(QListWidget* list, int row) {
    if (row < 0 || row >= list->count()) {
        list->clearSelection();
        return;
    }
    list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

std::vector<std::string> ItemsOf(const QListWidget* list) {
    std::vector<std::string> items;
    for (int i = 0; i < list->count(); ++i) items.push_back(Std(list->item(i)->text()));
    return items;
}

// The editor's list after an operation: its items and selection as the order holds them.
void Show(QListWidget* list, const vm::FieldOrder& order) {
    list->clear();
    for (const std::string& item : order.items()) list->addItem(Q(item));
    SelectRow(list, order.selected());
}

// Runs `open` on a double-click anywhere in the list (also on empty space) and on Return or
// Enter, the keyboard's and screen readers' way to the same command.
class OpenOnActivation : public QObject {
  public:
    OpenOnActivation(QListWidget* list, std::function<void()> open)
        : QObject(list), list_(list), open_(std::move(open)) {
        list->installEventFilter(this);
        list->viewport()->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == list_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
            open_();
        } else if (watched == list_ && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                open_();
                return true;
            }
        }
        return false;
    }

  private:
    QListWidget* list_;
    std::function<void()> open_;
};

// The hourglass over a loop of sheet reads.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

void TfmMain::connectRegularHeaderHandlers() {
    connect(btn_verhb_btn2, &TBmpButton::Click, this, &TfmMain::btn_verhb_btn2Click);
    connect(btn_all_selectAdd, &QPushButton::clicked, this, &TfmMain::btn_all_selectAddClick);
    connect(btn_field_verhb, &QPushButton::clicked, this, &TfmMain::btn_field_verhbClick);
    // A selection made by the mouse, the keys or an accessibility client keeps the three lists
    // on one row.
    connect(lst_Field_order_shtname, &QListWidget::itemSelectionChanged, this,
            &TfmMain::lst_Field_order_shtnameClick);
    connect(edt_ver_hb_text, &QListWidget::itemSelectionChanged, this,
            &TfmMain::edt_ver_hb_textClick);
    connect(lst_field_order_count, &QListWidget::itemSelectionChanged, this,
            &TfmMain::lst_field_order_countClick);
    new OpenOnActivation(edt_ver_hb_text, [this] { edt_ver_hb_textDblClick(); });
    connect(btn_up, &QPushButton::clicked, this, &TfmMain::btn_upClick);
    connect(btn_down, &QPushButton::clicked, this, &TfmMain::btn_downClick);
    connect(btn_field_order_del, &QPushButton::clicked, this, &TfmMain::btn_field_order_delClick);
    connect(btn_centry_field_order, &QPushButton::clicked, this,
            &TfmMain::btn_centry_field_orderClick);
    connect(btn_field_order_close, &QPushButton::clicked, this,
            &TfmMain::btn_field_order_closeClick);
}

// ---- reading the checked sheets ---------------------------------------------------------------

void TfmMain::btn_verhb_btn2Click() {
    rzpg_ver_hb->setCurrentWidget(rztbs_ver_hb_Tab_1);
    for (QListWidget* list :
         {lst_ver_hb_1, edt_ver_hb_text, lst_Field_order_shtname, lst_field_order_count})
        list->clear();
    WaitCursor hourglass;
    const std::string driver = Std(DriverText());
    for (const auto& node : CheckedSheets()) {
        const vm::SheetSource sheet = SourceOfNode(node);
        auto* entry = new QListWidgetItem(Q(vm::sheetEntry(sheet)));
        entry->setData(Qt::UserRole, Q(sheet.path));
        entry->setData(kSheetRole, Q(sheet.sheet));
        lst_ver_hb_1->addItem(entry);
        // A provider failure leaves the handler here, with this sheet's entry listed.
        const std::vector<std::string> fields = vm::readSheetFields(qry_temp, driver, sheet);
        if (fields.empty()) continue;
        auto* list = new QListWidgetItem;
        SetFields(list, fields);
        edt_ver_hb_text->addItem(list);
        lst_Field_order_shtname->addItem(Q(sheet.sheet));
        lst_field_order_count->addItem(Q(vm::countText(fields.size())));
    }
}

// ---- the field-count check --------------------------------------------------------------------

void TfmMain::btn_all_selectAddClick() {
    switch (vm::checkFieldCounts(ItemsOf(lst_field_order_count))) {
        case vm::CountCheck::NothingToCheck:
            ShowWarning(Q(vm::kNothingToCheck), Q(vm::kCaption));
            break;
        case vm::CountCheck::CountsDiffer:
            ShowWarning(Q(vm::kCountsDiffer), Q(vm::kCaption));
            break;
        case vm::CountCheck::Passed:
            btn_field_verhb->setEnabled(true);  // never disabled again
            break;
    }
}

// ---- the three field lists in step ------------------------------------------------------------

void TfmMain::selectFieldRowInStep(QListWidget* from) {
    const int row = SelectedRow(from);
    for (QListWidget* list : {lst_Field_order_shtname, edt_ver_hb_text, lst_field_order_count}) {
        if (list == from || SelectedRow(list) == row) continue;
        const QSignalBlocker quiet(list);
        SelectRow(list, row);
        list->viewport()->update();
    }
}

void TfmMain::lst_Field_order_shtnameClick() {
    selectFieldRowInStep(lst_Field_order_shtname);
}

void TfmMain::edt_ver_hb_textClick() {
    selectFieldRowInStep(edt_ver_hb_text);
}

void TfmMain::lst_field_order_countClick() {
    selectFieldRowInStep(lst_field_order_count);
}

// ---- the field order editor -------------------------------------------------------------------

void TfmMain::edt_ver_hb_textDblClick() {
    lst_Field_order_list->clear();
    trnspnl_over_order->setGeometry(0, 0, rztbs_ver_hb_Tab_1->width(),
                                    rztbs_ver_hb_Tab_1->height());
    trnspnl_over_order->show();
    trnspnl_over_order->raise();
    rzpnl_Field_order->show();
    rzpnl_Field_order->raise();
    const int row = SelectedRow(edt_ver_hb_text);
    if (row >= 0)
        for (const std::string& f : FieldsOf(edt_ver_hb_text->item(row)))
            lst_Field_order_list->addItem(Q(f));
    lst_Field_order_list->setFocus();
}

namespace {

// One editor operation on the editor's list; the list is redrawn only when something changed.
template <class Op>
void EditFieldOrder(QListWidget* list, Op op) {
    vm::FieldOrder order(ItemsOf(list));
    order.select(SelectedRow(list));
    if ((order.*op)()) Show(list, order);
}

}  // namespace

void TfmMain::btn_upClick() {
    EditFieldOrder(lst_Field_order_list, &vm::FieldOrder::moveUp);
}

void TfmMain::btn_downClick() {
    EditFieldOrder(lst_Field_order_list, &vm::FieldOrder::moveDown);
}

void TfmMain::btn_field_order_delClick() {
    EditFieldOrder(lst_Field_order_list, &vm::FieldOrder::removeSelected);
}

void TfmMain::btn_field_order_closeClick() {
    rzpnl_Field_order->hide();
    trnspnl_over_order->hide();
}

void TfmMain::btn_centry_field_orderClick() {
    btn_field_order_closeClick();
    const int row = SelectedRow(edt_ver_hb_text);
    if (row < 0) return;  // no field list to write to
    const vm::FieldOrder order(ItemsOf(lst_Field_order_list));
    SetFields(edt_ver_hb_text->item(row), order.items());
    if (QListWidgetItem* count = lst_field_order_count->item(row)) count->setText(Q(order.count()));
}

// ---- the union result -------------------------------------------------------------------------

void TfmMain::btn_field_verhbClick() {
    if (edt_ver_hb_text->count() == 0) {
        ShowWarning(Q(vm::kNoFieldList), Q(vm::kCaption));
        return;
    }
    std::vector<vm::SheetSource> sheets;
    for (int i = 0; i < lst_ver_hb_1->count(); ++i)
        sheets.push_back(SourceOfEntry(lst_ver_hb_1->item(i)));
    const std::string sql =
        vm::unionQuery(Std(DriverText()), FieldsOf(edt_ver_hb_text->item(0)), sheets);

    LoadingNotice notice(rzpnl_loading);
    try {
        if (!OpenResultQuery(sql)) return;
    } catch (const std::exception&) {
        ShowWarning(Q(vm::kUnionFailed), Q(vm::kCaption));
        return;
    }
    RebuildResultGrid();
    cxGrid1DBTableView1->doItemsLayout();
    ShowResultPanel();
}
