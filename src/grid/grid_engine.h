// The result grid engine: one table view over a shared workbooks::Result, without any widget code.
//
// What it holds
//   - the bound result (shared_ptr; may be null, which stands for a closed result query),
//   - the columns (GridColumn), each bound to a result field by name, in view order,
//   - the view options (ViewOptions, plain data the widgets honour),
//   - the column filters, the sort column, the grouping levels and the expanded state of groups,
//   - derived data, rebuilt cheaply after every change: the index vector of the rows that pass the
//     filter in view order, the group tree, and the flattened list of visible rows (ViewRow).
//
// Typical use by a widget layer (a Qt model over rows(), a header over displayColumns()):
//   GridView view;
//   view.setResult(result);                  // binds the data; columns stay as they are
//   view.addColumn("部门"); ...              // or rebuildResultGrid() of summary_panel.h
//   view.groupBy(col); view.expandAll();     // grouping, expand/collapse
//   view.setFilter(col, ColumnFilter::equals(Value::fromText("销售部")));
//   for (size_t i = 0; i < view.rows().size(); ++i) { ViewRow r = view.rows()[i]; ... }
//   view.cellText(r.index, col); view.groupRowText(r.index); view.groupFooterText(r.index, col);
//   view.footerText(col);
// Every mutating call brings the derived data up to date before it returns, so rows() and the
// summaries are always current. Columns are addressed by their index in columns() (the "column
// index"), never by display position; displayColumns() lists the column indexes shown as grid
// columns, left to right: visible columns that are not grouped (a grouped column shows in the
// group-by box instead, as groupColumns() lists).
//
// Data rows are addressed by their row number in the result ("data row"). ViewRow::index is the
// data row for a Data row and the group id (index into the group tree) for group header and group
// footer rows. Group ids are valid until the next change of filter, sort, grouping or data.
//
// Summaries: a count counts every row of its scope, empty cells included; a sum adds the non-empty
// numeric values; an average is that sum divided by the count (empty cells weigh as zero); minimum
// and maximum look at the non-empty numeric values only. Text cells count but never add. The footer
// scope is every row that passes the filter; a group footer's scope is the rows of the group.
// A sum, minimum, maximum or average without any numeric value is empty (nullopt, shown as "").
//
// Cost: no heap object per row; a 1,000,000-row result costs a few index vectors of 4 bytes per
// row. Not thread-safe; everything runs on the caller's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "grid/column_filter.h"
#include "workbooks/result.h"

namespace shuhui::grid {

// Summary kinds, numbered as the grid's users know them.
enum SummaryKind : int { skNone = 0, skSum = 1, skMin = 2, skMax = 3, skCount = 4, skAverage = 5 };
// Horizontal alignments, numbered as the grid's users know them.
enum Alignment : int { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

enum class FilterPosition : uint8_t { fpTop, fpBottom };
// When the filter box (the strip showing the active filter condition) is shown.
enum class FilterVisible : uint8_t { fvNever, fvNonEmpty, fvAlways };
// When group footers are shown: never, only under expanded groups, or under every visible group.
enum class GroupFooterMode : uint8_t { gfInvisible, gfVisibleWhenExpanded, gfAlwaysVisible };

// The view's options with their starting values; the widgets read them and honour them.
struct ViewOptions {
    FilterPosition filterPosition = FilterPosition::fpTop;
    FilterVisible filterVisible = FilterVisible::fvAlways;
    bool columnFiltering = false;  // filter drop-down in every column header
    bool cellHints = true;         // a cell whose text does not fit shows it whole as a hint
    bool footer = true;            // the footer row with the footer summaries
    GroupFooterMode groupFooters = GroupFooterMode::gfAlwaysVisible;
    bool groupByBox = true;        // the strip above the headers taking grouped columns
    bool columnAutoWidth = false;  // widths fitted to the view's width (see fitWidths)
    bool focusRect = false;
    int dataRowHeight = 23;             // pixels
    int headerHeight = 22;              // pixels
    uint32_t gridLineColor = 0xD5E4EE;  // 0x00RRGGBB: RGB 213, 228, 238
    // Editing (the widgets allow what is on).
    bool editing = true;
    bool inserting = true;
    bool deleting = true;
    bool deletingConfirmation = true;
    bool appending = false;
    bool cancelOnExit = true;
};

struct GridColumn {
    std::string fieldName;  // the bound result field (looked up by name, letter case ignored)
    std::string caption;    // the header text; the field name when created by addColumn
    int width = 64;         // pixels
    bool visible = true;
    SummaryKind footerKind = skNone;
    std::string footerFormat;  // a number pattern (pattern.h); empty: General
    SummaryKind groupFooterKind = skNone;
    std::string groupFooterFormat;
    Alignment footerAlignmentHorz = taLeftJustify;
    // The money cell format: when set, numeric cells show through displayFormat (pattern.h); text
    // cells show unchanged. editFormat is what the cell editor shows while editing.
    bool moneyFormat = false;
    std::string displayFormat;
    std::string editFormat;
    // The cells' horizontal alignment when set; otherwise see GridView::cellAlignment.
    std::optional<Alignment> cellAlignment;
};

enum class RowKind : uint8_t { GroupHeader, Data, GroupFooter };

// One visible row of the view: 8 bytes, kept in one vector.
struct ViewRow {
    uint32_t index = 0;  // data row (Data) or group id (GroupHeader, GroupFooter)
    uint16_t level = 0;  // nesting level: 0 for the outermost groups; data rows carry the count of
                         // grouping levels
    RowKind kind = RowKind::Data;
};

// A summary's value; empty when the kind is skNone or there is nothing to summarise.
using SummaryValue = std::optional<double>;

class GridView {
  public:
    GridView();
    ~GridView();
    GridView(const GridView&) = delete;
    GridView& operator=(const GridView&) = delete;

    // ---- data ----------------------------------------------------------------------------------
    // Binds the view to a result (null: the result query is closed). Columns, options, grouping
    // levels and filters stay; filters and groups are re-evaluated over the new rows.
    void setResult(std::shared_ptr<workbooks::Result> result);
    const std::shared_ptr<workbooks::Result>& result() const { return result_; }
    // True when there is a result with at least one row (the export's precondition).
    bool hasData() const { return result_ && result_->rowCount() > 0; }

    // ---- columns -------------------------------------------------------------------------------
    const std::vector<GridColumn>& columns() const { return columns_; }
    size_t columnCount() const { return columns_.size(); }
    GridColumn& column(size_t i) { return columns_.at(i); }
    const GridColumn& column(size_t i) const { return columns_.at(i); }
    // Appends a column bound to the field of that name, captioned with it, width 64; returns its
    // index.
    size_t addColumn(const std::string& fieldName);
    // Removes every column with its summaries, formats, filters, sorting and grouping.
    void clearColumns();
    // The result field bound to the column; nullptr when there is no result or no such field.
    const workbooks::Column* field(size_t col) const;
    // True when the bound field exists and its type is Integer, Word, Float or Currency.
    bool isNumericColumn(size_t col) const;
    // Column indexes shown as grid columns, left to right: visible and not grouped.
    std::vector<size_t> displayColumns() const;
    // The alignment the cells of a column show: the column's cellAlignment when set, otherwise
    // right for a money column or a numeric field, left for the rest.
    Alignment cellAlignment(size_t col) const;
    // Called after changing a column's summary settings through column(i) (kinds, formats) so the
    // summaries are recomputed; changing width, caption, alignment or visibility needs no call.
    void columnsChanged();

    // ---- options -------------------------------------------------------------------------------
    ViewOptions& options() { return options_; }
    const ViewOptions& options() const { return options_; }
    // Re-flattens the rows after a change of options().groupFooters.
    void optionsChanged();

    // ---- filtering -----------------------------------------------------------------------------
    // Sets (replaces) the condition of one column; conditions of several columns are ANDed.
    void setFilter(size_t col, ColumnFilter filter);
    void clearFilter(size_t col);
    void clearFilters();
    bool isFiltered() const { return !filters_.empty(); }
    std::optional<ColumnFilter> filter(size_t col) const;
    // The active condition as the filter box shows it, columns in the order their conditions were
    // set: "部门 = 销售部 and 基本工资 > 3000"; operators "=", "<>", ">", ">=", "<", "<=",
    // "like %x%", "is blank", "is not blank", "in (a, b)"; "" without a filter.
    std::string filterText() const;
    // True when the filter box shows (fvAlways, or fvNonEmpty with a filter set).
    bool filterBoxVisible() const;
    DistinctValues distinctValues(size_t col) const;

    // ---- sorting (optional) --------------------------------------------------------------------
    // Rows inside each group (or all rows without grouping) in ascending or descending order of
    // the column's values, stable; nullopt restores result order.
    void sortBy(std::optional<size_t> col, bool ascending = true);
    std::optional<size_t> sortColumn() const { return sortColumn_; }
    bool sortAscending() const { return sortAscending_; }

    // ---- grouping ------------------------------------------------------------------------------
    // Adds a grouping level on the column (as the innermost level); no effect when it is grouped.
    // Groups are ordered by their value ascending (blanks first, numbers before texts) and start
    // collapsed.
    void groupBy(size_t col);
    // Removes the column's level; the other levels keep their order.
    void ungroup(size_t col);
    void clearGrouping();
    const std::vector<size_t>& groupColumns() const { return groupColumns_; }
    size_t groupCount() const;  // groups of all levels
    // The group tree. A group has a level (0 outermost), its column, the rows it holds (a range of
    // filteredRows()), its parent (-1 for level 0) and its sub-groups.
    size_t groupLevel(uint32_t group) const;
    size_t groupColumn(uint32_t group) const;
    int groupParent(uint32_t group) const;
    size_t groupRowCount(uint32_t group) const;
    // The group's value: the value of its first row in the group column.
    workbooks::Value groupValue(uint32_t group) const;
    // The value as the cells of the column show it.
    std::string groupValueText(uint32_t group) const;
    // The text of the group row: "<caption> : <value text> (<row count>)".
    std::string groupRowText(uint32_t group) const;
    bool isExpanded(uint32_t group) const;
    void setExpanded(uint32_t group, bool expanded);
    // Every group of every level.
    void expandAll();
    void collapseAll();

    // ---- the visible rows ----------------------------------------------------------------------
    // Group header rows, data rows and group footer rows in view order. Under a group header come,
    // when it is expanded, its sub-groups or its data rows; then its footer row, shown under every
    // visible group with gfAlwaysVisible, only under expanded ones with gfVisibleWhenExpanded, and
    // never with gfInvisible. Without grouping there is one Data row per filtered row.
    const std::vector<ViewRow>& rows() const { return rows_; }
    // The data rows that pass the filter, in view order (grouped, then sorted); the footer's scope.
    const std::vector<uint32_t>& filteredRows() const { return order_; }
    // The flattened rows as they would be with every group expanded (for export), without
    // changing the view's expanded state.
    std::vector<ViewRow> rowsAllExpanded() const;

    // ---- cells ---------------------------------------------------------------------------------
    workbooks::Value cellValue(uint32_t dataRow, size_t col) const;
    // The text a cell shows: numbers of a money column through displayFormat, everything else as
    // workbooks::Column::displayText; "" when the field is missing.
    std::string cellText(uint32_t dataRow, size_t col) const;
    // The text the cell editor starts with: numbers of a money column through editFormat.
    std::string editText(uint32_t dataRow, size_t col) const;

    // ---- summaries -----------------------------------------------------------------------------
    SummaryValue footerValue(size_t col) const;
    // The footer value through footerFormat ("" when empty); the widget shows it only when
    // options().footer is on.
    std::string footerText(size_t col) const;
    SummaryValue groupFooterValue(uint32_t group, size_t col) const;
    std::string groupFooterText(uint32_t group, size_t col) const;
    // Any kind over any data rows (a helper for tests and callers with their own scopes).
    SummaryValue summarize(size_t col, SummaryKind kind, const uint32_t* rows, size_t count) const;

    // ---- editing (changes the bound result in memory only; nothing is written to a workbook) ----
    // The value a text typed into a cell editor stands for, by the column's field type: "" is
    // blank; in a numeric field (any number type) a number, also with a leading currency sign and
    // blanks ("￥1,234.50" is not a number: no thousands separators); in a date field "YYYY-MM-DD"
    // or "YYYY-MM-DD HH:MM[:SS]" a date; in a Boolean field "True"/"False"/"1"/"0"; anything else
    // stays text.
    workbooks::Value parseInput(size_t col, std::string_view text) const;
    // The row then passes or fails the filter and moves to its group at once.
    void setCell(uint32_t dataRow, size_t col, const workbooks::Value& value);
    // Inserts a row of blanks before dataRow (rowCount() appends); returns its data row.
    uint32_t insertRow(uint32_t dataRow);
    void deleteRow(uint32_t dataRow);

    // ---- widths
    // ---------------------------------------------------------------------------------- Widths
    // that fit caption and cell texts of each column (index = column index; hidden columns keep
    // their width): max over the caption and the texts of the filtered rows (at most sampleRows of
    // them, spread over the rows) of textWidth(text) + padding.
    std::vector<int> autoWidths(const std::function<int(std::string_view)>& textWidth,
                                int padding = 12, size_t sampleRows = 2000) const;
    // Widths of the display columns (in displayColumns() order) scaled to fill viewWidth together,
    // each at least minWidth; what ColumnAutoWidth shows.
    std::vector<int> fitWidths(int viewWidth, int minWidth = 20) const;

    // ---- change notification -------------------------------------------------------------------
    // The listener runs after every change of the visible rows, the columns, the options or the
    // summary settings (after the call that made it, once the view is consistent again), so that a
    // widget model can reset itself also when other code (rebuildResultGrid, the summary panel)
    // changed the view. revision() counts these changes.
    void setChangeListener(std::function<void()> listener);
    uint64_t revision() const;

    // Recomputes the derived data (filter, order, groups, rows, summaries) from scratch; needed
    // only after the bound result was changed behind the view's back.
    void refresh();

  private:
    struct Group;
    struct Impl;
    void rebuildOrder();
    void rebuildGroups();
    void flatten();
    void changed();
    void buildRows(bool allExpanded, std::vector<ViewRow>& out) const;
    std::string groupPath(uint32_t group) const;
    std::unordered_set<std::string> expandedPaths() const;
    void rebuild(const std::unordered_set<std::string>& expanded);
    void invalidateSummaries();
    bool countOnly(size_t col) const;

    std::shared_ptr<workbooks::Result> result_;
    std::vector<GridColumn> columns_;
    ViewOptions options_;
    std::vector<std::pair<size_t, ColumnFilter>> filters_;
    std::optional<size_t> sortColumn_;
    bool sortAscending_ = true;
    std::vector<size_t> groupColumns_;
    std::vector<uint32_t> order_;  // filtered data rows in view order
    std::vector<ViewRow> rows_;
    std::unique_ptr<Impl> impl_;  // group tree, expanded flags, summary caches
};

}  // namespace shuhui::grid
