// The cell model's small helpers: names of formats and errors, A1 addresses, used and data ranges,
// style lookups. No I/O here; readers fill the model, writers and the grid read it.
#include "formats/workbook.h"

#include <algorithm>

#include "formats/numfmt.h"

namespace shuhui::formats {

const char* formatName(FileFormat format) {
    switch (format) {
        case FileFormat::Xls8:
            return "xls-biff8";
        case FileFormat::Xls5:
            return "xls-biff5";
        case FileFormat::Xlsx:
            return "xlsx";
    }
    return "unknown";
}

const char* errorText(uint8_t code) {
    switch (code) {
        case 0x00:
            return "#NULL!";
        case 0x07:
            return "#DIV/0!";
        case 0x0F:
            return "#VALUE!";
        case 0x17:
            return "#REF!";
        case 0x1D:
            return "#NAME?";
        case 0x24:
            return "#NUM!";
        case 0x2A:
            return "#N/A";
        case 0x2B:
            return "#GETTING_DATA";
        default:
            return "#ERR";
    }
}

std::string columnLetters(uint32_t col) {
    std::string out;
    uint64_t n = uint64_t(col) + 1;
    while (n > 0) {
        uint64_t rem = (n - 1) % 26;
        out.push_back(char('A' + rem));
        n = (n - 1) / 26;
    }
    std::reverse(out.begin(), out.end());
    return out;
}

static std::string cellAddress(uint32_t row, uint32_t col) {
    std::string out;
    out.reserve(16);
    out.push_back('$');
    out.append(columnLetters(col));
    out.push_back('$');
    out.append(std::to_string(uint64_t(row) + 1));
    return out;
}

std::string absoluteAddress(const Range& range) {
    std::string first = cellAddress(range.firstRow, range.firstCol);
    if (range.firstRow == range.lastRow && range.firstCol == range.lastCol) return first;
    return first + ":" + cellAddress(range.lastRow, range.lastCol);
}

template <class Pred>
static std::optional<Range> rangeOf(const std::vector<Cell>& cells, Pred keep) {
    std::optional<Range> r;
    for (const Cell& c : cells) {
        if (!keep(c)) continue;
        if (!r) {
            r = Range{c.row, c.col, c.row, c.col};
            continue;
        }
        r->firstRow = std::min<uint32_t>(r->firstRow, c.row);
        r->lastRow = std::max<uint32_t>(r->lastRow, c.row);
        r->firstCol = std::min<uint32_t>(r->firstCol, c.col);
        r->lastCol = std::max<uint32_t>(r->lastCol, c.col);
    }
    return r;
}

std::optional<Range> Sheet::dataRange(const std::vector<std::string>& strings) const {
    return rangeOf(cells, [&](const Cell& c) {
        if (c.type == CellType::Blank) return false;
        if (c.type == CellType::Text) return c.text < strings.size() && !strings[c.text].empty();
        return true;
    });
}

std::optional<Range> Sheet::usedRange() const {
    return rangeOf(cells, [](const Cell&) { return true; });
}

std::string Sheet::usedRangeAddress() const {
    auto r = usedRange();
    if (!r) return "$A$1";
    return absoluteAddress(*r);
}

const CellStyle& Workbook::style(const Cell& cell) const {
    static const CellStyle kDefault;
    if (cell.style < styles.size()) return styles[cell.style];
    if (!styles.empty()) return styles[0];
    return kDefault;
}

bool Workbook::isDate(const Cell& cell) const {
    return cell.type == CellType::Number && isDateFormat(style(cell).numFmt);
}

bool Workbook::isCurrency(const Cell& cell) const {
    return cell.type == CellType::Number && isCurrencyFormat(style(cell).numFmt);
}

const Sheet* Workbook::findSheet(std::string_view name) const {
    for (const Sheet& s : sheets)
        if (s.name == name) return &s;
    return nullptr;
}

void Sheet::normalizeCells() {
    auto before = [](const Cell& a, const Cell& b) {
        return a.row != b.row ? a.row < b.row : a.col < b.col;
    };
    if (!std::is_sorted(cells.begin(), cells.end(), before))
        std::stable_sort(cells.begin(), cells.end(), before);
    size_t out = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (out > 0 && cells[out - 1].row == cells[i].row && cells[out - 1].col == cells[i].col)
            cells[out - 1] = cells[i];
        else
            cells[out++] = cells[i];
    }
    cells.resize(out);
    if (cells.capacity() > cells.size() + cells.size() / 4 + 1024) cells.shrink_to_fit();
    std::sort(merged.begin(), merged.end());
}

}  // namespace shuhui::formats
