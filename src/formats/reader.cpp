// Entry points of the workbook readers: load the bytes, decide the format by the magic bytes, and
// hand over to the .xls (compound document + BIFF) or .xlsx (zip + XML) reader.
#include "formats/reader.h"

#include "formats/error.h"

namespace shuhui::formats {

FileFormat detectFormat(const std::string& path) {
    throw Error(ErrorKind::Unsupported, "无法读取工作簿 " + path + "：读取功能尚未完成");
}

Workbook readWorkbook(const std::string& path, const ReadOptions&) {
    throw Error(ErrorKind::Unsupported, "无法读取工作簿 " + path + "：读取功能尚未完成");
}

Workbook readWorkbookBytes(std::span<const uint8_t>, const std::string& name, const ReadOptions&) {
    throw Error(ErrorKind::Unsupported, "无法读取工作簿 " + name + "：读取功能尚未完成");
}

}  // namespace shuhui::formats
