// The join of step ③ and its two other forms, as texts: the two- and three-sheet joins to the
// character, the edge cases of page numbers, participation, the common field text and names that
// need brackets.
#include <gtest/gtest.h>

#include "formats/error.h"
#include "merge/horizontal/join_plan.h"
#include "merge/horizontal/join_variants.h"
#include "pages.h"
#include "workbooks/sql_rewrite.h"

namespace shuhui::merge::horizontal {
namespace {

using test::Attendance;
using test::Insurance;
using test::Page;
using test::Pay;
using Lines = std::vector<std::string>;

const std::string kPayRef = "[Excel 8.0;database=D:\\data\\工资.xls].[工资$]";
const std::string kAttRef = "[Excel 8.0;database=D:\\data\\考勤.xls].[考勤$]";
const std::string kInsRef = "[Excel 8.0;database=D:\\data\\社保.xls].[社保$]";

// The provider answers the plain inner join from its cached sheets without the SQL engine; the
// join texts must keep the shape it recognises.
bool HitsJoinFastPath(const std::string& sql) {
    return workbooks::plainJoin(sql, workbooks::findSheetReferences(sql)).has_value();
}

TEST(JoinPlan, TwoSheetExample) {
    const JoinPlan p = planJoin({Pay(), Attendance()}, "姓名", "Excel 8.0");
    EXPECT_EQ(p.selectList, "T0.姓名,T0.基本工资,T0.奖金,T1.应扣金额");
    EXPECT_EQ(p.tableList, "工资$ T0|考勤$ T1");
    EXPECT_EQ(p.whereClause, " T0.姓名= T1.姓名");
    EXPECT_EQ(p.fromClause, "  " + kPayRef + " T0,  " + kAttRef + " T1");
    EXPECT_EQ(p.query,
              "select T0.姓名,T0.基本工资,T0.奖金,T1.应扣金额 from   [Excel 8.0;database=D:\\data\\"
              "工资.xls].[工资$] T0,  [Excel 8.0;database=D:\\data\\考勤.xls].[考勤$] T1 where  "
              "T0.姓名= T1.姓名");
    EXPECT_EQ(p.memo,
              (Lines{"本次参与合并的表:", "[工资$],[考勤$]", "------------------",
                     "表名与代号(右边):", "------------------", "工资$ T0", "考勤$ T1",
                     "------------------", "------------------",
                     "本次合并参与表格个数为两个,结果会列出来表1有而表2无等这样的记录信息"}));
    EXPECT_TRUE(p.offersLeftRight());
    EXPECT_TRUE(HitsJoinFastPath(p.query));
    // The plan as data: sheets, aliases, common field, chain.
    ASSERT_EQ(p.tables.size(), 2u);
    EXPECT_EQ(p.tables[1].alias, "T1");
    EXPECT_EQ(p.tables[1].path, "D:\\data\\考勤.xls");
    EXPECT_EQ(p.tables[1].fields, Lines{"应扣金额"});
    EXPECT_EQ(p.commonField, "姓名");
    ASSERT_EQ(p.chain.size(), 1u);
    EXPECT_EQ(p.chain[0].leftAlias + p.chain[0].rightAlias, "T0T1");
}

TEST(JoinPlan, ThreeSheetExample) {
    const JoinPlan p = planJoin({Pay(), Attendance(), Insurance()}, "姓名", "Excel 8.0");
    EXPECT_EQ(p.whereClause, " T0.姓名= T1.姓名 and T1.姓名=T2.姓名");
    EXPECT_EQ(p.query,
              "select T0.姓名,T0.基本工资,T0.奖金,T1.应扣金额,T2.医保扣款,T2.社保扣款 from   "
              "[Excel 8.0;database=D:\\data\\工资.xls].[工资$] T0,  [Excel 8.0;database=D:\\data\\"
              "考勤.xls].[考勤$] T1,  [Excel 8.0;database=D:\\data\\社保.xls].[社保$] T2 where  "
              "T0.姓名= T1.姓名 and T1.姓名=T2.姓名");
    EXPECT_EQ(p.memo, (Lines{"本次参与合并的表:", "[工资$],[考勤$],[社保$]", "------------------",
                             "表名与代号(右边):", "------------------", "工资$ T0", "考勤$ T1",
                             "社保$ T2", "------------------"}));
    EXPECT_FALSE(p.offersLeftRight());
    EXPECT_EQ(p.chain.size(), 2u);
    EXPECT_TRUE(HitsJoinFastPath(p.query));
}

TEST(JoinPlan, PagesThatTakeNoPartLeaveGapsInTheAliases) {
    const JoinPlan p =
        planJoin({Pay(0, "姓名* 性别"), Attendance(1, "姓名 月份 应扣金额"), Insurance(2)}, "姓名",
                 "Excel 8.0");
    EXPECT_EQ(p.selectList, "T0.姓名,T2.医保扣款,T2.社保扣款");
    EXPECT_EQ(p.whereClause, " T0.姓名= T2.姓名");
    EXPECT_EQ(p.tableList, "工资$ T0|社保$ T2");
    EXPECT_EQ(p.fromClause, "  " + kPayRef + " T0,  " + kInsRef + " T2");
    EXPECT_TRUE(p.offersLeftRight());
    // Page 10 gets T10, without leading zeros.
    EXPECT_EQ(planJoin({Pay(10)}, "姓名", "Excel 8.0").tableList, "工资$ T10");
}

TEST(JoinPlan, OneOrNoParticipatingSheet) {
    const JoinPlan one = planJoin({Pay(), Attendance(1, "姓名 月份")}, "姓名", "Excel 8.0");
    EXPECT_EQ(one.whereClause, " T0.姓名=");
    EXPECT_EQ(one.memo,
              (Lines{"本次参与合并的表:", "[工资$]", "------------------",
                     "表名与代号(右边):", "------------------", "工资$ T0", "------------------"}));
    EXPECT_FALSE(one.offersLeftRight());
    EXPECT_TRUE(one.chain.empty());

    const JoinPlan none = planJoin({Pay(0, "姓名 性别")}, "姓名", "Excel 8.0");
    EXPECT_EQ(none.query, "select  from  where ");
    EXPECT_EQ(none.memo, (Lines{"本次参与合并的表:", "", "------------------",
                                "表名与代号(右边):", "------------------", "------------------"}));
    EXPECT_EQ(planJoin({}, "姓名", "Excel 8.0").query, "select  from  where ");
}

TEST(JoinPlan, CommonFieldText) {
    const struct {
        const char* text;
        const char* field;
        const char* where;
    } cases[] = {
        {"姓名", "姓名", " T0.姓名= T1.姓名"},
        {"姓名#工号", "姓名", " T0.姓名= T1.姓名"},
        {"#工号", "", " T0.= T1."},
        {"base pay", "base pay", " T0.[base pay]= T1.[base pay]"},
        {"base pay#x", "base pay", " T0.[base pay]= T1.[base pay]"},
    };
    for (const auto& c : cases) {
        const JoinPlan p = planJoin({Pay(), Attendance()}, c.text, "Excel 8.0");
        EXPECT_EQ(p.commonField, c.field) << c.text;
        EXPECT_EQ(p.whereClause, c.where) << c.text;
    }
    EXPECT_EQ(commonFieldName("a#b#c"), "a");
}

TEST(JoinPlan, EmptyCommonFieldIsRefused) {
    try {
        planJoin({Pay(), Attendance()}, "", "Excel 8.0");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::Incomplete);
        EXPECT_STREQ(e.what(), "共用字段必须指定!");
    }
}

TEST(JoinPlan, SheetNameWithABlankKeepsItsPageAlias) {
    const JoinPlan p =
        planJoin({Page(0, "/d/a.xls", "Sheet 1$", "k* v"), Page(1, "/d/b.xls", "Sheet1$", "k v*")},
                 "k", "Excel 12.0");
    EXPECT_EQ(p.tableList, "Sheet 1$ T0|Sheet1$ T1");
    EXPECT_EQ(p.fromClause,
              "  [Excel 12.0;database=/d/a.xls].[Sheet 1$] T0,  [Excel 12.0;database=/d/b.xls]."
              "[Sheet1$] T1");
    EXPECT_EQ(entryAlias("Sheet 1$ T0"), "T0");
    EXPECT_TRUE(HitsJoinFastPath(p.query));
}

TEST(JoinPlan, CommonFieldCheckedOnNoPageStillJoins) {
    const JoinPlan p = planJoin({Pay(0, "姓名 奖金*"), Attendance()}, "姓名", "Excel 8.0");
    EXPECT_EQ(p.selectList, "T0.奖金,T1.应扣金额");
    EXPECT_EQ(p.whereClause, " T0.姓名= T1.姓名");
}

TEST(JoinPlan, NamesThatNeedBracketsGetThem) {
    const JoinPlan p =
        planJoin({Page(0, "/d/a.xls", "A$", "工号* base_pay* [x]* a.b* 1月* select*"),
                  Page(1, "/d/b.xls", "B$", "工号 入职~日期*")},
                 "工号", "Excel 8.0");
    EXPECT_EQ(p.selectList,
              "T0.工号,T0.base_pay,T0.[[x]]],T0.[a.b],T0.[1月],T0.[select],T1.[入职 日期]");
    EXPECT_TRUE(HitsJoinFastPath(p.query));
}

TEST(JoinPlan, TheDriverIsTheOneGiven) {
    const JoinPlan p = planJoin({Pay(), Attendance()}, "姓名", "Excel 12.0");
    EXPECT_EQ(p.fromClause.substr(0, 15), "  [Excel 12.0;d");
    EXPECT_EQ(p.tables[0].fromEntry, "[Excel 12.0;database=D:\\data\\工资.xls].[工资$] T0");
}

TEST(JoinPlan, SameInputSameQuery) {
    const std::vector<FieldPage> pages{Pay(), Attendance(), Insurance()};
    EXPECT_EQ(planJoin(pages, "姓名", "Excel 8.0").query,
              planJoin(pages, "姓名", "Excel 8.0").query);
}

TEST(AllFields, SelectsEveryFieldOfEveryEntry) {
    const JoinPlan p = planJoin({Pay(), Attendance()}, "姓名", "Excel 8.0");
    const std::string q = allFieldsQuery({"工资$ T0", "考勤$ T1"}, p.fromClause, p.whereClause);
    EXPECT_EQ(q,
              "select T0.*,T1.* from   [Excel 8.0;database=D:\\data\\工资.xls].[工资$] T0,  "
              "[Excel 8.0;database=D:\\data\\考勤.xls].[考勤$] T1 where  T0.姓名= T1.姓名");
    EXPECT_TRUE(HitsJoinFastPath(q));
    EXPECT_EQ(allFieldsQuery({"a T0", "b T1", "c T2"}, "F", "W"),
              "select T0.*,T1.*,T2.* from F where W");
    EXPECT_EQ(allFieldsQuery({"a T0", "Sheet 1$ T2"}, "F", "W"), "select T0.*,T2.* from F where W");
    EXPECT_EQ(allFieldsQuery({}, "", ""), "select  from  where ");
}

TEST(LeftRight, TwoSheetExample) {
    const std::vector<FieldPage> pages{Pay(), Attendance()};
    const JoinPlan p = planJoin(pages, "姓名", "Excel 8.0");
    const LeftRightQuery q = leftRightQuery("Excel 8.0", {"工资$ T0", "考勤$ T1"}, "姓名", pages,
                                            p.fromClause, p.whereClause);
    EXPECT_EQ(q.columns, (Lines{"T0.基本工资", "T0.奖金", "T0.姓名", "T1.姓名", "T1.应扣金额"}));
    EXPECT_EQ(q.selectA, "T0.基本工资,T0.奖金,T0.姓名,' ',' '");
    EXPECT_EQ(q.selectB, "' ',' ',' ',T1.姓名,T1.应扣金额");
    EXPECT_EQ(q.query,
              "select T0.基本工资,T0.奖金,T0.姓名,T1.姓名,T1.应扣金额 from   [Excel 8.0;database=D:"
              "\\data\\工资.xls].[工资$] T0,  [Excel 8.0;database=D:\\data\\考勤.xls].[考勤$] T1 "
              "where  T0.姓名= T1.姓名 union all select T0.基本工资,T0.奖金,T0.姓名,' ',' ' from "
              "[Excel 8.0;database=D:\\data\\工资.xls].[工资$] T0 where T0.姓名 not in(select "
              "T1.姓名 from [Excel 8.0;database=D:\\data\\考勤.xls].[考勤$] T1) union all select "
              "' ',' ',' ',T1.姓名,T1.应扣金额 from [Excel 8.0;database=D:\\data\\考勤.xls].[考勤$]"
              " T1 where T1.姓名 not in(select T0.姓名 from [Excel 8.0;database=D:\\data\\工资.xls]"
              ".[工资$] T0)");
}

TEST(LeftRight, CommonFieldCheckedOnNeitherSheet) {
    const std::vector<FieldPage> pages{Pay(0, "姓名 奖金*"), Attendance()};
    const LeftRightQuery q =
        leftRightQuery("Excel 8.0", {"工资$ T0", "考勤$ T1"}, "姓名", pages, "F", "W");
    EXPECT_EQ(q.columns, (Lines{"T0.奖金", "T0.姓名", "T1.姓名", "T1.应扣金额"}));
    EXPECT_EQ(q.selectA, "T0.奖金,T0.姓名,' ',' '");
    EXPECT_EQ(q.selectB, "' ',' ',T1.姓名,T1.应扣金额");
}

TEST(LeftRight, PagesComeFromTheEntriesAndTheFieldIsCutAtHash) {
    // Pages 0 and 2 take part; one sheet name holds a blank; the field text holds "#".
    const std::vector<FieldPage> pages{Page(0, "/d/a.xls", "Sheet 1$", "k v*"),
                                       Page(1, "/d/x.xls", "X$", "k"),
                                       Page(2, "/d/b.xls", "B$", "K w*")};
    const LeftRightQuery q =
        leftRightQuery("Excel 12.0", {"Sheet 1$ T0", "B$ T2"}, "k#备注", pages, "F", "W");
    EXPECT_EQ(q.columns, (Lines{"T0.k", "T0.v", "T2.k", "T2.w"}));
    EXPECT_EQ(q.partA,
              "select T0.k,T0.v,' ',' ' from [Excel 12.0;database=/d/a.xls].[Sheet 1$] T0 where "
              "T0.k not in(select T2.k from [Excel 12.0;database=/d/b.xls].[B$] T2)");
    EXPECT_EQ(q.partB,
              "select ' ',' ',T2.k,T2.w from [Excel 12.0;database=/d/b.xls].[B$] T2 where T2.k not "
              "in(select T0.k from [Excel 12.0;database=/d/a.xls].[Sheet 1$] T0)");
    EXPECT_EQ(q.joinPart, "select T0.k,T0.v,T2.k,T2.w from F where W");
}

TEST(LeftRight, NamesThatNeedBracketsGetThem) {
    const std::vector<FieldPage> pages{Page(0, "/d/a.xls", "A$", "员工号* base~pay*"),
                                       Page(1, "/d/b.xls", "B$", "员工号 扣款*")};
    const LeftRightQuery q =
        leftRightQuery("Excel 8.0", {"A$ T0", "B$ T1"}, "员工号", pages, "F", "W");
    EXPECT_EQ(q.selectA, "T0.员工号,T0.[base pay],' ',' '");
    EXPECT_EQ(q.joinPart, "select T0.员工号,T0.[base pay],T1.扣款,T1.员工号 from F where W");
}

TEST(LeftRight, FewerThanTwoEntriesIsRefused) {
    for (const Lines& entries : {Lines{}, Lines{"工资$ T0"}}) {
        try {
            leftRightQuery("Excel 8.0", entries, "姓名", {Pay(), Attendance()}, "", "");
            FAIL() << entries.size();
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), ErrorKind::Incomplete);
            EXPECT_STREQ(e.what(), kLeftRightNeedsTwoSheets);
        }
    }
}

}  // namespace
}  // namespace shuhui::merge::horizontal
