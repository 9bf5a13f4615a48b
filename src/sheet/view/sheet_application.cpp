// Entry points of the embedded spreadsheet application: applications whose Visible(true) opens a
// result window and whose clipboard is the system one.
#include "sheet/view/sheet_application.h"

#include <QPointer>
#include <QWidget>

#include "sheet/application.h"
#include "sheet/view/clipboard_bridge.h"
#include "sheet/view/sheet_window.h"

namespace shuhui::sheetview {

std::unique_ptr<sheet::ApplicationFactory> CreateApplicationFactory(QWidget* owner) {
    QPointer<QWidget> guard(owner);
    auto present = [guard, owner](const std::shared_ptr<sheet::Document>& document) {
        // The owner gone (program end): nothing to show the window on.
        if (owner && !guard) return;
        auto* window = new SheetWindow(document, guard.data());
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        window->raise();
        window->activateWindow();
    };
    return std::make_unique<sheet::DocumentApplicationFactory>(std::make_shared<SystemClipboard>(),
                                                               present);
}

void SaveOrDiscardOpenResults(QWidget* owner) {
    for (SheetWindow* w : SheetWindow::openWindows()) {
        if (owner && w->parentWidget() != owner) continue;
        w->askToSave(false);
        w->closeWithoutAsking();
    }
}

}  // namespace shuhui::sheetview
