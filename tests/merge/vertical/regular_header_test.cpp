// The one-row-header vertical merge, headless: the texts, the count check, the field order
// editor's operations, and the union query run through the provider on workbooks written by
// xlwt and openpyxl (tests/fixtures/merge/vertical/make_fixtures.py).
#include "merge/vertical/regular_header.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "formats/error.h"
#include "workbooks/catalogue.h"
#include "workbooks/provider.h"
#include "workbooks/sql_rewrite.h"

namespace vm = shuhui::merge::vertical;
namespace wb = shuhui::workbooks;
namespace fs = std::filesystem;

namespace {

using Fields = std::vector<std::string>;
using Rows = std::vector<std::vector<std::string>>;

const std::string kMonths = SHUHUI_FIXTURES "/merge/vertical/months.xls";
const std::string kBranches = SHUHUI_FIXTURES "/merge/vertical/branches.xlsx";
const std::string kExcel8 = "Excel 8.0";
const std::string kExcel12 = "Excel 12.0";

vm::SheetSource Month(const char* sheet) {
    return {kMonths, sheet};
}

// Field names of a result, then its rows as the grid shows the values.
Fields Names(const wb::Result& r) {
    Fields out;
    for (size_t i = 0; i < r.fieldCount(); ++i) out.push_back(r.field(i).name());
    return out;
}
Rows RowsOf(const wb::Result& r) {
    Rows out(r.rowCount());
    for (size_t row = 0; row < r.rowCount(); ++row)
        for (size_t i = 0; i < r.fieldCount(); ++i) out[row].push_back(r.field(i).displayText(row));
    return out;
}

// A connection as the window holds one: open on the last workbook added to the catalogue.
struct OpenConnection {
    wb::Connection connection;
    wb::Query query{connection};
    explicit OpenConnection(const std::string& path = kMonths,
                            const std::string& driver = kExcel8) {
        connection.setConnectionString(wb::connectionString(path, driver));
        connection.open();
    }
};

// Runs the union of `sheets` under the given field list; checks that the text is one the
// provider answers from the cached sheets directly (plain union all of whole-column selects).
std::shared_ptr<wb::Result> RunUnion(const Fields& fields,
                                     const std::vector<vm::SheetSource>& sheets,
                                     const std::string& driver = kExcel8) {
    const std::string sql = vm::unionQuery(driver, fields, sheets);
    EXPECT_TRUE(wb::plainUnion(sql, wb::findSheetReferences(sql)).has_value()) << sql;
    return wb::runQuery(sql);
}

// ---- texts ------------------------------------------------------------------------------------

TEST(VerticalMergeText, UnionOfTwoMonthsAsTheWindowBuildsIt) {
    const std::vector<vm::SheetSource> sheets = {{"D:\\data\\pay.xls", "一月$"},
                                                 {"D:\\data\\pay.xls", "二月$"}};
    EXPECT_EQ(vm::unionQuery(kExcel8, vm::splitFields("姓名,部门,工资"), sheets),
              "select 姓名,部门,工资 from [Excel 8.0;database=D:\\data\\pay.xls].[一月$] union "
              "all select 姓名,部门,工资 from [Excel 8.0;database=D:\\data\\pay.xls].[二月$]");
}

TEST(VerticalMergeText, UnionCases) {
    const struct {
        const char* what;
        std::string driver;
        Fields fields;
        std::vector<vm::SheetSource> sheets;
        std::string expected;
    } cases[] = {
        {"one sheet: a single select",
         kExcel8,
         {"姓名", "工资"},
         {{"/d/a.xls", "一月$"}},
         "select 姓名,工资 from [Excel 8.0;database=/d/a.xls].[一月$]"},
        {"no sheet", kExcel8, {"姓名"}, {}, ""},
        {"each select names its own workbook, under the driver of the moment",
         kExcel12,
         {"姓名"},
         {{"/d/a.xls", "一月$"}, {"/e/b.xlsx", "北区$"}},
         "select 姓名 from [Excel 12.0;database=/d/a.xls].[一月$] union all select 姓名 from "
         "[Excel 12.0;database=/e/b.xlsx].[北区$]"},
        {"names the provider cannot take bare are bracketed",
         kExcel8,
         {"姓名", "金额(元)", "base pay", "1月", "select", "a]b", "x.y"},
         {{"/d/a.xls", "明细$"}},
         "select 姓名,[金额(元)],[base pay],[1月],[select],[a]]b],[x.y] from "
         "[Excel 8.0;database=/d/a.xls].[明细$]"},
        {"a '>' in a folder and in a sheet name stays where it is",
         kExcel8,
         {"姓名"},
         {{"/d/季>度/a.xls", "月>报$"}},
         "select 姓名 from [Excel 8.0;database=/d/季>度/a.xls].[月>报$]"},
        {"an empty field list",
         kExcel8,
         {},
         {{"/d/a.xls", "一月$"}},
         "select  from [Excel 8.0;database=/d/a.xls].[一月$]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vm::unionQuery(c.driver, c.fields, c.sheets), c.expected) << c.what;
}

TEST(VerticalMergeText, EntryAndFirstRowQuery) {
    const vm::SheetSource s{"D:\\pay.xls", "Sheet1$"};
    EXPECT_EQ(vm::sheetEntry(s), "D:\\pay.xls>Sheet1$");
    EXPECT_EQ(vm::firstRowQuery(kExcel8, s),
              "select top 1 * from [Excel 8.0;database=D:\\pay.xls].[Sheet1$]");
    EXPECT_EQ(vm::sheetEntry({"/d/季>度/a.xls", "月>报$"}), "/d/季>度/a.xls>月>报$");
}

TEST(VerticalMergeText, FieldListsSplitAndJoin) {
    const struct {
        std::string text;
        Fields fields;
    } cases[] = {
        {"", {}},
        {"姓名", {"姓名"}},
        {"姓名,部门,工资", {"姓名", "部门", "工资"}},
        {"a,,b", {"a", "", "b"}},
        {",", {"", ""}},
        {"金额(元),base pay", {"金额(元)", "base pay"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vm::splitFields(c.text), c.fields) << c.text;
        EXPECT_EQ(vm::joinFields(c.fields), c.text) << c.text;
    }
    EXPECT_EQ(vm::countText(0), "0");
    EXPECT_EQ(vm::countText(12), "12");
}

TEST(VerticalMergeCheck, CountsAreComparedAsTextsWithTheFirst) {
    using C = vm::CountCheck;
    const struct {
        std::vector<std::string> counts;
        C expected;
    } cases[] = {
        {{}, C::NothingToCheck},
        {{"3"}, C::Passed},
        {{"3", "3", "3"}, C::Passed},
        {{"3", "4"}, C::CountsDiffer},
        {{"4", "3", "3"}, C::CountsDiffer},
        {{"3", "3", "0"}, C::CountsDiffer},
        {{"03", "3"}, C::CountsDiffer},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vm::checkFieldCounts(c.counts), c.expected) << ::testing::PrintToString(c.counts);
}

// ---- the field order editor --------------------------------------------------------------------

TEST(VerticalMergeEditor, OperationsAndTheirNoOpCases) {
    enum Op { Up, Down, Delete };
    const struct {
        std::string items;
        int selected;
        Op op;
        bool changed;
        std::string after;
        int selectedAfter;
    } cases[] = {
        {"a,b,c", 2, Up, true, "a,c,b", 1},
        {"a,b,c", 1, Up, true, "b,a,c", 0},
        {"a,b,c", 0, Up, false, "a,b,c", 0},
        {"a,b,c", -1, Up, false, "a,b,c", -1},
        {"a,b,c", 0, Down, true, "b,a,c", 1},
        {"a,b,c", 1, Down, true, "a,c,b", 2},
        {"a,b,c", 2, Down, false, "a,b,c", 2},
        {"a,b,c", -1, Down, false, "a,b,c", -1},
        {"a,b,c", 1, Delete, true, "a,c", -1},
        {"a,b,c", 2, Delete, true, "a,b", -1},
        {"a,b,c", -1, Delete, false, "a,b,c", -1},
        {"a", 0, Delete, true, "", -1},
        {"", -1, Up, false, "", -1},
        {"", -1, Down, false, "", -1},
        {"", -1, Delete, false, "", -1},
    };
    for (const auto& c : cases) {
        vm::FieldOrder order(vm::splitFields(c.items));
        order.select(c.selected);
        const bool changed = c.op == Up     ? order.moveUp()
                             : c.op == Down ? order.moveDown()
                                            : order.removeSelected();
        const std::string what = c.items + " at " + std::to_string(c.selected) + " op " +
                                 std::to_string(static_cast<int>(c.op));
        EXPECT_EQ(changed, c.changed) << what;
        EXPECT_EQ(order.text(), c.after) << what;
        EXPECT_EQ(order.selected(), c.selectedAfter) << what;
    }
}

TEST(VerticalMergeEditor, SelectionOutsideTheListSelectsNoneAndConfirmTextsFollowTheItems) {
    vm::FieldOrder order(vm::splitFields("姓名,部门,工资"));
    for (int outside : {-5, 3, 99}) {
        order.select(outside);
        EXPECT_EQ(order.selected(), -1) << outside;
    }
    order.select(2);
    ASSERT_TRUE(order.moveUp());
    EXPECT_EQ(order.text(), "姓名,工资,部门");
    EXPECT_EQ(order.count(), "3");
    // Deleting down to none: an empty list and the count 0.
    for (int i = 0; i < 3; ++i) {
        order.select(0);
        ASSERT_TRUE(order.removeSelected());
    }
    EXPECT_EQ(order.text(), "");
    EXPECT_EQ(order.count(), "0");
}

// ---- through the provider, on fixture workbooks -------------------------------------------------

TEST(VerticalMergeRead, FieldsOfEachSheetInTheProvidersOrder) {
    OpenConnection open;
    wb::Query& query = open.query;
    const struct {
        const char* sheet;
        Fields fields;
    } cases[] = {
        {"一月$", {"姓名", "部门", "工资"}},
        {"二月$", {"姓名", "部门", "工资", "备注"}},
        {"三月$", {"部门", "姓名", "工资"}},
        {"月>报$", {"姓名", "部门", "工资"}},
        {"明细1$", {"姓名", "金额(元)", "base pay", "1月"}},
        // A sheet without a cell has one unnamed field, as the provider names it.
        {"空表$", {"F1"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vm::readSheetFields(query, kExcel8, Month(c.sheet)), c.fields) << c.sheet;
        EXPECT_EQ(query.sql(), vm::firstRowQuery(kExcel8, Month(c.sheet)));
        EXPECT_TRUE(query.active());  // left open
    }
    EXPECT_EQ(vm::readSheetFields(query, kExcel12, {kBranches, "南区$"}),
              (Fields{"姓名", "部门", "工资"}));
}

TEST(VerticalMergeRead, ProviderFailuresCarryTheProvidersMessage) {
    OpenConnection open;
    wb::Query& query = open.query;
    try {
        vm::readSheetFields(query, kExcel8, Month("六月$"));
        FAIL() << "no error for a missing sheet";
    } catch (const shuhui::Error& e) {
        EXPECT_EQ(e.kind(), shuhui::ErrorKind::SheetNotFound);
        EXPECT_NE(std::string(e.what()).find("六月$"), std::string::npos) << e.what();
    }
    // An .xlsx under the 2003 driver.
    EXPECT_THROW(vm::readSheetFields(query, kExcel8, {kBranches, "北区$"}), shuhui::Error);
}

TEST(VerticalMergeUnion, MonthSheetsStackInListOrder) {
    // 二月 has one column more; 三月 has the same fields in another order: both are read by the
    // first sheet's names.
    const auto r =
        RunUnion({"姓名", "部门", "工资"}, {Month("一月$"), Month("二月$"), Month("三月$")});
    EXPECT_EQ(Names(*r), (Fields{"姓名", "部门", "工资"}));
    EXPECT_EQ(RowsOf(*r), (Rows{{"张三", "财务", "5000"},
                                {"李四", "人事", "6000"},
                                {"王五", "销售", "4500"},
                                {"张三", "财务", "5100.5"},
                                {"赵六", "技术", "7000"}}));
}

TEST(VerticalMergeUnion, TheFirstListReordersAndCutsEverySheet) {
    const auto r = RunUnion({"工资", "姓名"}, {Month("二月$"), Month("一月$"), Month("三月$")});
    EXPECT_EQ(Names(*r), (Fields{"工资", "姓名"}));
    EXPECT_EQ(RowsOf(*r), (Rows{{"4500", "王五"},
                                {"5100.5", "张三"},
                                {"5000", "张三"},
                                {"6000", "李四"},
                                {"7000", "赵六"}}));
}

TEST(VerticalMergeUnion, BracketedNamesAndAngleBracketsInNamesRun) {
    auto r = RunUnion({"姓名", "金额(元)", "base pay", "1月"}, {Month("明细1$"), Month("明细2$")});
    EXPECT_EQ(Names(*r), (Fields{"姓名", "金额(元)", "base pay", "1月"}));
    EXPECT_EQ(RowsOf(*r),
              (Rows{{"甲", "10", "1", "100"}, {"乙", "20", "2", "200"}, {"丙", "30", "3", "300"}}));

    // ">" in the sheet name and in the folder name: each select reads the sheet it names.
    const fs::path dir = fs::temp_directory_path() / "shuhui_vmerge_季>度";
    fs::create_directories(dir);
    const fs::path copy = dir / "月报.xls";
    fs::copy_file(kMonths, copy, fs::copy_options::overwrite_existing);
    r = RunUnion({"姓名", "工资"}, {Month("月>报$"), {copy.string(), "月>报$"}});
    EXPECT_EQ(RowsOf(*r), (Rows{{"周九", "5500"}, {"周九", "5500"}}));
    fs::remove_all(dir);
}

TEST(VerticalMergeUnion, WorkbooksOfBothFormatsUnderTheSecondDriver) {
    const auto r = RunUnion({"姓名", "工资"},
                            {Month("一月$"), {kBranches, "北区$"}, {kBranches, "南区$"}}, kExcel12);
    EXPECT_EQ(RowsOf(*r), (Rows{{"张三", "5000"},
                                {"李四", "6000"},
                                {"吴十", "8000"},
                                {"郑一", "6200"},
                                {"冯二", "5900"}}));
}

TEST(VerticalMergeUnion, NamesMissingInALaterSheetFail) {
    // 四月 has as many fields as 一月 under other names; 五月 lacks 工资.
    for (const char* sheet : {"四月$", "五月$"}) {
        const std::string sql =
            vm::unionQuery(kExcel8, {"姓名", "部门", "工资"}, {Month("一月$"), Month(sheet)});
        EXPECT_THROW(wb::runQuery(sql), shuhui::Error) << sheet;
    }
}

TEST(VerticalMergeUnion, CheckedSheetsOfSeveralWorkbooksInTreeOrder) {
    // A partly checked workbook gives only its checked sheets; workbooks come in tree order.
    wb::Catalogue cat;
    cat.appendWorkbook(kBranches, {"北区$", "南区$"});
    cat.appendWorkbook(kMonths, {"一月$", "二月$", "三月$"});
    cat.setChecked(2, true);   // 南区
    cat.setChecked(3, true);   // months.xls: all three
    cat.setChecked(5, false);  // but not 二月
    std::vector<vm::SheetSource> sheets;
    for (const wb::CheckedSheet& s : cat.checkedSheets()) sheets.push_back({s.path, s.sheet});
    ASSERT_EQ(sheets,
              (std::vector<vm::SheetSource>{{kBranches, "南区$"}, Month("一月$"), Month("三月$")}));
    OpenConnection open(kMonths, kExcel12);
    const Fields first = vm::readSheetFields(open.query, kExcel12, sheets.front());
    const auto r = RunUnion(first, sheets, kExcel12);
    EXPECT_EQ(RowsOf(*r), (Rows{{"郑一", "人事", "6200"},
                                {"冯二", "财务", "5900"},
                                {"张三", "财务", "5000"},
                                {"李四", "人事", "6000"},
                                {"赵六", "技术", "7000"}}));
}

}  // namespace
