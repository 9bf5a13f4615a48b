// Checks and messages shared by the workbook writers.
#include "formats/write_checks.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "formats/error.h"
#include "formats/read_limits.h"

namespace shuhui::formats::detail {

std::string quoted(const std::string& name) {
    return "“" + name + "”";
}

std::string cellName(uint32_t row, uint32_t col) {
    return columnLetters(col) + std::to_string(uint64_t(row) + 1);
}

static size_t utf8Length(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

static std::string asciiLower(const std::string& s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

void checkWorkbook(const Workbook& wb, const std::string& path, const char* what) {
    const std::string prefix = std::string("无法保存为 ") + what + " 文件 " + path + "：";
    if (wb.sheets.empty()) throw Error(ErrorKind::Unsupported, prefix + "工作簿中没有工作表");
    std::vector<std::string> seen;
    for (const Sheet& s : wb.sheets) {
        if (s.name.empty()) throw Error(ErrorKind::Unsupported, prefix + "工作表名称为空");
        if (utf8Length(s.name) > 31) {
            throw Error(ErrorKind::TooLarge, prefix + "工作表名称" + quoted(s.name) +
                                                 "超过 31 个字符，Excel 不接受这样的名称");
        }
        if (s.name.find_first_of("[]:*?/\\") != std::string::npos) {
            throw Error(ErrorKind::Unsupported, prefix + "工作表名称" + quoted(s.name) +
                                                    "含有 Excel 不允许的字符 [ ] : * ? / \\");
        }
        if (!s.complete || !s.loaded) {
            throw Error(ErrorKind::Unsupported,
                        prefix + "工作表" + quoted(s.name) + "只读入了一部分，保存会丢失其余的行");
        }
        std::string key = asciiLower(s.name);
        if (std::find(seen.begin(), seen.end(), key) != seen.end()) {
            throw Error(ErrorKind::Unsupported, prefix + "工作表名称" + quoted(s.name) + "重复");
        }
        seen.push_back(std::move(key));
    }
}

std::string systemReason(int err) {
    switch (err) {
        case ENOENT:
            return "路径不存在";
        case EACCES:
        case EPERM:
            return "没有写入权限";
        case ENOSPC:
            return "磁盘空间不足";
        case EDQUOT:
            return "超出磁盘配额";
        case EROFS:
            return "只读的文件系统";
        case EISDIR:
            return "这是一个文件夹，不是文件";
        case ENOTDIR:
            return "路径中有一段不是文件夹";
        case ENAMETOOLONG:
            return "文件名太长";
        case EIO:
            return "输入输出错误";
        default:
            return std::strerror(err);
    }
}

static std::string rangeName(const Range& r) {
    return cellName(r.firstRow, r.firstCol) + ":" + cellName(r.lastRow, r.lastCol);
}

void checkMerges(const Sheet& sheet, const std::string& path, const char* what) {
    const std::string prefix = std::string("无法保存为 ") + what + " 文件 " + path + "：工作表" +
                               quoted(sheet.name) + "的合并区域 ";
    std::vector<Range> ranges = sheet.merged;
    for (const Range& r : ranges) {
        if (r.firstRow > r.lastRow || r.firstCol > r.lastCol)
            throw Error(ErrorKind::Internal, prefix + rangeName(r) + " 首尾颠倒");
    }
    std::sort(ranges.begin(), ranges.end());
    // Sweep down the rows, keeping the ranges still open at the current one.
    std::vector<const Range*> open;
    for (const Range& r : ranges) {
        std::erase_if(open, [&](const Range* o) { return o->lastRow < r.firstRow; });
        for (const Range* o : open) {
            if (o->firstCol <= r.lastCol && r.firstCol <= o->lastCol) {
                throw Error(ErrorKind::Unsupported,
                            prefix + rangeName(*o) + " 与 " + rangeName(r) + " 重叠");
            }
        }
        open.push_back(&r);
    }
}

void writeFailed(const std::string& path, const std::string& why) {
    throw Error(ErrorKind::WriteFailed, "无法写入文件 " + path + "：" + why);
}

void checkTarget(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (path.empty()) writeFailed(path, "没有给出文件名");
    fs::path p(path);
    if (fs::is_directory(p, ec)) writeFailed(path, "这是一个文件夹，不是文件");
    fs::path dir = p.parent_path();
    if (dir.empty()) dir = ".";
    if (!fs::exists(dir, ec)) writeFailed(path, "文件夹 " + dir.string() + " 不存在");
    if (!fs::is_directory(dir, ec)) writeFailed(path, dir.string() + " 不是文件夹");
    if (::access(dir.c_str(), W_OK) != 0)
        writeFailed(path, "没有在文件夹 " + dir.string() + " 中写入的权限");
}

namespace {

// ".<file>.<pid>.<n>.tmp" left beside `path` by a process that no longer runs.
void removeStaleTemporaries(const std::filesystem::path& p) {
    namespace fs = std::filesystem;
    std::string prefix(1, '.');
    prefix += p.filename().string();
    prefix += '.';
    fs::path dir = p.parent_path();
    if (dir.empty()) dir = ".";
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - 4, 4, ".tmp") != 0)
            continue;
        // <pid>.<n> between the prefix and ".tmp", digits only
        const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        const size_t dot = middle.find('.');
        if (dot == 0 || dot == std::string::npos || dot + 1 == middle.size() ||
            middle.find_first_not_of("0123456789.") != std::string::npos ||
            middle.find('.', dot + 1) != std::string::npos || dot > 10)
            continue;
        const long pid = std::stol(middle.substr(0, dot));
        if (pid == long(::getpid())) continue;
        if (pid > 0 && pid <= 0x7fffffffL && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH) {
            std::error_code rm;
            fs::remove(it->path(), rm);
        }
    }
}

}  // namespace

TempFile::~TempFile() {
    if (!keep && !path.empty()) std::remove(path.c_str());
}

std::string temporaryPathBeside(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    namespace fs = std::filesystem;
    fs::path p(path);
    removeStaleTemporaries(p);
    std::string name(".");
    name.append(p.filename().string());
    name.append(".").append(std::to_string(::getpid()));
    name.append(".").append(std::to_string(counter++)).append(".tmp");
    return (p.parent_path() / name).string();
}

void checkSheetExtent(const Workbook& wb, const Sheet& s, const std::string& path, const char* what,
                      uint64_t maxRows, uint64_t maxCols, bool suggestXlsx) {
    uint64_t rows = 0, cols = 0;
    for (const Cell& c : s.cells) {
        rows = std::max<uint64_t>(rows, uint64_t(c.row) + 1);
        cols = std::max<uint64_t>(cols, uint64_t(c.col) + 1);
    }
    for (const Range& r : s.merged) {
        rows = std::max<uint64_t>(rows, uint64_t(r.lastRow) + 1);
        cols = std::max<uint64_t>(cols, uint64_t(r.lastCol) + 1);
    }
    const std::string prefix =
        std::string("无法保存为 ") + what + " 文件 " + path + "：工作表" + quoted(s.name) + "有 ";
    if (rows > maxRows)
        throw Error(ErrorKind::TooLarge, prefix + groupedNumber(rows) + " 行，超过 " + what +
                                             " 格式的上限 " + groupedNumber(maxRows) + " 行" +
                                             (suggestXlsx ? "；请减少行数或另存为 .xlsx" : ""));
    if (cols > maxCols)
        throw Error(ErrorKind::TooLarge, prefix + groupedNumber(cols) + " 列，超过 " + what +
                                             " 格式的上限 " + groupedNumber(maxCols) + " 列" +
                                             (suggestXlsx ? "；请减少列数或另存为 .xlsx" : ""));
    for (const Cell& c : s.cells) {
        if (c.type == CellType::Text && c.text >= wb.strings.size())
            throw Error(ErrorKind::Internal, std::string("无法保存为 ") + what + " 文件 " + path +
                                                 "：工作表" + quoted(s.name) + "的单元格 " +
                                                 cellName(c.row, c.col) + " 引用了不存在的文本");
    }
}

}  // namespace shuhui::formats::detail
