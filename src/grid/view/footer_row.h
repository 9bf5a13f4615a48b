// FooterRow: the footer under the grid's rows with the footer summaries of the columns.
//
// It lies under the table view, above the grid's horizontal scroll bar; each text is drawn under
// its column's header section (positions taken from the header, relative to the table's viewport),
// so it follows column widths and horizontal scrolling. texts() gives the footer texts by model
// column.
#pragma once

#include <QStringList>
#include <QWidget>

class QHeaderView;

namespace shuhui::grid::view {

class GridModel;

class FooterRow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kHeight = 23;
    // `viewport`: the table's viewport, whose left edge the header positions count from.
    FooterRow(GridModel* model, QHeaderView* header, QWidget* viewport, QWidget* parent);
    QStringList texts() const;
    // What the footer shows, for screen readers (its accessible name): "页脚" and the caption and
    // text of every shown column with a footer text, e.g. "页脚: 工资 9500.50, 人数 6".
    QString spokenText() const;

  protected:
    void paintEvent(QPaintEvent*) override;

  private slots:
    void updateSpokenText();

  private:
    GridModel* model_;
    QHeaderView* header_;
    QWidget* viewport_;
};

}  // namespace shuhui::grid::view
