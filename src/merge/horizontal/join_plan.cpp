#include "merge/horizontal/join_plan.h"

#include "formats/error.h"
#include "workbooks/provider.h"

namespace shuhui::merge::horizontal {

namespace {

const char kRule[] = "------------------";

std::vector<std::string> memoLines(const JoinPlan& plan) {
    std::string names;
    for (const JoinTable& t : plan.tables) {
        if (!names.empty()) names += ",";
        names += "[" + t.sheet + "]";
    }
    std::vector<std::string> lines{"本次参与合并的表:", names, kRule, "表名与代号(右边):", kRule};
    for (const JoinTable& t : plan.tables) lines.push_back(t.tableEntry);
    lines.push_back(kRule);
    if (plan.offersLeftRight()) {
        lines.push_back(kRule);
        lines.push_back("本次合并参与表格个数为两个,结果会列出来表1有而表2无等这样的记录信息");
    }
    return lines;
}

}  // namespace

std::string commonFieldName(std::string_view text) {
    return std::string(text.substr(0, text.find('#')));
}

std::string fieldText(std::string_view name) {
    return name.empty() ? std::string() : workbooks::sqlFieldName(name);
}

JoinPlan planJoin(const std::vector<FieldPage>& pages, std::string_view commonFieldText,
                  const std::string& driver) {
    if (commonFieldText.empty()) throw Error(ErrorKind::Incomplete, kNoCommonField);
    JoinPlan plan;
    plan.driver = driver;
    plan.commonField = commonFieldName(commonFieldText);
    const std::string f = fieldText(plan.commonField);

    for (const FieldPage& page : pages) {
        if (!page.participates()) continue;
        JoinTable t;
        t.page = page.page;
        t.alias = aliasOf(page.page);
        t.path = page.path;
        t.sheet = page.sheet;
        t.fields = page.checkedFields();
        t.fromEntry = workbooks::sheetReference(driver, page.path, page.sheet) + " " + t.alias;
        t.tableEntry = page.sheet + " " + t.alias;
        for (const std::string& field : t.fields) {
            if (!plan.selectList.empty()) plan.selectList += ",";
            plan.selectList += t.alias + "." + fieldText(field);
        }
        plan.tables.push_back(std::move(t));
    }

    for (size_t i = 0; i < plan.tables.size(); ++i) {
        const JoinTable& t = plan.tables[i];
        if (i > 0) {
            plan.fromClause += ",";
            plan.tableList += "|";
        }
        plan.fromClause += "  " + t.fromEntry;
        plan.tableList += t.tableEntry;
        if (i == 0) {
            plan.whereClause += " " + t.alias + "." + f + "=";
        } else if (i == 1) {
            plan.whereClause += " " + t.alias + "." + f;
        } else {
            const std::string& prev = plan.tables[i - 1].alias;
            plan.whereClause += " and " + prev + "." + f + "=" + t.alias + "." + f;
        }
        if (i > 0) plan.chain.push_back({plan.tables[i - 1].alias, t.alias});
    }
    plan.query =
        "select " + plan.selectList + " from " + plan.fromClause + " where " + plan.whereClause;
    plan.memo = memoLines(plan);
    return plan;
}

}  // namespace shuhui::merge::horizontal
