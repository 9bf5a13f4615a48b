// GridModel: the Qt table model over the grid engine (grid::GridView).
//
// View row r is engine row rows()[r] (a group row, a data row or a group footer row); model column
// c is engine column displayColumns()[c]. Nothing is stored per row, so a million rows cost only
// the engine's index vectors. The model never changes the engine behind the view's back: every
// change goes through change() (or the calls below), which resets the model around it and then
// emits engineChanged() so the owner can refresh the boxes and the footer.
//
// Roles: DisplayRole (cell text, group row text in column 0, group footer texts), EditRole (the
// editor's start text), TextAlignmentRole, BackgroundRole, and RowKindRole / LevelRole /
// EngineIndexRole for painting. setData parses the editor's text (numbers for numeric fields,
// currency signs and blanks dropped) and writes it to the bound result in memory.
#pragma once

#include <QAbstractTableModel>
#include <functional>
#include <vector>

#include "grid/grid_engine.h"

namespace shuhui::grid::view {

class GridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Role { RowKindRole = Qt::UserRole + 1, LevelRole, EngineIndexRole };

    explicit GridModel(grid::GridView& engine, QObject* parent = nullptr);
    ~GridModel() override;

    grid::GridView& engine() { return engine_; }
    const grid::GridView& engine() const { return engine_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // Inserts blank data rows before view row `row` (at the end when it is not a data row).
    bool insertRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    // Deletes the data rows among view rows [row, row + count).
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

    // The engine column shown in model column c, and back (-1 when not shown).
    size_t engineColumn(int modelColumn) const { return cols_.at(size_t(modelColumn)); }
    int modelColumn(size_t engineColumn) const;
    grid::RowKind rowKind(int row) const { return engine_.rows().at(size_t(row)).kind; }
    const grid::ViewRow& viewRow(int row) const { return engine_.rows().at(size_t(row)); }

    // Runs `f` on the engine inside a model reset; emits engineChanged() afterwards.
    void change(const std::function<void(grid::GridView&)>& f);
    // A reset without an engine change (after the owner changed the engine directly).
    void reload() { change({}); }
    // Expands or collapses the group of a group row (or footer row); no effect on data rows.
    void setGroupExpanded(int row, bool expanded);
    void toggleGroup(int row);

  signals:
    void engineChanged();
    // Cells changed in place (an edit that left the rows where they were): summaries moved.
    void summariesChanged();

  private:
    bool valid(const QModelIndex& index) const;
    void engineChangedOutside();

    grid::GridView& engine_;
    std::vector<size_t> cols_;
    bool inChange_ = false;  // our own change: the listener stays quiet
    bool pending_ = false;   // a reset is scheduled
};

// Qt alignment of an engine alignment, vertically centred.
Qt::Alignment qtAlignment(grid::Alignment a);

}  // namespace shuhui::grid::view
