// Populating the grid (columns, default summaries, the summary table) and the summary panel's
// popup, "确定" and "生成统计"; the option switches.
#include "grid/summary_panel.h"

#include <gtest/gtest.h>

#include "formats/error.h"
#include "grid_fixture.h"

namespace shuhui::grid {
namespace {

using testing::makeResult;
using workbooks::FieldType;
using workbooks::Value;

const char* kPay = "姓名:s|工资:f|人数:i\n张三|3000|2\n李四|4200.5|3\n王五|1000|1";

struct Fixture {
    GridView view;
    SummaryTable table;
    SummaryPanel panel{view, table};
    explicit Fixture(const char* text = kPay, bool formatSwitch = true) {
        rebuildResultGrid(view, table, makeResult(text), formatSwitch);
    }
};

TEST(ResultGrid, WorkedExampleWithTheSwitchOn) {
    Fixture f;
    ASSERT_EQ(f.view.columnCount(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(f.view.column(i).width, 100);
        EXPECT_EQ(f.view.column(i).caption, f.view.result()->field(i).name());
    }
    EXPECT_EQ(f.view.footerText(0), "个数:3");
    EXPECT_EQ(f.view.footerText(1), "8200.50");
    EXPECT_EQ(f.view.footerText(2), "6.00");
    EXPECT_EQ(f.view.column(1).footerAlignmentHorz, taLeftJustify);
    EXPECT_EQ(f.view.column(1).groupFooterKind, skSum);
    EXPECT_EQ(f.view.column(1).groupFooterFormat, "0.00");
    EXPECT_EQ(f.view.cellText(0, 1), "￥3000.00");
    EXPECT_EQ(f.view.column(0).groupFooterKind, skCount);
    EXPECT_EQ(f.view.column(0).groupFooterFormat, "个数:0");
    EXPECT_EQ(f.table.rows, (std::vector<SummaryRow>{{"工资", "累计", "2", "1", "￥", "右"},
                                                     {"人数", "累计", "2", "2", "￥", "右"}}));
}

TEST(ResultGrid, WorkedExampleWithTheSwitchOff) {
    Fixture f(kPay, false);
    EXPECT_EQ(f.view.footerText(0), "个数:3");
    EXPECT_EQ(f.view.column(1).footerKind, skNone);
    EXPECT_EQ(f.view.footerText(1), "");
    EXPECT_EQ(f.view.cellText(0, 1), "3000");
    EXPECT_FALSE(f.view.column(1).moneyFormat);
    EXPECT_TRUE(f.table.rows.empty());
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(f.view.column(i).width, 100);
}

TEST(ResultGrid, NoRowsGiveNoColumnsAndAnEmptyTable) {
    Fixture f;
    f.table.selected = 1;
    rebuildResultGrid(f.view, f.table, makeResult("姓名:s|工资:f"), true);
    EXPECT_EQ(f.view.columnCount(), 0u);
    EXPECT_TRUE(f.table.rows.empty());
    EXPECT_EQ(f.table.selected, -1);
    EXPECT_TRUE(f.view.rows().empty());
}

TEST(ResultGrid, OnlyFourFieldTypesAreNumeric) {
    const std::pair<FieldType, bool> cases[] = {
        {FieldType::Integer, true},   {FieldType::Word, true},      {FieldType::Float, true},
        {FieldType::Currency, true},  {FieldType::Smallint, false}, {FieldType::BCD, false},
        {FieldType::Largeint, false}, {FieldType::AutoInc, false},  {FieldType::String, false},
        {FieldType::Boolean, false},  {FieldType::Date, false},     {FieldType::DateTime, false},
        {FieldType::Memo, false},
    };
    for (const auto& [type, numeric] : cases) {
        auto r = std::make_shared<workbooks::Result>();
        r->addField("名称", FieldType::String).appendText("甲");
        r->addField("值", type).appendNumber(5);
        r->commitRow();
        GridView v;
        SummaryTable t;
        rebuildResultGrid(v, t, r, true);
        EXPECT_EQ(v.isNumericColumn(1), numeric) << workbooks::fieldTypeName(type);
        EXPECT_EQ(t.rows.size(), numeric ? 1u : 0u) << workbooks::fieldTypeName(type);
        EXPECT_EQ(v.column(1).footerKind, numeric ? skSum : skNone)
            << workbooks::fieldTypeName(type);
        EXPECT_EQ(v.column(1).moneyFormat, numeric) << workbooks::fieldTypeName(type);
    }
}

TEST(ResultGrid, NumericFirstColumnShowsTheSum) {
    Fixture f("金额:c|名称:s\n1.5|甲\n2|乙");
    EXPECT_EQ(f.view.column(0).footerKind, skSum);
    EXPECT_EQ(f.view.footerText(0), "3.50");
    EXPECT_EQ(f.view.column(0).groupFooterFormat, "0.00");
}

TEST(ResultGrid, ColumnIdsFollowPositionsAndRebuildingDoesNotDouble) {
    const char* text = "a:s|b:i|c:s|d:S|e:f\nx|1|y|2|3";
    Fixture f(text);
    auto ids = [&] {
        std::vector<std::string> out;
        for (const auto& r : f.table.rows) out.push_back(r.field + "@" + r.columnId);
        return out;
    };
    EXPECT_EQ(ids(), (std::vector<std::string>{"b@1", "e@4"}));
    rebuildResultGrid(f.view, f.table, f.view.result(), true);
    rebuildResultGrid(f.view, f.table, f.view.result(), true);
    EXPECT_EQ(ids(), (std::vector<std::string>{"b@1", "e@4"}));
    EXPECT_EQ(f.view.columnCount(), 5u);
}

TEST(ResultGrid, ClosedResultMakesNoColumnNumeric) {
    Fixture f(kPay, false);
    f.view.setResult(nullptr);  // a later query failed: columns stand, no result
    f.view.column(0).width = 40;
    bool formatSwitch = false;
    f.panel.generate(formatSwitch);
    EXPECT_TRUE(f.table.rows.empty());
    EXPECT_EQ(f.view.column(0).width, 100);
    EXPECT_EQ(f.view.column(0).footerKind, skCount);
    EXPECT_EQ(f.view.column(1).footerKind, skNone);
    EXPECT_FALSE(f.view.hasData());
}

TEST(SummaryPanel, GenerateTwiceKeepsOneRowPerColumnAndTheViewState) {
    Fixture f(kPay, false);
    f.view.groupBy(0);
    f.view.setFilter(2, ColumnFilter::greater(Value::fromNumber(1)));
    f.view.column(1).cellAlignment = taCenter;
    std::vector<bool> notices;
    bool formatSwitch = true;
    for (int i = 0; i < 2; ++i)
        f.panel.generate(formatSwitch, [&](bool shown) { notices.push_back(shown); });
    EXPECT_FALSE(formatSwitch);
    EXPECT_EQ(notices, (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(f.table.rows.size(), 2u);
    EXPECT_EQ(f.view.groupColumns(), (std::vector<size_t>{0}));
    EXPECT_TRUE(f.view.isFiltered());
    EXPECT_EQ(f.view.column(1).cellAlignment, taCenter);
    EXPECT_EQ(f.view.footerText(1), "7200.50");
    // Without a result nothing is configured and the table ends empty.
    GridView empty;
    SummaryTable t{{{"x", "累计", "2", "0", "￥", "右"}}, 0};
    SummaryPanel p(empty, t);
    formatSwitch = true;
    p.generate(formatSwitch);
    EXPECT_TRUE(t.rows.empty());
    EXPECT_FALSE(formatSwitch);
}

TEST(SummaryPanel, SelectionAndPopupTexts) {
    Fixture f;
    f.panel.select(1);
    EXPECT_EQ(f.panel.selected(), 1);
    f.panel.openPopup();
    const SummaryPopup& p = f.panel.popup();
    EXPECT_TRUE(p.open);
    EXPECT_EQ(p.fieldName, "人数");
    EXPECT_EQ(p.kindText, "累计");
    EXPECT_EQ(p.decimalsText, "2");
    EXPECT_EQ(p.signText, "￥");
    EXPECT_EQ(p.alignText, "右");
    EXPECT_EQ(p.kindChosen + p.decimalsChosen + p.signChosen + p.alignChosen, -4);
    for (int bad : {-1, 2, 7}) {
        f.panel.select(bad);
        EXPECT_EQ(f.panel.selected(), -1);
    }
    f.panel.openPopup();
    EXPECT_EQ(f.panel.popup().fieldName + f.panel.popup().kindText + f.panel.popup().alignText, "");
    f.panel.chooseKind(2);  // no row: nothing written
    EXPECT_EQ(f.table.rows[0].kind, "累计");
    EXPECT_EQ(f.table.rows[1].kind, "累计");
}

TEST(SummaryPanel, ChosenEntriesWriteThroughButAlignmentWaits) {
    Fixture f;
    f.panel.select(0);
    f.panel.openPopup();
    f.panel.chooseKind(2);      // 最大值
    f.panel.chooseDecimals(1);  // 3
    f.panel.chooseSign(1);      // ＄
    f.panel.chooseAlign(0);     // 左
    EXPECT_EQ(f.table.rows[0], (SummaryRow{"工资", "最大值", "3", "1", "＄", "右"}));
    f.panel.closePopup();
    EXPECT_FALSE(f.panel.popup().open);
    EXPECT_EQ(f.table.rows[0].kind, "最大值");
    EXPECT_EQ(f.view.column(1).footerKind, skSum) << "closing applies nothing";
    // Reopened and confirmed without choosing: the kind stays a sum; the row's texts give the
    // format.
    f.panel.openPopup();
    f.panel.apply();
    EXPECT_EQ(f.view.column(1).footerKind, skSum);
    EXPECT_EQ(f.view.column(1).footerFormat, "＄0.000");
    EXPECT_EQ(f.view.cellText(0, 1), "＄3000.000");
}

TEST(SummaryPanel, ApplyCases) {
    struct Case {
        const char* name;
        int kind, decimals, sign, align;  // entries chosen, -1 for none
        const char* typedDecimals;        // typed instead of chosen when not null
        SummaryKind footerKind;
        const char* format;  // footers and cells after "确定"
        Alignment cells;
        const char* alignText;
        const char* footer;  // footer text of 工资 (3 rows)
        const char* cell;    // first cell of 工资
    } cases[] = {
        {"count with ￥ and no decimals", 1, 2, 0, -1, nullptr, skCount, "￥0", taRightJustify,
         "右", "￥3", "￥3000"},
        {"empty sign with 2 decimals", -1, 0, 3, -1, nullptr, skSum, "0.00", taRightJustify, "右",
         "8200.50", "3000.00"},
        {"typed 1 decimal changes no format", 2, -1, -1, 1, "1", skMax, "0.00", taCenter, "中",
         "4200.50", "￥3000.00"},
        {"nothing chosen on a default row", -1, -1, -1, -1, nullptr, skSum, "￥0.00",
         taRightJustify, "右", "￥8200.50", "￥3000.00"},
        {"centred cells", -1, -1, -1, 1, nullptr, skSum, "￥0.00", taCenter, "中", "￥8200.50",
         "￥3000.00"},
        {"average with 3 decimals", 4, 1, -1, 0, nullptr, skAverage, "￥0.000", taLeftJustify, "左",
         "￥2733.500", "￥3000.000"},
        {"minimum", 3, -1, -1, 2, nullptr, skMin, "￥0.00", taRightJustify, "右", "￥1000.00",
         "￥3000.00"},
        {"none", 5, -1, -1, -1, nullptr, skNone, "￥0.00", taRightJustify, "右", "", "￥3000.00"},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.view.column(1).footerAlignmentHorz = taCenter;
        f.panel.select(0);
        f.panel.openPopup();
        if (c.kind >= 0) f.panel.chooseKind(c.kind);
        if (c.decimals >= 0) f.panel.chooseDecimals(c.decimals);
        if (c.sign >= 0) f.panel.chooseSign(c.sign);
        if (c.align >= 0) f.panel.chooseAlign(c.align);
        if (c.typedDecimals) f.panel.setDecimalsText(c.typedDecimals);
        f.panel.apply();
        const GridColumn& col = f.view.column(1);
        EXPECT_FALSE(f.panel.popup().open) << c.name;
        EXPECT_EQ(col.footerKind, c.footerKind) << c.name;
        EXPECT_EQ(col.groupFooterKind, c.footerKind) << c.name;
        EXPECT_EQ(col.footerAlignmentHorz, taLeftJustify) << c.name;
        if (std::string(c.name).starts_with("typed")) {
            EXPECT_EQ(col.footerFormat, "0.00") << c.name;
            EXPECT_EQ(col.displayFormat, "￥0.00") << c.name;
        } else {
            for (const std::string* s :
                 {&col.footerFormat, &col.groupFooterFormat, &col.displayFormat, &col.editFormat})
                EXPECT_EQ(*s, c.format) << c.name;
        }
        EXPECT_EQ(f.view.cellAlignment(1), c.cells) << c.name;
        EXPECT_EQ(f.table.rows[0].align, c.alignText) << c.name;
        EXPECT_EQ(f.view.footerText(1), c.footer) << c.name;
        EXPECT_EQ(f.view.cellText(0, 1), c.cell) << c.name;
        EXPECT_EQ(f.table.rows[1], (SummaryRow{"人数", "累计", "2", "2", "￥", "右"})) << c.name;
    }
}

TEST(SummaryPanel, ApplyFailures) {
    {
        // No row selected: the column number is empty; nothing applied, the popup stays open.
        Fixture f;
        f.view.column(1).footerAlignmentHorz = taCenter;
        f.panel.openPopup();
        f.panel.chooseKind(1);
        EXPECT_THROW(f.panel.apply(), Error);
        EXPECT_TRUE(f.panel.popup().open);
        EXPECT_EQ(f.view.column(1).footerKind, skSum);
        EXPECT_EQ(f.view.column(1).footerAlignmentHorz, taCenter);
    }
    {
        // Decimals that are no whole number: kind and footer alignment applied, then the failure.
        Fixture f;
        f.view.column(1).footerAlignmentHorz = taCenter;
        f.panel.select(0);
        f.panel.openPopup();
        f.panel.chooseKind(1);
        f.panel.chooseSign(3);
        f.panel.chooseAlign(1);
        f.panel.setDecimalsText("两位");
        try {
            f.panel.apply();
            FAIL() << "no error";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("两位"), std::string::npos) << e.what();
        }
        EXPECT_TRUE(f.panel.popup().open);
        const GridColumn& col = f.view.column(1);
        EXPECT_EQ(col.footerKind, skCount);
        EXPECT_EQ(col.groupFooterKind, skCount);
        EXPECT_EQ(col.footerAlignmentHorz, taLeftJustify);
        EXPECT_EQ(col.footerFormat, "0.00");
        EXPECT_EQ(col.displayFormat, "￥0.00");
        EXPECT_FALSE(col.cellAlignment);
        EXPECT_EQ(f.table.rows[0].align, "右");
    }
}

TEST(OptionSwitches, EachSetsExactlyOneOption) {
    auto snapshot = [](const ViewOptions& o) {
        return std::vector<int>{o.columnFiltering,   o.columnAutoWidth, o.footer,
                                int(o.groupFooters), o.groupByBox,      int(o.filterVisible),
                                o.cellHints,         o.focusRect};
    };
    for (size_t i = 0; i < kOptionSwitches.size(); ++i) {
        OptionSwitch s = kOptionSwitches[i];
        GridView v;
        std::vector<int> before = snapshot(v.options());
        applyOptionSwitch(v, s, !optionSwitchStartsChecked(s));
        std::vector<int> after = snapshot(v.options());
        int changed = 0;
        for (size_t k = 0; k < before.size(); ++k) changed += before[k] != after[k];
        // "组注脚" starts unchecked while the view shows group footers: the first click changes
        // nothing.
        EXPECT_EQ(changed, s == OptionSwitch::GroupFooter ? 0 : 1) << optionSwitchCaption(s);
    }
    GridView v;
    applyOptionSwitch(v, OptionSwitch::GroupFooter, true);
    EXPECT_EQ(v.options().groupFooters, GroupFooterMode::gfAlwaysVisible);
    applyOptionSwitch(v, OptionSwitch::GroupFooter, false);
    EXPECT_EQ(v.options().groupFooters, GroupFooterMode::gfInvisible);
    applyOptionSwitch(v, OptionSwitch::FilterBox, false);
    EXPECT_EQ(v.options().filterVisible, FilterVisible::fvNonEmpty);
    applyOptionSwitch(v, OptionSwitch::Footer, false);
    EXPECT_FALSE(v.options().footer);
    EXPECT_STREQ(optionSwitchCaption(OptionSwitch::GroupByBox), "项部群组");
}

TEST(OptionSwitches, GroupFootersDisappearFromTheRows) {
    Fixture f;
    f.view.groupBy(2);
    size_t withFooters = f.view.rows().size();
    applyOptionSwitch(f.view, OptionSwitch::GroupFooter, false);
    EXPECT_EQ(f.view.rows().size(), withFooters / 2);
}

}  // namespace
}  // namespace shuhui::grid
