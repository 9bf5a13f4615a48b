// The result window of the spreadsheet application: one workbook with its sheet tabs, row and
// column headers, merged cells drawn as one, the cells' fonts, fills, borders, alignment and
// number formats, and "保存" / "另存为".
//
// The title names the workbook and marks it "(未保存)" while it has unsaved changes. Saving
// writes .xls or .xlsx; a workbook over 65,536 rows or 256 columns cannot go to .xls, so the
// window says so and offers .xlsx instead (never a cut copy). Closing the window with unsaved
// changes asks whether to save (是 / 否 / 取消). Questions go through SheetPrompts.
#pragma once

#include <QWidget>
#include <memory>

#include "sheet/document.h"

class QTableView;
class QTabBar;
class QPushButton;

namespace shuhui::sheetview {

class SheetModel;

class SheetWindow : public QWidget {
    Q_OBJECT
  public:
    explicit SheetWindow(std::shared_ptr<sheet::Document> document, QWidget* parent = nullptr);
    ~SheetWindow() override;

    sheet::Document& document() const;
    QTableView* table() const { return table_; }
    QTabBar* tabs() const { return tabs_; }
    SheetModel* model() const { return model_; }

    // "保存": to the workbook's file, or through "另存为" for a new workbook. False when nothing
    // was written (cancelled, refused, failed: the failure is shown).
    bool save();
    // "另存为": asks for a file (.xls or .xlsx) and writes it.
    bool saveAs();
    // The question of a closing window with unsaved changes; true when the window may go (saved
    // or discarded). `withCancel` false at program end: only 是 / 否.
    bool askToSave(bool withCancel);
    // Closes without asking again (the question was answered elsewhere).
    void closeWithoutAsking();

    // Pixels of a column `width` characters of the workbook's default font wide.
    int columnPixels(double width) const;

    static QString titleFor(const sheet::Document& document);
    // Every result window still open, oldest first.
    static QList<SheetWindow*> openWindows();

    // The views that keep the frozen rows (top), columns (left) and their corner in place; hidden
    // when the sheet has no frozen panes.
    QTableView* frozenTop() const { return frozenTop_; }
    QTableView* frozenLeft() const { return frozenLeft_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QTableView* makeFrozenView(const QString& name);
    void placeFrozenViews();
    void showSheet(int index);
    void layoutSheet();
    void refreshTitle();
    bool writeTo(QString path);

    SheetModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QTableView* frozenTop_ = nullptr;
    QTableView* frozenLeft_ = nullptr;
    QTableView* frozenCorner_ = nullptr;
    QTabBar* tabs_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* saveAs_ = nullptr;
    bool askOnClose_ = true;
};

}  // namespace shuhui::sheetview
