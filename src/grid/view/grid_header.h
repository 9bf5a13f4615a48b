// GridHeader: the column header row of the result grid.
//
// Paints each caption on the header colour, with the sort arrow and, while column filtering is on,
// a filter button at the right end of the section (drawn filled while the column is filtered).
// Dragging a header (away from a resize handle) starts a QDrag carrying kColumnMime, which the
// group-by box takes; dropping a grouped column (kGroupMime) from the group-by box onto the header
// asks to ungroup it. A click on the filter button asks for the column's filter popup.
#pragma once

#include <QHeaderView>
#include <QPoint>

namespace shuhui::grid::view {

class GridModel;

class GridHeader : public QHeaderView {
    Q_OBJECT
  public:
    explicit GridHeader(QWidget* parent = nullptr);
    void setGridModel(GridModel* model);
    // The filter button of a section, in header coordinates (empty while filtering is off).
    QRect filterButtonRect(int logicalIndex) const;

  signals:
    void filterButtonClicked(int logicalIndex);
    void ungroupRequested(size_t engineColumn);

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

  private:
    bool nearHandle(int x) const;
    GridModel* model_ = nullptr;
    int pressed_ = -1;
    QPoint pressPos_;
};

}  // namespace shuhui::grid::view
