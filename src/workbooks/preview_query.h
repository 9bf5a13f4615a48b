// The query text behind the preview of one sheet (a double-click on a sheet node of the catalogue).
#pragma once

#include <string>

namespace shuhui::workbooks {

// "select  * from " + sheetReference(driver, path, sheet): every row and column of the sheet. The
// two blanks after "select" are part of the text the preview has always sent.
std::string previewSql(const std::string& driver, const std::string& path,
                       const std::string& sheet);

}  // namespace shuhui::workbooks
