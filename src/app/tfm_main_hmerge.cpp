// The handlers of the horizontal merge page: ① header capture, "< 全选" / "< 全清", ② common
// field and its counting, ③ the join plan, and the three result buttons.
//
// The query texts come from shuhui::merge::horizontal; the handlers move texts between the controls
// and the services and show what they return. A header that cannot be read in step ① is not caught
// here (the application's error report shows the provider's message); the result buttons catch
// their failures and show a warning.
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/check_list_accessible.h"
#include "app/loading_notice.h"
#include "app/tab_rows.h"
#include "app/tfm_main.h"
#include "formats/error.h"
#include "merge/horizontal/common_field.h"
#include "merge/horizontal/headers.h"
#include "merge/horizontal/join_variants.h"

namespace hm = shuhui::merge::horizontal;

namespace {

const QString kInfo = QStringLiteral("信息提示");
const QString kRunFailed = QStringLiteral("出现错误!请检查您否做好了第一步表头的选择设置!");

std::vector<std::string> StdList(const QStringList& list) {
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(list.size()));
    for (const QString& s : list) out.push_back(s.toStdString());
    return out;
}

void SetAllChecked(QListWidget* list, bool checked) {
    if (!list) return;
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

}  // namespace

std::vector<hm::FieldPage> TfmMain::CurrentFieldPages() const {
    std::vector<hm::FieldPage> pages;
    for (size_t n = 0; n < FieldPages.size() && n < FieldLists.size(); ++n) {
        const QWidget* tab = FieldPages[n];
        const QListWidget* list = FieldLists[n];
        if (!tab || !list) continue;
        hm::FieldPage page;
        page.page = static_cast<int>(n);
        page.path = tab->property("workbookPath").toString().toStdString();
        page.sheet = tab->property("sheetName").toString().toStdString();
        for (int i = 0; i < list->count(); ++i)
            page.items.push_back(
                {list->item(i)->text().toStdString(), list->item(i)->checkState() == Qt::Checked});
        pages.push_back(std::move(page));
    }
    return pages;
}

// ---- ① the header capture ------------------------------------------------------------------

void TfmMain::btn_get_sheet_fieldClick() {
    JoinFromClause.clear();
    JoinSelectList.clear();
    JoinWhereClause.clear();
    JoinTableList.clear();
    btn_set_public_field->setEnabled(true);
    rzpg_fenxi->setCurrentWidget(rztbsht_public_select_field_1);
    const std::string driver = DriverText().toStdString();
    const auto sheets = CheckedSheets();

    FieldPages.assign(sheets.size(), nullptr);
    FieldLists.assign(sheets.size(), nullptr);
    for (int i = rzpg_fields->count() - 1; i >= 0; --i) delete rzpg_fields->widget(i);
    rzpg_fields_tabs->sync();

    for (size_t n = 0; n < sheets.size(); ++n) {
        const auto& s = sheets[n];
        const QString path = QString::fromStdString(s.path);
        const QString sheet = QString::fromStdString(s.sheet);
        // The page keeps where it came from: later steps never look at the tree again.
        auto* tab =
            NameControl(new QWidget, QStringLiteral("FieldPage") + QString::number(n), sheet);
        tab->setProperty("tag", s.index);
        tab->setProperty("workbookPath", path);
        tab->setProperty("sheetName", sheet);
        tab->setToolTip(QString::number(n));
        auto* list = new QListWidget(tab);
        MakeCheckListAccessible(list);  // before anything asks for the list's accessibility
        NameControl(list, QStringLiteral("tcheck") + QString::number(n), sheet);
        list->setProperty("tag", static_cast<int>(n));
        list->setFrameShape(QFrame::NoFrame);
        list->setSortingEnabled(false);
        auto* fill = new QVBoxLayout(tab);
        fill->setContentsMargins(0, 0, 0, 0);
        fill->addWidget(list);
        rzpg_fields->addTab(tab, sheet);
        FieldPages[n] = tab;
        FieldLists[n] = list;
        rzpg_fields_tabs->sync();
        for (const std::string& name : hm::readFieldNames(qry_get_field, driver, s.path, s.sheet)) {
            auto* item = new QListWidgetItem(QString::fromStdString(name), list);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
    }
    if (rzpg_fields->count() > 0) rzpg_fields->setCurrentIndex(0);
}

void TfmMain::btn_all_selectClick() {
    if (rzpg_fields->count() == 0) return;
    const size_t n = rzpg_fields->currentWidget()->toolTip().toUInt();
    if (n < FieldLists.size()) SetAllChecked(FieldLists[n], true);
}

void TfmMain::btn_all_clearClick() {
    if (rzpg_fields->count() == 0) return;
    const size_t n = rzpg_fields->currentWidget()->toolTip().toUInt();
    if (n < FieldLists.size()) SetAllChecked(FieldLists[n], false);
}

// ---- ② the common field ---------------------------------------------------------------------

void TfmMain::btn_set_public_fieldClick() {
    rzpg_fenxi->setCurrentWidget(rztbsht_public_field_set);
    btn_Enter->setEnabled(true);
}

void TfmMain::btn_get_autoClick() {
    comList->clear();
    const hm::NameCounts counts = hm::countFieldNames(CurrentFieldPages());
    for (size_t i = 0; i < counts.names.size(); ++i)
        comList->addItem(QString::fromStdString(counts.names[i]),
                         QString::number(counts.counts[i]));
    for (const std::string& line : hm::countLines(counts))
        mmo_count->appendPlainText(QString::fromStdString(line));
    mmo_count->show();
}

// ---- ③ the join plan ------------------------------------------------------------------------

void TfmMain::btn_EnterClick() {
    rzpg_fenxi->setCurrentWidget(rztbsht_public_test_result);
    mmo_fxjg->clear();
    JoinSelectList.clear();
    const std::string driver = DriverText().toStdString();
    hm::JoinPlan plan;
    try {
        plan =
            hm::planJoin(CurrentFieldPages(), edt_public_field_name->text().toStdString(), driver);
    } catch (const shuhui::Error& e) {
        ShowWarning(QString::fromUtf8(e.what()), kInfo);
        return;
    }
    JoinSelectList = QString::fromStdString(plan.selectList);
    JoinFromClause = QString::fromStdString(plan.fromClause);
    JoinWhereClause = QString::fromStdString(plan.whereClause);
    JoinTableList = QString::fromStdString(plan.tableList);
    JoinQuery = QString::fromStdString(plan.query);
    for (const std::string& line : plan.memo)
        mmo_fxjg->appendPlainText(QString::fromStdString(line));
    btn_left_right->setVisible(plan.offersLeftRight());
    // Pressed once it stays disabled until a step ③ offers it again.
    if (plan.offersLeftRight()) btn_left_right->setEnabled(true);
    LastJoinPlan = std::move(plan);
}

// ---- ④ the results --------------------------------------------------------------------------

void TfmMain::RunMergeResult(const std::string& sql, const QString& failure) {
    try {
        if (!OpenResultQuery(sql)) return;  // cancelled: the earlier result stands
    } catch (const std::exception& e) {
        // The new text closed the earlier result: its rows leave the grid, whose columns stay
        // until the next rebuild.
        if (cxGrid1Level1->engine().result() != adoExcel.sharedResult()) {
            cxGrid1Level1->engine().setResult(adoExcel.sharedResult());
            cxGrid1Level1->refresh();
        }
        ShowWarning(failure.isEmpty() ? QString::fromUtf8(e.what()) : failure, kInfo);
        return;
    }
    RebuildResultGrid();
    ShowResultPanel();
}

void TfmMain::btn_GenClick() {
    if (!ConfirmJoinSize()) return;
    LoadingNotice notice(rzpnl_loading);
    RunMergeResult(KeyFolded(JoinQuery.toStdString()), kRunFailed);
    ShowReconciliation(hm::JoinVariant::Join);
}

void TfmMain::btn_all_joinClick() {
    if (!ConfirmJoinSize()) return;
    LoadingNotice notice(rzpnl_loading);
    RunMergeResult(
        KeyFolded(hm::allFieldsQuery(StdList(SplitText(JoinTableList, QStringLiteral("|"))),
                                     JoinFromClause.toStdString(), JoinWhereClause.toStdString())),
        kRunFailed);
    ShowReconciliation(hm::JoinVariant::AllFields);
}

void TfmMain::btn_left_rightClick() {
    btn_left_right->setEnabled(false);
    const std::string driver = DriverText().toStdString();
    LoadingNotice notice(rzpnl_loading);
    std::string sql;
    try {
        sql = hm::leftRightQuery(driver, StdList(SplitText(JoinTableList, QStringLiteral("|"))),
                                 edt_public_field_name->text().toStdString(), CurrentFieldPages(),
                                 JoinFromClause.toStdString(), JoinWhereClause.toStdString())
                  .query;
    } catch (const shuhui::Error& e) {
        notice.hide();
        ShowWarning(QString::fromUtf8(e.what()), kInfo);
        return;
    }
    RunMergeResult(KeyFolded(sql), QString());
    ShowReconciliation(hm::JoinVariant::LeftRight);
}
