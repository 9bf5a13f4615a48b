#include "app/tab_rows.h"

#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>

#include "frame/frame_controls.h"

namespace {

constexpr int kTabHeight = 22;
constexpr int kGap = 2;

const char kTabStyle[] =
    "QPushButton { border: 1px solid #8da9c9; border-bottom: none; border-top-left-radius: 6px;"
    " border-top-right-radius: 6px; padding: 0 10px; background: #e6eef7; }"
    "QPushButton:checked { background: #ffffff; font-weight: bold; }";

}  // namespace

TabRows::TabRows(QTabWidget* tabs, QWidget* parent) : QWidget(parent), tabs_(tabs) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    tabs_->tabBar()->hide();
    connect(tabs_, &QTabWidget::currentChanged, this, &TabRows::markCurrent);
}

void TabRows::sync() {
    for (QPushButton* b : buttons_) delete b;
    buttons_.clear();
    for (int i = 0; i < tabs_->count(); ++i) {
        const QString caption = tabs_->tabText(i);
        auto* b = NameControl(new QPushButton(caption, this),
                              QStringLiteral("tab_") + QString::number(i), caption);
        b->setCheckable(true);
        b->setStyleSheet(QString::fromLatin1(kTabStyle));
        b->setFocusPolicy(Qt::TabFocus);
        // Checked by a click, the keyboard or an accessibility client's Toggle action (which
        // emits no click): the page follows; the current tab cannot be unchecked.
        connect(b, &QPushButton::toggled, this, [this, i](bool on) {
            if (on) tabs_->setCurrentIndex(i);
            markCurrent();
        });
        b->show();
        buttons_.push_back(b);
    }
    markCurrent();
    place(width(), true);
    updateGeometry();
}

void TabRows::markCurrent() {
    for (size_t i = 0; i < buttons_.size(); ++i) {
        const QSignalBlocker quiet(buttons_[i]);
        buttons_[i]->setChecked(static_cast<int>(i) == tabs_->currentIndex());
    }
}

int TabRows::place(int width, bool apply) const {
    int x = 0, y = 0;
    for (QPushButton* b : buttons_) {
        const int w = b->sizeHint().width();
        if (x > 0 && x + w > width) {
            x = 0;
            y += kTabHeight + kGap;
        }
        if (apply) b->setGeometry(x, y, w, kTabHeight);
        x += w + kGap;
    }
    return buttons_.empty() ? 0 : y + kTabHeight;
}

int TabRows::heightForWidth(int width) const {
    return place(width, false);
}

QSize TabRows::sizeHint() const {
    return QSize(100, place(width() > 0 ? width() : 100, false));
}

void TabRows::resizeEvent(QResizeEvent*) {
    place(width(), true);
    // A different number of rows needs a different height.
    if (height() != place(width(), false)) updateGeometry();
}
