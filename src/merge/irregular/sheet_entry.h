// A sheet taking part in the irregular-header merge: the workbook path and the sheet name as the
// catalogue lists it ("一月$"), kept as a pair. The window shows it as "path>sheet"; the
// spreadsheet application is handed the name without its first "$".
#pragma once

#include <string>

namespace shuhui::irregular {

struct SheetEntry {
    std::string path;   // full workbook path
    std::string sheet;  // the listed sheet name, trailing "$" included

    // "D:\a.xls>一月$"
    std::string Text() const { return path + ">" + sheet; }
    bool operator==(const SheetEntry&) const = default;
};

// The listed name with its first "$" removed: "一月$" -> "一月".
std::string ApplicationSheetName(const std::string& listed);

}  // namespace shuhui::irregular
