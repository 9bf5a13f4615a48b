// Opening the result query behind the loading notice, with "取消" (see TfmMain::OpenResultQuery).
#include "app/cancellable_run.h"
#include "app/tfm_main.h"

namespace wb = shuhui::workbooks;

bool TfmMain::OpenResultQuery(const std::string& sql) {
    const std::string earlierSql = adoExcel.sql();
    const std::shared_ptr<wb::Result> earlierResult = adoExcel.sharedResult();
    adoExcel.setSql(sql);
    bool done = false;
    try {
        done = RunCancellable(
            btn_loading_cancel, [this] { adoExcel.open(); }, &wb::cancelRunningQuery);
    } catch (...) {
        // The earlier result is gone with the new text: its rows leave the grid (its columns stand
        // until the next result), so the grid never shows rows that export would not find.
        if (cxGrid1Level1->engine().result() != adoExcel.sharedResult()) {
            cxGrid1Level1->engine().setResult(adoExcel.sharedResult());
            cxGrid1Level1->refresh();
        }
        throw;
    }
    if (done) return true;
    adoExcel.restore(earlierSql, earlierResult);
    ShowWarning(QStringLiteral("已取消"), QStringLiteral("信息提示"));
    return false;
}
