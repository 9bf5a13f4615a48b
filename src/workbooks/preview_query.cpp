// The preview query text (see preview_query.h).
#include "workbooks/preview_query.h"

#include "workbooks/provider.h"

namespace shuhui::workbooks {

std::string previewSql(const std::string& driver, const std::string& path,
                       const std::string& sheet) {
    return "select  * from " + sheetReference(driver, path, sheet);
}

}  // namespace shuhui::workbooks
