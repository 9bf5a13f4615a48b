// Colours, sizes and drag-and-drop mime types shared by the result grid's widgets.
//
// The selection style (light blue-grey) paints the filter box, the selected rows and the group
// rows; the header style (light blue) paints the column headers and the footer row.
#pragma once

#include <QColor>

namespace shuhui::grid::view {

inline const QColor kSelectColor{244, 249, 251};  // filter box, selected rows, group rows
inline const QColor kHeaderColor{200, 223, 249};  // column headers, footer row
inline const QColor kGroupFooterColor{232, 241, 251};
inline const QColor kGroupBoxColor{226, 235, 243};
inline const QColor kBorderColor{141, 169, 201};
inline constexpr int kGroupIndent = 16;  // pixels per grouping level in group rows
inline constexpr int kFilterButtonWidth = 14;

// A column header dragged out of the header (payload: the column index as decimal text).
inline constexpr const char* kColumnMime = "application/x-shuhui-grid-column";
// A grouped column dragged out of the group-by box (payload: the column index as decimal text).
inline constexpr const char* kGroupMime = "application/x-shuhui-grid-group";

}  // namespace shuhui::grid::view
