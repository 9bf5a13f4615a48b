// The loading notice protocol; see loading_notice.h.
#include "app/loading_notice.h"

LoadingNotice::LoadingNotice(QWidget* notice) : notice_(notice) {
    if (!notice_) return;
    notice_->show();
    notice_->raise();
    // Nothing else is painted until the work ends, so paint the notice now.
    notice_->repaint();
}

LoadingNotice::~LoadingNotice() {
    hide();
}

void LoadingNotice::hide() {
    if (notice_) notice_->hide();
    notice_ = nullptr;
}
