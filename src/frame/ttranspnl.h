// TTransPnl: a see-through overlay panel that combines its colour with whatever lies beneath it.
//
// It paints no background of its own. Each paint takes what the paint surface already holds under
// the panel (the parent and the siblings beneath, painted before it), then every pixel becomes the
// ternary raster operation of `Style` with source = the pixel beneath, destination = `Color`,
// pattern = a solid brush of `Color`. gsSrcAnd (the default) tints what lies beneath towards the
// colour, gsSrcCopy shows it unchanged, gsPatCopy is a solid panel. With `Ctl3D` a raised inner
// edge is drawn, then `OnPaint` runs. Setting Color, Style or Ctl3D to a different value repaints
// the panel.
//
// TransRop / TransPixel / TransCombine are the pure per-pixel operation, testable on QImages.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>

enum TTransPnlStyle {
    gsBlackness = 0,
    gsDstInvert,
    gsMergeCopy,
    gsMergePaint,
    gsNotSrcCopy,
    gsNotSrcErase,
    gsPatCopy,
    gsPatInvert,
    gsPatPaint,
    gsSrcAnd,
    gsSrcCopy,
    gsSrcErase,
    gsSrcInvert,
    gsSrcPaint,
    gsWhiteness,
};

// The raster operation code (the 8-bit truth table over pattern, source, destination) of a style.
std::uint8_t TransRop(TTransPnlStyle style);
// One pixel: RGB of the ternary operation of `style` applied bitwise, alpha opaque.
QRgb TransPixel(TTransPnlStyle style, QRgb beneath, QRgb color);
// A whole image: every pixel of `beneath` combined with `color`.
QImage TransCombine(TTransPnlStyle style, const QImage& beneath, const QColor& color);

class TTransPnl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor Color READ Color WRITE setColor)
    Q_PROPERTY(int Style READ styleValue WRITE setStyleValue)
    Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE setCtl3D)
  public:
    explicit TTransPnl(QWidget* parent = nullptr);

    QColor Color() const { return color_; }
    void setColor(const QColor& c);
    TTransPnlStyle Style() const { return style_; }
    using QWidget::setStyle;
    void setStyle(TTransPnlStyle s);
    bool Ctl3D() const { return ctl3d_; }
    void setCtl3D(bool on);

    // Runs after each paint with the panel as sender.
    std::function<void(TTransPnl*)> OnPaint;

  signals:
    void clicked();
    void doubleClicked();

  protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void moveEvent(QMoveEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;

  private:
    int styleValue() const { return int(style_); }
    void setStyleValue(int v) { setStyle(TTransPnlStyle(v)); }

    QColor color_{255, 255, 255};
    TTransPnlStyle style_ = gsSrcAnd;
    bool ctl3d_ = false;
    QImage bitmap_;
};
