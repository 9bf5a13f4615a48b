// GridTableView: the table view of the result grid over a GridModel.
//
// Rows are of uniform height (the data row height); the vertical header is hidden. Group rows are
// painted across the whole width with an expand arrow, the column's caption, the value and the
// row count; a click on the arrow, a double-click on the row, or the keys + and - (also Right and
// Left) expand and collapse the group of the current row. Insert inserts a blank row before the
// current data row and Ctrl+Delete deletes it (after the confirmation callback agrees), as the
// engine's editing options allow. A cell whose text does not fit shows it whole as a tooltip while
// cell hints are on.
#pragma once

#include <QTableView>
#include <functional>

namespace shuhui::grid::view {

class GridModel;
class GridHeader;

class GridTableView : public QTableView {
    Q_OBJECT
  public:
    explicit GridTableView(QWidget* parent = nullptr);
    void setGridModel(GridModel* model);
    GridModel* gridModel() const { return model_; }
    GridHeader* gridHeader() const { return header_; }
    // Asked before a row is deleted while the deleting confirmation is on; true goes on.
    void setConfirmDelete(std::function<bool()> confirm) { confirmDelete_ = std::move(confirm); }
    // The arrow of a group row, in viewport coordinates.
    QRect groupArrowRect(int row) const;
    // True when the cell's text is wider than the cell (its tooltip shows it whole).
    bool cellTextIsCut(const QModelIndex& index) const;
    // Insert and Ctrl+Delete.
    bool insertRowAtCurrent();
    bool deleteCurrentRow();

  protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool viewportEvent(QEvent* e) override;

  private slots:
    void saveScroll();
    void restoreScroll();

  private:
    GridModel* model_ = nullptr;
    GridHeader* header_;
    std::function<bool()> confirmDelete_;
    int savedScroll_ = 0;
    int savedRow_ = -1;
    int savedColumn_ = 0;
};

}  // namespace shuhui::grid::view
