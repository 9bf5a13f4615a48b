#include "merge/irregular/region_text.h"

#include <charconv>

#include "formats/error.h"
#include "merge/irregular/messages.h"

namespace shuhui::irregular {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A row number as a region text writes it: decimal digits only.
std::optional<long long> RowNumber(std::string_view text) {
    if (text.empty()) return std::nullopt;
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

Error BadRegion(const std::string& region) {
    return Error(ErrorKind::Syntax,
                 "数据区域\"" + region + "\"不是\"$列$行:$列$行\"形式的区域引用");
}

}  // namespace

std::vector<std::string> Split(std::string_view text, char separator) {
    std::vector<std::string> pieces;
    if (text.empty()) return pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            pieces.emplace_back(text.substr(start));
            return pieces;
        }
        pieces.emplace_back(text.substr(start, at - start));
        start = at + 1;
    }
}

std::optional<int> WholeNumber(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string ShiftRegion(const std::string& region, int rows) {
    const std::vector<std::string> ends = Split(region, ':');
    if (ends.size() < 2)
        throw Error(ErrorKind::Syntax,
                    "数据区域\"" + region + "\"只有一个单元格,没有可以下移的数据行");
    const std::vector<std::string> start = Split(ends[0], '$');
    if (start.size() < 3 || !start[0].empty() || start[1].empty()) throw BadRegion(region);
    const std::optional<long long> row = RowNumber(start[2]);
    if (!row) throw BadRegion(region);
    return "$" + start[1] + "$" + std::to_string(*row + rows) + ":" + ends[1];
}

std::string ShiftRegions(std::vector<std::string>& regions, int rows,
                         const std::vector<std::string>& names) {
    std::string warning;
    for (std::size_t i = 0; i < regions.size(); ++i) {
        try {
            regions[i] = ShiftRegion(regions[i], rows);
        } catch (const Error& e) {
            const std::string name =
                i < names.size() ? names[i] : "第" + std::to_string(i + 1) + "项";
            if (!warning.empty()) warning += "\n";
            warning += regions[i].find(':') == std::string::npos
                           ? SingleCellRegionSkipped(name, regions[i])
                           : "工作表[" + name + "]: " + e.what() + ",该表的数据区域未改变!";
        }
    }
    return warning;
}

std::string NextPasteCell(const std::string& usedAddress, int gapRows) {
    const std::vector<std::string> ends = Split(usedAddress, ':');
    if (ends.size() < 2)
        throw Error(ErrorKind::Syntax, "合并表的已用区域\"" + usedAddress +
                                           "\"只有一个单元格,无法确定下一块数据的粘贴位置");
    const std::vector<std::string> last = Split(ends[1], '$');
    const std::vector<std::string> first = Split(ends[0], '$');
    const std::optional<long long> lastRow = last.size() >= 3 ? RowNumber(last[2]) : std::nullopt;
    if (!lastRow || first.size() < 2 || first[1].empty())
        throw Error(ErrorKind::Syntax,
                    "合并表的已用区域\"" + usedAddress + "\"不是\"$列$行:$列$行\"形式的区域引用");
    const long long row = *lastRow + 1 + (gapRows >= 1 ? gapRows : 0);
    return first[1] + std::to_string(row);
}

}  // namespace shuhui::irregular
