// Work on a worker thread behind the loading notice; see cancellable_run.h.
#include "app/cancellable_run.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPointer>
#include <exception>
#include <thread>

namespace {

// Swallows the user's input everywhere but on the cancel button; Escape cancels.
class InputBlocker : public QObject {
  public:
    InputBlocker(QAbstractButton* button, std::function<void()> onCancel)
        : button_(button), onCancel_(std::move(onCancel)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
                if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) onCancel_();
                return true;
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
                return !isButton(watched);
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::Shortcut:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
            case QEvent::Drop:
                return true;
            case QEvent::Close:
                // The window waits for the work; it can be closed once the work has ended.
                if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
                    event->ignore();
                    return true;
                }
                return false;
            default:
                return false;
        }
    }

  private:
    bool isButton(QObject* o) const {
        for (; o; o = o->parent())
            if (o == button_) return true;
        return false;
    }
    QPointer<QAbstractButton> button_;
    std::function<void()> onCancel_;
};

}  // namespace

bool RunCancellable(QAbstractButton* cancelButton, const std::function<void()>& work,
                    const std::function<void()>& cancel) {
    bool cancelled = false;
    auto requestCancel = [&] {
        if (cancelled) return;
        cancelled = true;
        if (cancelButton) cancelButton->setEnabled(false);
        if (cancel) cancel();
    };
    QMetaObject::Connection clicked;
    if (cancelButton) {
        cancelButton->setEnabled(true);
        cancelButton->show();
        cancelButton->raise();
        clicked = QObject::connect(cancelButton, &QAbstractButton::clicked, requestCancel);
        cancelButton->repaint();
    }
    InputBlocker blocker(cancelButton, requestCancel);
    qApp->installEventFilter(&blocker);

    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeSocketNotifiers);
    worker.join();

    qApp->removeEventFilter(&blocker);
    if (cancelButton) {
        QObject::disconnect(clicked);
        cancelButton->hide();
    }
    if (cancelled) return false;
    if (failure) std::rethrow_exception(failure);
    return true;
}
