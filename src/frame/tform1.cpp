// TForm1, the borderless base window; see tform1.h.
#include "frame/tform1.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainterPath>
#include <QWindow>

#include "frame/pointer_drag.h"

QRegion RoundedWindowRegion(int width, int height) {
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, width + 1, height + 1), 2.5, 3.0);
    return QRegion(path.toFillPolygon().toPolygon());
}

Qt::WindowStates ToggledMaximisedState(Qt::WindowStates current) {
    const bool normal =
        !(current & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
    return normal ? Qt::WindowMaximized : Qt::WindowNoState;
}

namespace {

TImage* Strip(QWidget* parent, const QString& name, Qt::CursorShape cursor, const QColor& top,
              const QColor& bottom) {
    auto* img = NameControl(new TImage(parent), name);
    img->setCursor(cursor);
    img->setColors(top, bottom);
    return img;
}

const QColor kBarTop(0x3a, 0x74, 0xb8);
const QColor kBarBottom(0x1d, 0x4c, 0x8a);
const QColor kEdge(0x17, 0x3e, 0x70);

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::Window);
    setWindowTitle(QStringLiteral("凌川数汇5"));
    resize(921, 599);
    setMinimumSize(400, 260);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // Caption bar: grips at both ends, drag area in between; icon, title and caption buttons lie
    // on top of the drag area.
    rpTop = NameControl(new TPanel(this), "rpTop");
    rpTop->setFixedHeight(36);
    rpTop->setColors(kBarTop, kBarBottom);
    auto* top = new QHBoxLayout(rpTop);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    Image2 = Strip(rpTop, "Image2", Qt::SizeFDiagCursor, kEdge, kEdge);
    Image2->setFixedWidth(4);
    Image1 = Strip(rpTop, "Image1", Qt::ArrowCursor, kBarTop.lighter(115), kBarBottom);
    Image1->setFixedWidth(3);
    Image3 = Strip(rpTop, "Image3", Qt::ArrowCursor, kBarTop, kBarBottom);
    Image5 = Strip(rpTop, "Image5", Qt::ArrowCursor, kBarTop.lighter(115), kBarBottom);
    Image5->setFixedWidth(3);
    Image4 = Strip(rpTop, "Image4", Qt::SizeBDiagCursor, kEdge, kEdge);
    Image4->setFixedWidth(4);
    for (QWidget* w : {static_cast<QWidget*>(Image2), static_cast<QWidget*>(Image1),
                       static_cast<QWidget*>(Image3), static_cast<QWidget*>(Image5),
                       static_cast<QWidget*>(Image4)})
        top->addWidget(w, w == Image3 ? 1 : 0);

    Image16 = NameControl(new TImage(rpTop), "Image16", QStringLiteral("程序图标"));
    Image16->setColors(QColor(0xff, 0xc8, 0x3d), QColor(0xf0, 0x8a, 0x1c));
    Image16->setGeometry(8, 6, 22, 22);
    RzLabel1 = NameControl(new QLabel(windowTitle(), rpTop), "RzLabel1");
    RzLabel1->setStyleSheet("color: white; background: transparent;");
    RzLabel1->setAttribute(Qt::WA_TranslucentBackground);
    RzLabel1->move(40, 10);
    RzBmpButton3 =
        NameControl(new TBmpButton(QString(), rpTop), "RzBmpButton3", QStringLiteral("最小化"));
    RzBmpButton3->setGlyph(TBmpButton::Glyph::Minimise);
    RzBmpButton3->setFixedSize(27, 20);
    RzBmpButton2 =
        NameControl(new TBmpButton(QString(), rpTop), "RzBmpButton2", QStringLiteral("最大化"));
    RzBmpButton2->setGlyph(TBmpButton::Glyph::Maximise);
    RzBmpButton2->setFixedSize(26, 20);
    RzBmpButton1 =
        NameControl(new TBmpButton(QString(), rpTop), "RzBmpButton1", QStringLiteral("关闭"));
    RzBmpButton1->setGlyph(TBmpButton::Glyph::Close);
    RzBmpButton1->setFixedSize(40, 20);
    for (TBmpButton* b : {RzBmpButton3, RzBmpButton2, RzBmpButton1}) b->setCaptionStyle(true);
    rpTop->installEventFilter(this);
    outer->addWidget(rpTop);

    // Body: side grips, left area with its separator, right area with its bar.
    RzPanel1 = NameControl(new TPanel(this), "RzPanel1");
    RzPanel1->setColors(QColor(0xe9, 0xf0, 0xf8), QColor(0xe9, 0xf0, 0xf8));
    auto* body = new QHBoxLayout(RzPanel1);
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    Image6 = Strip(RzPanel1, "Image6", Qt::SizeHorCursor, kEdge, kEdge);
    Image6->setFixedWidth(4);
    RzPanel3 = NameControl(new TPanel(RzPanel1), "RzPanel3");
    RzPanel3->setFixedWidth(221);
    RzPanel3->setColors(QColor(0xf3, 0xf7, 0xfc), QColor(0xdd, 0xe8, 0xf4));
    auto* left = new QHBoxLayout(RzPanel3);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    leftColumn_ = new QVBoxLayout;
    leftColumn_->setContentsMargins(8, 8, 6, 6);
    leftColumn_->setSpacing(6);
    left->addLayout(leftColumn_, 1);
    Image13 = Strip(RzPanel3, "Image13", Qt::ArrowCursor, QColor(0xb5, 0xc9, 0xe2),
                    QColor(0x9c, 0xb6, 0xd6));
    Image13->setFixedWidth(6);
    left->addWidget(Image13);
    RzPanel4 = NameControl(new TPanel(RzPanel1), "RzPanel4");
    RzPanel4->setColors(QColor(0xf6, 0xf9, 0xfd), QColor(0xf6, 0xf9, 0xfd));
    rightColumn_ = new QVBoxLayout(RzPanel4);
    rightColumn_->setContentsMargins(0, 0, 0, 0);
    rightColumn_->setSpacing(0);
    RzPanel6 = NameControl(new TPanel(RzPanel4), "RzPanel6");
    RzPanel6->setFixedHeight(41);
    RzPanel6->setColors(QColor(0xfb, 0xfd, 0xff), QColor(0xd3, 0xe1, 0xf1));
    RzPanel6->setCaptionAlignment(Qt::AlignRight | Qt::AlignVCenter);
    RzPanel6->setCaptionColor(QColor(0x1d, 0x4c, 0x8a));
    Image15 = Strip(RzPanel6, "Image15", Qt::ArrowCursor, QColor(0x9c, 0xb6, 0xd6),
                    QColor(0x9c, 0xb6, 0xd6));
    connect(RzPanel6, &TPanel::resized, this, [this] { placeBarPieces(); });
    rightColumn_->addWidget(RzPanel6);
    body->addWidget(Image6);
    body->addWidget(RzPanel3);
    body->addWidget(RzPanel4, 1);
    Image7 = Strip(RzPanel1, "Image7", Qt::SizeHorCursor, kEdge, kEdge);
    Image7->setFixedWidth(4);
    body->addWidget(Image7);
    outer->addWidget(RzPanel1, 1);

    // Status bar: corner grips at both ends.
    RzPanel2 = NameControl(new TPanel(this), "RzPanel2");
    RzPanel2->setFixedHeight(29);
    auto* status = new QHBoxLayout(RzPanel2);
    status->setContentsMargins(0, 0, 0, 0);
    status->setSpacing(0);
    Image10 = Strip(RzPanel2, "Image10", Qt::SizeBDiagCursor, kEdge, kEdge);
    Image10->setFixedWidth(4);
    Image9 = Strip(RzPanel2, "Image9", Qt::ArrowCursor, kBarTop.lighter(115), kBarBottom);
    Image9->setFixedWidth(3);
    Image8 = Strip(RzPanel2, "Image8", Qt::ArrowCursor, kBarTop, kBarBottom);
    Image12 = Strip(RzPanel2, "Image12", Qt::SizeFDiagCursor, kBarTop, kBarBottom);
    Image12->setFixedWidth(10);
    Image11 = Strip(RzPanel2, "Image11", Qt::SizeFDiagCursor, kEdge, kEdge);
    Image11->setFixedWidth(5);
    status->addWidget(Image10);
    status->addWidget(Image9);
    status->addWidget(Image8, 1);
    status->addWidget(Image12);
    status->addWidget(Image11);
    outer->addWidget(RzPanel2);

    connect(Image3, &TImage::mouseDown, this, &TForm1::Image3MouseDown);
    connect(Image13, &TImage::mouseDown, this, &TForm1::Image3MouseDown);
    connect(Image15, &TImage::mouseDown, this, &TForm1::Image3MouseDown);
    connect(Image3, &TImage::dblClick, this, &TForm1::Image3DblClick);
    connect(Image13, &TImage::dblClick, this, &TForm1::Image3DblClick);
    connect(Image15, &TImage::dblClick, this, &TForm1::Image3DblClick);
    connect(RzBmpButton1, &QPushButton::clicked, this, &TForm1::RzBmpButton1Click);
    connect(RzBmpButton2, &QPushButton::clicked, this, &TForm1::RzBmpButton2Click);
    connect(RzBmpButton3, &QPushButton::clicked, this, &TForm1::RzBmpButton3Click);
    connect(Image2, &TImage::mouseDown, this, &TForm1::Image2MouseDown);
    connect(Image4, &TImage::mouseDown, this, &TForm1::Image4MouseDown);
    connect(Image6, &TImage::mouseDown, this, &TForm1::Image6MouseDown);
    connect(Image7, &TImage::mouseDown, this, &TForm1::Image7MouseDown);
    connect(Image10, &TImage::mouseDown, this, &TForm1::Image10MouseDown);
    connect(Image11, &TImage::mouseDown, this, &TForm1::Image12MouseDown);
    connect(Image12, &TImage::mouseDown, this, &TForm1::Image12MouseDown);

    FormCreate();
}

void TForm1::FormCreate() {
    ApplyWindowRegion();
}

void TForm1::FormResize() {
    ApplyWindowRegion();
}

void TForm1::ApplyWindowRegion() {
    windowRegion_ = RoundedWindowRegion(width(), height());
    // The offscreen platform has no window shapes; the region is still kept for inspection.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) setMask(windowRegion_);
    ++regionCount_;
    update();
}

void TForm1::ToggleMaximised() {
    setWindowState(ToggledMaximisedState(windowState()));
}

void TForm1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        // The maximise button restores a maximised window, and says so.
        const bool maximised = windowState() & Qt::WindowMaximized;
        RzBmpButton2->setAccessibleName(maximised ? QStringLiteral("还原")
                                                  : QStringLiteral("最大化"));
        RzBmpButton2->setToolTip(RzBmpButton2->accessibleName());
        RzBmpButton2->setGlyph(maximised ? TBmpButton::Glyph::Restore
                                         : TBmpButton::Glyph::Maximise);
    }
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == rpTop && event->type() == QEvent::Resize) placeCaptionPieces();
    return QWidget::eventFilter(watched, event);
}

void TForm1::placeCaptionPieces() {
    // The caption buttons keep their size and stay at the top right corner.
    const int w = rpTop->width();
    RzBmpButton1->move(w - RzBmpButton1->width() - 4, 0);
    RzBmpButton2->move(RzBmpButton1->x() - RzBmpButton2->width(), 0);
    RzBmpButton3->move(RzBmpButton2->x() - RzBmpButton3->width(), 0);
    RzLabel1->adjustSize();
    for (QWidget* w2 : {static_cast<QWidget*>(Image16), static_cast<QWidget*>(RzLabel1),
                        static_cast<QWidget*>(RzBmpButton3), static_cast<QWidget*>(RzBmpButton2),
                        static_cast<QWidget*>(RzBmpButton1)})
        w2->raise();
}

void TForm1::placeBarPieces() {
    Image15->setGeometry(0, RzPanel6->height() - 3, RzPanel6->width(), 3);
}

QWidget* TForm1::pressedWidget() const {
    auto* w = qobject_cast<QWidget*>(sender());
    return w ? w : const_cast<TForm1*>(this);
}

bool TForm1::RequestWindowManager(bool move, Qt::Edges edges) {
    if (windowManagerRequest_) return windowManagerRequest_(move, edges);
    QWindow* win = window()->windowHandle();
    if (!win) return false;
    return move ? win->startSystemMove() : win->startSystemResize(edges);
}

// Window managers follow the left button only: a move or resize they run would outlive the release
// of any other button. Those are followed here, and end with the release of their own button.
void TForm1::StartWindowMove(QWidget* handle, QMouseEvent* event) {
    if (!event) {
        RequestWindowManager(true, {});
        return;
    }
    PointerDrag* drag = PointerDrag::Begin(handle, window(), event->globalPosition().toPoint(),
                                           PointerDrag::Mode::MoveWindow, {}, event->button());
    // The request waits for the pointer to move, so that a double-click on the strip still
    // arrives (the window manager's move would take the second click).
    if (drag && event->button() == Qt::LeftButton)
        drag->setHandOver([this] { return RequestWindowManager(true, {}); });
}

void TForm1::StartWindowResize(QWidget* handle, QMouseEvent* event, Qt::Edges edges) {
    if (!event || event->button() == Qt::LeftButton) {
        if (RequestWindowManager(false, edges) || !event) return;
    }
    PointerDrag::Begin(handle, window(), event->globalPosition().toPoint(),
                       PointerDrag::Mode::ResizeWindow, edges, event->button());
}

void TForm1::Image3MouseDown(QMouseEvent* event) {
    StartWindowMove(pressedWidget(), event);
}

void TForm1::Image3DblClick() {
    ToggleMaximised();
}

void TForm1::RzBmpButton1Click() {
    close();
}

void TForm1::RzBmpButton2Click() {
    ToggleMaximised();
}

void TForm1::RzBmpButton3Click() {
    showMinimized();
}

void TForm1::Image2MouseDown(QMouseEvent* event) {
    StartWindowResize(pressedWidget(), event, Qt::TopEdge | Qt::LeftEdge);
}

void TForm1::Image4MouseDown(QMouseEvent* event) {
    StartWindowResize(pressedWidget(), event, Qt::TopEdge | Qt::RightEdge);
}

void TForm1::Image6MouseDown(QMouseEvent* event) {
    StartWindowResize(pressedWidget(), event, Qt::LeftEdge);
}

void TForm1::Image7MouseDown(QMouseEvent* event) {
    StartWindowResize(pressedWidget(), event, Qt::RightEdge);
}

void TForm1::Image10MouseDown(QMouseEvent* event) {
    StartWindowResize(pressedWidget(), event, Qt::BottomEdge | Qt::LeftEdge);
}

void TForm1::Image12MouseDown(QMouseEvent* event) {
    StartWindowResize(pressedWidget(), event, Qt::BottomEdge | Qt::RightEdge);
}
