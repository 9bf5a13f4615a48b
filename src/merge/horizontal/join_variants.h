// The two other forms of the join of step ③, built from the texts the window kept from it.
//
//   allFieldsQuery({"工资$ T0", "考勤$ T1"}, from, where)
//     == "select T0.*,T1.* from " + from + " where " + where
//   LeftRightQuery q = leftRightQuery(driver, entries, "姓名", pages, from, where);   // q.query
//
// The left/right form, for two sheets A (table entry 0) and B (entry 1): the matched rows of the
// join, then the rows of A whose common field value B lacks, then the rows of B whose value A
// lacks; each part has one column per text of the sorted column list ("T0.基本工资", ...), the
// columns a part does not have filled with ' '. The page numbers a and b come from the aliases of
// the table entries; the sheets and their checked fields from the field pages of those numbers.
// The common field is cut at its first "#", as in the join.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "merge/horizontal/field_page.h"

namespace shuhui::merge::horizontal {

// The alias of a table entry: the text after its last blank.
std::string entryAlias(std::string_view tableEntry);

std::string allFieldsQuery(const std::vector<std::string>& tableEntries,
                           const std::string& fromClause, const std::string& whereClause);

struct LeftRightQuery {
    std::vector<std::string> columns;  // sorted column texts, "T0.基本工资"
    std::string selectA, selectB;      // select lists of the two one-sheet parts
    std::string joinPart, partA, partB;
    std::string query;  // joinPart + " union all " + partA + " union all " + partB
};

// Throws shuhui::Error (Incomplete) with fewer than two table entries, or when an entry's page is
// not among `pages`.
LeftRightQuery leftRightQuery(const std::string& driver,
                              const std::vector<std::string>& tableEntries,
                              std::string_view commonFieldText, const std::vector<FieldPage>& pages,
                              const std::string& fromClause, const std::string& whereClause);

inline constexpr const char* kLeftRightNeedsTwoSheets =
    "参与合并的表不足两个,请先按“③设置生成结果”重新生成合并结果!";

}  // namespace shuhui::merge::horizontal
