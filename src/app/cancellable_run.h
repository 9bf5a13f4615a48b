// Long work off the user-interface thread, while the loading notice stands with its "取消" button.
//
//   LoadingNotice notice(rzpnl_loading);
//   if (!RunCancellable(btn_loading_cancel, [&] { adoExcel.open(); },
//                       &shuhui::workbooks::cancelRunningQuery))
//       return;   // the user cancelled: nothing of the work is to be kept
//
// The work runs on a worker thread and the caller waits in a local event loop, so the window keeps
// painting and the cancel button (or Escape) can be pressed. Every other input to the program is
// swallowed meanwhile, and the window cannot be closed, so nothing else touches what the work uses.
// `cancel` runs on this thread when the user cancels; the work is then still waited for (it is
// expected to end soon) and whatever it produced counts as cancelled. An exception thrown by the
// work is rethrown here, unless the user cancelled.
#pragma once

#include <functional>

class QAbstractButton;

bool RunCancellable(QAbstractButton* cancelButton, const std::function<void()>& work,
                    const std::function<void()>& cancel);
