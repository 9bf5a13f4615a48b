// GridTableView: see grid_table_view.h.
#include "grid/view/grid_table_view.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>

#include "frame/name_control.h"
#include "grid/view/grid_header.h"
#include "grid/view/grid_model.h"
#include "grid/view/grid_style.h"

namespace shuhui::grid::view {

using grid::RowKind;

namespace {

// Paints cells as usual, without the focus frame while the view's FocusRect option is off.
class CellDelegate : public QStyledItemDelegate {
  public:
    CellDelegate(GridModel* model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}
    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem o(option);
        if (!model_->engine().options().focusRect) o.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(p, o, index);
    }

  private:
    GridModel* model_;
};

}  // namespace

GridTableView::GridTableView(QWidget* parent) : QTableView(parent) {
    header_ = NameControl(new GridHeader(this), "hdr_grid_columns", QStringLiteral("列标题"));
    setHorizontalHeader(header_);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(10);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setStyleSheet(
        QStringLiteral("QTableView { gridline-color: rgb(213, 228, 238); "
                       "selection-background-color: rgb(244, 249, 251); "
                       "selection-color: black; }"));
}

void GridTableView::setGridModel(GridModel* model) {
    model_ = model;
    setModel(model);
    setItemDelegate(new CellDelegate(model, this));
    header_->setGridModel(model);
    const auto& o = model->engine().options();
    verticalHeader()->setDefaultSectionSize(o.dataRowHeight);
    header_->setFixedHeight(o.headerHeight);
    header_->setDefaultSectionSize(100);
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &GridTableView::saveScroll);
    connect(model, &QAbstractItemModel::modelReset, this, &GridTableView::restoreScroll);
}

void GridTableView::saveScroll() {
    savedScroll_ = verticalScrollBar()->value();
    savedRow_ = currentIndex().isValid() ? currentIndex().row() : -1;
    savedColumn_ = currentIndex().isValid() ? currentIndex().column() : 0;
}

void GridTableView::restoreScroll() {
    updateGeometries();
    verticalScrollBar()->setValue(savedScroll_);
    if (savedRow_ >= 0 && model_->rowCount() > 0 && model_->columnCount() > 0) {
        const int row = std::min(savedRow_, model_->rowCount() - 1);
        const int col = std::min(savedColumn_, model_->columnCount() - 1);
        selectionModel()->setCurrentIndex(
            model_->index(row, col),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

QRect GridTableView::groupArrowRect(int row) const {
    if (!model_ || row < 0 || row >= model_->rowCount()) return {};
    const int y = rowViewportPosition(row);
    const int h = rowHeight(row);
    return QRect(4 + model_->viewRow(row).level * kGroupIndent, y + (h - 11) / 2, 11, 11);
}

void GridTableView::paintEvent(QPaintEvent* e) {
    QTableView::paintEvent(e);
    if (!model_ || model_->rowCount() == 0 || model_->engine().groupColumns().empty()) return;
    QPainter p(viewport());
    const int first = std::max(0, rowAt(0));
    int last = rowAt(viewport()->height() - 1);
    if (last < 0) last = model_->rowCount() - 1;
    const grid::GridView& engine = model_->engine();
    for (int r = first; r <= last; ++r) {
        const grid::ViewRow& vr = model_->viewRow(r);
        if (vr.kind != RowKind::GroupHeader) continue;
        const QRect row(0, rowViewportPosition(r), viewport()->width(), rowHeight(r));
        p.fillRect(row, kSelectColor);
        p.setPen(QColor(213, 228, 238));
        p.drawLine(row.bottomLeft(), row.bottomRight());
        if (selectionModel()->isRowSelected(r, QModelIndex())) {
            p.setPen(kBorderColor);
            p.drawRect(row.adjusted(0, 0, -1, -1));
        }
        const QRect a = groupArrowRect(r);
        p.setPen(kBorderColor);
        p.setBrush(Qt::white);
        p.drawRect(a.adjusted(0, 0, -1, -1));
        p.setPen(Qt::black);
        const int cy = a.center().y();
        p.drawLine(a.left() + 2, cy, a.right() - 2, cy);
        if (!engine.isExpanded(vr.index))
            p.drawLine(a.center().x(), a.top() + 2, a.center().x(), a.bottom() - 2);
        QFont f = font();
        f.setBold(true);
        p.setFont(f);
        p.drawText(row.adjusted(a.right() + 6, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromStdString(engine.groupRowText(vr.index)));
        p.setFont(font());
    }
}

void GridTableView::mousePressEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    const int row = rowAt(pos.y());
    if (model_ && row >= 0 && e->button() == Qt::LeftButton &&
        model_->rowKind(row) == RowKind::GroupHeader &&
        groupArrowRect(row).adjusted(-2, -2, 2, 2).contains(pos)) {
        setCurrentIndex(model_->index(row, 0));
        model_->toggleGroup(row);
        return;
    }
    QTableView::mousePressEvent(e);
}

void GridTableView::mouseDoubleClickEvent(QMouseEvent* e) {
    const int row = rowAt(e->position().toPoint().y());
    if (model_ && row >= 0 && model_->rowKind(row) == RowKind::GroupHeader) {
        model_->toggleGroup(row);
        return;
    }
    QTableView::mouseDoubleClickEvent(e);
}

void GridTableView::keyPressEvent(QKeyEvent* e) {
    const int row = currentIndex().isValid() ? currentIndex().row() : -1;
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if (model_ && row >= 0 && model_->rowKind(row) == RowKind::GroupHeader && !mods) {
        switch (e->key()) {
            case Qt::Key_Plus:
            case Qt::Key_Right:
                model_->setGroupExpanded(row, true);
                return;
            case Qt::Key_Minus:
            case Qt::Key_Left:
                model_->setGroupExpanded(row, false);
                return;
            default:
                break;
        }
    }
    if (model_ && e->key() == Qt::Key_Insert && !mods) {
        insertRowAtCurrent();
        return;
    }
    if (model_ && e->key() == Qt::Key_Delete && mods == Qt::ControlModifier) {
        deleteCurrentRow();
        return;
    }
    QTableView::keyPressEvent(e);
}

bool GridTableView::insertRowAtCurrent() {
    if (!model_ || !model_->engine().options().inserting || !model_->engine().result())
        return false;
    const int row = currentIndex().isValid() ? currentIndex().row() : model_->rowCount();
    return model_->insertRows(row, 1);
}

bool GridTableView::deleteCurrentRow() {
    if (!model_ || !model_->engine().options().deleting || !currentIndex().isValid()) return false;
    const int row = currentIndex().row();
    if (model_->rowKind(row) != RowKind::Data) return false;
    if (model_->engine().options().deletingConfirmation && confirmDelete_ && !confirmDelete_())
        return false;
    return model_->removeRows(row, 1);
}

bool GridTableView::cellTextIsCut(const QModelIndex& index) const {
    if (!index.isValid()) return false;
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty() || model_->rowKind(index.row()) == RowKind::GroupHeader) return false;
    const int room = columnWidth(index.column()) - 8;
    return fontMetrics().horizontalAdvance(text) > room;
}

bool GridTableView::viewportEvent(QEvent* e) {
    if (e->type() == QEvent::ToolTip && model_) {
        auto* he = static_cast<QHelpEvent*>(e);
        const QModelIndex index = indexAt(he->pos());
        if (model_->engine().options().cellHints && cellTextIsCut(index))
            QToolTip::showText(he->globalPos(), index.data().toString(), viewport(),
                               visualRect(index));
        else
            QToolTip::hideText();
        return true;
    }
    return QTableView::viewportEvent(e);
}

}  // namespace shuhui::grid::view
