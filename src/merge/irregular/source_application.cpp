#include "merge/irregular/source_application.h"

#include <exception>

namespace shuhui::irregular {

SourceApplication::SourceApplication(sheet::ApplicationFactory& factory) : app_(factory.Create()) {}

SourceApplication::~SourceApplication() {
    try {
        Close();
    } catch (...) {
        // Closing after a failure: the failure that ended the operation is the one reported.
    }
}

void SourceApplication::Close() {
    if (!app_) return;
    const std::unique_ptr<sheet::Application> app = std::move(app_);
    std::exception_ptr first;
    auto attempt = [&first](auto&& step) {
        try {
            step();
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    };
    attempt([&] { app->ActiveWorkBook()->Saved(true); });
    attempt([&] { app->WorkBooks().Close(); });
    attempt([&] { app->Quit(); });
    if (first) std::rethrow_exception(first);
}

}  // namespace shuhui::irregular
