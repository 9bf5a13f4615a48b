// A source application of the irregular-header merge: created for one sheet, used, and closed
// again within the operation, also when the operation fails half-way, so that no source
// application is left behind.
//
//   SourceApplication source(factory);        // create; throws when none can be started
//   source->WorkBooks().Open(path); ...
//   source.Close();                           // Saved(true), Close, Quit; the first failure is
//                                             // thrown after the rest were tried
//   // leaving the scope without Close() (an exception) closes it quietly
#pragma once

#include <memory>

#include "sheet/automation.h"

namespace shuhui::irregular {

class SourceApplication {
  public:
    explicit SourceApplication(sheet::ApplicationFactory& factory);
    ~SourceApplication();
    SourceApplication(const SourceApplication&) = delete;
    SourceApplication& operator=(const SourceApplication&) = delete;

    sheet::Application* operator->() { return app_.get(); }

    // Marks the active workbook saved, closes the workbooks, quits and releases the application.
    // Each step is tried even when an earlier one failed; the first failure is then rethrown.
    void Close();

  private:
    std::unique_ptr<sheet::Application> app_;
};

}  // namespace shuhui::irregular
