// Entry points of the embedded spreadsheet application (first cut: no window yet).
#include "sheet/view/sheet_application.h"

#include "formats/error.h"

namespace shuhui::sheetview {

namespace {
class PendingFactory : public sheet::ApplicationFactory {
  public:
    std::unique_ptr<sheet::Application> Create() override {
        throw Error(ErrorKind::Unsupported, "电子表格程序尚未就绪");
    }
};
}  // namespace

std::unique_ptr<sheet::ApplicationFactory> CreateApplicationFactory(QWidget*) {
    return std::make_unique<PendingFactory>();
}

void SaveOrDiscardOpenResults(QWidget*) {}

}  // namespace shuhui::sheetview
