// Reading workbook files: the format is decided by the content, never by the file name.
//
//   Workbook wb = readWorkbook(path);                                 // everything
//   Workbook wb = readWorkbook(path, {.cells = false});               // sheet list only
//   Workbook wb = readWorkbook(path, {.sheet = "工资", .maxRows = 2}); // header of one sheet
//
// Every failure is a shuhui::Error with a Chinese message naming the file and the reason.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "formats/workbook.h"

namespace shuhui::formats {

struct ReadOptions {
    bool cells = true;                 // false: names, states and kinds of the sheets only
    std::optional<std::string> sheet;  // read the cells of this sheet only (the others: list only)
    std::optional<uint32_t> maxRows;   // stop a sheet after this many rows that hold cell records
    bool styles = true;                // false: skip fonts, fills, borders (number formats are kept)
};

// Magic bytes: an OLE2 compound document is .xls, a zip archive is .xlsx/.xlsm.
FileFormat detectFormat(const std::string& path);

Workbook readWorkbook(const std::string& path, const ReadOptions& options = {});

// The same from bytes in memory; `name` is used in error messages (fuzzing, tests).
Workbook readWorkbookBytes(std::span<const uint8_t> bytes, const std::string& name,
                           const ReadOptions& options = {});

}  // namespace shuhui::formats
