// The tabs of a page control in as many rows as they need: one flat, round-cornered button per
// page, 22 pixels high, the current one in bold. The page control's own tab bar is hidden; the
// rows stand above it and follow it (sync() after pages are added or removed; the current page
// follows by itself).
#pragma once

#include <QWidget>
#include <vector>

class QPushButton;
class QTabWidget;

class TabRows : public QWidget {
    Q_OBJECT
  public:
    explicit TabRows(QTabWidget* tabs, QWidget* parent = nullptr);
    // Re-makes the buttons from the pages of the page control.
    void sync();
    const std::vector<QPushButton*>& buttons() const { return buttons_; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    int place(int width, bool apply) const;  // returns the height the rows need
    void markCurrent();

    QTabWidget* tabs_;
    std::vector<QPushButton*> buttons_;
};
