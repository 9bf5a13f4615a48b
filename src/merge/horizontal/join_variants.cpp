#include "merge/horizontal/join_variants.h"

#include <algorithm>

#include "formats/error.h"
#include "merge/horizontal/join_plan.h"
#include "merge/horizontal/name_list.h"
#include "workbooks/provider.h"

namespace shuhui::merge::horizontal {

std::string entryAlias(std::string_view tableEntry) {
    const size_t blank = tableEntry.rfind(' ');
    return std::string(blank == std::string_view::npos ? tableEntry : tableEntry.substr(blank + 1));
}

std::string allFieldsQuery(const std::vector<std::string>& tableEntries,
                           const std::string& fromClause, const std::string& whereClause) {
    std::string select;
    for (const std::string& entry : tableEntries) select += entryAlias(entry) + ".*,";
    if (!select.empty()) select.pop_back();
    return "select " + select + " from " + fromClause + " where " + whereClause;
}

namespace {

// The page number of a table entry: its alias without the leading "T".
int entryPage(const std::string& entry) {
    const std::string alias = entryAlias(entry);
    if (alias.size() < 2 || (alias[0] != 'T' && alias[0] != 't') ||
        !std::all_of(alias.begin() + 1, alias.end(), [](char c) { return c >= '0' && c <= '9'; }))
        throw Error(ErrorKind::Incomplete, kLeftRightNeedsTwoSheets);
    return std::stoi(alias.substr(1));
}

const FieldPage& pageNumbered(const std::vector<FieldPage>& pages, int n) {
    for (const FieldPage& p : pages)
        if (p.page == n) return p;
    throw Error(ErrorKind::Incomplete, kLeftRightNeedsTwoSheets);
}

// "T0.a b" -> "T0.[a b]": the alias has no ".", so the first "." ends it.
std::string columnText(const std::string& column) {
    const size_t dot = column.find('.');
    return column.substr(0, dot + 1) + fieldText(column.substr(dot + 1));
}

bool holds(const std::vector<std::string>& list, const std::string& text) {
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& x) { return sameName(x, text); });
}

std::string partSelect(const std::vector<std::string>& columns, const std::vector<std::string>& own,
                       const std::string& ownKey) {
    std::string select;
    for (const std::string& x : columns) {
        if (holds(own, x) || x == ownKey)
            select += columnText(x) + ",";
        else
            select += "' ',";
    }
    if (!select.empty()) select.pop_back();
    return select;
}

}  // namespace

LeftRightQuery leftRightQuery(const std::string& driver,
                              const std::vector<std::string>& tableEntries,
                              std::string_view commonFieldText, const std::vector<FieldPage>& pages,
                              const std::string& fromClause, const std::string& whereClause) {
    if (tableEntries.size() < 2) throw Error(ErrorKind::Incomplete, kLeftRightNeedsTwoSheets);
    const int a = entryPage(tableEntries[0]);
    const int b = entryPage(tableEntries[1]);
    const FieldPage& pa = pageNumbered(pages, a);
    const FieldPage& pb = pageNumbered(pages, b);
    const std::string c = commonFieldName(commonFieldText);
    const std::string ta = aliasOf(a), tb = aliasOf(b);

    NameList columns;
    std::vector<std::string> first, second;
    const std::string keyA = ta + "." + c, keyB = tb + "." + c;
    columns.add(keyA);
    for (const std::string& f : pa.checkedFields()) {
        columns.add(ta + "." + f);
        first.push_back(ta + "." + f);
    }
    columns.add(keyB);
    for (const std::string& f : pb.checkedFields()) {
        columns.add(tb + "." + f);
        second.push_back(tb + "." + f);
    }

    LeftRightQuery q;
    q.columns = columns.names();
    q.selectA = partSelect(q.columns, first, keyA);
    if (const size_t twice = q.selectA.find(",,"); twice != std::string::npos)
        q.selectA.erase(twice, 1);  // ",," becomes ","
    q.selectB = partSelect(q.columns, second, keyB);

    const std::string refA = workbooks::sheetReference(driver, pa.path, pa.sheet);
    const std::string refB = workbooks::sheetReference(driver, pb.path, pb.sheet);
    const std::string cf = fieldText(c);
    q.partA = "select " + q.selectA + " from " + refA + " " + ta + " where " + ta + "." + cf +
              " not in(select " + tb + "." + cf + " from " + refB + " " + tb + ")";
    q.partB = "select " + q.selectB + " from " + refB + " " + tb + " where " + tb + "." + cf +
              " not in(select " + ta + "." + cf + " from " + refA + " " + ta + ")";
    std::string all;
    for (const std::string& x : q.columns) {
        if (!all.empty()) all += ',';
        all += columnText(x);
    }
    q.joinPart = "select " + all + " from " + fromClause + " where " + whereClause;
    q.query = q.joinPart + " union all " + q.partA + " union all " + q.partB;
    return q;
}

}  // namespace shuhui::merge::horizontal
