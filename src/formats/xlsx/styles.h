// Styles and theme of an .xlsx package: the cell formats of styles.xml (number formats, fonts,
// fills, borders, cellXfs) with their colours, which may come from the theme's colour scheme.
#pragma once

#include <string>
#include <vector>

#include "formats/workbook.h"
#include "formats/xlsx/zip_container.h"

namespace shuhui::formats::detail::xlsx {

// The cell styles of the package in cellXfs order (at least one). Number formats are always read;
// fonts, fills, borders and alignment only when `withStyles` (ReadOptions::styles), the theme then
// read first for the colours that refer to it. An empty themePart reads no theme; a missing part
// leaves the defaults.
std::vector<CellStyle> readStyles(Zip& zip, const std::string& stylesPart,
                                  const std::string& themePart, bool withStyles,
                                  const std::string& file);

}  // namespace shuhui::formats::detail::xlsx
