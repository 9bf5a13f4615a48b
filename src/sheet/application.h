// The spreadsheet application of this program: the automation interface (automation.h) over
// documents.
//
//   DocumentApplicationFactory factory(processClipboard(), presenter);
//   auto app = factory.Create();
//
// Open reads .xls and .xlsx through the formats readers (a formula cell carries the result the
// file stored); Add makes "工作簿1", "工作簿2", ... with Sheet1..Sheet3. Visible(true) hands the
// active workbook to the presenter (the window layer installs one that opens a window; without
// one nothing is shown). Copy and Paste go through the clipboard given to the factory.
// Releasing or quitting the application ends it: its workbooks are let go (a window that shows
// one keeps it), and every object it handed out fails with a shuhui::Error from then on.
#pragma once

#include <functional>
#include <memory>

#include "sheet/automation.h"
#include "sheet/clipboard.h"
#include "sheet/document.h"

namespace shuhui::sheet {

using Presenter = std::function<void(const std::shared_ptr<Document>&)>;

class DocumentApplicationFactory : public ApplicationFactory {
  public:
    explicit DocumentApplicationFactory(std::shared_ptr<Clipboard> clipboard = processClipboard(),
                                        Presenter presenter = {});
    std::unique_ptr<Application> Create() override;

  private:
    std::shared_ptr<Clipboard> clipboard_;
    Presenter presenter_;
};

}  // namespace shuhui::sheet
