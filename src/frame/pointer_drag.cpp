// Drag loops that follow the pointer; see pointer_drag.h.
#include "frame/pointer_drag.h"

#include <QEvent>
#include <QMouseEvent>
#include <algorithm>

PointerDrag* PointerDrag::Begin(QWidget* handle, QWidget* target, QPoint globalPos, Mode mode,
                                Qt::Edges edges, Qt::MouseButton button) {
    if (!handle || !target) return nullptr;
    return new PointerDrag(handle, target, globalPos, mode, edges, button);
}

PointerDrag::PointerDrag(QWidget* handle, QWidget* target, QPoint globalPos, Mode mode,
                         Qt::Edges edges, Qt::MouseButton button)
    : QObject(handle),
      handle_(handle),
      target_(target),
      startPos_(globalPos),
      startGeometry_(target->geometry()),
      mode_(mode),
      edges_(edges),
      button_(button) {
    handle->installEventFilter(this);
}

void PointerDrag::finish() {
    if (handle_) handle_->removeEventFilter(this);
    handOver_ = nullptr;
    deleteLater();
}

QRect PointerDrag::DraggedGeometry(QRect start, QPoint delta, Mode mode, Qt::Edges edges,
                                   QSize parentSize, QSize minimum) {
    const int minW = std::max(minimum.width(), 1);
    const int minH = std::max(minimum.height(), 1);
    switch (mode) {
        case Mode::MovePanel: {
            QRect r = start.translated(delta);
            const int maxX = std::max(0, parentSize.width() - r.width());
            const int maxY = std::max(0, parentSize.height() - r.height());
            r.moveTo(std::clamp(r.x(), 0, maxX), std::clamp(r.y(), 0, maxY));
            return r;
        }
        case Mode::ResizePanel: {
            const int w = std::clamp(start.width() + delta.x(), minW,
                                     std::max(minW, parentSize.width() - start.x()));
            const int h = std::clamp(start.height() + delta.y(), minH,
                                     std::max(minH, parentSize.height() - start.y()));
            return QRect(start.topLeft(), QSize(w, h));
        }
        case Mode::MoveWindow:
            return start.translated(delta);
        case Mode::ResizeWindow: {
            QRect r = start;
            if (edges & Qt::LeftEdge)
                r.setLeft(std::min(start.left() + delta.x(), start.right() - minW + 1));
            if (edges & Qt::RightEdge)
                r.setRight(std::max(start.right() + delta.x(), start.left() + minW - 1));
            if (edges & Qt::TopEdge)
                r.setTop(std::min(start.top() + delta.y(), start.bottom() - minH + 1));
            if (edges & Qt::BottomEdge)
                r.setBottom(std::max(start.bottom() + delta.y(), start.top() + minH - 1));
            return r;
        }
    }
    return start;
}

bool PointerDrag::eventFilter(QObject* watched, QEvent* event) {
    if (watched != handle_) return false;
    if (event->type() == QEvent::MouseMove && target_) {
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint delta = me->globalPosition().toPoint() - startPos_;
        // A few pixels tell a drag from the jitter of a double-click; the window manager starts
        // from where the pointer is then, so the window lags by these pixels, no more.
        constexpr int kHandOverDistance = 3;
        if (handOver_ && delta.manhattanLength() < kHandOverDistance) return true;
        const QSize parentSize =
            target_->parentWidget() ? target_->parentWidget()->size() : QSize();
        const QRect r = DraggedGeometry(startGeometry_, delta, mode_, edges_, parentSize,
                                        target_->minimumSizeHint().boundedTo(QSize(40, 30)));
        target_->setGeometry(r);
        if (handOver_) {
            // The window has caught up with the pointer; the window manager goes on from here.
            const std::function<bool()> request = std::move(handOver_);
            handOver_ = nullptr;
            if (request()) finish();
        }
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* me = static_cast<QMouseEvent*>(event);
        if (button_ != Qt::NoButton && me->button() != button_) return true;
        finish();
        return false;
    }
    // While the drag runs, the presses of other buttons belong to it (they start nothing).
    if ((event->type() == QEvent::MouseButtonPress ||
         event->type() == QEvent::MouseButtonDblClick) &&
        button_ != Qt::NoButton)
        return true;
    return false;
}
