#include "sheet/reference.h"

#include <algorithm>
#include <optional>

#include "formats/error.h"

namespace shuhui::sheet {

namespace {

struct CellRef {
    uint32_t row = 0, col = 0;
};

// One cell: [$]letters[$]digits, the whole text.
std::optional<CellRef> parseCell(std::string_view s) {
    size_t i = 0;
    if (i < s.size() && s[i] == '$') ++i;
    uint64_t col = 0;
    size_t letters = 0;
    while (i < s.size() && ((s[i] >= 'A' && s[i] <= 'Z') || (s[i] >= 'a' && s[i] <= 'z'))) {
        col = col * 26 + uint64_t((s[i] | 0x20) - 'a' + 1);
        if (++letters > 3) return std::nullopt;
        ++i;
    }
    if (letters == 0) return std::nullopt;
    if (i < s.size() && s[i] == '$') ++i;
    uint64_t row = 0;
    size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        row = row * 10 + uint64_t(s[i] - '0');
        if (++digits > 7) return std::nullopt;
        ++i;
    }
    if (digits == 0 || i != s.size()) return std::nullopt;
    if (row < 1 || row > kMaxRows || col > kMaxCols) return std::nullopt;
    return CellRef{uint32_t(row - 1), uint32_t(col - 1)};
}

}  // namespace

Rect parseReference(std::string_view reference) {
    std::string_view s = reference;
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    const size_t colon = s.find(':');
    std::optional<CellRef> a = parseCell(s.substr(0, colon));
    std::optional<CellRef> b = colon == std::string_view::npos ? a : parseCell(s.substr(colon + 1));
    if (!a || !b)
        throw Error(ErrorKind::Syntax, "“" + std::string(reference) +
                                           "”不是有效的单元格区域引用(例如 A1 或 $A$1:$H$20)");
    return Rect{std::min(a->row, b->row), std::min(a->col, b->col), std::max(a->row, b->row),
                std::max(a->col, b->col)};
}

std::string addressOf(const Rect& rect) {
    return formats::absoluteAddress(rect);
}

}  // namespace shuhui::sheet
