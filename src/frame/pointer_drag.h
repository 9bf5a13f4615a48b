// Drag loops that follow the pointer while a mouse button is held, for the cases the window
// manager cannot serve.
//
// PointerDrag::Begin(handle, target, globalPos, mode, edges, button) is called from a mouse-press
// handler of `handle` (any button). From then on the mouse moves that `handle` receives (it holds
// the implicit grab while the button is down) move or resize `target`; the release of `button` (of
// any button when it is Qt::NoButton) ends the drag and the tracker removes itself. Presses and
// releases of other buttons meanwhile change nothing.
//
// setHandOver(request): nothing moves until the pointer has left the press by 3 pixels; then
// `request` runs once (a request to the window manager to take over); when it returns true
// the drag ends there, otherwise the pointer-following loop goes on. A click or double-click
// without a move therefore reaches the handle's handlers untouched.
//   Mode::MovePanel    moves a child widget, clamped so it stays inside its parent;
//   Mode::ResizePanel  resizes a child widget from its bottom-right corner, clamped to the parent;
//   Mode::MoveWindow / Mode::ResizeWindow  move a top-level window, or resize it from `edges`
//                      (the fallback when QWindow::startSystemMove/startSystemResize is refused).
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>

class PointerDrag : public QObject {
    Q_OBJECT
  public:
    enum class Mode { MovePanel, ResizePanel, MoveWindow, ResizeWindow };
    static PointerDrag* Begin(QWidget* handle, QWidget* target, QPoint globalPos, Mode mode,
                              Qt::Edges edges = {}, Qt::MouseButton button = Qt::NoButton);
    void setHandOver(std::function<bool()> request) { handOver_ = std::move(request); }

    // The geometry `target` gets when the pointer has moved by `delta` from the press: pure, so
    // the clamping can be checked without a mouse.
    static QRect DraggedGeometry(QRect start, QPoint delta, Mode mode, Qt::Edges edges,
                                 QSize parentSize, QSize minimum);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    PointerDrag(QWidget* handle, QWidget* target, QPoint globalPos, Mode mode, Qt::Edges edges,
                Qt::MouseButton button);
    void finish();
    QPointer<QWidget> handle_;
    QPointer<QWidget> target_;
    QPoint startPos_;
    QRect startGeometry_;
    Mode mode_;
    Qt::Edges edges_;
    Qt::MouseButton button_;
    std::function<bool()> handOver_;
};
