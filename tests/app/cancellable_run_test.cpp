// Work behind the loading notice: it ends by itself, or the user cancels it with the button or
// Escape while the rest of the window takes no input; its exception reaches the caller.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "app/cancellable_run.h"

namespace {

struct Window {
    QWidget window;
    QPushButton* other = new QPushButton("其他", &window);
    QPushButton* cancel = new QPushButton("取消", &window);
    int otherClicks = 0;
    Window() {
        other->setGeometry(0, 0, 80, 24);
        cancel->setGeometry(100, 0, 80, 24);
        cancel->hide();
        QObject::connect(other, &QPushButton::clicked, [this] { ++otherClicks; });
        window.resize(200, 40);
        window.show();
    }
};

// Work that runs until it is told to stop (as the provider does when interrupted).
struct StoppableWork {
    std::atomic<bool> stop{false};
    std::atomic<bool> started{false};
    void operator()() {
        started = true;
        while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
};

TEST(CancellableRun, CompletedWorkReturnsTrueAndHidesTheButton) {
    Window w;
    int ran = 0;
    EXPECT_TRUE(RunCancellable(w.cancel, [&] { ++ran; }, nullptr));
    EXPECT_EQ(ran, 1);
    EXPECT_FALSE(w.cancel->isVisible());
}

TEST(CancellableRun, TheWorksExceptionReachesTheCaller) {
    Window w;
    EXPECT_THROW(RunCancellable(w.cancel, [] { throw std::runtime_error("坏了"); }, nullptr),
                 std::runtime_error);
}

TEST(CancellableRun, ButtonOrEscapeCancelsAndOtherInputIsSwallowed) {
    for (bool byEscape : {false, true}) {
        SCOPED_TRACE(byEscape ? "Escape" : "button");
        Window w;
        StoppableWork work;
        int cancels = 0;
        QTimer::singleShot(30, [&] {
            EXPECT_TRUE(w.cancel->isVisible());
            QTest::mouseClick(w.other, Qt::LeftButton);  // swallowed
            if (byEscape)
                QTest::keyClick(&w.window, Qt::Key_Escape);
            else
                QTest::mouseClick(w.cancel, Qt::LeftButton);
        });
        const bool done = RunCancellable(
            w.cancel, [&] { work(); },
            [&] {
                ++cancels;
                work.stop = true;
            });
        EXPECT_FALSE(done);
        EXPECT_EQ(cancels, 1);
        EXPECT_EQ(w.otherClicks, 0);
        EXPECT_FALSE(w.cancel->isVisible());
        // input reaches the window again afterwards
        QTest::mouseClick(w.other, Qt::LeftButton);
        EXPECT_EQ(w.otherClicks, 1);
    }
}

TEST(CancellableRun, AFailureAfterCancelCountsAsCancelled) {
    Window w;
    std::atomic<bool> stop{false};
    QTimer::singleShot(20, [&] { QTest::mouseClick(w.cancel, Qt::LeftButton); });
    EXPECT_FALSE(RunCancellable(
        w.cancel,
        [&] {
            while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(2));
            throw std::runtime_error("interrupted");
        },
        [&] { stop = true; }));
}

}  // namespace
