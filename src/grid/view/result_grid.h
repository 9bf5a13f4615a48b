// ResultGrid: the result grid widget, a thin Qt layer over the grid engine (grid::GridView).
//
// Top to bottom: the filter box (shown as the engine's filterBoxVisible() says), the group-by box
// (options().groupByBox), the table view with its header and rows, the footer row
// (options().footer) and the horizontal scroll bar, which stands for the table's own so that the
// footer lies between the rows and the scroll bar. The widget owns the engine; callers change the
// engine either through the calls below, which refresh everything, or directly through engine()
// followed by refresh().
//
//   ResultGrid grid;
//   grid.engine().setResult(r); ...columns...; grid.refresh();
//   grid.groupByColumn(col);              // what a header drop on the group-by box does
//   grid.setColumnFilter(col, filter);    // what the header drop-down does
//   grid.expandAll();
//
// Column widths come from the engine's columns (a user's resize is written back); with
// ColumnAutoWidth on they come from fitWidths() of the view's width and are not written back.
#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

#include "grid/grid_engine.h"

namespace shuhui::grid::view {

class GridModel;
class GridTableView;
class GroupByBox;
class FilterBox;
class FooterRow;
class FilterPopup;
}  // namespace shuhui::grid::view
class QScrollBar;
namespace shuhui::grid::view {

class ResultGrid : public QWidget {
    Q_OBJECT
  public:
    explicit ResultGrid(QWidget* parent = nullptr);
    ~ResultGrid() override;

    grid::GridView& engine() { return engine_; }
    const grid::GridView& engine() const { return engine_; }
    GridModel* model() const { return model_; }
    GridTableView* tableView() const { return table_; }
    GroupByBox* groupByBox() const { return groupBox_; }
    FilterBox* filterBox() const { return filterBox_; }
    FooterRow* footer() const { return footer_; }
    QScrollBar* horizontalScrollBar() const { return hbar_; }

    // Brings the widgets in line with the engine after direct changes (columns, options,
    // summaries, data).
    void refresh();

    void groupByColumn(size_t engineColumn);
    void ungroupColumn(size_t engineColumn);
    // nullopt clears the column's filter.
    void setColumnFilter(size_t engineColumn, std::optional<grid::ColumnFilter> filter);
    void clearFilters();
    void expandAll();
    void collapseAll();
    // Sorts by the column: ascending first, then descending, then result order.
    void cycleSort(size_t engineColumn);

    // The drop-down of model column c (the header's filter button opens it).
    FilterPopup* openFilterPopup(int modelColumn);
    FilterPopup* filterPopup() const { return popup_; }

    void setConfirmDelete(std::function<bool()> confirm);

    // Footer texts by model column; the filter box's condition.
    QStringList footerTexts() const;
    QString filterText() const;

  protected:
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void syncWidgets();
    void applyWidths();

    grid::GridView engine_;
    GridModel* model_;
    GridTableView* table_;
    GroupByBox* groupBox_;
    FilterBox* filterBox_;
    FooterRow* footer_;
    QScrollBar* hbar_;
    FilterPopup* popup_ = nullptr;
    bool applyingWidths_ = false;
};

}  // namespace shuhui::grid::view
