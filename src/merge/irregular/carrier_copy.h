// The copy of the irregular-header merge: the carrier sheet's whole used range at A1 of the
// second worksheet of a new workbook, then the data region of every other sheet below it, block
// after block, with gap rows between the blocks. The result stays open in its application,
// visible to the user; nothing is saved.
//
//   CarrierCopy copy{entries, regions, carrier, gapRows};
//   RunCarrierCopy(factory, copy, resultApp, [&] { /* the carrier is in place */ });
//
// `resultApp` receives the new result application as soon as it is created, so that it stays
// with the caller also when a later step fails; an earlier application held there is released
// (its window stays open). Every source application is created, used and closed within the run,
// also on failure. The first failure ends the run and is thrown; what was pasted before it stays.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "merge/irregular/sheet_entry.h"
#include "sheet/automation.h"

namespace shuhui::irregular {

struct CarrierCopy {
    std::vector<SheetEntry> entries;
    // The data region of entry i, as the survey and the header-row shift left it; it may lag
    // behind `entries` when a survey failed (a missing region fails at that sheet).
    std::vector<std::string> regions;
    std::size_t carrier = 0;  // index into `entries`
    int gapRows = 1;          // empty rows between blocks; 0 or less puts blocks edge to edge
};

void RunCarrierCopy(sheet::ApplicationFactory& factory, const CarrierCopy& copy,
                    std::unique_ptr<sheet::Application>& resultApp,
                    const std::function<void()>& carrierPasted = {});

}  // namespace shuhui::irregular
