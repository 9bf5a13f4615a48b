// Building blocks of the borderless window: picture strips, gradient panels, bitmap-style buttons.
// The helper that names a control (NameControl) lives in name_control.h; it is included here so
// that code using these controls has it at hand.
//
// TImage      a picture strip: paints a gradient, reports presses of any button (mouseDown) and
//             double-clicks (dblClick).
// TPanel      a panel with a gradient face, an optional caption (alignment, bold) and a flat
// border;
//             reports presses (mouseDown) and its own resizes (resized), so owners can place
//             pieces.
// TBmpButton  a push button drawn with a gradient face, normal, hot and down pictures, optional
//             caption-bar glyph; checkable ones form toggle groups through QButtonGroup.
#pragma once

#include <QColor>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include "frame/name_control.h"

class QMouseEvent;

class TImage : public QWidget {
    Q_OBJECT
  public:
    explicit TImage(QWidget* parent = nullptr);
    // Vertical gradient from `top` to `bottom`.
    void setColors(const QColor& top, const QColor& bottom);

  signals:
    void mouseDown(QMouseEvent* event);
    void dblClick();

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    QColor top_{0x2b, 0x5f, 0x9e};
    QColor bottom_{0x1b, 0x45, 0x7a};
};

class TPanel : public QWidget {
    Q_OBJECT
  public:
    explicit TPanel(QWidget* parent = nullptr);
    QString caption() const { return caption_; }
    // Sets the caption and keeps the accessible name in step with it.
    void setCaption(const QString& caption);
    void setCaptionAlignment(Qt::Alignment a);
    void setCaptionColor(const QColor& c);
    void setBold(bool bold);
    void setColors(const QColor& top, const QColor& bottom);
    void setBorder(int width, const QColor& color);

  signals:
    void mouseDown(QMouseEvent* event);
    void dblClick();
    void resized(QSize size);

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QString caption_;
    Qt::Alignment align_ = Qt::AlignLeft | Qt::AlignVCenter;
    QColor captionColor_{Qt::black};
    bool bold_ = false;
    QColor top_{0xf4, 0xf8, 0xfc};
    QColor bottom_{0xdc, 0xe7, 0xf2};
    int borderWidth_ = 0;
    QColor borderColor_{0x8d, 0xa9, 0xc9};
};

class TBmpButton : public QPushButton {
    Q_OBJECT
  public:
    enum class Glyph { None, Minimise, Maximise, Restore, Close };
    explicit TBmpButton(const QString& text = QString(), QWidget* parent = nullptr);
    void setGlyph(Glyph g);
    // Caption-bar buttons: transparent face, white glyph, red hot face for the close button.
    void setCaptionStyle(bool on);

  signals:
    // The button's OnClick: a click (mouse, keyboard, click()), and also a checkable button being
    // checked by other means, as an accessibility client's "Toggle" action does (that path emits
    // no clicked()). Runs once per user action.
    void Click();

  protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void nextCheckState() override;

  private:
    bool clicking_ = false;
    Glyph glyph_ = Glyph::None;
    bool captionStyle_ = false;
    bool hot_ = false;
};
