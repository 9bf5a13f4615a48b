// Writing workbook files from the model.
//
// writeXls writes BIFF8 (Excel 97-2003) in a compound document whose stream is named "Workbook";
// a sheet over 65,536 rows or 256 columns is refused with ErrorKind::TooLarge, never truncated.
// writeXlsx writes Office Open XML through libxlsxwriter.
#pragma once

#include <string>

#include "formats/workbook.h"

namespace shuhui::formats {

void writeXls(const Workbook& workbook, const std::string& path);
void writeXlsx(const Workbook& workbook, const std::string& path);

constexpr uint32_t kXlsMaxRows = 65536;
constexpr uint32_t kXlsMaxCols = 256;

}  // namespace shuhui::formats
