// The key-match diagnosis of the horizontal merge on the page "测试结果": the button "匹配诊断"
// (its report into the result grid, its summary under the grid), the switch for normalised key
// matching, the guard before a run that would give more rows than the largest sheet, and the
// reconciliation line under the grid after each result variant.
//
// The analysis is shuhui::merge::horizontal::diagnoseKeys over the plan of the last step ③; the
// handlers only move its figures into controls.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/loading_notice.h"
#include "app/tfm_main.h"
#include "formats/error.h"
#include "workbooks/key_fold.h"

namespace hm = shuhui::merge::horizontal;

namespace {

const QString kInfo = QStringLiteral("信息提示");

QString Html(const std::string& s) {
    return QString::fromStdString(s).toHtmlEscaped().replace(QLatin1Char('\n'),
                                                             QStringLiteral("<br>"));
}

}  // namespace

void TfmMain::buildKeyDiagnosis() {
    btn_key_diagnosis = NameControl(new TBmpButton(QStringLiteral("匹配诊断"), tsHX),
                                    "btn_key_diagnosis", QStringLiteral("匹配诊断"));
    btn_key_diagnosis->setFixedHeight(30);
    btn_key_diagnosis->setToolTip(QStringLiteral(
        "分析各表共有字段的值为什么没有匹配上、连接会得到多少行、数值是否被重复计算!"));
    rzchckbx_key_fold =
        NameControl(new QCheckBox(QStringLiteral("忽略空格、全半角与大小写差异")),
                    "rzchckbx_key_fold", QStringLiteral("忽略空格、全半角与大小写差异"));
    rzchckbx_key_fold->setChecked(false);
    // Below the format switch on the page 测试结果.
    if (auto* outer = rztbsht_public_test_result->layout()) {
        for (int i = 0; i < outer->count(); ++i) {
            auto* inner = qobject_cast<QVBoxLayout*>(outer->itemAt(i)->layout());
            const int at = inner ? inner->indexOf(rzchckbx_format) : -1;
            if (at < 0) continue;
            inner->insertWidget(at + 1, rzchckbx_key_fold);
            inner->insertWidget(at + 2, btn_key_diagnosis);
            break;
        }
    }
    // Under the grid's footer: the summary of a diagnosis, or the reconciliation of a result.
    lbl_key_check = NameControl(new QLabel(cxGrid1), "lbl_key_check", QStringLiteral("对账"));
    lbl_key_check->setWordWrap(true);
    lbl_key_check->setTextFormat(Qt::RichText);
    lbl_key_check->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lbl_key_check->setContentsMargins(6, 3, 6, 3);
    lbl_key_check->hide();
    cxGrid1Layout->addWidget(lbl_key_check);
    connect(btn_key_diagnosis, &TBmpButton::Click, this, &TfmMain::btn_key_diagnosisClick);
}

hm::KeyDiagnosis TfmMain::DiagnoseLastPlan() {
    hm::DiagnosisInput in;
    in.driver = LastJoinPlan.driver;
    in.keyField = LastJoinPlan.commonField;
    in.matchFolds = rzchckbx_key_fold->isChecked() ? shuhui::workbooks::kSafeFolds : 0;
    for (const hm::JoinTable& t : LastJoinPlan.tables)
        in.sheets.push_back({t.path, t.sheet, t.page, t.fields});
    return hm::diagnoseKeys(in);
}

void TfmMain::btn_key_diagnosisClick() {
    LoadingNotice notice(rzpnl_loading);
    try {
        LastDiagnosis = DiagnoseLastPlan();
    } catch (const shuhui::Error& e) {
        LastDiagnosis.reset();
        notice.hide();
        ShowWarning(QString::fromUtf8(e.what()), kInfo);
        return;
    }
    // The report is a record set like any result: grouped, filtered, summed and exported in the
    // grid. The query's own result stays where it was.
    const auto report = hm::diagnosisReport(*LastDiagnosis);
    shuhui::grid::GridView& view = cxGrid1Level1->engine();
    view.clearColumns();
    summaryTable.clear();
    view.setResult(report);
    for (size_t i = 0; i < report->fieldCount(); ++i) view.addColumn(report->field(i).name());
    shuhui::grid::configureResultColumns(view, summaryTable, rzchckbx_format->isChecked());
    syncSummaryLists();
    cxGrid1Level1->refresh();
    const std::string summary = hm::diagnosisSummary(*LastDiagnosis);
    lbl_key_check->setText(Html(summary));
    // A screen reader reads the line itself, not the label's caption.
    lbl_key_check->setAccessibleName(QString::fromStdString(summary));
    lbl_key_check->show();
    ShowResultPanel();
}

bool TfmMain::ConfirmJoinSize() {
    LastDiagnosis.reset();
    if (LastJoinPlan.tables.size() < 2) return true;
    try {
        LastDiagnosis = DiagnoseLastPlan();
    } catch (const shuhui::Error&) {
        return true;  // the run itself reports what is wrong
    }
    if (!LastDiagnosis->needsConfirmation()) return true;
    return AskConfirm(QString::fromStdString(LastDiagnosis->confirmationText()), kInfo) == 1;
}

std::string TfmMain::KeyFolded(const std::string& sql) const {
    if (!rzchckbx_key_fold->isChecked()) return sql;
    const uint32_t folds = shuhui::workbooks::kSafeFolds;
    std::string out = hm::withKeyFold(sql, hm::fieldText(LastJoinPlan.commonField), folds);
    // The left/right form's own parts take the common field as the box holds it now.
    const std::string now =
        hm::fieldText(hm::commonFieldName(edt_public_field_name->text().toStdString()));
    if (now != hm::fieldText(LastJoinPlan.commonField)) out = hm::withKeyFold(out, now, folds);
    return out;
}

void TfmMain::ShowReconciliation(hm::JoinVariant variant) {
    lbl_key_check->hide();
    if (!adoExcel.active()) return;
    if (!LastDiagnosis || variant == hm::JoinVariant::LeftRight) {
        try {
            LastDiagnosis = DiagnoseLastPlan();
        } catch (const shuhui::Error&) {
            return;
        }
    }
    QStringList lines, plain;
    for (const hm::ReconcileLine& l : hm::reconcile(*LastDiagnosis, variant, adoExcel.result())) {
        if (!l.found) continue;
        plain << QString::fromStdString(l.text);
        const bool differs = l.difference > 0.005 || l.difference < -0.005;
        lines << (differs ? QStringLiteral("<span style=\"color:#d00000\">") + Html(l.text) +
                                QStringLiteral("</span>")
                          : Html(l.text));
    }
    if (lines.isEmpty()) return;
    lbl_key_check->setText(lines.join(QStringLiteral("<br>")));
    lbl_key_check->setAccessibleName(plain.join(QLatin1Char('\n')));
    lbl_key_check->show();
}
