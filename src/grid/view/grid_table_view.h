// GridTableView: the table view of the result grid over a GridModel.
//
// Rows are of uniform height (the data row height); the vertical header is hidden. Group rows are
// painted across the whole width with an expand arrow, the column's caption, the value and the
// row count; a click on the arrow, a double-click on the row, or the keys + and - (also Right and
// Left) expand and collapse the group of the current row. Insert inserts a blank row before the
// current data row and Ctrl+Delete deletes it (after the confirmation callback agrees), as the
// engine's editing options allow. A cell whose text does not fit shows it whole as a tooltip while
// cell hints are on. The footer row lives in the viewport's bottom margin (setFooterVisible).
#pragma once

#include <QTableView>
#include <functional>

namespace shuhui::gridview {

class GridModel;
class GridHeader;
class FooterRow;

class GridTableView : public QTableView {
    Q_OBJECT
  public:
    explicit GridTableView(QWidget* parent = nullptr);
    void setGridModel(GridModel* model);
    GridModel* gridModel() const { return model_; }
    GridHeader* gridHeader() const { return header_; }
    FooterRow* footer() const { return footer_; }
    void setFooterVisible(bool on);
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
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;

  private slots:
    void saveScroll();
    void restoreScroll();

  private:
    void placeFooter();
    GridModel* model_ = nullptr;
    GridHeader* header_;
    FooterRow* footer_ = nullptr;
    bool footerVisible_ = true;
    std::function<bool()> confirmDelete_;
    int savedScroll_ = 0;
    int savedRow_ = -1;
    int savedColumn_ = 0;
};

}  // namespace shuhui::gridview
