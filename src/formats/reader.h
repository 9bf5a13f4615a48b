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
    bool styles = true;  // false: skip fonts, fills, borders (number formats are kept)
    // What a `sheet` the workbook lacks gives: an error (SheetNotFound), or, when false, the sheet
    // list alone with no sheet loaded, for callers that answer "no such sheet" themselves.
    bool missingSheetIsError = true;
};

// A workbook file as the readers find it before reading: it exists, can be looked at, and is a
// regular file (no folder, device or pipe); otherwise the readers' error (NotFound, Unreadable,
// IsDirectory) naming the file.
struct FileStamp {
    int64_t size = 0;
    int64_t mtimeNs = 0;  // modification time, nanoseconds since the epoch
};
FileStamp checkWorkbookFile(const std::string& path);

// Magic bytes: an OLE2 compound document is .xls, a zip archive is .xlsx/.xlsm.
FileFormat detectFormat(const std::string& path);

Workbook readWorkbook(const std::string& path, const ReadOptions& options = {});

// The same from bytes in memory; `name` is used in error messages (fuzzing, tests).
Workbook readWorkbookBytes(std::span<const uint8_t> bytes, const std::string& name,
                           const ReadOptions& options = {});

}  // namespace shuhui::formats
