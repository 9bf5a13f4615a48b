// Building result columns: the field types the engine declares, the values appended under the
// typing rules of a result (a date column takes dates, a text among numbers turns the column into
// text, nothing is dropped), unique field names, and the copy of a prepared statement's rows.
// The fast paths of the join and the union use the same rules, so every route gives the same
// result for the same query.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "formats/numfmt.h"
#include "workbooks/result.h"
#include "workbooks/sql_rewrite.h"

namespace shuhui::workbooks {

// The field type of a declared column type (FLOAT, CURRENCY, DATETIME, BOOLEAN, else String);
// `known` is false for an expression, whose type its first value decides.
FieldType typeOfDecl(const char* decl, bool& known);

// True when the text holds nothing but blanks (space, tab, line breaks).
inline bool blankOnly(std::string_view t) {
    for (char c : t)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
    return true;
}

// Turns a column into a text column, every value written as the grid shows it.
void demoteToText(Column& c);

// A number into a result column: as a date, a boolean, a number, or as the text General shows.
inline void appendNumberAs(Column& col, double v) {
    switch (col.type()) {
        case FieldType::DateTime:
            col.appendDate(v);
            break;
        case FieldType::Boolean:
            col.appendBool(v != 0);
            break;
        case FieldType::String:
            col.appendText(formats::formatGeneral(v));
            break;
        default:
            col.appendNumber(v);
            break;
    }
}

// A text into a result column. Under a column of another type a blank-only text (the ' ' filler of
// a union) is an empty cell and any other text turns the column into text; no value is dropped.
inline void appendTextAs(Column& col, std::string_view s) {
    if (col.type() != FieldType::String) {
        if (blankOnly(s)) {
            col.appendNull();
            return;
        }
        demoteToText(col);
    }
    col.appendText(s);
}

// Result field names made unique: a name that occurs twice (T0.*,T1.* both hold 姓名) is told
// apart by its table's alias (T0.姓名, T1.姓名); what is still repeated gets a numeric suffix.
std::vector<std::string> uniqueFieldNames(std::vector<std::string> names,
                                          const std::vector<std::string>& aliases);

// Copies the rows of a prepared statement into a new Result. Field names are the engine's (an
// unnamed expression is Expr1000, Expr1001, ...; a repeated name gets its table's alias from
// `refs`, whose engine names are `names`); types come from the declared types. An error while
// stepping is thrown in the user's terms. expectedRows is reserved up front.
std::shared_ptr<Result> resultOfStatement(sqlite3_stmt* stmt, const std::vector<SheetRef>& refs,
                                          const std::vector<std::string>& names,
                                          size_t expectedRows);

}  // namespace shuhui::workbooks
