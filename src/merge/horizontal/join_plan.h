// Step ③, the join plan: from the field pages and the common field, the inner join of every
// participating sheet on that field, with the texts the window keeps and the analysis it shows.
//
//   JoinPlan plan = planJoin(pages, "姓名", "Excel 8.0");   // throws when the field text is empty
//   plan.query == "select T0.姓名,T1.应扣金额 from   [Excel 8.0;database=...].[工资$] T0,  "
//                 "[Excel 8.0;database=...].[考勤$] T1 where  T0.姓名= T1.姓名"
//
// The participating sheets are the pages with a checked field, in page order; each keeps the alias
// of its page number (T0, T2 when page 1 does not take part). The common field F is the field text
// up to its first "#". The where clause chains the sheets: " T0.F=" " T1.F" then " and T1.F=T2.F"
// for every further sheet. Field names that the provider cannot take bare get brackets
// (workbooks::sqlFieldName); plain names are written as listed.
//
// The plan is plain data: the sheets, their aliases, the common field and the chain of equalities
// are there for whoever wants to look at the join before running it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "merge/horizontal/field_page.h"

namespace shuhui::merge::horizontal {

struct JoinTable {
    int page = 0;
    std::string alias;  // "T" + page
    std::string path;
    std::string sheet;
    std::vector<std::string> fields;  // checked fields in item order, as listed
    std::string fromEntry;            // sheet reference + " " + alias
    std::string tableEntry;           // sheet + " " + alias
};

// One equality of the where clause: left.F = right.F.
struct JoinLink {
    std::string leftAlias, rightAlias;
};

struct JoinPlan {
    std::string driver;
    std::string commonField;        // F
    std::vector<JoinTable> tables;  // participating sheets, page order
    std::vector<JoinLink> chain;    // neighbouring sheets, in order; empty for fewer than two

    std::string selectList;  // "T0.姓名,T0.基本工资,..."
    std::string fromClause;  // "  [ref] T0,  [ref] T1"
    std::string whereClause;
    std::string tableList;          // "工资$ T0|考勤$ T1"
    std::string query;              // "select " + select + " from " + from + " where " + where
    std::vector<std::string> memo;  // the analysis lines

    // The two-sheet variant (rows only one sheet has) is offered for exactly two sheets.
    bool offersLeftRight() const { return tables.size() == 2; }
};

// The common field F: `text` up to its first "#".
std::string commonFieldName(std::string_view text);

// A field name as the query texts carry it: plain names unchanged, others in brackets; the empty
// name stays empty.
std::string fieldText(std::string_view name);

// Throws shuhui::Error (Incomplete, "共用字段必须指定!") when `commonFieldText` is empty.
JoinPlan planJoin(const std::vector<FieldPage>& pages, std::string_view commonFieldText,
                  const std::string& driver);

inline constexpr const char* kNoCommonField = "共用字段必须指定!";

}  // namespace shuhui::merge::horizontal
