// TTransPnl; see ttranspnl.h.
#include "frame/ttranspnl.h"

#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>

std::uint8_t TransRop(TTransPnlStyle style) {
    // Truth tables indexed by (pattern << 2 | source << 1 | destination), the standard codes.
    static constexpr std::uint8_t kCodes[] = {
        0x00,  // gsBlackness    0
        0x55,  // gsDstInvert    ~D
        0xC0,  // gsMergeCopy    P & S
        0xBB,  // gsMergePaint   ~S | D
        0x33,  // gsNotSrcCopy   ~S
        0x11,  // gsNotSrcErase  ~(S | D)
        0xF0,  // gsPatCopy      P
        0x5A,  // gsPatInvert    P ^ D
        0xFB,  // gsPatPaint     P | ~S | D
        0x88,  // gsSrcAnd       S & D
        0xCC,  // gsSrcCopy      S
        0x44,  // gsSrcErase     S & ~D
        0x66,  // gsSrcInvert    S ^ D
        0xEE,  // gsSrcPaint     S | D
        0xFF,  // gsWhiteness    1
    };
    const int i = int(style);
    return (i >= 0 && i < int(std::size(kCodes))) ? kCodes[i] : 0x88;
}

static std::uint32_t ApplyRop(std::uint8_t code, std::uint32_t p, std::uint32_t s,
                              std::uint32_t d) {
    std::uint32_t r = 0;
    for (int i = 0; i < 8; ++i) {
        if (!(code & (1u << i))) continue;
        r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    }
    return r;
}

QRgb TransPixel(TTransPnlStyle style, QRgb beneath, QRgb color) {
    // Pattern and destination are both the solid colour.
    const std::uint32_t rgb = ApplyRop(TransRop(style), color, beneath, color) & 0x00FFFFFFu;
    return 0xFF000000u | rgb;
}

QImage TransCombine(TTransPnlStyle style, const QImage& beneath, const QColor& color) {
    QImage out = beneath.convertToFormat(QImage::Format_RGB32);
    const QRgb c = color.rgb();
    const std::uint8_t code = TransRop(style);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            line[x] = 0xFF000000u | (ApplyRop(code, c, line[x], c) & 0x00FFFFFFu);
        }
    }
    return out;
}

TTransPnl::TTransPnl(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    resize(100, 100);
}

void TTransPnl::setColor(const QColor& c) {
    if (c == color_) return;
    color_ = c;
    update();
}

void TTransPnl::setStyle(TTransPnlStyle s) {
    if (s == style_) return;
    style_ = s;
    update();
}

void TTransPnl::setCtl3D(bool on) {
    if (on == ctl3d_) return;
    ctl3d_ = on;
    update();
}

// Reads what the paint device already holds under this panel. Widgets are painted back to front
// into one surface (the backing store, or the target of a render/grab), and this panel erases no
// background, so at the start of its paint the surface holds the parent and the siblings beneath.
static QImage SurfaceBeneath(QPainter& p, QSize size) {
    const QRect area = p.deviceTransform().mapRect(QRect(QPoint(0, 0), size));
    QPaintDevice* dev = p.paintEngine() ? p.paintEngine()->paintDevice() : nullptr;
    QImage img;
    if (dev && dev->devType() == QInternal::Image) {
        img = static_cast<QImage*>(dev)->copy(area);
    } else if (dev && dev->devType() == QInternal::Pixmap) {
        img = static_cast<QPixmap*>(dev)->copy(area).toImage();
    }
    if (img.size() != area.size() || img.isNull()) {
        img = QImage(area.size(), QImage::Format_RGB32);
        img.fill(Qt::white);
    }
    if (img.size() != size) img = img.scaled(size);
    return img.convertToFormat(QImage::Format_RGB32);
}

void TTransPnl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    bitmap_ = TransCombine(style_, SurfaceBeneath(p, size()), color_);
    if (ctl3d_) {
        QPainter bp(&bitmap_);
        const QRect r = bitmap_.rect();
        bp.setPen(QColor(255, 255, 255));
        bp.drawLine(r.topLeft(), r.topRight());
        bp.drawLine(r.topLeft(), r.bottomLeft());
        bp.setPen(QColor(128, 128, 128));
        bp.drawLine(r.bottomLeft(), r.bottomRight());
        bp.drawLine(r.topRight(), r.bottomRight());
    }
    p.drawImage(0, 0, bitmap_);
    if (OnPaint) OnPaint(this);
}

void TTransPnl::resizeEvent(QResizeEvent* e) {
    update();
    QWidget::resizeEvent(e);
}

void TTransPnl::moveEvent(QMoveEvent* e) {
    update();
    QWidget::moveEvent(e);
}

void TTransPnl::mouseReleaseEvent(QMouseEvent* e) {
    if (rect().contains(e->position().toPoint())) emit clicked();
    QWidget::mouseReleaseEvent(e);
}

void TTransPnl::mouseDoubleClickEvent(QMouseEvent* e) {
    emit doubleClicked();
    QWidget::mouseDoubleClickEvent(e);
}
