// GridHeader: see grid_header.h.
#include "grid/view/grid_header.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "grid/view/grid_model.h"
#include "grid/view/grid_style.h"

namespace shuhui::grid::view {

GridHeader::GridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsMovable(false);
    setSectionsClickable(true);
    setHighlightSections(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setMinimumSectionSize(20);
}

void GridHeader::setGridModel(GridModel* model) {
    model_ = model;
}

QRect GridHeader::filterButtonRect(int logicalIndex) const {
    if (!model_ || !model_->engine().options().columnFiltering) return {};
    const int x = sectionViewportPosition(logicalIndex);
    const int w = sectionSize(logicalIndex);
    return QRect(x + w - kFilterButtonWidth - 2, 3, kFilterButtonWidth, height() - 6);
}

void GridHeader::paintSection(QPainter* p, const QRect& rect, int logicalIndex) const {
    p->save();
    p->fillRect(rect, kHeaderColor);
    p->setPen(kBorderColor);
    p->drawLine(rect.topRight(), rect.bottomRight());
    p->drawLine(rect.bottomLeft(), rect.bottomRight());
    QRect text = rect.adjusted(4, 0, -4, 0);
    const bool filtering = model_ && model_->engine().options().columnFiltering;
    bool filtered = false;
    bool sorted = false;
    bool ascending = true;
    if (model_ && logicalIndex < model_->columnCount()) {
        const size_t col = model_->engineColumn(logicalIndex);
        filtered = model_->engine().filter(col).has_value();
        sorted = model_->engine().sortColumn() == col;
        ascending = model_->engine().sortAscending();
    }
    if (filtering) {
        const QRect b(rect.right() - kFilterButtonWidth - 2, rect.top() + 3, kFilterButtonWidth,
                      rect.height() - 6);
        p->setPen(kBorderColor);
        p->setBrush(filtered ? QColor(70, 120, 190) : QColor(240, 246, 252));
        p->drawRect(b.adjusted(0, 0, -1, -1));
        QPainterPath tri;
        const QPointF c = QRectF(b).center();
        tri.moveTo(c.x() - 3.5, c.y() - 2);
        tri.lineTo(c.x() + 3.5, c.y() - 2);
        tri.lineTo(c.x(), c.y() + 2.5);
        tri.closeSubpath();
        p->fillPath(tri, filtered ? Qt::white : Qt::black);
        text.setRight(b.left() - 2);
    }
    if (sorted) {
        const QRect a(text.right() - 8, rect.center().y() - 3, 8, 6);
        QPainterPath tri;
        if (ascending) {
            tri.moveTo(a.left(), a.bottom());
            tri.lineTo(a.right(), a.bottom());
            tri.lineTo(a.center().x(), a.top());
        } else {
            tri.moveTo(a.left(), a.top());
            tri.lineTo(a.right(), a.top());
            tri.lineTo(a.center().x(), a.bottom());
        }
        tri.closeSubpath();
        p->fillPath(tri, QColor(60, 80, 110));
        text.setRight(a.left() - 2);
    }
    p->setPen(Qt::black);
    const QString caption =
        model_ ? model_->headerData(logicalIndex, Qt::Horizontal).toString() : QString();
    p->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                fontMetrics().elidedText(caption, Qt::ElideRight, text.width()));
    p->restore();
}

bool GridHeader::nearHandle(int x) const {
    const int margin = 5;
    for (int i = 0; i < count(); ++i) {
        const int right = sectionViewportPosition(i) + sectionSize(i);
        if (std::abs(x - right) <= margin) return true;
    }
    return false;
}

void GridHeader::mousePressEvent(QMouseEvent* e) {
    pressed_ = -1;
    const int section = logicalIndexAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton && section >= 0) {
        if (filterButtonRect(section).contains(e->position().toPoint())) {
            emit filterButtonClicked(section);
            return;
        }
        if (!nearHandle(e->position().toPoint().x())) {
            pressed_ = section;
            pressPos_ = e->position().toPoint();
        }
    }
    QHeaderView::mousePressEvent(e);
}

void GridHeader::mouseMoveEvent(QMouseEvent* e) {
    if (pressed_ >= 0 && model_ && (e->buttons() & Qt::LeftButton) &&
        (e->position().toPoint() - pressPos_).manhattanLength() >=
            QApplication::startDragDistance()) {
        const int section = pressed_;
        pressed_ = -1;
        auto* mime = new QMimeData;
        mime->setData(kColumnMime, QByteArray::number(qulonglong(model_->engineColumn(section))));
        auto* drag = new QDrag(this);
        drag->setMimeData(mime);
        QPixmap pm(sectionSize(section), height());
        pm.fill(kHeaderColor);
        {
            QPainter p(&pm);
            p.setPen(kBorderColor);
            p.drawRect(pm.rect().adjusted(0, 0, -1, -1));
            p.setPen(Qt::black);
            p.drawText(pm.rect().adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter,
                       model_->headerData(section, Qt::Horizontal).toString());
        }
        drag->setPixmap(pm);
        drag->setHotSpot(QPoint(pressPos_.x() - sectionViewportPosition(section), pressPos_.y()));
        drag->exec(Qt::MoveAction);
        return;
    }
    QHeaderView::mouseMoveEvent(e);
}

void GridHeader::mouseReleaseEvent(QMouseEvent* e) {
    pressed_ = -1;
    QHeaderView::mouseReleaseEvent(e);
}

void GridHeader::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasFormat(kGroupMime)) e->acceptProposedAction();
}

void GridHeader::dragMoveEvent(QDragMoveEvent* e) {
    if (e->mimeData()->hasFormat(kGroupMime)) e->acceptProposedAction();
}

void GridHeader::dropEvent(QDropEvent* e) {
    if (!e->mimeData()->hasFormat(kGroupMime)) return;
    bool ok = false;
    const qulonglong col = e->mimeData()->data(kGroupMime).toULongLong(&ok);
    if (!ok) return;
    e->acceptProposedAction();
    emit ungroupRequested(size_t(col));
}

}  // namespace shuhui::grid::view
