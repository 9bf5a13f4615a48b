// The survey of the irregular-header merge: the used range of one checked sheet, read through a
// source application of its own that is closed again whatever happens.
//
//   std::optional<std::string> region = SurveySheetRegion(factory, path, "一月$");
//   // "$A$1:$F$12"; nothing when no spreadsheet application could be started (the window then
//   // warns kNoApplication and goes on with the next sheet)
//
// A failure after the application was started (the workbook cannot be opened, no sheet of that
// name) is thrown as it came, after the source application was closed.
#pragma once

#include <optional>
#include <string>

#include "sheet/automation.h"

namespace shuhui::irregular {

std::optional<std::string> SurveySheetRegion(sheet::ApplicationFactory& factory,
                                             const std::string& path, const std::string& sheet);

}  // namespace shuhui::irregular
