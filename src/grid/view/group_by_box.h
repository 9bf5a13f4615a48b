// GroupByBox: the strip above the column headers that holds the grouped columns.
//
// Shows a hint while no column is grouped, otherwise one box per grouping level in level order,
// each a little lower and to the right of the one before. A column header dropped here
// (kColumnMime) asks to group by that column (groupRequested); a grouped column's box can be
// dragged out (kGroupMime) back onto the header area, which ungroups it.
#pragma once

#include <QPoint>
#include <QStringList>
#include <QWidget>
#include <vector>

namespace shuhui::grid::view {

class GroupByBox : public QWidget {
    Q_OBJECT
  public:
    static constexpr const char* kHint = "拖动列标题到此处,按该列分组";

    explicit GroupByBox(QWidget* parent = nullptr);
    // The grouped columns, outermost first: their captions and engine column indexes.
    void setGroups(const QStringList& captions, const std::vector<size_t>& columns);
    const QStringList& captions() const { return captions_; }
    // The box of level i, in widget coordinates.
    QRect chipRect(int level) const;
    QSize sizeHint() const override;

  signals:
    void groupRequested(size_t engineColumn);

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

  private:
    QStringList captions_;
    std::vector<size_t> columns_;
    int pressed_ = -1;
    QPoint pressPos_;
};

}  // namespace shuhui::grid::view
