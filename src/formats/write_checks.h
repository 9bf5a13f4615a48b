// Checks shared by the .xls and .xlsx writers, run before anything is written.
//
// checkWorkbook refuses a workbook without sheets, a sheet whose cells were read only in part
// (Sheet::complete, Sheet::loaded: writing it would drop rows silently), and sheet names the
// spreadsheet would not accept (empty, over 31 characters, one of [ ] : * ? / \, the same name
// twice ignoring case);
// checkTarget refuses a path whose folder is missing or that names a folder. Both throw
// shuhui::Error with a Chinese message naming the file; the helpers below build such messages.
#pragma once

#include <cstdint>
#include <string>

#include "formats/workbook.h"

namespace shuhui::formats::detail {

// "“name”"
std::string quoted(const std::string& name);
// "B7"
std::string cellName(uint32_t row, uint32_t col);

// `what` names the kind of file in messages: ".xls" or ".xlsx".
void checkWorkbook(const Workbook& wb, const std::string& path, const char* what);
void checkTarget(const std::string& path);
// Merged ranges must be well formed (first <= last) and must not overlap: the spreadsheet reports
// such a file as damaged.
void checkMerges(const Sheet& sheet, const std::string& path, const char* what);

// The rows and columns a sheet needs (its cells and its merged ranges) against the format's limits,
// and every text cell's string index. `what` is ".xls" or ".xlsx"; `suggestXlsx` adds the advice
// to save as .xlsx to the size messages. Widths and heights set beyond the limits carry no data and
// are not counted.
void checkSheetExtent(const Workbook& wb, const Sheet& sheet, const std::string& path,
                      const char* what, uint64_t maxRows, uint64_t maxCols, bool suggestXlsx);

// A path beside `path` for writing first and renaming after: same folder, so the rename is atomic.
// Named ".<file name>.<process id>.<n>.tmp". Leftovers of that name whose process has ended (an
// export killed half-way) are removed first: they are ours and nobody will finish them.
std::string temporaryPathBeside(const std::string& path);

// Removes a file when it goes out of scope, unless kept.
struct TempFile {
    std::string path;
    bool keep = false;
    TempFile() = default;
    explicit TempFile(std::string p) : path(std::move(p)) {}
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile();
};

// A system error number as the reason of a failed write, in Chinese for the common ones.
std::string systemReason(int err);

[[noreturn]] void writeFailed(const std::string& path, const std::string& why);

}  // namespace shuhui::formats::detail
