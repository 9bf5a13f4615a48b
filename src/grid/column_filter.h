// A column filter of the result grid: one condition on one column, and what a column's drop-down
// offers to choose from. Plain data; the engine (grid_engine.h) evaluates the conditions.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "workbooks/result.h"

namespace shuhui::grid {

// One condition on one column. The value is compared with the cells as follows: a numeric value
// (Number, Date, Bool) against a numeric cell compares numbers; otherwise both sides compare as
// display texts (a filter text that reads as a number compares numerically with numeric cells).
// Blank means a Null cell or an empty text.
enum class FilterOp : uint8_t {
    Equal,
    NotEqual,
    Greater,
    GreaterOrEqual,
    Less,
    LessOrEqual,
    Contains,  // the cell's display text contains the value's text
    Blank,
    NonBlank,
    InList,  // the cell equals one of `values` (the ticked values of the drop-down)
};

struct ColumnFilter {
    FilterOp op = FilterOp::Equal;
    workbooks::Value value;                // for the comparisons and Contains
    std::vector<workbooks::Value> values;  // for InList; a Null entry ticks the blanks

    static ColumnFilter equals(workbooks::Value v) { return {FilterOp::Equal, std::move(v), {}}; }
    static ColumnFilter notEqual(workbooks::Value v) {
        return {FilterOp::NotEqual, std::move(v), {}};
    }
    static ColumnFilter greater(workbooks::Value v) {
        return {FilterOp::Greater, std::move(v), {}};
    }
    static ColumnFilter less(workbooks::Value v) { return {FilterOp::Less, std::move(v), {}}; }
    static ColumnFilter contains(std::string_view t) {
        return {FilterOp::Contains, workbooks::Value::fromText(t), {}};
    }
    static ColumnFilter blank() { return {FilterOp::Blank, {}, {}}; }
    static ColumnFilter nonBlank() { return {FilterOp::NonBlank, {}, {}}; }
    static ColumnFilter inList(std::vector<workbooks::Value> vs) {
        return {FilterOp::InList, {}, std::move(vs)};
    }
};

// What the drop-down of a column offers: its distinct non-blank values in ascending order (numbers
// before texts) and whether blank cells occur. Taken over all rows of the result.
struct DistinctValues {
    std::vector<workbooks::Value> values;
    bool hasBlanks = false;
};

}  // namespace shuhui::grid
