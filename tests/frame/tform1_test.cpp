// The borderless base window: region, maximise toggle, caption buttons, grips and panel drags.
#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QLabel>
#include <QTest>

#include "frame/pointer_drag.h"
#include "frame/tform1.h"

TEST(RoundedWindowRegion, CoversTheWindowWithRoundedCorners) {
    const QRegion r = RoundedWindowRegion(100, 80);
    EXPECT_TRUE(r.contains(QPoint(50, 40)));
    EXPECT_TRUE(r.contains(QPoint(0, 40)));
    EXPECT_TRUE(r.contains(QPoint(99, 40)));
    EXPECT_TRUE(r.contains(QPoint(50, 79)));
    EXPECT_FALSE(r.contains(QPoint(0, 0)));  // corners are cut
    EXPECT_FALSE(r.contains(QPoint(100, 80)));
    EXPECT_TRUE(r.contains(QPoint(3, 3)));
}

TEST(ToggledMaximisedState, NormalGoesToMaximisedEverythingElseToNormal) {
    struct {
        Qt::WindowStates from;
        Qt::WindowStates to;
    } cases[] = {
        {Qt::WindowNoState, Qt::WindowMaximized},
        {Qt::WindowMaximized, Qt::WindowNoState},
        {Qt::WindowMinimized, Qt::WindowNoState},
        {Qt::WindowFullScreen, Qt::WindowNoState},
        {Qt::WindowMinimized | Qt::WindowMaximized, Qt::WindowNoState},
    };
    for (const auto& c : cases) EXPECT_EQ(ToggledMaximisedState(c.from), c.to) << int(c.from);
}

class Form1Test : public ::testing::Test {
  protected:
    void SetUp() override {
        form.show();
        QApplication::processEvents();
    }
    TForm1 form;
};

TEST_F(Form1Test, IsFramelessAndLaidOut) {
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form.rpTop->height(), 36);
    EXPECT_EQ(form.RzPanel2->height(), 29);
    EXPECT_EQ(form.RzPanel3->width(), 221);
    EXPECT_EQ(form.RzPanel6->height(), 41);
    EXPECT_EQ(form.Image13->width(), 6);
    EXPECT_EQ(form.Image15->height(), 3);
    EXPECT_EQ(form.Image15->y(), 38);
    EXPECT_EQ(form.RzLabel1->pos(), QPoint(40, 10));
    EXPECT_EQ(form.Image16->geometry(), QRect(8, 6, 22, 22));
    EXPECT_EQ(form.windowRegion(), RoundedWindowRegion(form.width(), form.height()));
}

TEST_F(Form1Test, CaptionButtonsStayTopRightWithTheirSizes) {
    for (int w : {921, 700, 1200}) {
        form.resize(w, 600);
        QApplication::processEvents();
        EXPECT_EQ(form.RzBmpButton1->size(), QSize(40, 20));
        EXPECT_EQ(form.RzBmpButton2->size(), QSize(26, 20));
        EXPECT_EQ(form.RzBmpButton3->size(), QSize(27, 20));
        EXPECT_EQ(form.RzBmpButton1->y(), 0);
        EXPECT_GE(form.RzBmpButton1->geometry().right(), w - 10);
        EXPECT_EQ(form.RzBmpButton2->geometry().right() + 1, form.RzBmpButton1->x());
        EXPECT_EQ(form.RzBmpButton3->geometry().right() + 1, form.RzBmpButton2->x());
    }
}

TEST_F(Form1Test, EveryResizeRemakesTheRegion) {
    const int before = form.regionCount();
    form.resize(800, 500);
    QApplication::processEvents();
    EXPECT_GT(form.regionCount(), before);
    EXPECT_EQ(form.windowRegion(), RoundedWindowRegion(800, 500));
}

TEST_F(Form1Test, DoubleClickOnCaptionTogglesMaximised) {
    ASSERT_EQ(form.windowState(), Qt::WindowNoState);
    QTest::mouseDClick(form.Image3, Qt::LeftButton);
    EXPECT_TRUE(form.windowState() & Qt::WindowMaximized);
    QTest::mouseDClick(form.Image13, Qt::LeftButton);
    EXPECT_EQ(form.windowState(), Qt::WindowNoState);
    form.RzBmpButton2->click();
    EXPECT_TRUE(form.windowState() & Qt::WindowMaximized);
    form.RzBmpButton2->click();
    EXPECT_EQ(form.windowState(), Qt::WindowNoState);
}

TEST_F(Form1Test, CloseButtonClosesTheWindow) {
    form.RzBmpButton1->click();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(Form1Test, RightButtonOnTheCaptionMovesTheWindow) {
    // The offscreen platform refuses system moves, so the pointer-following loop runs.
    const QPoint start = form.pos();
    QTest::mousePress(form.Image3, Qt::RightButton, {}, QPoint(100, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(130, 25),
                     form.Image3->mapToGlobal(QPointF(130, 25)), Qt::NoButton, Qt::RightButton, {});
    QApplication::sendEvent(form.Image3, &move);
    QTest::mouseRelease(form.Image3, Qt::RightButton, {}, QPoint(130, 25));
    EXPECT_EQ(form.pos(), start + QPoint(30, 15));
}

TEST_F(Form1Test, NamedControlsCarryNameAndDescription) {
    for (const char* name : {"rpTop",        "Image2",   "Image1",   "Image3",       "Image5",
                             "Image4",       "RzLabel1", "Image16",  "RzBmpButton3", "RzBmpButton2",
                             "RzBmpButton1", "RzPanel1", "Image6",   "Image7",       "RzPanel3",
                             "Image13",      "RzPanel4", "RzPanel6", "Image15",      "RzPanel2",
                             "Image10",      "Image9",   "Image8",   "Image12",      "Image11"}) {
        auto* w = form.findChild<QWidget*>(name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_EQ(w->accessibleDescription(), QString::fromLatin1(name));
        EXPECT_FALSE(w->accessibleName().isEmpty()) << name;
    }
}

TEST(PointerDragGeometry, PanelMovesStayInsideTheParent) {
    const QSize parent(400, 400);
    const QRect start(40, 144, 209, 193);
    struct {
        QPoint delta;
        QPoint expected;
    } cases[] = {
        {{10, 20}, {50, 164}},
        {{-100, -200}, {0, 0}},
        {{500, 500}, {400 - 209, 400 - 193}},
        {{0, 0}, {40, 144}},
    };
    for (const auto& c : cases) {
        const QRect r = PointerDrag::DraggedGeometry(start, c.delta, PointerDrag::Mode::MovePanel,
                                                     {}, parent, {});
        EXPECT_EQ(r.topLeft(), c.expected);
        EXPECT_EQ(r.size(), start.size());
    }
}

TEST(PointerDragGeometry, PanelResizeFromBottomRightIsClamped) {
    const QSize parent(985, 648);
    const QRect start(231, 85, 744, 526);
    EXPECT_EQ(PointerDrag::DraggedGeometry(start, {-100, -50}, PointerDrag::Mode::ResizePanel, {},
                                           parent, {40, 30}),
              QRect(231, 85, 644, 476));
    EXPECT_EQ(PointerDrag::DraggedGeometry(start, {100, 100}, PointerDrag::Mode::ResizePanel, {},
                                           parent, {40, 30}),
              QRect(231, 85, 985 - 231, 648 - 85));
    EXPECT_EQ(PointerDrag::DraggedGeometry(start, {-2000, -2000}, PointerDrag::Mode::ResizePanel,
                                           {}, parent, {40, 30}),
              QRect(231, 85, 40, 30));
}

TEST(PointerDragGeometry, WindowResizeFollowsTheNamedEdges) {
    const QRect start(100, 100, 800, 600);
    using M = PointerDrag::Mode;
    EXPECT_EQ(PointerDrag::DraggedGeometry(start, {10, 20}, M::ResizeWindow, Qt::LeftEdge, {},
                                           {100, 100}),
              QRect(110, 100, 790, 600));
    EXPECT_EQ(PointerDrag::DraggedGeometry(start, {10, 20}, M::ResizeWindow, Qt::RightEdge, {},
                                           {100, 100}),
              QRect(100, 100, 810, 600));
    EXPECT_EQ(PointerDrag::DraggedGeometry(start, {10, 20}, M::ResizeWindow,
                                           Qt::TopEdge | Qt::LeftEdge, {}, {100, 100}),
              QRect(110, 120, 790, 580));
    EXPECT_EQ(PointerDrag::DraggedGeometry(start, {10, 20}, M::ResizeWindow,
                                           Qt::BottomEdge | Qt::RightEdge, {}, {100, 100}),
              QRect(100, 100, 810, 620));
    EXPECT_EQ(PointerDrag::DraggedGeometry(start, {10, 20}, M::MoveWindow, {}, {}, {}),
              QRect(110, 120, 800, 600));
}

TEST(TBmpButton, ClickIsReportedOncePerActionAlsoForAToggle) {
    TBmpButton a("a"), b("b");
    QButtonGroup group;
    group.setExclusive(true);
    for (TBmpButton* x : {&a, &b}) {
        x->setCheckable(true);
        group.addButton(x);
    }
    a.setChecked(true);
    int clicks = 0;
    QObject::connect(&b, &TBmpButton::Click, [&] { ++clicks; });
    b.click();  // mouse or keyboard
    EXPECT_EQ(clicks, 1);
    b.click();  // already down: still a click
    EXPECT_EQ(clicks, 2);
    a.setChecked(true);
    EXPECT_EQ(clicks, 2);
    b.toggle();  // what an accessibility client's Toggle action does
    EXPECT_EQ(clicks, 3);
    EXPECT_TRUE(b.isChecked());
}
