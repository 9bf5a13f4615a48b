// Populating the result grid and the summary control panel: see summary_panel.h.
#include "grid/summary_panel.h"

#include <charconv>

#include "formats/error.h"
#include "grid/pattern.h"

namespace shuhui::grid {

namespace {

// A whole number as the user typed it: optional blanks around, an optional sign, digits only.
int wholeNumber(const std::string& text) {
    std::string_view s = text;
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    int v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || p != s.data() + s.size())
        throw Error(ErrorKind::Syntax, "“" + text + "”不是有效的整数");
    return v;
}

}  // namespace

void rebuildResultGrid(GridView& view, SummaryTable& table,
                       std::shared_ptr<workbooks::Result> result, bool formatSwitch) {
    view.clearColumns();
    table.clear();
    view.setResult(std::move(result));
    const auto& r = view.result();
    if (!r || r->rowCount() == 0) return;
    for (size_t i = 0; i < r->fieldCount(); ++i) view.addColumn(r->field(i).name());
    configureResultColumns(view, table, formatSwitch);
}

void configureResultColumns(GridView& view, SummaryTable& table, bool formatSwitch) {
    for (size_t i = 0; i < view.columnCount(); ++i) {
        GridColumn& c = view.column(i);
        if (i == 0) {
            c.footerKind = skCount;
            c.footerFormat = "个数:0";
            c.groupFooterKind = skCount;
            c.groupFooterFormat = "个数:0";
        }
        c.width = 100;
        if (formatSwitch && view.isNumericColumn(i)) {
            c.footerKind = skSum;
            c.footerFormat = "0.00";
            c.footerAlignmentHorz = taLeftJustify;
            c.groupFooterKind = skSum;
            c.groupFooterFormat = "0.00";
            c.moneyFormat = true;
            c.displayFormat = "￥0.00";
            c.editFormat = "￥0.00";
            table.rows.push_back(
                SummaryRow{view.field(i)->name(), "累计", "2", std::to_string(i), "￥", "右"});
        }
    }
    view.columnsChanged();
}

void SummaryPanel::select(int i) {
    table_.selected = i >= 0 && i < int(table_.rows.size()) ? i : -1;
}

void SummaryPanel::openPopup() {
    popup_ = SummaryPopup{};
    popup_.open = true;
    if (const SummaryRow* r = table_.selectedRow()) {
        popup_.fieldName = r->field;
        popup_.kindText = r->kind;
        popup_.decimalsText = r->decimals;
        popup_.signText = r->sign;
        popup_.alignText = r->align;
    }
}

void SummaryPanel::chooseKind(int entry) {
    if (entry < 0 || entry >= int(kSummaryKindEntries.size())) return;
    popup_.kindChosen = entry;
    popup_.kindText = kSummaryKindEntries[size_t(entry)];
    if (SummaryRow* r = table_.selectedRow()) r->kind = popup_.kindText;
}

void SummaryPanel::chooseDecimals(int entry) {
    if (entry < 0 || entry >= int(kDecimalsEntries.size())) return;
    popup_.decimalsChosen = entry;
    popup_.decimalsText = kDecimalsEntries[size_t(entry)];
    if (SummaryRow* r = table_.selectedRow()) r->decimals = popup_.decimalsText;
}

void SummaryPanel::chooseSign(int entry) {
    if (entry < 0 || entry >= int(kSignEntries.size())) return;
    popup_.signChosen = entry;
    popup_.signText = kSignEntries[size_t(entry)];
    if (SummaryRow* r = table_.selectedRow()) r->sign = popup_.signText;
}

void SummaryPanel::chooseAlign(int entry) {
    if (entry < 0 || entry >= int(kAlignEntries.size())) return;
    popup_.alignChosen = entry;
    popup_.alignText = kAlignEntries[size_t(entry)];
}

void SummaryPanel::setKindText(const std::string& text) {
    popup_.kindText = text;
    popup_.kindChosen = -1;
}
void SummaryPanel::setDecimalsText(const std::string& text) {
    popup_.decimalsText = text;
    popup_.decimalsChosen = -1;
}
void SummaryPanel::setSignText(const std::string& text) {
    popup_.signText = text;
    popup_.signChosen = -1;
}
void SummaryPanel::setAlignText(const std::string& text) {
    popup_.alignText = text;
    popup_.alignChosen = -1;
}

void SummaryPanel::apply() {
    const SummaryRow* row = table_.selectedRow();
    const int n = wholeNumber(row ? row->columnId : std::string());
    if (n < 0 || size_t(n) >= view_.columnCount())
        throw Error(ErrorKind::Internal, "列号 " + std::to_string(n) + " 超出表格的列数");
    GridColumn& c = view_.column(size_t(n));
    if (popup_.kindChosen >= 0) {
        c.groupFooterKind = kSummaryKindOfEntry[size_t(popup_.kindChosen)];
        c.footerKind = kSummaryKindOfEntry[size_t(popup_.kindChosen)];
    }
    c.footerAlignmentHorz = taLeftJustify;
    int d = 0;
    try {
        d = wholeNumber(popup_.decimalsText);
    } catch (const Error&) {
        view_.columnsChanged();  // kind and footer alignment stay applied
        throw;
    }
    if (std::optional<std::string> p = patternForDecimals(d)) {
        const std::string format = popup_.signText + *p;
        c.groupFooterFormat = format;
        c.footerFormat = format;
        c.moneyFormat = true;
        c.displayFormat = format;
        c.editFormat = format;
    }
    if (popup_.alignChosen >= 0) {
        table_.rows[size_t(table_.selected)].align = kAlignEntries[size_t(popup_.alignChosen)];
        c.cellAlignment = kAlignmentOfEntry[size_t(popup_.alignChosen)];
    }
    view_.columnsChanged();
    closePopup();
}

void SummaryPanel::closePopup() {
    popup_.open = false;
}

void SummaryPanel::generate(bool& formatSwitch, const std::function<void(bool)>& loadingNotice) {
    if (loadingNotice) loadingNotice(true);
    formatSwitch = true;
    table_.clear();
    configureResultColumns(view_, table_, formatSwitch);
    formatSwitch = false;
    if (loadingNotice) loadingNotice(false);
}

const char* optionSwitchCaption(OptionSwitch s) {
    switch (s) {
        case OptionSwitch::FieldFilter:
            return "字段过滤";
        case OptionSwitch::ColumnAutoWidth:
            return "列自动宽度";
        case OptionSwitch::Footer:
            return "页脚";
        case OptionSwitch::GroupFooter:
            return "组注脚";
        case OptionSwitch::GroupByBox:
            return "项部群组";
        case OptionSwitch::FilterBox:
            return "底部过滤";
    }
    return "";
}

bool optionSwitchStartsChecked(OptionSwitch s) {
    return s == OptionSwitch::Footer || s == OptionSwitch::GroupByBox ||
           s == OptionSwitch::FilterBox;
}

void applyOptionSwitch(GridView& view, OptionSwitch s, bool checked) {
    ViewOptions& o = view.options();
    switch (s) {
        case OptionSwitch::FieldFilter:
            o.columnFiltering = checked;
            break;
        case OptionSwitch::ColumnAutoWidth:
            o.columnAutoWidth = checked;
            break;
        case OptionSwitch::Footer:
            o.footer = checked;
            break;
        case OptionSwitch::GroupFooter:
            o.groupFooters =
                checked ? GroupFooterMode::gfAlwaysVisible : GroupFooterMode::gfInvisible;
            break;
        case OptionSwitch::GroupByBox:
            o.groupByBox = checked;
            break;
        case OptionSwitch::FilterBox:
            o.filterVisible = checked ? FilterVisible::fvAlways : FilterVisible::fvNonEmpty;
            break;
    }
    view.optionsChanged();
}

void applyExpandCollapse(GridView& view, bool checked) {
    if (checked)
        view.expandAll();
    else
        view.collapseAll();
}

}  // namespace shuhui::grid
