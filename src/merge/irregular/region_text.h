// The texts the irregular-header merge works on: region texts ("$A$1:$H$20", absolute, as the
// spreadsheet application's Address gives them), the header-row shift that moves a region's
// first row down past the header, the cell where the next block is pasted, and the whole numbers
// typed into the page's fields.
//
// The shift and the next paste cell take the texts apart at ":" and "$" exactly as they are
// written; nothing is normalised.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shuhui::irregular {

// The pieces between the separators; the empty text gives no piece, n separators n + 1 pieces.
std::vector<std::string> Split(std::string_view text, char separator);

// A whole number typed by the user: optional blanks around an optional sign and decimal digits,
// within the range of int. Anything else gives nothing.
std::optional<int> WholeNumber(std::string_view text);

// "$A$1:$H$20" with rows = 2 -> "$A$3:$H$20". The row is written as computed, also when it lies
// below the last row. Throws shuhui::Error for a text without ":" (a single cell such as "$A$1")
// or one whose first cell is not "$column$row".
std::string ShiftRegion(const std::string& region, int rows);

// Shifts every region in place. A region that cannot be shifted is left as it is and the others
// are still shifted; the result names each one left (`names[i]` is the sheet entry of region i)
// in one warning text, empty when all were shifted.
std::string ShiftRegions(std::vector<std::string>& regions, int rows,
                         const std::vector<std::string>& names);

// The cell below the blocks pasted so far: `usedAddress` is the used range of the result sheet
// ("$A$1:$F$12"); the next cell is in its first column, one row below its last row, plus
// `gapRows` empty rows when that is 1 or more: "A14" for a gap of 1, "A13" for 0 or less.
// Throws shuhui::Error when the used range is a single cell or not an absolute range.
std::string NextPasteCell(const std::string& usedAddress, int gapRows);

}  // namespace shuhui::irregular
