// Opening the result query behind the loading notice, with "取消" (see TfmMain::OpenResultQuery).
#include "app/cancellable_run.h"
#include "app/tfm_main.h"

namespace wb = shuhui::workbooks;

bool TfmMain::OpenResultQuery(const std::string& sql) {
    const std::string earlierSql = adoExcel.sql();
    const std::shared_ptr<wb::Result> earlierResult = adoExcel.sharedResult();
    adoExcel.setSql(sql);
    if (RunCancellable(
            btn_loading_cancel, [this] { adoExcel.open(); }, &wb::cancelRunningQuery))
        return true;
    adoExcel.restore(earlierSql, earlierResult);
    ShowWarning(QStringLiteral("已取消"), QStringLiteral("信息提示"));
    return false;
}
