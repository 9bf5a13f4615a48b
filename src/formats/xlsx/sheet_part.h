// One worksheet part of an .xlsx package: the sheet handler that turns the part's elements into
// cells, rows, columns and merged ranges, fed by the sheet-data scanner (sheet_scan.h) inside
// <sheetData> and by expat around it, with expat alone as the fallback.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/reader.h"
#include "formats/workbook.h"
#include "formats/xlsx/zip_container.h"

namespace shuhui::formats::detail::xlsx {

// Cells of type Text refer to shared strings by index while a sheet is read; an inline string is
// marked with small = kInline and indexes `inlineStrings` until the pools are joined.
constexpr uint8_t kInline = 1;
// A number read from a t="d" cell (ISO 8601 text, converted to a serial of the workbook's date
// system) is marked with small = kIsoDate until the styles are known: one whose style does not
// show a date then gets a date style of its own.
constexpr uint8_t kIsoDate = 2;

struct SheetPartRead {
    bool found = false;      // the part exists in the package
    bool stopped = false;    // ReadOptions::maxRows ended the read early
    uint64_t maxShared = 0;  // 1 + the largest shared-string index the cells use
};

// Reads the worksheet part `part` into `sheet` (cells in file order; the caller normalises them).
// Shared strings stay indexes; inline strings are appended to `inlineStrings` and marked kInline.
// reserveCap bounds the cells reserved from the part's declared dimension.
SheetPartRead readSheetPart(Zip& zip, const std::string& part, Sheet& sheet,
                            std::vector<std::string>& inlineStrings, const std::string& file,
                            const ReadOptions& options, size_t reserveCap, bool date1904);

}  // namespace shuhui::formats::detail::xlsx
