// FilterBox: the strip at the top of the grid that shows the active filter condition.
//
// setCondition() takes the engine's filter text ("" without a filter); the × button asks to clear
// every filter (clearRequested) and is enabled only while a condition is shown.
#pragma once

#include <QWidget>

class QLabel;
class QToolButton;

namespace shuhui::grid::view {

class FilterBox : public QWidget {
    Q_OBJECT
  public:
    static constexpr const char* kEmptyText = "(没有筛选条件)";

    explicit FilterBox(QWidget* parent = nullptr);
    void setCondition(const QString& text);
    // The condition as set ("" without a filter).
    const QString& condition() const { return condition_; }
    QToolButton* clearButton() const { return clear_; }
    QLabel* label() const { return label_; }

  signals:
    void clearRequested();

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    QString condition_;
    QToolButton* clear_;
    QLabel* label_;
};

}  // namespace shuhui::grid::view
