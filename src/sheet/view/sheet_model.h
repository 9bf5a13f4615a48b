// A table model over one sheet of a document: the cell texts as the sheet shows them (number
// formats applied), fonts, fills, font colours and alignment as roles, column letters and row
// numbers as headers. The extent is the used range with a margin of empty rows and columns.
// Any change of the document resets the model and emits documentChanged, so the view can lay out
// spans, widths and heights again.
#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <memory>
#include <vector>

#include "sheet/document.h"

namespace shuhui::sheetview {

class SheetModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit SheetModel(std::shared_ptr<sheet::Document> document, QObject* parent = nullptr);
    ~SheetModel() override;

    sheet::Document& document() const { return *doc_; }
    const std::shared_ptr<sheet::Document>& sharedDocument() const { return doc_; }
    size_t sheet() const { return sheet_; }
    void setSheet(size_t sheet);

    // The style of a cell (the workbook's default for an empty one).
    const formats::CellStyle& styleAt(int row, int column) const;
    QFont fontOf(const formats::CellStyle& style) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  signals:
    void documentChanged(sheet::Document::Change change);

  private:
    void reload();

    std::shared_ptr<sheet::Document> doc_;
    size_t sheet_ = 0;
    int listener_ = 0;
    int rows_ = 0, cols_ = 0;
};

// Pixels of a column `width` characters wide (characters of the default font, whose digits are
// `digitPixels` wide, plus the cell's padding), and of a row `points` high.
int ColumnPixels(double width, int digitPixels = 7);
int RowPixels(double points);

}  // namespace shuhui::sheetview
