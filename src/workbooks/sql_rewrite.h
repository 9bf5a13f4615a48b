// Turning the query texts the program sends into texts the embedded SQL engine runs.
//
//   auto refs = findSheetReferences(sql);  // every [driver;database=PATH].[SHEET], in order
//   auto q = rewriteQuery(sql, refs, names);  // references -> table names, "top N" -> LIMIT
//
// The scanner skips string literals ('...', with '' inside), quoted names and comments. A bracketed
// name [a b] becomes the quoted name "a b" ("]]" inside brackets stands for one "]"; a "[" without
// its "]" is a syntax error); a double-quoted "text" is a text and becomes 'text'. "select top
// N" loses its "top N" and gains a LIMIT at the end of that select; a select that is one branch of
// a compound (union all) is wrapped as "select * from (... limit N)" because LIMIT may stand only
// at the end of a whole compound.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shuhui::workbooks {

struct SheetRef {
    std::string driver;  // "Excel 8.0", as written
    std::string path;
    std::string sheet;          // as written, surrounding single quotes removed
    std::string alias;          // the name after the reference (T0), empty when none
    size_t begin = 0, end = 0;  // the reference's place in the text, [begin, end)
};

// Throws shuhui::Error(Syntax) when a second statement follows the first (";" and more than
// blanks or comments after it); a single statement may end with ";".
void checkSingleStatement(std::string_view sql, const std::vector<SheetRef>& refs);

// Throws shuhui::Error(Syntax) for a reference that is not closed.
std::vector<SheetRef> findSheetReferences(std::string_view sql);

// `tables[i]` replaces reference i of findSheetReferences(sql).
std::string rewriteQuery(std::string_view sql, const std::vector<SheetRef>& refs,
                         const std::vector<std::string>& tables);

// One branch of a plain union: "select [top N] <fields or *> from <reference> [alias]".
struct PlainSelect {
    size_t ref = 0;                       // index into the references
    std::vector<std::string> fields;      // as written, brackets removed; empty for "*"
    std::vector<std::string> qualifiers;  // the "T0" of "T0.姓名", empty when none
    std::optional<size_t> top;
};

// The branches of a query that only stacks plain selects of whole sheets with "union all" (a single
// plain select too), which can be answered without the SQL engine; nullopt for anything else.
std::optional<std::vector<PlainSelect>> plainUnion(std::string_view sql,
                                                   const std::vector<SheetRef>& refs);

// An inner join as the join step writes it: "select T0.a,T1.*,... from <reference> T0, <reference>
// T1, ... where T0.k= T1.k and T1.k=T2.k". Every item and every side of an equality is qualified
// by an alias.
struct PlainJoin {
    struct Item {
        std::string qualifier, field;  // field empty for "T0.*"
    };
    struct Equality {
        std::string leftQualifier, leftField, rightQualifier, rightField;
        std::string collation;  // "T0.k collate KEYFOLD= T1.k": KEYFOLD; empty when none
    };
    std::vector<size_t> tables;  // references in from order
    std::vector<Item> items;
    std::vector<Equality> equalities;
};
std::optional<PlainJoin> plainJoin(std::string_view sql, const std::vector<SheetRef>& refs);

}  // namespace shuhui::workbooks
