// The header capture and the three forms of the join, run through the provider on fixture
// workbooks written by xlwt, openpyxl, LibreOffice and Gnumeric; the rows are compared whole.
#include <gtest/gtest.h>

#include <set>

#include "formats/error.h"
#include "merge/horizontal/headers.h"
#include "merge/horizontal/join_plan.h"
#include "merge/horizontal/join_variants.h"
#include "workbooks/test_support.h"

namespace shuhui::merge::horizontal {
namespace {

using workbooks::test::fieldNames;
using workbooks::test::fixture;
using workbooks::test::rows;
using Lines = std::vector<std::string>;

std::string Formats(const std::string& name) {
    return std::string(SHUHUI_FIXTURES) + "/formats/" + name;
}

// Step ① on one sheet: the page with its captured fields, `checked` of them checked.
FieldPage Capture(int n, const std::string& driver, const std::string& path,
                  const std::string& sheet, const std::set<std::string>& checked) {
    workbooks::Connection conn;
    conn.setConnectionString(workbooks::connectionString(path, driver));
    conn.open();
    workbooks::Query q(conn);
    FieldPage page{n, path, sheet, {}};
    for (const std::string& name : readFieldNames(q, driver, path, sheet))
        page.items.push_back({name, checked.count(name) > 0});
    return page;
}

Lines RowsOf(const std::string& sql) {
    return rows(*workbooks::runQuery(sql));
}

class FixtureJoin : public ::testing::Test {
  protected:
    const std::string d8 = "Excel 8.0";
    FieldPage pay = Capture(0, d8, fixture("工资.xls"), "工资$", {"姓名", "基本工资", "奖金"});
    FieldPage att = Capture(1, d8, fixture("考勤.xls"), "考勤$", {"应扣金额"});
    FieldPage ins = Capture(2, d8, fixture("社保.xls"), "社保$", {"医保扣款", "社保扣款"});
};

TEST_F(FixtureJoin, HeaderCapture) {
    EXPECT_EQ(headerQuery(d8, "D:\\data\\工资.xls", "工资$"),
              "select top 1 * from [Excel 8.0;database=D:\\data\\工资.xls].[工资$]");
    ASSERT_EQ(pay.items.size(), 4u);
    EXPECT_EQ(pay.items[1].name, "性别");
    EXPECT_FALSE(pay.items[1].checked);
    const FieldPage blank = Capture(0, d8, fixture("edge.xls"), "Sheet 1$", {});
    EXPECT_EQ(blank.items.size(), 2u);
    EXPECT_THROW(Capture(0, d8, fixture("无此文件.xls"), "工资$", {}), Error);
    EXPECT_THROW(Capture(0, d8, fixture("工资.xls"), "无此表$", {}), Error);
    EXPECT_THROW(Capture(0, d8, fixture("book.xlsx"), "工资$", {}), Error);  // needs Excel 12.0
    EXPECT_EQ(Capture(0, "Excel 12.0", fixture("book.xlsx"), "工资$", {}).items.size(), 2u);
}

TEST_F(FixtureJoin, MatchedRows) {
    const JoinPlan two = planJoin({pay, att}, "姓名", d8);
    EXPECT_EQ(RowsOf(two.query),
              (Lines{"张三|5000|800|50", "李四|6000|900.5|20.5", "Zhang|4000|300|10"}));
    const JoinPlan three = planJoin({pay, att, ins}, "姓名", d8);
    EXPECT_EQ(RowsOf(three.query),
              (Lines{"张三|5000|800|50|100|200", "李四|6000|900.5|20.5|110|210",
                     "Zhang|4000|300|10|90|190"}));
    // A join that matches nothing gives no row and no error.
    const FieldPage other = Capture(1, d8, fixture("edge.xls"), "偏移$", {"数量"});
    EXPECT_TRUE(RowsOf(planJoin({pay, other}, "姓名", d8).query).empty());
}

TEST_F(FixtureJoin, AllFields) {
    const JoinPlan p = planJoin({pay, att}, "姓名", d8);
    const auto r =
        workbooks::runQuery(allFieldsQuery({"工资$ T0", "考勤$ T1"}, p.fromClause, p.whereClause));
    EXPECT_EQ(fieldNames(*r),
              (Lines{"T0.姓名", "性别", "基本工资", "奖金", "T1.姓名", "月份", "应扣金额"}));
    EXPECT_EQ(rows(*r), (Lines{"张三|男|5000|800|张三|1|50", "李四|女|6000|900.5|李四|1|20.5",
                               "Zhang|男|4000|300|zhang|1|10"}));
}

TEST_F(FixtureJoin, LeftRight) {
    const JoinPlan p = planJoin({pay, att}, "姓名", d8);
    const LeftRightQuery q = leftRightQuery(d8, {"工资$ T0", "考勤$ T1"}, "姓名#工号", {pay, att},
                                            p.fromClause, p.whereClause);
    const auto r = workbooks::runQuery(q.query);
    // The blank filler leaves the numeric columns empty.
    EXPECT_EQ(rows(*r), (Lines{"5000|800|张三|张三|50", "6000|900.5|李四|李四|20.5",
                               "4000|300|Zhang|zhang|10", "4500|200|王五| |", "|| |赵六|30"}));
}

TEST_F(FixtureJoin, NamesWithBlanksAndSheetsWithBlanks) {
    const std::string edge = fixture("edge.xls");
    const FieldPage a = Capture(0, d8, edge, "表头$", {"代码", "base pay"});
    const FieldPage b = Capture(1, d8, edge, "表头$", {"Name"});
    EXPECT_EQ(RowsOf(planJoin({a, b}, "代码", d8).query), (Lines{"a|30|x", "b|31|y"}));
    const FieldPage s0 = Capture(0, d8, edge, "Sheet 1$", {"k", "v"});
    const FieldPage s1 = Capture(1, d8, edge, "Sheet 1$", {"v"});
    EXPECT_EQ(RowsOf(planJoin({s0, s1}, "k", d8).query), (Lines{"one|1|1"}));
    const JoinPlan p = planJoin({a, b}, "base pay", d8);
    const auto r = workbooks::runQuery(leftRightQuery(d8, {"表头$ T0", "表头$ T1"}, "base pay",
                                                      {a, b}, p.fromClause, p.whereClause)
                                           .query);
    EXPECT_EQ(rows(*r).size(), 2u);
}

// The same content written by five independent programs, .xls (BIFF8 and GBK BIFF5) and .xlsx,
// joined on the employee number under the 2007-2010 driver.
TEST_F(FixtureJoin, WorkbooksOfIndependentWriters) {
    const std::string d12 = "Excel 12.0";
    const std::string sheet = "员工 信息$";
    const FieldPage lo = Capture(0, d12, Formats("basic_lo.xlsx"), sheet, {"工号", "姓名"});
    const FieldPage gn = Capture(1, d12, Formats("basic_gnumeric.xls"), sheet, {"部门"});
    const FieldPage b5 = Capture(2, d12, Formats("basic_biff5.xls"), sheet, {"工资"});
    const FieldPage op = Capture(3, d12, Formats("basic_openpyxl.xlsx"), sheet, {});
    const FieldPage xw = Capture(4, d12, Formats("basic_xlwt.xls"), sheet, {"在职"});
    const JoinPlan p = planJoin({lo, gn, b5, op, xw}, "工号", d12);
    EXPECT_EQ(p.tableList, "员工 信息$ T0|员工 信息$ T1|员工 信息$ T2|员工 信息$ T4");
    EXPECT_EQ(RowsOf(p.query),
              (Lines{"00123|张三|财务部|8500.5|True", "00456|李四|人事部|12000|False",
                     "07890|王五|技术部|9999.99|True", "10001|赵六|财务部|0|False"}));
}

}  // namespace
}  // namespace shuhui::merge::horizontal
