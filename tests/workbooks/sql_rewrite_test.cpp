// Scanning query texts for sheet references and turning "select top N" into LIMIT.
#include "workbooks/sql_rewrite.h"

#include <gtest/gtest.h>

#include "formats/error.h"

namespace shuhui::workbooks {
namespace {

std::string rewrite(const std::string& sql) {
    const auto refs = findSheetReferences(sql);
    std::vector<std::string> names;
    for (size_t i = 0; i < refs.size(); ++i)
        names.push_back(std::string("t").append(std::to_string(i)));
    std::string out = rewriteQuery(sql, refs, names);
    // Compare with single blanks.
    std::string squeezed;
    for (char c : out)
        if (!(c == ' ' && (squeezed.empty() || squeezed.back() == ' '))) squeezed += c;
    while (!squeezed.empty() && squeezed.back() == ' ') squeezed.pop_back();
    return squeezed;
}

TEST(SqlRewrite, ReferencesAreFoundOutsideLiterals) {
    const std::string sql =
        "select T0.姓名,'[Excel 8.0;database=x].[y$]' from   [Excel "
        "8.0;database=D:\\data\\工资.xls].[工资$] T0,"
        "  [Excel 12.0;database=E:\\b c\\考勤.xlsx].['Sheet 1$'] as T1 where  T0.姓名= T1.姓名";
    const auto refs = findSheetReferences(sql);
    ASSERT_EQ(refs.size(), 2u);
    EXPECT_EQ(refs[0].driver, "Excel 8.0");
    EXPECT_EQ(refs[0].path, "D:\\data\\工资.xls");
    EXPECT_EQ(refs[0].sheet, "工资$");
    EXPECT_EQ(refs[0].alias, "T0");
    EXPECT_EQ(refs[1].driver, "Excel 12.0");
    EXPECT_EQ(refs[1].path, "E:\\b c\\考勤.xlsx");
    EXPECT_EQ(refs[1].sheet, "Sheet 1$");
    EXPECT_EQ(refs[1].alias, "T1");
    EXPECT_THROW(findSheetReferences("select * from [Excel 8.0;database=a.xls] where"), Error);
}

TEST(SqlRewrite, TopBecomesLimitWhereSqlAllowsIt) {
    struct Case {
        std::string in, out;
    };
    const std::string r = "[Excel 8.0;database=C:\\a.xls].[s$]";
    const Case cases[] = {
        {"select top 1 * from " + r, "select * from t0 limit 1"},
        {"select  * from " + r, "select * from t0"},
        {"select top 5 a from " + r + " order by a", "select a from t0 order by a limit 5"},
        {"select a from " + r + " where a in(select top 2 b from " + r + ")",
         "select a from t0 where a in(select b from t1 limit 2 )"},
        {"select top 1 a from " + r + " union all select top 2 a from " + r,
         "select * from (select a from t0 limit 1) union all select * from (select a from t1 limit "
         "2)"},
        {"select [base pay],[a]]b] from " + r, "select \"base pay\",\"a]b\" from t0"},
        // a double-quoted text is a text, as a single-quoted one
        {"select 'top 1',\"x\" from " + r, "select 'top 1','x' from t0"},
        {"select [a b],\"it's \"\"q\"\"\" from " + r, "select \"a b\",'it''s \"q\"' from t0"},
    };
    for (const Case& c : cases) EXPECT_EQ(rewrite(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace shuhui::workbooks
