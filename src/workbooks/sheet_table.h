// A worksheet seen as a table: named, typed fields, values stored row by row, and hash indexes.
//
//   auto t = sheetToTable(workbook, sheet);  // header row -> field names, rows below -> data
//   const HashIndex& ix = t->index(col);     // built on first use, kept with the table
//   for (uint32_t r = ix.firstText(key); r != kNoRow; r = ix.next(r)) ...  // then compare
//
// The first row of the sheet's data range names the fields (an empty header cell is F<n>, a
// repeated name gets a numeric suffix); every row below, up to the last row holding a value, is a
// data row. A column's type is decided from all of its values: numbers -> Float (Currency when
// every number shows a currency sign), dates -> DateTime, booleans -> Boolean, nothing -> String,
// any mixture -> String with every value written as the spreadsheet shows it. Error cells hold no
// value. Dates are serials of the 1900 date system.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "formats/workbook.h"
#include "workbooks/no_case.h"
#include "workbooks/result.h"

namespace shuhui::workbooks {

constexpr uint32_t kNoRow = 0xFFFFFFFFu;

// One value of a sheet table: its kind, and a number or the index of a text.
struct SheetSlot {
    ValueKind kind = ValueKind::Null;
    uint32_t converted = 0;  // text: 0 = in the workbook's strings, 1 = in SheetTable::converted
    union {
        double number = 0;
        uint64_t text;  // index of the text
    };
};

struct SheetField {
    std::string name;
    FieldType type = FieldType::String;
};

// Chains of rows by the hash of their key. Text keys are hashed with their letters folded to lower
// case as the engine's NOCASE collation folds them (no_case.h), so one index serves exact and
// case-blind lookups; callers compare the candidates themselves.
class HashIndex {
  public:
    HashIndex(const struct SheetTable& table, size_t column);
    // The first row of the chain of a hash (hashNumber / hashTextNoCase), and a prefetch of it.
    uint32_t firstOfHash(uint64_t hash) const { return heads_[hash & mask_]; }
    void prefetchHash(uint64_t hash) const { __builtin_prefetch(&heads_[hash & mask_]); }
    uint32_t firstNumber(double key) const;
    uint32_t firstText(std::string_view key) const;
    uint32_t next(uint32_t row) const { return next_[row]; }
    // Starts loading the link after `row`, so that stepping on later finds it in the cache.
    void prefetchNext(uint32_t row) const { __builtin_prefetch(&next_[row]); }
    size_t memoryBytes() const { return (heads_.size() + next_.size()) * sizeof(uint32_t); }

    static uint64_t hashNumber(double v);
    static uint64_t hashTextNoCase(std::string_view t);

  private:
    uint32_t headFor(uint64_t hash) const { return heads_[hash & mask_]; }

    std::vector<uint32_t> heads_;
    std::vector<uint32_t> next_;
    uint64_t mask_ = 0;
};

// Chains of rows by the folded text of their key (foldKey), for comparisons under the KEYFOLD
// collations. Rows that hold no text are in no chain.
class FoldedIndex {
  public:
    FoldedIndex(const struct SheetTable& table, size_t column, uint32_t folds);
    uint32_t first(std::string_view folded) const;
    uint32_t next(uint32_t row) const { return next_[row]; }
    const std::string& folded(uint32_t row) const { return folded_[row]; }
    uint32_t folds() const { return folds_; }
    size_t memoryBytes() const;

  private:
    std::vector<std::string> folded_;
    std::vector<uint32_t> heads_, next_;
    uint64_t mask_ = 0;
    uint32_t folds_ = 0;
};

// The values are stored row by row (one 16-byte slot per cell, the texts in one arena), so that
// fetching the fields of a row found through an index touches one or two cache lines, not one per
// column: a hash join reads its inner rows in random order.
struct SheetTable {
    std::string name;  // the table name, worksheet name followed by "$"
    std::vector<SheetField> fields;
    size_t rows = 0;
    bool complete = true;          // false when built from the first rows only
    std::vector<SheetSlot> slots;  // rows * fields.size(), row-major
    // The workbook's texts, shared by the tables of one read; a text cell refers to its string
    // there instead of holding a copy.
    std::shared_ptr<const std::vector<std::string>> strings;
    std::vector<std::string> converted;  // values of mixed columns written as text

    size_t width() const { return fields.size(); }
    const SheetSlot& slot(size_t row, size_t col) const { return slots[row * fields.size() + col]; }
    ValueKind kind(size_t row, size_t col) const { return slot(row, col).kind; }
    double number(size_t row, size_t col) const {
        const SheetSlot& s = slot(row, col);
        return s.kind == ValueKind::Text ? 0 : s.number;
    }
    std::string_view text(size_t row, size_t col) const {
        const SheetSlot& s = slot(row, col);
        if (s.kind != ValueKind::Text) return {};
        return s.converted ? converted[s.text] : (*strings)[s.text];
    }

    // Where a text's string object lives (its bytes too, for short texts): for prefetching.
    const void* textAddress(size_t row, size_t col) const {
        const SheetSlot& s = slot(row, col);
        return s.converted ? static_cast<const void*>(&converted[s.text])
                           : static_cast<const void*>(&(*strings)[s.text]);
    }

    const HashIndex& index(size_t column) const;
    // The index of a column's texts folded with `folds`, built on first use and kept.
    const FoldedIndex& foldedIndex(size_t column, uint32_t folds) const;
    size_t memoryBytes() const;

  private:
    mutable std::mutex indexMutex_;
    mutable std::vector<std::unique_ptr<HashIndex>> indexes_;
    mutable std::vector<std::pair<size_t, std::unique_ptr<FoldedIndex>>> foldedIndexes_;
};

// Builds the table of one sheet of a workbook read by formats::readWorkbook. `strings` holds the
// workbook's texts (moved out of it, so that its tables share them); the workbook's own strings
// vector is not used. A sheet whose used range would take far more slots than its values justify
// (formats::maxDenseCells) is refused with a TooLarge error naming `file` and the sheet.
std::shared_ptr<SheetTable> sheetToTable(const formats::Workbook& workbook,
                                         const formats::Sheet& sheet,
                                         std::shared_ptr<const std::vector<std::string>> strings,
                                         const std::string& file = {});

}  // namespace shuhui::workbooks
