// The text a cell shows: its value through its number format.
//
// Dates and times show as the result grid shows them ("2024-01-31", "2024-01-31 12:30:00",
// "12:30:00"); General as formats::formatGeneral; other codes by their sections
// (positive;negative;zero;text), with literal text ("元", "\"个数:\"", \x), currency tags
// ([$¥-804]), colour tags dropped, "0" "#" "?" digit places, "," thousands, "." decimals and "%"
// (rounded half away from zero on the value's 15-digit decimal text, as the spreadsheet shows it).
// Scientific codes fall back to General.
#pragma once

#include <string>
#include <string_view>

#include "formats/workbook.h"

namespace shuhui::sheet {

std::string formatNumber(double value, std::string_view code, bool date1904);
std::string cellText(const formats::Workbook& workbook, const formats::Cell& cell);

}  // namespace shuhui::sheet
