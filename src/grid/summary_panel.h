// Populating the result grid and the summary control panel, without widgets.
//
// rebuildResultGrid() is what every producer of rows calls after opening its result: it drops the
// columns, empties the summary table and, when the result has rows, creates one column per field
// and calls configureResultColumns(). configureResultColumns() gives every column width 100, the
// first column the row count ("个数:0") in footer and group footers, and, while the format switch
// ("生成数值专用格式") is on, every numeric column the sums ("0.00", footer text left-aligned), the
// money cell format "￥0.00" and one row of the summary table. The first column's count comes
// before its numeric settings, so a numeric first column shows the sum.
//
// SummaryTable is the table the summary panel shows: one row per numeric column with its field
// name, kind text ("累计"), decimals ("2"), column index ("1"), currency sign ("￥") and cell
// alignment ("右"), plus the selected row shared by all its columns.
//
// SummaryPanel is the panel's logic: selecting a row, opening the edit popup (texts filled from the
// selected row, no entry chosen), choosing entries (kind, decimals and sign write through to the
// selected row at once; alignment does not), "确定" (apply()), the popup's close button and
// "生成统计" (generate()). Call order from the widgets: select() on a list click; openPopup() on a
// double click; choose*() when the user picks an entry of a popup box, set*Text() when the user
// types; apply() on "确定" (throws shuhui::Error and leaves the popup open on a bad number);
// closePopup() on the close button; generate() on "生成统计".
//
// optionSwitch*(): the six check boxes of the options panel, each setting exactly one view option.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "grid/grid_engine.h"

namespace shuhui::grid {

// The loading notice shown around long work.
inline constexpr const char* kLoadingNotice = "正在生成数据,请稍候...";
// The caption of the format switch.
inline constexpr const char* kFormatSwitchCaption = "生成数值专用格式";

struct SummaryRow {
    std::string field;  // the field's name
    std::string kind;  // "累计", "计数", "最大值", "最小值", "平均值", "无" (or typed text)
    std::string decimals;  // "2"
    std::string columnId;  // the column index in the view, decimal text: "3" for the fourth column
    std::string sign;      // "￥"
    std::string align;     // "右"
    bool operator==(const SummaryRow&) const = default;
};

struct SummaryTable {
    std::vector<SummaryRow> rows;
    int selected = -1;  // the selected row, -1 for none

    void clear() {
        rows.clear();
        selected = -1;
    }
    SummaryRow* selectedRow() {
        return selected >= 0 && selected < int(rows.size()) ? &rows[selected] : nullptr;
    }
};

// Rebinds the view to `result` and rebuilds its columns and the summary table (see above).
// The view's options, and its expanded state for groups formed later, are not touched.
void rebuildResultGrid(GridView& view, SummaryTable& table,
                       std::shared_ptr<workbooks::Result> result, bool formatSwitch);
// Configures the current columns; appends rows to the table and never empties it. A column whose
// field is missing (result closed) is not numeric.
void configureResultColumns(GridView& view, SummaryTable& table, bool formatSwitch);

// The entries of the popup's boxes, in order.
inline const std::array<const char*, 6> kSummaryKindEntries = {"累计",   "计数",   "最大值",
                                                               "最小值", "平均值", "无"};
inline const std::array<SummaryKind, 6> kSummaryKindOfEntry = {skSum, skCount,   skMax,
                                                               skMin, skAverage, skNone};
inline const std::array<const char*, 3> kDecimalsEntries = {"2", "3", "0"};
inline const std::array<const char*, 4> kSignEntries = {"￥", "＄", "￡", ""};
inline const std::array<const char*, 3> kAlignEntries = {"左", "中", "右"};
inline const std::array<Alignment, 3> kAlignmentOfEntry = {taLeftJustify, taCenter, taRightJustify};

// The edit popup's state: the texts of its boxes and the entry the user chose (-1: none chosen).
struct SummaryPopup {
    bool open = false;
    std::string fieldName;
    std::string kindText, decimalsText, signText, alignText;
    int kindChosen = -1, decimalsChosen = -1, signChosen = -1, alignChosen = -1;
};

class SummaryPanel {
  public:
    // The panel works on the view's columns and on the table; both outlive it.
    SummaryPanel(GridView& view, SummaryTable& table) : view_(view), table_(table) {}

    // Selects row i in all columns of the table; -1 (or any row out of range) clears the selection.
    void select(int i);
    int selected() const { return table_.selected; }

    // Opens the popup filled from the selected row (all texts empty without one); nothing chosen.
    void openPopup();
    const SummaryPopup& popup() const { return popup_; }

    // The user picks entry i of a box: the box shows it and it counts as chosen. Kind, decimals and
    // sign write the entry's text into the selected row at once (nothing without a selected row).
    void chooseKind(int entry);
    void chooseDecimals(int entry);
    void chooseSign(int entry);
    void chooseAlign(int entry);
    // The user types into a box: the text changes, no entry counts as chosen, nothing is written.
    void setKindText(const std::string& text);
    void setDecimalsText(const std::string& text);
    void setSignText(const std::string& text);
    void setAlignText(const std::string& text);

    // "确定", in this order: column number from the selected row's column id (not a whole number,
    // e.g. no row selected: throws shuhui::Error, nothing applied); the chosen kind into
    // GroupFooterKind then FooterKind; FooterAlignmentHorz := taLeftJustify; the decimals text as a
    // whole number (not one: throws after the previous steps were applied) giving, for 0/2/3, the
    // pattern sign + "0"/"0.00"/"0.000" into GroupFooterFormat, FooterFormat, DisplayFormat and
    // EditFormat (money format on), other numbers changing no format; the chosen alignment written
    // as "左"/"中"/"右" into the row and set on the cells; then the popup closes. After a throw
    // the popup stays open.
    void apply();
    // The popup's close button: hides it; rows already written by chosen entries keep their texts.
    void closePopup();

    // "生成统计": shows the loading notice (loadingNotice(true), which should repaint at once),
    // turns the format switch on, empties the table, configureResultColumns() with the switch on,
    // turns the switch off whatever it was, hides the notice (loadingNotice(false)). The columns
    // are not rebuilt: grouping, filters and cell alignments stay.
    void generate(bool& formatSwitch, const std::function<void(bool shown)>& loadingNotice = {});

  private:
    GridView& view_;
    SummaryTable& table_;
    SummaryPopup popup_;
};

// The six switches of the options panel, top to bottom.
enum class OptionSwitch : uint8_t {
    FieldFilter,      // "字段过滤"  -> columnFiltering on/off
    ColumnAutoWidth,  // "列自动宽度" -> columnAutoWidth on/off
    Footer,           // "页脚"      -> footer on/off
    GroupFooter,      // "组注脚"    -> groupFooters gfAlwaysVisible/gfInvisible
    GroupByBox,       // "项部群组"  -> groupByBox on/off
    FilterBox,        // "底部过滤"  -> filterVisible fvAlways/fvNonEmpty
};
inline constexpr std::array<OptionSwitch, 6> kOptionSwitches = {
    OptionSwitch::FieldFilter, OptionSwitch::ColumnAutoWidth, OptionSwitch::Footer,
    OptionSwitch::GroupFooter, OptionSwitch::GroupByBox,      OptionSwitch::FilterBox};
const char* optionSwitchCaption(OptionSwitch s);
// The check box's state at start (not read from the view: "组注脚" starts unchecked although the
// view starts with group footers showing).
bool optionSwitchStartsChecked(OptionSwitch s);
// Sets the one option of the switch from the box's new state (never reads the option back) and
// lets the view re-flatten its rows.
void applyOptionSwitch(GridView& view, OptionSwitch s, bool checked);
// The "展开/折叠" box: checked expands every group of every level, unchecked collapses them.
void applyExpandCollapse(GridView& view, bool checked);

}  // namespace shuhui::grid
