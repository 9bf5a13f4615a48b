// The loading notice protocol around long work on the user-interface thread.
//
//   {
//       LoadingNotice notice(fmMain->rzpnl_loading);   // shown and painted at once
//       ... long work ...                                // may throw
//       if (failed) { ShowWarning(msg, "信息提示"); }   // the box comes while the notice stands
//   }                                                    // hidden here, also on an exception
//
// hide() ends it early (idempotent).
#pragma once

#include <QPointer>
#include <QWidget>

class LoadingNotice {
  public:
    explicit LoadingNotice(QWidget* notice);
    ~LoadingNotice();
    LoadingNotice(const LoadingNotice&) = delete;
    LoadingNotice& operator=(const LoadingNotice&) = delete;
    void hide();

  private:
    QPointer<QWidget> notice_;
};
