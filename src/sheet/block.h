// A styled block: a rectangle of cells lifted out of a sheet with everything needed to put it
// down again elsewhere (the clipboard's content).
//
// Positions inside the block are 0-based from its top-left cell. Styles are the block's own table
// (styles[0] the default); texts are held by the cells. Merged ranges are those lying wholly
// inside the block. Column widths are in characters and always given; a row height is given only
// where the source row had its own (otherwise the default height of the sheet it lands in).
//
// Three encodings, for the clipboard bridge:
//   encodeBlock / decodeBlock   our own form, everything above (decodeBlock refuses a damaged text
//                               with a shuhui::Error)
//   blockToTsv / blockFromTsv   tab-separated shown texts, rows ended by "\r\n", a text holding a
//                               tab, line feed or quote in quotes with quotes doubled; reading back
//                               gives numbers for texts that read as numbers, text otherwise
//   blockToHtml                 an HTML table with spans, fonts, fills, borders and alignment
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/workbook.h"

namespace shuhui::sheet {

struct BlockCell {
    uint32_t row = 0, col = 0;  // inside the block
    formats::CellType type = formats::CellType::Blank;
    uint8_t small = 0;   // bool value or error code
    uint32_t style = 0;  // index into StyledBlock::styles
    double number = 0;
    std::string text;
    bool operator==(const BlockCell&) const = default;
};

struct StyledBlock {
    uint32_t rows = 0, cols = 0;
    bool date1904 = false;
    std::vector<BlockCell> cells;  // sorted by (row, col)
    std::vector<formats::CellStyle> styles = std::vector<formats::CellStyle>(1);
    std::vector<formats::Range> merged;             // inside the block
    std::vector<double> colWidths;                  // cols entries, characters
    std::vector<std::optional<double>> rowHeights;  // rows entries, points
    bool operator==(const StyledBlock&) const = default;
};

// The text the cell shows (its number format applied).
std::string shownText(const StyledBlock& block, const BlockCell& cell);

std::string encodeBlock(const StyledBlock& block);
StyledBlock decodeBlock(std::string_view encoded);

std::string blockToTsv(const StyledBlock& block);
StyledBlock blockFromTsv(std::string_view text);

std::string blockToHtml(const StyledBlock& block);

}  // namespace shuhui::sheet
