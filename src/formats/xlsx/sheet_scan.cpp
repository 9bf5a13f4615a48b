// The switch and the counters of the sheet-data scanner (see sheet_scan.h).
#include "formats/xlsx/sheet_scan.h"

#include <atomic>

namespace shuhui::formats::detail {
namespace {
std::atomic<bool> gEnabled{true};
std::atomic<uint64_t> gScanned{0}, gGaveUp{0};
}  // namespace

void setSheetScanEnabled(bool on) {
    gEnabled = on;
}
bool sheetScanEnabled() {
    return gEnabled;
}
SheetScanCounts sheetScanCounts() {
    return SheetScanCounts{gScanned.load(), gGaveUp.load()};
}
void countSheetScan(bool gaveUp) {
    ++(gaveUp ? gGaveUp : gScanned);
}

}  // namespace shuhui::formats::detail
