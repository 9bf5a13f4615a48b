// Internal interface of the readers: the two format readers behind readWorkbookBytes, and the one
// way they report a failure ("无法读取工作簿 <file>：<reason>").
#pragma once

#include <cmath>
#include <cstdint>
#include <span>
#include <string>

#include "formats/error.h"
#include "formats/reader.h"
#include "formats/workbook.h"

namespace shuhui::formats::detail {

[[noreturn]] inline void fail(ErrorKind kind, const std::string& file, const std::string& reason) {
    throw Error(kind, "无法读取工作簿 " + file + "：" + reason, file);
}

// The workbook has no sheet of that name.
[[noreturn]] inline void noSuchSheet(const std::string& file, const std::string& sheet) {
    throw Error(ErrorKind::SheetNotFound, "工作簿 " + file + " 中没有名为“" + sheet + "”的工作表",
                file, sheet);
}

// Column widths. Files store a width in characters plus the cell padding (5 pixels), in 1/256
// characters for BIFF; the model keeps the width the spreadsheet shows (8.43 for the default), for
// a default font whose digits are 7 pixels wide (Calibri 11, Arial 10).
inline double displayedWidth(double fileWidth) {
    if (!(fileWidth > 0)) return 0;
    if (fileWidth > 255 + 1) fileWidth = 256;
    const double mdw = 7;
    double pixels = std::floor((std::floor(fileWidth * 256) + std::floor(128 / mdw)) / 256 * mdw);
    if (pixels <= 5) return 0;
    return std::floor((pixels - 5) / mdw * 100 + 0.5) / 100;
}
// A default width given in characters without padding (BIFF DEFCOLWIDTH, OOXML baseColWidth):
// the padding is added and the column rounded up to a multiple of 8 pixels.
inline double displayedWidthFromChars(double chars) {
    if (!(chars > 0)) return 0;
    if (chars > 255) chars = 255;
    const double mdw = 7;
    double pixels = std::floor(chars * mdw + 5);
    pixels = std::ceil(pixels / 8) * 8;
    return std::floor((pixels - 5) / mdw * 100 + 0.5) / 100;
}

// Both take the whole file in memory; `file` names it in error messages.
Workbook readXls(std::span<const uint8_t> bytes, const std::string& file,
                 const ReadOptions& options);
Workbook readXlsx(std::span<const uint8_t> bytes, const std::string& file,
                  const ReadOptions& options);

}  // namespace shuhui::formats::detail
