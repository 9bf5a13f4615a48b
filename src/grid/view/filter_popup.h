// FilterPopup: the drop-down of a column header while column filtering is on.
//
// Lists the column's distinct values with check boxes ("(空白)" for blank cells) and offers one
// simple condition instead: 等于, 不等于, 大于, 小于, 包含, 为空 with a value. "确定" (apply())
// emits filterChosen with the condition when one is picked, otherwise with the ticked values
// (nullopt when every value is ticked: no filter); "清除" emits filterChosen(nullopt). Both close
// the popup. Open it with popup(globalPos) or show it; tests drive it through its members.
#pragma once

#include <QFrame>
#include <optional>

#include "grid/grid_engine.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace shuhui::grid::view {

class FilterPopup : public QFrame {
    Q_OBJECT
  public:
    // Entries of the condition box; entry 0 filters by the ticked values.
    static const QStringList& conditionEntries();
    static constexpr const char* kBlankEntry = "(空白)";
    // Distinct values shown at most (the rest are left out of the list).
    static constexpr int kMaxValues = 5000;

    FilterPopup(const grid::GridView& engine, size_t engineColumn, QWidget* parent = nullptr);
    size_t engineColumn() const { return column_; }
    QListWidget* values() const { return values_; }
    QComboBox* condition() const { return condition_; }
    QLineEdit* operand() const { return operand_; }
    void popup(const QPoint& globalPos);
    // What "确定" would apply.
    std::optional<grid::ColumnFilter> chosenFilter() const;

  public slots:
    void apply();
    void clear();

  signals:
    void filterChosen(size_t engineColumn, std::optional<grid::ColumnFilter> filter);

  private:
    size_t column_;
    std::vector<workbooks::Value> listed_;  // value of each list row (Null for the blank entry)
    bool complete_ = true;                  // every distinct value is listed
    QListWidget* values_;
    QComboBox* condition_;
    QLineEdit* operand_;
};

}  // namespace shuhui::grid::view
