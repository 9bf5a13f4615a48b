// Export of the result grid to .xls: see export.h.
#include "grid/export.h"

#include "formats/error.h"

namespace shuhui::grid {

std::string xlsFileName(const std::string& name) {
    size_t sep = name.find_last_of("\\/:");
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && (sep == std::string::npos || dot > sep))
        return name.substr(0, dot) + ".xls";
    return name + ".xls";
}

ExportSummary exportGridToXls(const GridView&, const std::string&) {
    throw Error(ErrorKind::Internal, "导出尚未实现");
}

ExportSummary exportResultToXls(const workbooks::Result&, const std::string&) {
    throw Error(ErrorKind::Internal, "导出尚未实现");
}

}  // namespace shuhui::grid
