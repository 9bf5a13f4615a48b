// The counting of step ②: which names the participating sheets share, and the memo lines.
#include <gtest/gtest.h>

#include "merge/horizontal/common_field.h"
#include "merge/horizontal/name_list.h"
#include "pages.h"

namespace shuhui::merge::horizontal {
namespace {

using test::Attendance;
using test::Insurance;
using test::Page;
using test::Pay;
using Lines = std::vector<std::string>;

Lines Count(const std::vector<FieldPage>& pages) {
    return countLines(countFieldNames(pages));
}

TEST(CommonField, CountLines) {
    const FieldPage pay3 = Pay(0, "姓名* 性别 基本工资 奖金");
    const FieldPage att3 = Page(1, "/d/k.xls", "考勤$", "姓名 年月* 考勤扣款");
    const FieldPage ins3 = Page(2, "/d/s.xls", "社保$", "姓名 医保扣款 社保扣款*");
    const struct {
        const char* what;
        std::vector<FieldPage> pages;
        Lines lines;
    } cases[] = {
        {"three sheets", {pay3, att3, ins3}, {"姓名=3次", kCountClosingLine}},
        {"first two",
         {pay3, att3, Page(2, "/d/s.xls", "社保$", "姓名 医保扣款")},
         {"姓名=2次", kCountClosingLine}},
        {"nothing checked yet",
         {Pay(0, "姓名 性别"), Attendance(1, "姓名 月份")},
         {kCountClosingLine}},
        {"no page", {}, {kCountClosingLine}},
        {"a name only one sheet has", {Pay(), Attendance()}, {"姓名=2次", kCountClosingLine}},
        {"twice within one sheet",
         {Page(0, "/a", "A$", "姓名* 姓名 备注")},
         {"姓名=2次", kCountClosingLine}},
        {"Name and NAME",
         {Page(0, "/a", "A$", "Name* x"), Page(1, "/b", "B$", "NAME y*")},
         {"Name=2次", kCountClosingLine}},
        {"NAME first",
         {Page(0, "/a", "A$", "NAME* x"), Page(1, "/b", "B$", "Name y*")},
         {"NAME=2次", kCountClosingLine}},
        {"ties in collation order",
         {Page(0, "/a", "A$", "姓名* 工号 部门 Id"), Page(1, "/b", "B$", "部门* 工号 姓名 ID")},
         {"部门=2次", "工号=2次", "姓名=2次", "Id=2次", kCountClosingLine}},
    };
    for (const auto& c : cases) EXPECT_EQ(Count(c.pages), c.lines) << c.what;
}

TEST(CommonField, CountsEveryNameOfTheParticipatingSheets) {
    const NameCounts c = countFieldNames({Pay(), Attendance(), Insurance(3, "姓名 医保扣款")});
    EXPECT_EQ(c.names, (Lines{"基本工资", "奖金", "姓名", "性别", "应扣金额", "月份"}));
    EXPECT_EQ(c.counts, (std::vector<int>{1, 1, 2, 1, 1, 1}));
}

TEST(NameList, CaseBlindCollatedAndFirstSpellingKept) {
    NameList list;
    for (const char* n :
         {"张三", "Zhang", "ZHANG", "阿里", "zhang", "Ärger", "ärger", "李四", "10", "9"})
        list.add(n);
    EXPECT_EQ(list.names(), (Lines{"10", "9", "阿里", "李四", "张三", "Ärger", "Zhang"}));
    EXPECT_EQ(list.find("zHaNg"), std::optional<size_t>(6));
    EXPECT_FALSE(list.contains("王五"));
    EXPECT_TRUE(sameName("ÄRGER", "ärger"));
    EXPECT_FALSE(sameName("T0.姓名", "T1.姓名"));
}

}  // namespace
}  // namespace shuhui::merge::horizontal
