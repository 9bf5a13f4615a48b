// FooterRow: the footer under the grid's rows with the footer summaries of the columns.
//
// A child of the table view placed in the bottom margin of its viewport, so it lies between the
// rows and the horizontal scroll bar; each text is drawn under its column's header section, so it
// follows column widths and horizontal scrolling. texts() gives the footer texts by model column.
#pragma once

#include <QStringList>
#include <QWidget>

class QHeaderView;

namespace shuhui::gridview {

class GridModel;

class FooterRow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kHeight = 23;
    FooterRow(GridModel* model, QHeaderView* header, QWidget* parent);
    QStringList texts() const;

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    GridModel* model_;
    QHeaderView* header_;
};

}  // namespace shuhui::gridview
