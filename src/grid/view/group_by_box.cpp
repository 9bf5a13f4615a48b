// GroupByBox: see group_by_box.h.
#include "grid/view/group_by_box.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include "grid/view/grid_style.h"

namespace shuhui::grid::view {

namespace {
constexpr int kChipHeight = 20;
constexpr int kChipStep = 6;  // each level a little lower
}  // namespace

GroupByBox::GroupByBox(QWidget* parent) : QWidget(parent) {
    setAcceptDrops(true);
    setAutoFillBackground(false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
}

QSize GroupByBox::sizeHint() const {
    const int levels = std::max<int>(1, int(captions_.size()));
    return QSize(200, 8 + kChipHeight + (levels - 1) * kChipStep + 6);
}

void GroupByBox::setGroups(const QStringList& captions, const std::vector<size_t>& columns) {
    captions_ = captions;
    columns_ = columns;
    setFixedHeight(sizeHint().height());
    update();
}

QRect GroupByBox::chipRect(int level) const {
    int x = 8;
    for (int i = 0; i < level; ++i) x += fontMetrics().horizontalAdvance(captions_[i]) + 16 + 10;
    const int w = fontMetrics().horizontalAdvance(captions_.value(level)) + 16;
    return QRect(x, 6 + level * kChipStep, w, kChipHeight);
}

void GroupByBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kGroupBoxColor);
    p.setPen(kBorderColor);
    p.drawLine(rect().bottomLeft(), rect().bottomRight());
    if (captions_.isEmpty()) {
        p.setPen(QColor(110, 125, 145));
        p.drawText(rect().adjusted(8, 0, -8, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromUtf8(kHint));
        return;
    }
    for (int i = 0; i < captions_.size(); ++i) {
        const QRect r = chipRect(i);
        if (i > 0) {  // a connector from the level above
            const QRect prev = chipRect(i - 1);
            p.setPen(QColor(90, 110, 140));
            p.drawLine(prev.right() - 6, prev.bottom(), prev.right() - 6, r.center().y());
            p.drawLine(prev.right() - 6, r.center().y(), r.left(), r.center().y());
        }
        p.setPen(kBorderColor);
        p.setBrush(kHeaderColor);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.setPen(Qt::black);
        p.drawText(r, Qt::AlignCenter, captions_[i]);
    }
}

void GroupByBox::mousePressEvent(QMouseEvent* e) {
    pressed_ = -1;
    for (int i = 0; i < captions_.size(); ++i)
        if (chipRect(i).contains(e->position().toPoint())) pressed_ = i;
    pressPos_ = e->position().toPoint();
}

void GroupByBox::mouseMoveEvent(QMouseEvent* e) {
    if (pressed_ < 0 || !(e->buttons() & Qt::LeftButton) ||
        (e->position().toPoint() - pressPos_).manhattanLength() < QApplication::startDragDistance())
        return;
    const int level = pressed_;
    pressed_ = -1;
    auto* mime = new QMimeData;
    mime->setData(kGroupMime, QByteArray::number(qulonglong(columns_.at(size_t(level)))));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(grab(chipRect(level)));
    drag->exec(Qt::MoveAction);
}

void GroupByBox::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasFormat(kColumnMime)) e->acceptProposedAction();
}

void GroupByBox::dragMoveEvent(QDragMoveEvent* e) {
    if (e->mimeData()->hasFormat(kColumnMime)) e->acceptProposedAction();
}

void GroupByBox::dropEvent(QDropEvent* e) {
    if (!e->mimeData()->hasFormat(kColumnMime)) return;
    bool ok = false;
    const qulonglong col = e->mimeData()->data(kColumnMime).toULongLong(&ok);
    if (!ok) return;
    e->acceptProposedAction();
    emit groupRequested(size_t(col));
}

}  // namespace shuhui::grid::view
