// The survey of one sheet through a source application of its own.
#include <gtest/gtest.h>

#include <algorithm>

#include "fake_spreadsheet.h"
#include "merge/irregular/messages.h"
#include "merge/irregular/survey.h"

namespace ir = shuhui::irregular;
using Calls = std::vector<std::string>;

namespace {

class SurveyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        world.AddFile("D:/a.xls", {{"一月", "$A$1:$F$12"}, {"二月", "$B$3:$H$20"}, {"空", ""}});
    }
    fake::FakeSpreadsheet world;
    fake::FakeFactory factory{world};
};

}  // namespace

TEST_F(SurveyTest, ReadsTheUsedRangeAndClosesTheSourceApplication) {
    EXPECT_EQ(ir::SurveySheetRegion(factory, "D:/a.xls", "一月$"), "$A$1:$F$12");
    EXPECT_EQ(world.CallsOf(1),
              (Calls{"create", "WorkBooks", "Open(D:/a.xls)", "WorkSheets(一月)", "UsedRange",
                     "Address", "ActiveWorkBook", "Saved(true)", "WorkBooks", "Close", "Quit"}));
    EXPECT_EQ(ir::SurveySheetRegion(factory, "D:/a.xls", "二月$"), "$B$3:$H$20");
    EXPECT_EQ(ir::SurveySheetRegion(factory, "D:/a.xls", "空$"), "$A$1");
    EXPECT_EQ(world.CallsOf(2)[3], "WorkSheets(二月)");  // the listed name without its "$"
    EXPECT_EQ(world.created, 3);                         // one application per sheet
}

TEST_F(SurveyTest, NoApplicationGivesNothing) {
    world.FailAt("create");
    EXPECT_EQ(ir::SurveySheetRegion(factory, "D:/a.xls", "一月$"), std::nullopt);
    EXPECT_EQ(world.calls, (Calls{"1.create"}));
    EXPECT_STREQ(ir::kNoApplication, "您的电脑未安装Excel!");
}

// A failure after the application started is thrown with its message; the source application
// is closed all the same (its remaining closing steps are tried).
TEST_F(SurveyTest, AFailureAtAnyMemberClosesTheSourceApplication) {
    const struct {
        const char* failAt;
        const char* message;
        Calls closing;  // the calls after the failing one
    } cases[] = {
        {"WorkBooks", "模拟失败: 1.WorkBooks", {"ActiveWorkBook", "WorkBooks", "Close", "Quit"}},
        {"Open", "模拟失败: 1.Open(D:/a.xls)", {"ActiveWorkBook", "WorkBooks", "Close", "Quit"}},
        {"WorkSheets",
         "模拟失败: 1.WorkSheets(一月)",
         {"ActiveWorkBook", "Saved(true)", "WorkBooks", "Close", "Quit"}},
        {"UsedRange",
         "模拟失败: 1.UsedRange",
         {"ActiveWorkBook", "Saved(true)", "WorkBooks", "Close", "Quit"}},
        {"Address",
         "模拟失败: 1.Address",
         {"ActiveWorkBook", "Saved(true)", "WorkBooks", "Close", "Quit"}},
        {"ActiveWorkBook", "模拟失败: 1.ActiveWorkBook", {"WorkBooks", "Close", "Quit"}},
        {"Saved", "模拟失败: 1.Saved(true)", {"WorkBooks", "Close", "Quit"}},
        {"Close", "模拟失败: 1.Close", {"Quit"}},
        {"Quit", "模拟失败: 1.Quit", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failAt);
        fake::FakeSpreadsheet w;
        w.AddFile("D:/a.xls", {{"一月", "$A$1:$F$12"}});
        fake::FakeFactory f(w);
        w.FailAt(c.failAt);
        try {
            ir::SurveySheetRegion(f, "D:/a.xls", "一月$");
            FAIL() << "no failure";
        } catch (const shuhui::Error& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        const Calls calls = w.CallsOf(1);
        const std::string failed =
            std::string(c.message).substr(std::string("模拟失败: 1.").size());
        const auto at = std::find(calls.begin(), calls.end(), failed);
        ASSERT_NE(at, calls.end());
        EXPECT_EQ(Calls(at + 1, calls.end()), c.closing);
    }
}

TEST_F(SurveyTest, AMissingWorkbookOrSheetFailsWithTheApplicationsMessage) {
    EXPECT_THROW(ir::SurveySheetRegion(factory, "D:/missing.xls", "一月$"), shuhui::Error);
    EXPECT_TRUE(world.Quit(1));
    try {
        ir::SurveySheetRegion(factory, "D:/a.xls", "三月$");
        FAIL();
    } catch (const shuhui::Error& e) {
        EXPECT_STREQ(e.what(), "没有名为三月的工作表");
    }
    EXPECT_TRUE(world.Quit(2));
}
