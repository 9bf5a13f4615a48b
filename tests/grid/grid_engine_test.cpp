// The view engine: summaries, grouping, filtering, sorting, expand/collapse and editing, checked on
// small results through a text rendering of the visible rows.
#include "grid/grid_engine.h"

#include <gtest/gtest.h>

#include "formats/error.h"

#include "grid/summary_panel.h"
#include "grid_fixture.h"

namespace shuhui::grid {
namespace {

using testing::makeResult;
using workbooks::Value;

// The visible rows, one line each: "G<level> <group text>", "  <cells>", "F<level> <group
// footers>", then "= <footers>" when the footer shows.
std::string render(const GridView& v) {
    std::string out;
    std::vector<size_t> cols = v.displayColumns();
    auto join = [&](auto text) {
        std::string s;
        for (size_t i = 0; i < cols.size(); ++i) {
            if (i) s += '|';
            s += text(cols[i]);
        }
        return s;
    };
    for (const ViewRow& r : v.rows()) {
        switch (r.kind) {
            case RowKind::GroupHeader:
                out += "G" + std::to_string(r.level) + " " + v.groupRowText(r.index) + "\n";
                break;
            case RowKind::Data:
                out += "  " + join([&](size_t c) { return v.cellText(r.index, c); }) + "\n";
                break;
            case RowKind::GroupFooter:
                out += "F" + std::to_string(r.level) + " " +
                       join([&](size_t c) { return v.groupFooterText(r.index, c); }) + "\n";
                break;
        }
    }
    if (v.options().footer) out += "= " + join([&](size_t c) { return v.footerText(c); }) + "\n";
    return out;
}

const char* kStaff =
    "部门:s|姓名:s|基本工资:f|人数:i\n"
    "销售部|张三|3000|1\n"
    "财务部|李四|4200.5|2\n"
    "销售部|王五||3\n"
    "财务部|赵六|2800|\n"
    "|钱七|5000|1";

// A view over the staff table with the default columns (switch on: sums and money format).
struct Staff {
    GridView view;
    SummaryTable table;
    Staff() { rebuildResultGrid(view, table, makeResult(kStaff), true); }
};

TEST(GridView, SummaryKindsFollowTheirRules) {
    // A count counts empty cells, a sum adds the non-empty values, an average divides that sum by
    // the count, min and max skip the empty cells; text cells count but never add.
    auto r = makeResult("v:f\n4\n\n2\nabc\n");
    GridView v;
    v.setResult(r);
    v.addColumn("v");
    std::vector<uint32_t> all = {0, 1, 2, 3};
    struct Case {
        SummaryKind kind;
        std::optional<double> expected;
    } cases[] = {{skCount, 4}, {skSum, 6}, {skAverage, 1.5},
                 {skMin, 2},   {skMax, 4}, {skNone, std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(v.summarize(0, c.kind, all.data(), all.size()), c.expected) << c.kind;
    std::vector<uint32_t> blanks = {1, 3};
    EXPECT_EQ(v.summarize(0, skCount, blanks.data(), blanks.size()), 2.0);
    for (SummaryKind k : {skSum, skMin, skMax, skAverage})
        EXPECT_FALSE(v.summarize(0, k, blanks.data(), blanks.size())) << k;
}

TEST(GridView, UngroupedViewShowsRowsAndFooter) {
    Staff s;
    EXPECT_EQ(render(s.view),
              "  销售部|张三|￥3000.00|￥1.00\n"
              "  财务部|李四|￥4200.50|￥2.00\n"
              "  销售部|王五||￥3.00\n"
              "  财务部|赵六|￥2800.00|\n"
              "  |钱七|￥5000.00|￥1.00\n"
              "= 个数:5||15000.50|7.00\n");
}

TEST(GridView, GroupingCases) {
    struct Case {
        const char* name;
        std::vector<const char*> groupBy;
        bool expandAll;
        GroupFooterMode footers;
        std::optional<ColumnFilter> salaryFilter;
        const char* expected;
    } cases[] = {
        {"collapsed groups still show their footers",
         {"部门"},
         false,
         GroupFooterMode::gfAlwaysVisible,
         {},
         "G0 部门 :  (1)\nF0 |5000.00|1.00\n"
         "G0 部门 : 财务部 (2)\nF0 |7000.50|2.00\n"
         "G0 部门 : 销售部 (2)\nF0 |3000.00|4.00\n"
         "= |15000.50|7.00\n"},
        {"expanded without group footers",
         {"部门"},
         true,
         GroupFooterMode::gfInvisible,
         {},
         "G0 部门 :  (1)\n  钱七|￥5000.00|￥1.00\n"
         "G0 部门 : 财务部 (2)\n  李四|￥4200.50|￥2.00\n  赵六|￥2800.00|\n"
         "G0 部门 : 销售部 (2)\n  张三|￥3000.00|￥1.00\n  王五||￥3.00\n"
         "= |15000.50|7.00\n"},
        {"collapsed groups hide footers shown only when expanded",
         {"部门"},
         false,
         GroupFooterMode::gfVisibleWhenExpanded,
         {},
         "G0 部门 :  (1)\nG0 部门 : 财务部 (2)\nG0 部门 : 销售部 (2)\n= |15000.50|7.00\n"},
        {"two levels, all expanded",
         {"部门", "人数"},
         true,
         GroupFooterMode::gfAlwaysVisible,
         {},
         "G0 部门 :  (1)\nG1 人数 : ￥1.00 (1)\n  钱七|￥5000.00\nF1 |5000.00\nF0 |5000.00\n"
         "G0 部门 : 财务部 (2)\nG1 人数 :  (1)\n  赵六|￥2800.00\nF1 |2800.00\n"
         "G1 人数 : ￥2.00 (1)\n  李四|￥4200.50\nF1 |4200.50\nF0 |7000.50\n"
         "G0 部门 : 销售部 (2)\nG1 人数 : ￥1.00 (1)\n  张三|￥3000.00\nF1 |3000.00\n"
         "G1 人数 : ￥3.00 (1)\n  王五|\nF1 |\nF0 |3000.00\n"
         "= |15000.50\n"},
        {"groups and footers follow the filter",
         {"部门"},
         true,
         GroupFooterMode::gfAlwaysVisible,
         ColumnFilter::greater(Value::fromNumber(2900)),
         "G0 部门 :  (1)\n  钱七|￥5000.00|￥1.00\nF0 |5000.00|1.00\n"
         "G0 部门 : 财务部 (1)\n  李四|￥4200.50|￥2.00\nF0 |4200.50|2.00\n"
         "G0 部门 : 销售部 (1)\n  张三|￥3000.00|￥1.00\nF0 |3000.00|1.00\n"
         "= |12200.50|4.00\n"},
    };
    for (const auto& c : cases) {
        Staff s;
        s.view.options().groupFooters = c.footers;
        s.view.optionsChanged();
        if (c.salaryFilter) s.view.setFilter(2, *c.salaryFilter);
        for (const char* g : c.groupBy) s.view.groupBy(size_t(s.view.result()->fieldIndex(g)));
        if (c.expandAll) s.view.expandAll();
        EXPECT_EQ(render(s.view), c.expected) << c.name;
    }
}

TEST(GridView, GroupCountsOnTheFirstColumnWhenItIsNotGrouped) {
    Staff s;
    s.view.groupBy(3);  // 人数
    s.view.expandAll();
    // The first column's count shows per group: blanks, 1, 2, 3.
    std::vector<std::string> counts;
    for (const ViewRow& r : s.view.rows())
        if (r.kind == RowKind::GroupFooter) counts.push_back(s.view.groupFooterText(r.index, 0));
    EXPECT_EQ(counts, (std::vector<std::string>{"个数:1", "个数:2", "个数:1", "个数:1"}));
}

TEST(GridView, ExpandAndCollapseEveryLevel) {
    Staff s;
    s.view.groupBy(0);
    s.view.groupBy(3);
    ASSERT_EQ(s.view.groupCount(), 3u + 5u);
    s.view.expandAll();
    for (uint32_t g = 0; g < s.view.groupCount(); ++g) EXPECT_TRUE(s.view.isExpanded(g));
    size_t data = 0;
    for (const ViewRow& r : s.view.rows()) data += r.kind == RowKind::Data;
    EXPECT_EQ(data, 5u);
    applyExpandCollapse(s.view, false);
    for (uint32_t g = 0; g < s.view.groupCount(); ++g) EXPECT_FALSE(s.view.isExpanded(g));
    EXPECT_EQ(s.view.rows().size(), 6u);  // three group rows, three footers
    // Expanding an outer group shows its sub-groups collapsed.
    s.view.setExpanded(1, true);  // 财务部
    EXPECT_EQ(s.view.rows().size(), 6u + 4u);
    // Ungrouping the outer level leaves the inner one.
    s.view.ungroup(0);
    EXPECT_EQ(s.view.groupColumns(), (std::vector<size_t>{3}));
    EXPECT_EQ(s.view.groupCount(), 4u);
    s.view.clearGrouping();
    EXPECT_EQ(s.view.rows().size(), 5u);
}

TEST(GridView, FilterCases) {
    struct Case {
        std::vector<std::pair<size_t, ColumnFilter>> filters;
        const char* names;  // 姓名 of the rows that pass, in order
        const char* text;   // what the filter box shows
    } cases[] = {
        {{{0, ColumnFilter::equals(Value::fromText("销售部"))}}, "张三 王五", "部门 = 销售部"},
        {{{0, ColumnFilter::equals(Value::fromText("财务部"))},
          {2, ColumnFilter::greater(Value::fromNumber(3000))}},
         "李四",
         "部门 = 财务部 and 基本工资 > 3000"},
        {{{0, ColumnFilter::notEqual(Value::fromText("销售部"))}},
         "李四 赵六 钱七",
         "部门 <> 销售部"},
        {{{1, ColumnFilter::contains("五")}}, "王五", "姓名 like %五%"},
        {{{0, ColumnFilter::blank()}}, "钱七", "部门 is blank"},
        {{{2, ColumnFilter::nonBlank()}}, "张三 李四 赵六 钱七", "基本工资 is not blank"},
        {{{2, ColumnFilter::inList({Value::fromNumber(3000), Value::fromNumber(2800)})}},
         "张三 赵六",
         "基本工资 in (3000, 2800)"},
        {{{0, ColumnFilter::inList({Value::null(), Value::fromText("财务部")})}},
         "李四 赵六 钱七",
         "部门 in ((空白), 财务部)"},
        {{{2, ColumnFilter::less(Value::fromText("3000"))}}, "赵六", "基本工资 < 3000"},
        {{{3, {FilterOp::GreaterOrEqual, Value::fromNumber(2), {}}}}, "李四 王五", "人数 >= 2"},
        {{{3, {FilterOp::LessOrEqual, Value::fromNumber(1), {}}}}, "张三 钱七", "人数 <= 1"},
        {{{2, ColumnFilter::equals(Value::fromNumber(1))}}, "", "基本工资 = 1"},
    };
    for (const auto& c : cases) {
        Staff s;
        for (const auto& [col, f] : c.filters) s.view.setFilter(col, f);
        std::string names;
        for (uint32_t r : s.view.filteredRows()) {
            if (!names.empty()) names += ' ';
            names += s.view.cellText(r, 1);
        }
        EXPECT_EQ(names, c.names) << c.text;
        EXPECT_EQ(s.view.filterText(), c.text);
        EXPECT_EQ(s.view.footerText(0), "个数:" + std::to_string(s.view.filteredRows().size()));
    }
}

TEST(GridView, FilterReplaceClearAndBoxVisibility) {
    Staff s;
    EXPECT_TRUE(s.view.filterBoxVisible());
    applyOptionSwitch(s.view, OptionSwitch::FilterBox, false);
    EXPECT_FALSE(s.view.filterBoxVisible());
    s.view.setFilter(0, ColumnFilter::equals(Value::fromText("销售部")));
    EXPECT_TRUE(s.view.filterBoxVisible());
    s.view.setFilter(0, ColumnFilter::equals(Value::fromText("财务部")));  // replaces
    EXPECT_EQ(s.view.filterText(), "部门 = 财务部");
    EXPECT_EQ(s.view.footerText(2), "7000.50");
    s.view.clearFilter(0);
    EXPECT_FALSE(s.view.isFiltered());
    EXPECT_EQ(s.view.filterText(), "");
    EXPECT_EQ(s.view.filteredRows().size(), 5u);
    EXPECT_FALSE(s.view.filterBoxVisible());
}

TEST(GridView, DistinctValuesForTheDropDown) {
    Staff s;
    DistinctValues d = s.view.distinctValues(0);
    EXPECT_EQ(d.values, (std::vector<Value>{Value::fromText("财务部"), Value::fromText("销售部")}));
    EXPECT_TRUE(d.hasBlanks);
    d = s.view.distinctValues(2);
    EXPECT_EQ(d.values, (std::vector<Value>{Value::fromNumber(2800), Value::fromNumber(3000),
                                            Value::fromNumber(4200.5), Value::fromNumber(5000)}));
    EXPECT_TRUE(d.hasBlanks);
}

TEST(GridView, TextsGroupSortAndListInChineseOrder) {
    // By code point 人 < 仓 < 信 < 测 < 财; a Chinese user expects pinyin: cai, cang, ce, ren, xin.
    const char* data =
        "部门:s|序号:i\n人力资源部|1\n仓储物流部|2\n信息技术部|3\n测试部|4\n财务部|5\n"
        "|6\n12|7\n仓储物流部|8\nAbc|9";
    const std::vector<std::string> pinyin = {"财务部", "仓储物流部", "测试部", "人力资源部",
                                             "信息技术部"};
    GridView v;
    v.setResult(makeResult(data));
    v.addColumn("部门");
    v.addColumn("序号");
    // the drop-down in the Chinese locale's order: digits, Han characters by pinyin, Latin letters

    std::vector<Value> want = {Value::fromText("12")};
    for (const auto& t : pinyin) want.push_back(Value::fromText(t));
    want.push_back(Value::fromText("Abc"));
    const DistinctValues d = v.distinctValues(0);
    EXPECT_EQ(d.values, want);
    // sorted column, both ways
    auto column = [&] {
        std::string out;
        for (uint32_t r : v.filteredRows()) out += v.cellText(r, 0) + ",";
        return out;
    };
    v.sortBy(0, true);
    EXPECT_EQ(column(), ",12,财务部,仓储物流部,仓储物流部,测试部,人力资源部,信息技术部,Abc,");
    v.sortBy(0, false);
    EXPECT_EQ(column(), "Abc,信息技术部,人力资源部,测试部,仓储物流部,仓储物流部,财务部,12,,");
    // groups
    v.sortBy(std::nullopt);
    v.groupBy(0);
    std::vector<std::string> groups;
    for (const ViewRow& r : v.rows())
        if (r.kind == RowKind::GroupHeader) groups.push_back(v.groupValueText(r.index));
    std::vector<std::string> wantGroups = {"", "12"};
    wantGroups.insert(wantGroups.end(), pinyin.begin(), pinyin.end());
    wantGroups.push_back("Abc");
    EXPECT_EQ(groups, wantGroups);
}

TEST(GridView, SortingIsStableAndInsideGroups) {
    Staff s;
    s.view.sortBy(2, false);
    std::string names;
    for (uint32_t r : s.view.filteredRows()) names += s.view.cellText(r, 1) + " ";
    EXPECT_EQ(names, "钱七 李四 张三 赵六 王五 ");
    s.view.groupBy(0);
    names.clear();
    for (uint32_t r : s.view.filteredRows()) names += s.view.cellText(r, 1) + " ";
    EXPECT_EQ(names, "钱七 李四 赵六 张三 王五 ");
    s.view.sortBy(std::nullopt);
    s.view.clearGrouping();
    EXPECT_EQ(s.view.filteredRows(), (std::vector<uint32_t>{0, 1, 2, 3, 4}));
}

TEST(GridView, EditingMovesRowsAndSummariesFollow) {
    Staff s;
    s.view.groupBy(0);
    s.view.setExpanded(2, true);                   // 销售部
    s.view.setCell(2, 2, Value::fromNumber(100));  // 王五 gets a salary
    EXPECT_EQ(s.view.footerText(2), "15100.50");
    s.view.setCell(0, 0, Value::fromText("财务部"));  // 张三 moves to 财务部
    ASSERT_EQ(s.view.groupCount(), 3u);
    EXPECT_EQ(s.view.groupRowCount(1), 3u);
    EXPECT_TRUE(s.view.isExpanded(2)) << "the expanded group stays expanded after an edit";
    EXPECT_EQ(s.view.groupFooterText(2, 2), "100.00");
    uint32_t row = s.view.insertRow(1);
    EXPECT_EQ(row, 1u);
    EXPECT_EQ(s.view.result()->rowCount(), 6u);
    s.view.clearGrouping();
    EXPECT_EQ(s.view.footerText(0), "个数:6");
    s.view.deleteRow(0);
    EXPECT_EQ(s.view.footerText(0), "个数:5");
    EXPECT_EQ(s.view.footerText(2), "12100.50");
    EXPECT_EQ(s.view.cellText(0, 1), "");  // the inserted row now comes first
    EXPECT_THROW(s.view.deleteRow(99), Error);
    GridView closed;
    EXPECT_THROW(closed.insertRow(0), Error);
}

TEST(GridView, CellTextsAndAlignments) {
    GridView v;
    SummaryTable t;
    rebuildResultGrid(
        v, t, makeResult("名称:s|金额:c|日期:d|是否:b\n甲|12.345|40179|1\n乙|待定||0"), true);
    EXPECT_EQ(v.cellText(0, 1), "￥12.35");
    EXPECT_EQ(v.editText(0, 1), "￥12.35");
    EXPECT_EQ(v.cellText(1, 1), "待定") << "a text cell of a money column shows unchanged";
    EXPECT_EQ(v.cellText(0, 2), "2010-01-01");
    EXPECT_EQ(v.cellText(0, 3), "True");
    EXPECT_EQ(v.cellAlignment(0), taLeftJustify);
    EXPECT_EQ(v.cellAlignment(1), taRightJustify);
    EXPECT_EQ(v.cellText(0, 99), "");
}

TEST(GridView, TypedInputBecomesTypedValues) {
    GridView v;
    SummaryTable t;
    rebuildResultGrid(v, t, makeResult("名称:s|金额:c|日期:d|是否:b\n甲|1|40179|1"), true);
    const struct {
        size_t col;
        const char* text;
        Value expected;
    } cases[] = {
        {1, "3000", Value::fromNumber(3000)},
        {1, " ￥1234.5 ", Value::fromNumber(1234.5)},
        {1, "-￥5", Value::fromNumber(-5)},
        {1, "", Value::null()},
        {1, "待定", Value::fromText("待定")},
        {1, "1,234", Value::fromText("1,234")},
        {2, "2010-01-01", Value::fromDate(40179)},
        {2, "2010-01-01 12:00", Value::fromDate(40179.5)},
        {2, "1900-03-01", Value::fromDate(61)},
        {2, "2010-13-01", Value::fromText("2010-13-01")},
        {3, "True", Value::fromBool(true)},
        {3, "0", Value::fromBool(false)},
        {0, "12", Value::fromText("12")},
    };
    for (const auto& c : cases) EXPECT_EQ(v.parseInput(c.col, c.text), c.expected) << c.text;
    v.setCell(0, 1, v.parseInput(1, "￥7"));
    EXPECT_EQ(v.footerText(1), "7.00");
}

TEST(GridView, WidthsFitTextsAndTheView) {
    Staff s;
    auto bytes = [](std::string_view t) { return int(t.size()); };
    std::vector<int> w = s.view.autoWidths(bytes, 2);
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[0], 9 + 2);   // "销售部" / "财务部": 9 bytes; the caption 部门 6
    EXPECT_EQ(w[2], 12 + 2);  // "基本工资" 12 bytes, longer than "￥4200.50" (10)
    std::vector<int> f = s.view.fitWidths(1000);
    int sum = 0;
    for (int x : f) sum += x;
    EXPECT_EQ(sum, 1000);
    EXPECT_EQ(f[0], 250);
}

TEST(GridView, ListenersHearEveryChange) {
    Staff s;
    int calls = 0;
    s.view.setChangeListener([&] { ++calls; });
    const uint64_t before = s.view.revision();
    s.view.groupBy(0);
    s.view.expandAll();
    s.view.setFilter(1, ColumnFilter::nonBlank());
    applyOptionSwitch(s.view, OptionSwitch::GroupFooter, false);
    SummaryPanel panel(s.view, s.table);
    panel.select(0);
    panel.openPopup();
    panel.chooseAlign(1);
    panel.apply();
    EXPECT_EQ(calls, 5);
    EXPECT_EQ(s.view.revision(), before + 5);
}

TEST(GridView, StartOptions) {
    ViewOptions o;
    EXPECT_EQ(o.filterPosition, FilterPosition::fpTop);
    EXPECT_EQ(o.filterVisible, FilterVisible::fvAlways);
    EXPECT_FALSE(o.columnFiltering);
    EXPECT_TRUE(o.cellHints);
    EXPECT_TRUE(o.footer);
    EXPECT_EQ(o.groupFooters, GroupFooterMode::gfAlwaysVisible);
    EXPECT_TRUE(o.groupByBox);
    EXPECT_FALSE(o.columnAutoWidth);
    EXPECT_FALSE(o.focusRect);
    EXPECT_EQ(o.dataRowHeight, 23);
    EXPECT_EQ(o.headerHeight, 22);
    EXPECT_EQ(o.gridLineColor, (213u << 16) | (228u << 8) | 238u);
    EXPECT_TRUE(o.editing && o.inserting && o.deleting && o.deletingConfirmation && o.cancelOnExit);
    EXPECT_FALSE(o.appending);
}

}  // namespace
}  // namespace shuhui::grid
