// Building blocks of the borderless window; see frame_controls.h.
#include "frame/frame_controls.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

// ---- TImage -----------------------------------------------------------------------------------

TImage::TImage(QWidget* parent) : QWidget(parent) {}

void TImage::setColors(const QColor& top, const QColor& bottom) {
    top_ = top;
    bottom_ = bottom;
    update();
}

void TImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, top_);
    g.setColorAt(1, bottom_);
    p.fillRect(rect(), g);
}

void TImage::mousePressEvent(QMouseEvent* event) {
    emit mouseDown(event);
}

void TImage::mouseDoubleClickEvent(QMouseEvent*) {
    emit dblClick();
}

// ---- TPanel -----------------------------------------------------------------------------------

TPanel::TPanel(QWidget* parent) : QWidget(parent) {}

void TPanel::setCaption(const QString& caption) {
    caption_ = caption;
    setAccessibleName(caption.isEmpty() ? objectName() : caption);
    update();
}

void TPanel::setCaptionAlignment(Qt::Alignment a) {
    align_ = a;
    update();
}

void TPanel::setCaptionColor(const QColor& c) {
    captionColor_ = c;
    update();
}

void TPanel::setBold(bool bold) {
    bold_ = bold;
    update();
}

void TPanel::setColors(const QColor& top, const QColor& bottom) {
    top_ = top;
    bottom_ = bottom;
    update();
}

void TPanel::setBorder(int width, const QColor& color) {
    borderWidth_ = width;
    borderColor_ = color;
    update();
}

void TPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, top_);
    g.setColorAt(1, bottom_);
    p.fillRect(rect(), g);
    if (borderWidth_ > 0) {
        QPen pen(borderColor_, borderWidth_);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
        const qreal h = borderWidth_ / 2.0;
        p.drawRect(QRectF(rect()).adjusted(h, h, -h, -h));
    }
    if (!caption_.isEmpty()) {
        QFont f = font();
        f.setBold(bold_);
        p.setFont(f);
        p.setPen(captionColor_);
        const int m = borderWidth_ + 2;
        p.drawText(rect().adjusted(m, 0, -m, 0), int(align_), caption_);
    }
}

void TPanel::mousePressEvent(QMouseEvent* event) {
    emit mouseDown(event);
}

void TPanel::mouseDoubleClickEvent(QMouseEvent*) {
    emit dblClick();
}

void TPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized(event->size());
}

// ---- TBmpButton -------------------------------------------------------------------------------

TBmpButton::TBmpButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setAttribute(Qt::WA_Hover);
    connect(this, &QAbstractButton::toggled, this, [this](bool on) {
        if (on && !clicking_) emit Click();
        // An exclusive group unchecks the previous button through its nextCheckState(); no
        // click follows that one.
        if (!on) clicking_ = false;
    });
    connect(this, &QAbstractButton::clicked, this, [this] {
        clicking_ = false;
        emit Click();
    });
}

void TBmpButton::nextCheckState() {
    // A click is under way: its clicked() reports it, not the toggle it causes.
    clicking_ = true;
    QPushButton::nextCheckState();
}

void TBmpButton::setGlyph(Glyph g) {
    glyph_ = g;
    update();
}

void TBmpButton::setCaptionStyle(bool on) {
    captionStyle_ = on;
    setFocusPolicy(on ? Qt::NoFocus : Qt::StrongFocus);
    update();
}

void TBmpButton::enterEvent(QEnterEvent* e) {
    hot_ = true;
    update();
    QPushButton::enterEvent(e);
}

void TBmpButton::leaveEvent(QEvent* e) {
    hot_ = false;
    update();
    QPushButton::leaveEvent(e);
}

void TBmpButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect r = rect();
    const bool down = isDown() || isChecked();
    if (captionStyle_) {
        if (hot_ || isDown()) {
            QColor face =
                glyph_ == Glyph::Close ? QColor(0xd9, 0x3b, 0x2f) : QColor(0x4a, 0x7f, 0xc0);
            p.fillRect(r, isDown() ? face.darker(120) : face);
        }
        p.setPen(QPen(Qt::white, 1.5));
        const QPointF c = QRectF(r).center();
        switch (glyph_) {
            case Glyph::Minimise:
                p.drawLine(QPointF(c.x() - 5, c.y() + 3), QPointF(c.x() + 5, c.y() + 3));
                break;
            case Glyph::Maximise:
                p.drawRect(QRectF(c.x() - 5, c.y() - 4, 10, 8));
                break;
            case Glyph::Restore:
                p.drawRect(QRectF(c.x() - 5, c.y() - 2, 8, 6));
                p.drawLine(QPointF(c.x() - 3, c.y() - 4), QPointF(c.x() + 5, c.y() - 4));
                p.drawLine(QPointF(c.x() + 5, c.y() - 4), QPointF(c.x() + 5, c.y() + 2));
                break;
            case Glyph::Close:
                p.setRenderHint(QPainter::Antialiasing, true);
                p.drawLine(QPointF(c.x() - 4, c.y() - 4), QPointF(c.x() + 4, c.y() + 4));
                p.drawLine(QPointF(c.x() + 4, c.y() - 4), QPointF(c.x() - 4, c.y() + 4));
                break;
            case Glyph::None:
                break;
        }
        return;
    }
    QLinearGradient g(0, 0, 0, r.height());
    if (!isEnabled()) {
        g.setColorAt(0, QColor(0xee, 0xee, 0xee));
        g.setColorAt(1, QColor(0xdd, 0xdd, 0xdd));
    } else if (down) {
        g.setColorAt(0, QColor(0xff, 0xe0, 0x9a));
        g.setColorAt(1, QColor(0xf6, 0xc0, 0x5a));
    } else if (hot_) {
        g.setColorAt(0, QColor(0xff, 0xf6, 0xd8));
        g.setColorAt(1, QColor(0xfb, 0xe0, 0x9c));
    } else {
        g.setColorAt(0, QColor(0xfd, 0xfe, 0xff));
        g.setColorAt(1, QColor(0xd6, 0xe4, 0xf3));
    }
    p.fillRect(r, g);
    p.setPen(down ? QColor(0xc2, 0x8a, 0x30) : QColor(0x8d, 0xa9, 0xc9));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    if (glyph_ == Glyph::Close) {
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.5));
        const QPointF c = QRectF(r).center();
        p.drawLine(QPointF(c.x() - 3.5, c.y() - 3.5), QPointF(c.x() + 3.5, c.y() + 3.5));
        p.drawLine(QPointF(c.x() + 3.5, c.y() - 3.5), QPointF(c.x() - 3.5, c.y() + 3.5));
    }
    if (!text().isEmpty()) {
        QFont f = font();
        f.setBold(down);
        p.setFont(f);
        p.setPen(isEnabled() ? QColor(0x1e, 0x2d, 0x40) : QColor(0x99, 0x99, 0x99));
        p.drawText(r, Qt::AlignCenter, text());
    }
}
