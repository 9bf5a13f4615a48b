// The copy under the carrier sheet: the result workbook, the blocks and where they land, the gap
// rows, and what a failure at any member leaves.
#include <gtest/gtest.h>

#include "fake_spreadsheet.h"
#include "merge/irregular/carrier_copy.h"

namespace ir = shuhui::irregular;
using Calls = std::vector<std::string>;

namespace {

// A block as "from rows first-last": "D:/a.xls>二月 14-30".
std::vector<std::string> Blocks(const fake::Book& book) {
    std::vector<std::string> out;
    for (const fake::Block& b : book.sheets[1].blocks)
        out.push_back(b.from + " " + fake::Address(b.at));
    return out;
}

class CarrierCopyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        world.AddFile("D:/a.xls", {{"一月", "$A$1:$F$12"}, {"二月", "$A$1:$F$20"}});
        world.AddFile("D:/b.xls", {{"三月", "$A$1:$F$9"}});
        copy.entries = {{"D:/a.xls", "一月$"}, {"D:/a.xls", "二月$"}, {"D:/b.xls", "三月$"}};
        // As the header-row shift with 3 header rows leaves them.
        copy.regions = {"$A$4:$F$12", "$A$4:$F$20", "$A$4:$F$9"};
    }

    // Runs the copy; the failure's message, empty when it went through.
    std::string Run() {
        try {
            ir::RunCarrierCopy(factory, copy, result,
                               [this] { carrierPastedAfter = world.calls.size(); });
        } catch (const shuhui::Error& e) {
            return e.what();
        }
        return {};
    }
    const fake::Book& ResultBook() const { return *world.added.at(0); }

    fake::FakeSpreadsheet world;
    fake::FakeFactory factory{world};
    ir::CarrierCopy copy;
    std::unique_ptr<shuhui::sheet::Application> result;
    std::size_t carrierPastedAfter = 0;
};

}  // namespace

TEST_F(CarrierCopyTest, TheCarriersUsedRangeThenEachRegionBelowIt) {
    ASSERT_EQ(Run(), "");
    EXPECT_EQ(Blocks(ResultBook()),
              (std::vector<std::string>{"D:/a.xls>一月 $A$1:$F$12", "D:/a.xls>二月 $A$14:$F$30",
                                        "D:/b.xls>三月 $A$32:$F$37"}));
    EXPECT_EQ(ResultBook().sheets[1].used, fake::ParseReference("$A$1:$F$37"));
    EXPECT_EQ(ResultBook().active, 1);  // the second worksheet is the result sheet
    EXPECT_TRUE(ResultBook().sheets[0].blocks.empty());
    EXPECT_FALSE(ResultBook().saved);

    // The result application: a new workbook, its second sheet active, shown, left running.
    EXPECT_EQ(world.CallsOf(1),
              (Calls{"create",        "WorkBooks",   "Add",         "WorkSheets(2)", "Activate",
                     "Visible(true)", "ActiveSheet", "Range(A1)",   "Select",        "ActiveSheet",
                     "Paste",         "ActiveSheet", "UsedRange",   "Address",       "ActiveSheet",
                     "Range(A14)",    "Select",      "ActiveSheet", "Paste",         "ActiveSheet",
                     "UsedRange",     "Address",     "ActiveSheet", "Range(A32)",    "Select",
                     "ActiveSheet",   "Paste"}));
    ASSERT_NE(result, nullptr);
    // The carrier: its own used range, not its region text.
    EXPECT_EQ(world.CallsOf(2),
              (Calls{"create", "WorkBooks", "Open(D:/a.xls)", "WorkSheets(一月)", "Activate",
                     "ActiveSheet", "UsedRange", "Address", "ActiveSheet", "Range($A$1:$F$12)",
                     "Copy", "ActiveWorkBook", "Saved(true)", "WorkBooks", "Close", "Quit"}));
    EXPECT_EQ(world.CallsOf(3),
              (Calls{"create", "WorkBooks", "Open(D:/a.xls)", "WorkSheets(二月)", "Activate",
                     "ActiveSheet", "Range($A$4:$F$20)", "Copy", "ActiveWorkBook", "Saved(true)",
                     "WorkBooks", "Close", "Quit"}));
    EXPECT_EQ(world.CallsOf(4)[2], "Open(D:/b.xls)");
    EXPECT_TRUE(world.Quit(4));
    EXPECT_FALSE(world.Quit(1));
    // The window is told once the carrier is in place, before the first other sheet.
    EXPECT_EQ(world.calls[carrierPastedAfter - 1], "2.Quit");
}

TEST_F(CarrierCopyTest, GapRows) {
    const struct {
        int gap;
        std::vector<std::string> blocks;
    } cases[] = {
        {0, {"D:/a.xls>一月 $A$1:$F$12", "D:/a.xls>二月 $A$13:$F$29", "D:/b.xls>三月 $A$30:$F$35"}},
        {-2,
         {"D:/a.xls>一月 $A$1:$F$12", "D:/a.xls>二月 $A$13:$F$29", "D:/b.xls>三月 $A$30:$F$35"}},
        {2, {"D:/a.xls>一月 $A$1:$F$12", "D:/a.xls>二月 $A$15:$F$31", "D:/b.xls>三月 $A$34:$F$39"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.gap);
        world.added.clear();
        copy.gapRows = c.gap;
        ASSERT_EQ(Run(), "");
        EXPECT_EQ(Blocks(ResultBook()), c.blocks);
    }
}

TEST_F(CarrierCopyTest, TheCarrierInTheMiddleIsSkippedInTheListOrder) {
    copy.carrier = 1;
    ASSERT_EQ(Run(), "");
    EXPECT_EQ(Blocks(ResultBook()),
              (std::vector<std::string>{"D:/a.xls>二月 $A$1:$F$20", "D:/a.xls>一月 $A$22:$F$30",
                                        "D:/b.xls>三月 $A$32:$F$37"}));
}

TEST_F(CarrierCopyTest, ACarrierAloneGivesItsUsedRange) {
    copy.entries.resize(1);
    copy.regions.resize(1);
    ASSERT_EQ(Run(), "");
    EXPECT_EQ(Blocks(ResultBook()), (std::vector<std::string>{"D:/a.xls>一月 $A$1:$F$12"}));
    EXPECT_EQ(world.created, 2);
}

TEST_F(CarrierCopyTest, BlocksArePlacedByPosition) {
    world.AddFile("D:/c.xls", {{"四月", "$C$2:$H$8"}});
    copy.entries.push_back({"D:/c.xls", "四月$"});
    copy.regions.push_back("$C$4:$H$8");
    ASSERT_EQ(Run(), "");
    EXPECT_EQ(Blocks(ResultBook()).back(), "D:/c.xls>四月 $A$39:$F$43");
}

TEST_F(CarrierCopyTest, ARegionListLaggingBehindFailsAtTheSheetWithoutARegion) {
    copy.regions.resize(2);  // the survey of 三月 failed
    EXPECT_EQ(Run(), "工作表[D:/b.xls>三月$]没有数据区域,请重新获取各表的数据区域");
    EXPECT_EQ(Blocks(ResultBook()).size(), 2u);  // the blocks before stay
    EXPECT_TRUE(world.Quit(4));                  // and the source is closed
}

TEST_F(CarrierCopyTest, ANewRunReleasesTheEarlierResultAndLeavesItRunning) {
    ASSERT_EQ(Run(), "");
    ASSERT_EQ(Run(), "");
    EXPECT_EQ(world.added.size(), 2u);
    EXPECT_EQ(world.CallsOf(5)[0], "create");  // the second result application
    EXPECT_FALSE(world.Quit(1));
    EXPECT_EQ(world.CallsOf(5).size(), world.CallsOf(1).size());
}

// A failure at any member ends the run with the failure's message. The result application, once
// created, stays with the caller and keeps what was pasted; every source application that was
// created is closed; later sheets are not copied.
TEST_F(CarrierCopyTest, AFailureAtAnyMember) {
    const struct {
        const char* failAt;
        int occurrence;
        bool resultKept;     // the caller holds the new result application
        std::size_t blocks;  // blocks in the result
        int created;         // applications created (the failing creation counted)
        bool carrierPasted;
    } cases[] = {
        {"1.create", 1, false, 0, 1, false},
        {"1.WorkBooks", 1, true, 0, 1, false},
        {"Add", 1, true, 0, 1, false},
        {"WorkSheets(2)", 1, true, 0, 1, false},
        {"1.Activate", 1, true, 0, 1, false},
        {"Visible", 1, true, 0, 1, false},
        {"2.create", 1, true, 0, 2, false},
        {"Open(D:/a.xls)", 1, true, 0, 2, false},
        {"WorkSheets(一月)", 1, true, 0, 2, false},
        {"2.Activate", 1, true, 0, 2, false},
        {"2.ActiveSheet", 1, true, 0, 2, false},
        {"2.UsedRange", 1, true, 0, 2, false},
        {"2.Address", 1, true, 0, 2, false},
        {"Range($A$1:$F$12)", 1, true, 0, 2, false},
        {"Copy", 1, true, 0, 2, false},
        {"Range(A1)", 1, true, 0, 2, false},
        {"1.Select", 1, true, 0, 2, false},
        {"1.Paste", 1, true, 0, 2, false},
        {"2.Saved", 1, true, 1, 2, false},
        {"2.Close", 1, true, 1, 2, false},
        {"2.Quit", 1, true, 1, 2, false},
        {"3.create", 1, true, 1, 3, true},
        {"Open(D:/a.xls)", 2, true, 1, 3, true},
        {"WorkSheets(二月)", 1, true, 1, 3, true},
        {"Range($A$4:$F$20)", 1, true, 1, 3, true},
        {"Copy", 2, true, 1, 3, true},
        {"1.UsedRange", 1, true, 1, 3, true},
        {"1.Address", 1, true, 1, 3, true},
        {"Range(A14)", 1, true, 1, 3, true},
        {"1.Paste", 2, true, 1, 3, true},
        {"3.Saved", 1, true, 2, 3, true},
        {"3.Quit", 1, true, 2, 3, true},
        {"Open(D:/b.xls)", 1, true, 2, 4, true},
        {"1.Paste", 3, true, 2, 4, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.failAt) + " #" + std::to_string(c.occurrence));
        fake::FakeSpreadsheet w;
        w.AddFile("D:/a.xls", {{"一月", "$A$1:$F$12"}, {"二月", "$A$1:$F$20"}});
        w.AddFile("D:/b.xls", {{"三月", "$A$1:$F$9"}});
        w.FailAt(c.failAt, c.occurrence);
        fake::FakeFactory f(w);
        std::unique_ptr<shuhui::sheet::Application> app;
        bool pasted = false;
        try {
            ir::RunCarrierCopy(f, copy, app, [&] { pasted = true; });
            FAIL() << "no failure";
        } catch (const shuhui::Error& e) {
            EXPECT_EQ(std::string(e.what()).rfind("模拟失败: ", 0), 0u) << e.what();
        }
        EXPECT_EQ(app != nullptr, c.resultKept);
        EXPECT_EQ(w.created, c.created);
        EXPECT_EQ(pasted, c.carrierPasted);
        if (!w.added.empty()) {
            EXPECT_EQ(w.added[0]->sheets[1].blocks.size(), c.blocks);
        }
        for (int id = 2; id <= w.created; ++id) {
            const Calls calls = w.CallsOf(id);
            if (calls.size() > 1 && c.failAt != std::to_string(id) + ".Quit") {
                EXPECT_TRUE(w.Quit(id)) << "source application " << id << " left behind";
            }
        }
        EXPECT_FALSE(w.Quit(1));
    }
}
