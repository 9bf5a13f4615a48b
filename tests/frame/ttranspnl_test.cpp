// The overlay's per-pixel raster operations and its painting over a known background.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>
#include <QWidget>

#include "frame/ttranspnl.h"

namespace {

QRgb Rgb(std::uint32_t v) {
    return 0xFF000000u | (v & 0x00FFFFFFu);
}

struct RopCase {
    TTransPnlStyle style;
    const char* name;
    // Expected result from source (beneath) and colour (pattern = destination = colour).
    std::uint32_t (*expect)(std::uint32_t s, std::uint32_t c);
};

const RopCase kRops[] = {
    {gsBlackness, "gsBlackness", [](std::uint32_t, std::uint32_t) { return 0u; }},
    {gsDstInvert, "gsDstInvert", [](std::uint32_t, std::uint32_t c) { return ~c; }},
    {gsMergeCopy, "gsMergeCopy", [](std::uint32_t s, std::uint32_t c) { return s & c; }},
    {gsMergePaint, "gsMergePaint", [](std::uint32_t s, std::uint32_t c) { return ~s | c; }},
    {gsNotSrcCopy, "gsNotSrcCopy", [](std::uint32_t s, std::uint32_t) { return ~s; }},
    {gsNotSrcErase, "gsNotSrcErase", [](std::uint32_t s, std::uint32_t c) { return ~(s | c); }},
    {gsPatCopy, "gsPatCopy", [](std::uint32_t, std::uint32_t c) { return c; }},
    {gsPatInvert, "gsPatInvert", [](std::uint32_t, std::uint32_t c) { return c ^ c; }},
    {gsPatPaint, "gsPatPaint", [](std::uint32_t s, std::uint32_t c) { return c | ~s | c; }},
    {gsSrcAnd, "gsSrcAnd", [](std::uint32_t s, std::uint32_t c) { return s & c; }},
    {gsSrcCopy, "gsSrcCopy", [](std::uint32_t s, std::uint32_t) { return s; }},
    {gsSrcErase, "gsSrcErase", [](std::uint32_t s, std::uint32_t c) { return s & ~c; }},
    {gsSrcInvert, "gsSrcInvert", [](std::uint32_t s, std::uint32_t c) { return s ^ c; }},
    {gsSrcPaint, "gsSrcPaint", [](std::uint32_t s, std::uint32_t c) { return s | c; }},
    {gsWhiteness, "gsWhiteness", [](std::uint32_t, std::uint32_t) { return 0xFFFFFFu; }},
};

const std::uint32_t kBeneath[] = {0x000000, 0xFFFFFF, 0x123456, 0xC0A080, 0x0F0FF0};
const std::uint32_t kColours[] = {0xFFFFFF, 0xE2EBF3, 0x000000, 0x5A3C96};

}  // namespace

TEST(TransRop, StylesAreNumberedInTableOrderWithStandardCodes) {
    EXPECT_EQ(int(gsBlackness), 0);
    EXPECT_EQ(int(gsSrcAnd), 9);
    EXPECT_EQ(int(gsWhiteness), 14);
    EXPECT_EQ(TransRop(gsSrcAnd), 0x88);
    EXPECT_EQ(TransRop(gsSrcCopy), 0xCC);
    EXPECT_EQ(TransRop(gsPatCopy), 0xF0);
    EXPECT_EQ(TransRop(gsPatPaint), 0xFB);
    EXPECT_EQ(TransRop(gsMergePaint), 0xBB);
}

TEST(TransPixel, EveryStyleOverKnownPixels) {
    for (const RopCase& rc : kRops) {
        for (std::uint32_t s : kBeneath) {
            for (std::uint32_t c : kColours) {
                EXPECT_EQ(TransPixel(rc.style, Rgb(s), Rgb(c)), Rgb(rc.expect(s, c)))
                    << rc.name << " beneath " << std::hex << s << " colour " << c;
            }
        }
    }
}

TEST(TransCombine, AppliesThePixelOperationToAWholeImage) {
    QImage beneath(3, 2, QImage::Format_RGB32);
    const std::uint32_t px[] = {0x000000, 0xFFFFFF, 0x123456, 0xC0A080, 0x0F0FF0, 0x808080};
    for (int i = 0; i < 6; ++i) beneath.setPixel(i % 3, i / 3, Rgb(px[i]));
    const QColor colour(226, 235, 243);
    for (const RopCase& rc : kRops) {
        const QImage out = TransCombine(rc.style, beneath, colour);
        ASSERT_EQ(out.size(), beneath.size());
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(out.pixel(i % 3, i / 3), Rgb(rc.expect(px[i], colour.rgb()))) << rc.name << i;
    }
}

TEST(TTransPnl, NewInstanceDefaults) {
    TTransPnl p;
    EXPECT_EQ(p.size(), QSize(100, 100));
    EXPECT_EQ(p.Color(), QColor(255, 255, 255));
    EXPECT_EQ(p.Style(), gsSrcAnd);
    EXPECT_FALSE(p.Ctl3D());
    EXPECT_FALSE(p.autoFillBackground());
}

class TransPanelOverBackground : public ::testing::Test {
  protected:
    void SetUp() override {
        parent.resize(200, 150);
        QPalette pal = parent.palette();
        pal.setColor(QPalette::Window, background);
        parent.setPalette(pal);
        parent.setAutoFillBackground(true);
        overlay = new TTransPnl(&parent);
        overlay->setGeometry(20, 30, 80, 60);
        overlay->setColor(colour);
        parent.show();
        QApplication::processEvents();
    }
    QRgb pixelInOverlay() { return parent.grab().toImage().pixel(50, 60); }

    QWidget parent;
    TTransPnl* overlay = nullptr;
    QColor background{0xC0, 0xA0, 0x80};
    QColor colour{226, 235, 243};
};

TEST_F(TransPanelOverBackground, PaintsEachStyleOverWhatLiesBeneath) {
    for (TTransPnlStyle style :
         {gsSrcAnd, gsSrcCopy, gsPatCopy, gsDstInvert, gsNotSrcCopy, gsSrcInvert}) {
        overlay->setStyle(style);
        EXPECT_EQ(pixelInOverlay() & 0xFFFFFFu,
                  TransPixel(style, background.rgb(), colour.rgb()) & 0xFFFFFFu)
            << int(style);
    }
    // Outside the overlay the background is untouched.
    EXPECT_EQ(parent.grab().toImage().pixel(5, 5) & 0xFFFFFFu, background.rgb() & 0xFFFFFFu);
}

TEST_F(TransPanelOverBackground, RaisedEdgeAndPaintCallback) {
    int painted = 0;
    TTransPnl* sender = nullptr;
    overlay->OnPaint = [&](TTransPnl* p) {
        ++painted;
        sender = p;
    };
    overlay->setStyle(gsSrcCopy);
    overlay->setCtl3D(true);
    const QImage img = parent.grab().toImage();
    EXPECT_GT(painted, 0);
    EXPECT_EQ(sender, overlay);
    EXPECT_EQ(img.pixel(20, 60) & 0xFFFFFFu, 0xFFFFFFu);  // light left edge
    EXPECT_EQ(img.pixel(99, 60) & 0xFFFFFFu, 0x808080u);  // dark right edge
    EXPECT_EQ(img.pixel(50, 60) & 0xFFFFFFu, background.rgb() & 0xFFFFFFu);
}

TEST_F(TransPanelOverBackground, ChangingAPropertyRepaintsOnlyWhenTheValueDiffers) {
    int painted = 0;
    overlay->OnPaint = [&](TTransPnl*) { ++painted; };
    QApplication::processEvents();
    painted = 0;
    overlay->setColor(colour);  // same value
    overlay->setStyle(gsSrcAnd);
    overlay->setCtl3D(false);
    QApplication::processEvents();
    EXPECT_EQ(painted, 0);
    overlay->setStyle(gsPatCopy);
    QApplication::processEvents();
    EXPECT_GT(painted, 0);
    painted = 0;
    overlay->setColor(Qt::red);
    QApplication::processEvents();
    EXPECT_GT(painted, 0);
}
