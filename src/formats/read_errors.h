// Internal interface of the readers: the two format readers behind readWorkbookBytes, and the one
// way they report a failure ("无法读取工作簿 <file>：<reason>").
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "formats/error.h"
#include "formats/reader.h"
#include "formats/workbook.h"

namespace shuhui::formats::detail {

[[noreturn]] inline void fail(ErrorKind kind, const std::string& file, const std::string& reason) {
    throw Error(kind, "无法读取工作簿 " + file + "：" + reason);
}

// Both take the whole file in memory; `file` names it in error messages.
Workbook readXls(std::span<const uint8_t> bytes, const std::string& file,
                 const ReadOptions& options);
Workbook readXlsx(std::span<const uint8_t> bytes, const std::string& file,
                  const ReadOptions& options);

}  // namespace shuhui::formats::detail
