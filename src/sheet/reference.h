// Cell references in A1 notation, as the spreadsheet application reads and writes them.
//
//   parseReference("B3:H20")      -> rows 2..19, columns 1..7 (0-based, inclusive)
//   parseReference("$A$1")        -> the single cell A1
//   parseReference("$H$20:$A$1")  -> the same rectangle as "$A$1:$H$20" (corners in any order)
//   addressOf(rect)               -> "$A$1:$H$20"; a single cell "$A$1"
//
// A reference is one cell or two cells joined by ":"; each cell is column letters and a row
// number, either optionally preceded by "$"; letters in either case. Anything else (an empty
// text, a name, a whole column "A:A", a cell beyond XFD1048576) is refused with a shuhui::Error
// that quotes the text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "formats/workbook.h"

namespace shuhui::sheet {

using Rect = formats::Range;

// The largest sheet the application addresses: 1,048,576 rows and 16,384 columns (XFD).
constexpr uint32_t kMaxRows = 1048576;
constexpr uint32_t kMaxCols = 16384;

Rect parseReference(std::string_view reference);
std::string addressOf(const Rect& rect);

inline bool contains(const Rect& outer, const Rect& inner) {
    return inner.firstRow >= outer.firstRow && inner.lastRow <= outer.lastRow &&
           inner.firstCol >= outer.firstCol && inner.lastCol <= outer.lastCol;
}
inline bool contains(const Rect& r, uint32_t row, uint32_t col) {
    return row >= r.firstRow && row <= r.lastRow && col >= r.firstCol && col <= r.lastCol;
}
inline bool intersects(const Rect& a, const Rect& b) {
    return a.firstRow <= b.lastRow && b.firstRow <= a.lastRow && a.firstCol <= b.lastCol &&
           b.firstCol <= a.lastCol;
}

}  // namespace shuhui::sheet
