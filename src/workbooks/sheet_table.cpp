// Sheet -> table conversion and the per-column hash indexes (see sheet_table.h).
#include "workbooks/sheet_table.h"

#include "workbooks/key_fold.h"

#include <algorithm>
#include <cstring>

#include "formats/error.h"
#include "formats/numfmt.h"
#include "formats/read_limits.h"
#include "workbooks/hash_mix.h"

namespace shuhui::workbooks {

uint64_t HashIndex::hashNumber(double v) {
    if (v == 0) v = 0;  // -0 and +0 are one key
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return mix64(bits);
}

uint64_t HashIndex::hashTextNoCase(std::string_view t) {
    uint64_t h = 1469598103934665603ULL;
    for (size_t i = 0; i < t.size(); ++i) {
        h ^= foldLetterByte(t, i);
        h *= 1099511628211ULL;
    }
    return mix64(h);
}

HashIndex::HashIndex(const SheetTable& table, size_t column) {
    const size_t n = table.rows;
    size_t buckets = 16;
    while (buckets < n * 2) buckets <<= 1;
    heads_.assign(buckets, kNoRow);
    next_.assign(n, kNoRow);
    mask_ = buckets - 1;
    // Filled from the last row up, so that every chain lists its rows in ascending order.
    for (size_t i = n; i-- > 0;) {
        uint64_t h;
        switch (table.kind(i, column)) {
            case ValueKind::Null:
                continue;
            case ValueKind::Text:
                h = hashTextNoCase(table.text(i, column));
                break;
            default:
                h = hashNumber(table.number(i, column));
                break;
        }
        uint32_t& head = heads_[h & mask_];
        next_[i] = head;
        head = static_cast<uint32_t>(i);
    }
}

uint32_t HashIndex::firstNumber(double key) const {
    return headFor(hashNumber(key));
}
uint32_t HashIndex::firstText(std::string_view key) const {
    return headFor(hashTextNoCase(key));
}

const HashIndex& SheetTable::index(size_t column) const {
    std::lock_guard lock(indexMutex_);
    if (indexes_.size() < fields.size()) indexes_.resize(fields.size());
    if (!indexes_[column]) indexes_[column] = std::make_unique<HashIndex>(*this, column);
    return *indexes_[column];
}

FoldedIndex::FoldedIndex(const SheetTable& table, size_t column, uint32_t folds) : folds_(folds) {
    const size_t n = table.rows;
    size_t buckets = 16;
    while (buckets < n * 2) buckets <<= 1;
    heads_.assign(buckets, kNoRow);
    next_.assign(n, kNoRow);
    folded_.resize(n);
    mask_ = buckets - 1;
    for (size_t i = n; i-- > 0;) {
        if (table.kind(i, column) != ValueKind::Text) continue;
        folded_[i] = foldKey(table.text(i, column), folds);
        uint32_t& head = heads_[std::hash<std::string_view>{}(folded_[i]) & mask_];
        next_[i] = head;
        head = static_cast<uint32_t>(i);
    }
}

uint32_t FoldedIndex::first(std::string_view folded) const {
    return heads_[std::hash<std::string_view>{}(folded)&mask_];
}

size_t FoldedIndex::memoryBytes() const {
    size_t n = (heads_.size() + next_.size()) * sizeof(uint32_t);
    for (const auto& f : folded_) n += sizeof(f) + (f.capacity() > 15 ? f.capacity() : 0);
    return n;
}

const FoldedIndex& SheetTable::foldedIndex(size_t column, uint32_t folds) const {
    std::lock_guard lock(indexMutex_);
    for (const auto& [col, ix] : foldedIndexes_)
        if (col == column && ix->folds() == folds) return *ix;
    foldedIndexes_.emplace_back(column, std::make_unique<FoldedIndex>(*this, column, folds));
    return *foldedIndexes_.back().second;
}

size_t SheetTable::memoryBytes() const {
    size_t n = sizeof(*this);
    n += slots.capacity() * sizeof(SheetSlot);
    for (const auto& t : converted) n += sizeof(t) + t.capacity();
    std::lock_guard lock(indexMutex_);
    for (const auto& ix : indexes_)
        if (ix) n += ix->memoryBytes();
    for (const auto& [col, ix] : foldedIndexes_) n += ix->memoryBytes();
    return n;
}

namespace {

enum : uint8_t { kHasNumber = 1, kHasDate = 2, kHasBool = 4, kHasText = 8, kHasPlainNumber = 16 };
enum class StyleClass : uint8_t { Unknown, Plain, Date, Currency };

struct Classifier {
    const formats::Workbook& wb;
    std::vector<StyleClass> classes;

    explicit Classifier(const formats::Workbook& w) : wb(w), classes(w.styles.size() + 1) {}

    StyleClass of(const formats::Cell& c) {
        const size_t i = c.style < wb.styles.size() ? c.style : wb.styles.size();
        StyleClass& k = classes[i];
        if (k == StyleClass::Unknown) {
            const std::string& code = wb.style(c).numFmt;
            k = formats::isDateFormat(code)       ? StyleClass::Date
                : formats::isCurrencyFormat(code) ? StyleClass::Currency
                                                  : StyleClass::Plain;
        }
        return k;
    }
};

// A cell's value as the spreadsheet shows it in General format.
std::string cellAsText(const std::vector<std::string>& strings, bool date1904,
                       const formats::Cell& c, StyleClass k) {
    switch (c.type) {
        case formats::CellType::Text:
            return c.text < strings.size() ? strings[c.text] : std::string();
        case formats::CellType::Number:
            if (k == StyleClass::Date) return dateDisplayText(c.number, date1904);
            return formats::formatGeneral(c.number);
        case formats::CellType::Bool:
            return c.small ? "TRUE" : "FALSE";
        default:
            return {};
    }
}

bool isValue(const std::vector<std::string>& strings, const formats::Cell& c) {
    switch (c.type) {
        case formats::CellType::Number:
        case formats::CellType::Bool:
            return true;
        case formats::CellType::Text:
            return c.text < strings.size() && !strings[c.text].empty();
        default:
            return false;  // blanks; error cells carry no value
    }
}

}  // namespace

std::shared_ptr<SheetTable> sheetToTable(const formats::Workbook& wb, const formats::Sheet& sheet,
                                         std::shared_ptr<const std::vector<std::string>> pool,
                                         const std::string& file) {
    auto table = std::make_shared<SheetTable>();
    table->name = sheet.name + "$";
    table->complete = sheet.complete;
    table->strings = std::move(pool);
    const std::vector<std::string>& strings = *table->strings;
    const auto range = sheet.dataRange(strings);
    if (!range) {
        // An empty sheet still answers "select *": one empty field, no rows.
        table->fields.push_back({"F1", FieldType::String});
        return table;
    }
    const uint32_t firstCol = range->firstCol, firstRow = range->firstRow;
    const size_t ncols = range->lastCol - firstCol + 1;
    const size_t nrows = range->lastRow - firstRow;
    // A sparse used range (a value in A1 and one in XFD1048576) would need gigabytes of slots:
    // refuse it before anything is allocated.
    const uint64_t dense = uint64_t(std::max<size_t>(nrows, 1)) * ncols;
    const uint64_t limit = formats::maxDenseCells(sheet.cells.size(), sizeof(SheetSlot));
    if (dense > limit)
        throw Error(
            ErrorKind::TooLarge,
            "工作表“" + sheet.name + "”太大，无法作为表格读取：它的数据区域有 " +
                formats::groupedNumber(nrows + 1) + " 行 × " + formats::groupedNumber(ncols) +
                " 列（" + formats::groupedNumber(dense) + " 个单元格，需要 " +
                formats::groupedNumber(dense * sizeof(SheetSlot) >> 20) + " MiB 内存），但只存有 " +
                formats::groupedNumber(sheet.cells.size()) + " 个单元格；一张表最多展开为 " +
                formats::groupedNumber(limit) + " 个单元格（所存单元格数的 " +
                std::to_string(formats::kDenseCellsPerValue) + " 倍，至少 " +
                formats::groupedNumber(formats::kDenseCellsFloor) + "，至多本机内存的四分之一）",
            file, sheet.name);
    Classifier classify(wb);

    // Header row: field names, unique without regard to ASCII case.
    std::vector<std::string> names(ncols);
    auto it = std::lower_bound(sheet.cells.begin(), sheet.cells.end(), firstRow,
                               [](const formats::Cell& c, uint32_t r) { return c.row < r; });
    for (; it != sheet.cells.end() && it->row == firstRow; ++it) {
        if (it->col < firstCol || it->col > range->lastCol || !isValue(strings, *it)) continue;
        names[it->col - firstCol] = cellAsText(strings, wb.date1904, *it, classify.of(*it));
    }
    const auto dataBegin = it;
    for (size_t c = 0; c < ncols; ++c) {
        if (names[c].empty()) names[c] = std::string("F").append(std::to_string(c + 1));
        auto taken = [&](const std::string& n) {
            for (size_t k = 0; k < c; ++k)
                if (equalsNoCase(names[k], n)) return true;
            return false;
        };
        if (taken(names[c])) {
            for (int suffix = 1;; ++suffix) {
                std::string candidate = names[c] + std::to_string(suffix);
                if (!taken(candidate)) {
                    names[c] = std::move(candidate);
                    break;
                }
            }
        }
    }

    // One pass: every value into its slot as what it is (texts by index into the workbook's
    // strings), noting what kinds each column holds.
    table->slots.assign(nrows * ncols, SheetSlot{});
    std::vector<uint8_t> seen(ncols, 0);
    for (auto c = dataBegin; c != sheet.cells.end(); ++c) {
        if (c->row > range->lastRow) break;
        if (c->col < firstCol || c->col > range->lastCol || !isValue(strings, *c)) continue;
        const size_t k = c->col - firstCol;
        SheetSlot& slot = table->slots[(c->row - firstRow - 1) * ncols + k];
        switch (c->type) {
            case formats::CellType::Number:
                switch (classify.of(*c)) {
                    case StyleClass::Date:
                        seen[k] |= kHasDate;
                        slot.kind = ValueKind::Date;
                        slot.number =
                            wb.date1904 ? formats::serial1904To1900(c->number) : c->number;
                        break;
                    case StyleClass::Currency:
                        seen[k] |= kHasNumber;
                        slot.kind = ValueKind::Number;
                        slot.number = c->number;
                        break;
                    default:
                        seen[k] |= kHasNumber | kHasPlainNumber;
                        slot.kind = ValueKind::Number;
                        slot.number = c->number;
                        break;
                }
                break;
            case formats::CellType::Bool:
                seen[k] |= kHasBool;
                slot.kind = ValueKind::Bool;
                slot.number = c->small ? 1 : 0;
                break;
            default:
                seen[k] |= kHasText;
                slot.kind = ValueKind::Text;
                slot.text = c->text;
                break;
        }
    }

    // Types from all values; a mixed column becomes text, its other values written as the
    // spreadsheet shows them (dates as ISO text, already in the 1900 system).
    for (size_t c = 0; c < ncols; ++c) {
        const uint8_t s = seen[c] & ~kHasPlainNumber;
        FieldType t = FieldType::String;
        if (s == kHasNumber)
            t = (seen[c] & kHasPlainNumber) ? FieldType::Float : FieldType::Currency;
        else if (s == kHasDate)
            t = FieldType::DateTime;
        else if (s == kHasBool)
            t = FieldType::Boolean;
        table->fields.push_back({names[c], t});
        if (t != FieldType::String || (s & ~kHasText) == 0) continue;
        for (size_t r = 0; r < nrows; ++r) {
            SheetSlot& slot = table->slots[r * ncols + c];
            std::string text;
            switch (slot.kind) {
                case ValueKind::Number:
                    text = formats::formatGeneral(slot.number);
                    break;
                case ValueKind::Date:
                    text = dateDisplayText(slot.number);
                    break;
                case ValueKind::Bool:
                    text = slot.number != 0 ? "TRUE" : "FALSE";
                    break;
                default:
                    continue;
            }
            slot.kind = ValueKind::Text;
            slot.converted = 1;
            slot.text = table->converted.size();
            table->converted.push_back(std::move(text));
        }
    }
    table->rows = nrows;
    return table;
}

}  // namespace shuhui::workbooks
