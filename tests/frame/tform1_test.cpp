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

// A press, moves and releases as the window system delivers them to the pressed widget; points
// are given relative to where the widget was when the pointer came (the screen does not move with
// the window).
struct Pointer {
    QWidget* w;
    Qt::MouseButtons held;
    QPoint origin = w->mapToGlobal(QPoint(0, 0));
    void press(Qt::MouseButton b, QPoint at) {
        held |= b;
        send(QEvent::MouseButtonPress, b, at);
    }
    void release(Qt::MouseButton b, QPoint at) {
        held &= ~b;
        send(QEvent::MouseButtonRelease, b, at);
    }
    void move(QPoint at) { send(QEvent::MouseMove, Qt::NoButton, at); }
    void send(QEvent::Type type, Qt::MouseButton b, QPoint at) {
        const QPoint global = origin + at;
        QMouseEvent e(type, QPointF(w->mapFromGlobal(global)), QPointF(global), b,
                      type == QEvent::MouseButtonRelease ? held : held | b, {});
        QApplication::sendEvent(w, &e);
    }
};

// Stands for a window manager that accepts every request and takes over.
struct WindowManager {
    std::vector<std::pair<bool, Qt::Edges>> requests;
    explicit WindowManager(TForm1& form) {
        form.setWindowManagerRequest([this](bool move, Qt::Edges edges) {
            requests.push_back({move, edges});
            return true;
        });
    }
};

TEST_F(Form1Test, LeftButtonMovesAskTheWindowManagerOnlyOnceThePointerMoves) {
    WindowManager wm(form);
    Pointer p{form.Image3, {}};
    p.press(Qt::LeftButton, {100, 10});
    p.release(Qt::LeftButton, {100, 10});
    EXPECT_TRUE(wm.requests.empty());
    p.press(Qt::LeftButton, {100, 10});
    p.move({101, 10});  // within the drag distance
    EXPECT_TRUE(wm.requests.empty());
    p.move({130, 25});
    ASSERT_EQ(wm.requests.size(), 1u);
    EXPECT_TRUE(wm.requests[0].first);
    p.release(Qt::LeftButton, {130, 25});
    // resizing needs no wait: a grip has no double-click
    Pointer grip{form.Image7, {}};
    grip.press(Qt::LeftButton, {2, 100});
    ASSERT_EQ(wm.requests.size(), 2u);
    EXPECT_EQ(wm.requests[1], std::make_pair(false, Qt::Edges(Qt::RightEdge)));
    grip.release(Qt::LeftButton, {2, 100});
}

TEST_F(Form1Test, OtherButtonsMoveAndResizeUntilTheirOwnRelease) {
    // The window manager would follow the left button only; these drags stay ours.
    WindowManager wm(form);
    struct {
        QWidget* handle;
        Qt::MouseButton button;
        QPoint topLeftShift;
        QSize sizeChange;
    } cases[] = {
        {form.Image3, Qt::RightButton, {30, 15}, {0, 0}},
        {form.Image13, Qt::MiddleButton, {30, 15}, {0, 0}},
        {form.Image7, Qt::RightButton, {0, 0}, {30, 0}},
        {form.Image12, Qt::MiddleButton, {0, 0}, {30, 15}},
    };
    for (const auto& c : cases) {
        const QRect start = form.geometry();
        Pointer p{c.handle, {}};
        p.press(c.button, {2, 2});
        p.move({32, 17});
        // another button pressed and released meanwhile does not end the drag
        p.press(Qt::LeftButton, {32, 17});
        p.release(Qt::LeftButton, {32, 17});
        p.move({32, 17});
        EXPECT_EQ(form.pos(), start.topLeft() + c.topLeftShift)
            << c.handle->objectName().toStdString();
        EXPECT_EQ(form.size(), start.size() + c.sizeChange) << c.handle->objectName().toStdString();
        p.release(c.button, {32, 17});
        // after the release the pointer moves freely
        p.move({60, 40});
        EXPECT_EQ(form.pos(), start.topLeft() + c.topLeftShift);
        EXPECT_EQ(form.size(), start.size() + c.sizeChange);
        form.setGeometry(start);
    }
    EXPECT_TRUE(wm.requests.empty());
}

TEST_F(Form1Test, DoubleClickOnEveryPartOfTheStripWithAWindowManager) {
    // The first click of a double-click must not hand the pointer to the window manager.
    WindowManager wm(form);
    for (QWidget* w : {static_cast<QWidget*>(form.Image3), static_cast<QWidget*>(form.Image13),
                       static_cast<QWidget*>(form.Image15)}) {
        const bool wasMaximised = form.windowState() & Qt::WindowMaximized;
        Pointer p{w, {}};
        p.press(Qt::LeftButton, {2, 1});
        p.release(Qt::LeftButton, {2, 1});
        p.send(QEvent::MouseButtonDblClick, Qt::LeftButton, {2, 1});
        p.release(Qt::LeftButton, {2, 1});
        EXPECT_NE(bool(form.windowState() & Qt::WindowMaximized), wasMaximised)
            << w->objectName().toStdString();
    }
    EXPECT_TRUE(wm.requests.empty());
}

TEST_F(Form1Test, MaximiseButtonIsNamedForWhatItDoes) {
    EXPECT_EQ(form.RzBmpButton2->accessibleName(), QStringLiteral("最大化"));
    form.RzBmpButton2->click();
    EXPECT_EQ(form.RzBmpButton2->accessibleName(), QStringLiteral("还原"));
    EXPECT_EQ(form.RzBmpButton2->accessibleDescription(), QStringLiteral("RzBmpButton2"));
    form.RzBmpButton2->click();
    EXPECT_EQ(form.RzBmpButton2->accessibleName(), QStringLiteral("最大化"));
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
