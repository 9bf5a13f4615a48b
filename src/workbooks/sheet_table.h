// A worksheet seen as a table: named, typed columns of values, and hash indexes over them.
//
//   SheetTable t = sheetToTable(workbook, sheet);   // header row -> field names, rows below ->
//   data const HashIndex& ix = t.index(col);             // built on first use, kept with the table
//   for (uint32_t r = ix.first(key); r != kNoRow; r = ix.next(r)) ...
//
// The first row of the sheet's data range names the fields (an empty header cell is F<n>, a
// repeated name gets a numeric suffix); every row below, up to the last row holding a value, is a
// data row. A column's type is decided from all of its values: numbers -> Float (Currency when
// every number shows a currency sign), dates -> DateTime, booleans -> Boolean, nothing -> String,
// and any mixture
// -> String with every value written as the spreadsheet shows it. Dates are 1900-system serials.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "formats/workbook.h"
#include "workbooks/result.h"

namespace shuhui::workbooks {

constexpr uint32_t kNoRow = 0xFFFFFFFFu;

// Chains of rows by the hash of their key. Text keys are hashed with ASCII letters folded to lower
// case (the NOCASE collation folds ASCII only), so one index serves exact and case-blind lookups;
// callers compare the candidates themselves.
class HashIndex {
  public:
    explicit HashIndex(const Column& column);
    uint32_t firstNumber(double key) const;
    uint32_t firstText(std::string_view key) const;
    uint32_t next(uint32_t row) const { return next_[row]; }
    size_t memoryBytes() const { return (heads_.size() + next_.size()) * sizeof(uint32_t); }

    static uint64_t hashNumber(double v);
    static uint64_t hashTextNoCase(std::string_view t);

  private:
    uint32_t headFor(uint64_t hash) const { return heads_[hash & mask_]; }

    std::vector<uint32_t> heads_;
    std::vector<uint32_t> next_;
    uint64_t mask_ = 0;
};

// ASCII-case-blind equality, the NOCASE collation of the engine.
bool equalsNoCase(std::string_view a, std::string_view b);

struct SheetTable {
    std::string name;  // the table name, worksheet name followed by "$"
    std::vector<Column> columns;
    size_t rows = 0;
    bool complete = true;  // false when built from the first rows only

    const HashIndex& index(size_t column) const;
    size_t memoryBytes() const;

  private:
    mutable std::mutex indexMutex_;
    mutable std::vector<std::unique_ptr<HashIndex>> indexes_;
};

// Builds the table of one sheet of a workbook read by formats::readWorkbook.
std::shared_ptr<SheetTable> sheetToTable(const formats::Workbook& workbook,
                                         const formats::Sheet& sheet);

}  // namespace shuhui::workbooks
