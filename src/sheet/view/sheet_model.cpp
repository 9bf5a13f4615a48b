#include "sheet/view/sheet_model.h"

#include <QColor>
#include <algorithm>

#include "formats/workbook.h"

namespace shuhui::sheetview {

namespace {

constexpr int kMarginRows = 20, kMinRows = 40;
constexpr int kMarginCols = 3, kMinCols = 12;

QColor rgb(uint32_t c) {
    return QColor(int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF));
}

}  // namespace

int ColumnPixels(double width, int digitPixels) {
    return width <= 0 ? 0 : int(width * digitPixels + 5.5);
}

int RowPixels(double points) {
    return points <= 0 ? 0 : int(points * 4 / 3 + 0.5);
}

SheetModel::SheetModel(std::shared_ptr<sheet::Document> document, QObject* parent)
    : QAbstractTableModel(parent), doc_(std::move(document)), sheet_(doc_->activeSheet()) {
    reload();
    listener_ = doc_->subscribe([this](sheet::Document::Change change) {
        if (change == sheet::Document::Change::Cells) {
            beginResetModel();
            reload();
            endResetModel();
        }
        emit documentChanged(change);
    });
}

SheetModel::~SheetModel() {
    doc_->unsubscribe(listener_);
}

void SheetModel::setSheet(size_t sheet) {
    if (sheet >= doc_->sheetCount() || sheet == sheet_) return;
    beginResetModel();
    sheet_ = sheet;
    reload();
    endResetModel();
}

void SheetModel::reload() {
    const std::optional<sheet::Rect> used = doc_->usedRange(sheet_);
    const int lastRow = used ? int(used->lastRow) : -1;
    const int lastCol = used ? int(used->lastCol) : -1;
    rows_ = std::max(lastRow + 1 + kMarginRows, kMinRows);
    cols_ = std::min(std::max(lastCol + 1 + kMarginCols, kMinCols), int(sheet::kMaxCols));
}

int SheetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int SheetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : cols_;
}

const formats::CellStyle& SheetModel::styleAt(int row, int column) const {
    const formats::Workbook& wb = doc_->workbook();
    if (const formats::Cell* c = doc_->cell(sheet_, uint32_t(row), uint32_t(column)))
        return wb.style(*c);
    return wb.styles[0];
}

QFont SheetModel::fontOf(const formats::CellStyle& style) const {
    QFont f(QString::fromStdString(style.font.name));
    f.setPointSizeF(style.font.size > 0 ? style.font.size : 10);
    f.setBold(style.font.bold);
    f.setItalic(style.font.italic);
    f.setUnderline(style.font.underline != 0);
    return f;
}

QVariant SheetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const uint32_t row = uint32_t(index.row()), col = uint32_t(index.column());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
        case Qt::ToolTipRole: {
            const std::string text = doc_->cellText(sheet_, row, col);
            if (text.empty()) return role == Qt::ToolTipRole ? QVariant() : QVariant(QString());
            return QString::fromStdString(text);
        }
        case Qt::FontRole:
            return fontOf(styleAt(index.row(), index.column()));
        case Qt::BackgroundRole: {
            const uint32_t fill = styleAt(index.row(), index.column()).fill;
            return fill == formats::kNoColor ? QVariant() : QVariant(rgb(fill));
        }
        case Qt::ForegroundRole: {
            const uint32_t color = styleAt(index.row(), index.column()).font.color;
            return color == formats::kNoColor ? QVariant() : QVariant(rgb(color));
        }
        case Qt::TextAlignmentRole: {
            const formats::CellStyle& st = styleAt(index.row(), index.column());
            Qt::Alignment a;
            switch (st.halign) {
                case formats::HAlign::Left:
                    a = Qt::AlignLeft;
                    break;
                case formats::HAlign::Center:
                case formats::HAlign::CenterAcross:
                    a = Qt::AlignHCenter;
                    break;
                case formats::HAlign::Right:
                    a = Qt::AlignRight;
                    break;
                case formats::HAlign::Justify:
                case formats::HAlign::Distributed:
                    a = Qt::AlignJustify;
                    break;
                default: {
                    // General: numbers to the right, truth values centred, texts to the left
                    const formats::Cell* c = doc_->cell(sheet_, row, col);
                    const formats::CellType t = c ? c->type : formats::CellType::Blank;
                    a = t == formats::CellType::Number ? Qt::AlignRight
                        : t == formats::CellType::Bool || t == formats::CellType::Error
                            ? Qt::AlignHCenter
                            : Qt::AlignLeft;
                }
            }
            switch (st.valign) {
                case formats::VAlign::Top:
                    a |= Qt::AlignTop;
                    break;
                case formats::VAlign::Center:
                case formats::VAlign::Justify:
                case formats::VAlign::Distributed:
                    a |= Qt::AlignVCenter;
                    break;
                default:
                    a |= Qt::AlignBottom;
            }
            return QVariant::fromValue(a);
        }
        default:
            return {};
    }
}

QVariant SheetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
    if (orientation == Qt::Horizontal)
        return QString::fromStdString(formats::columnLetters(uint32_t(section)));
    return QString::number(section + 1);
}

Qt::ItemFlags SheetModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace shuhui::sheetview
