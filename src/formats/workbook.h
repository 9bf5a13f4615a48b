// The in-memory model of a workbook, shared by every reader and writer.
//
// A Workbook holds its sheets in file order, one string pool and one style table. A sheet's cells
// are kept in one vector sorted by (row, column), at most one cell per position; a cell is 24 bytes
// and refers to its text and its style by index, so a 300,000-row sheet costs no heap object per
// cell. Rows and columns are 0-based everywhere in the model; A1 notation appears only in
// addresses.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shuhui::formats {

enum class FileFormat : uint8_t { Xls8, Xls5, Xlsx };
// "xls-biff8", "xls-biff5", "xlsx"
const char* formatName(FileFormat format);

// Colours are 0x00RRGGBB; kNoColor means automatic (font) or none (fill, border).
constexpr uint32_t kNoColor = 0xFFFFFFFFu;

enum class CellType : uint8_t {
    Blank,   // a formatted cell without a value (BLANK, MULBLANK, <c s="1"/>): part of the used
             // range
    Number,  // number; a date or time when its style's number format is a date format
    Text,    // Cell::text indexes Workbook::strings
    Bool,    // Cell::small is 0 or 1
    Error,   // Cell::small is the BIFF error code (0x07 = #DIV/0!, 0x2A = #N/A, ...)
};

struct Cell {
    uint32_t row = 0;
    uint16_t col = 0;
    CellType type = CellType::Blank;
    uint8_t small = 0;   // bool value or error code
    uint32_t style = 0;  // index into Workbook::styles
    uint32_t text = 0;   // index into Workbook::strings when type == Text
    double number = 0;   // value when type == Number
};

// "#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A", "#GETTING_DATA"; "#ERR"
// otherwise
const char* errorText(uint8_t code);

enum class BorderStyle : uint8_t {
    None,
    Thin,
    Medium,
    Dashed,
    Dotted,
    Thick,
    Double,
    Hair,
    MediumDashed,
    DashDot,
    MediumDashDot,
    DashDotDot,
    MediumDashDotDot,
    SlantDashDot,
};  // the BIFF numbering, 0..13

struct Border {
    BorderStyle style = BorderStyle::None;
    uint32_t color = kNoColor;
    bool operator==(const Border&) const = default;
};

enum class HAlign : uint8_t {
    General,
    Left,
    Center,
    Right,
    Fill,
    Justify,
    CenterAcross,
    Distributed
};
enum class VAlign : uint8_t { Top, Center, Bottom, Justify, Distributed };

struct Font {
    std::string name = "Arial";
    double size = 10;  // points
    bool bold = false;
    bool italic = false;
    uint8_t underline = 0;  // 0 none, 1 single, 2 double
    uint32_t color = kNoColor;
    bool operator==(const Font&) const = default;
};

struct CellStyle {
    Font font;
    uint32_t fill = kNoColor;  // solid background colour
    Border left, right, top, bottom;
    HAlign halign = HAlign::General;
    VAlign valign = VAlign::Bottom;
    bool wrap = false;
    std::string numFmt = "General";  // the number format code
    bool operator==(const CellStyle&) const = default;
};

struct Range {
    uint32_t firstRow = 0, firstCol = 0, lastRow = 0, lastCol = 0;  // inclusive
    bool operator==(const Range&) const = default;
    bool operator<(const Range& o) const {
        if (firstRow != o.firstRow) return firstRow < o.firstRow;
        if (firstCol != o.firstCol) return firstCol < o.firstCol;
        if (lastRow != o.lastRow) return lastRow < o.lastRow;
        return lastCol < o.lastCol;
    }
};

// "A", "Z", "AA", ... for a 0-based column
std::string columnLetters(uint32_t col);
// "$A$1:$H$20", or "$A$1" for a single cell
std::string absoluteAddress(const Range& range);

struct ColInfo {
    uint16_t first = 0, last = 0;  // inclusive
    double width = 8.43;           // in characters of the default font, as the spreadsheet shows it
    bool hidden = false;
    uint32_t style = 0;
};

struct RowInfo {
    uint32_t row = 0;
    double height = 15;  // points
    bool hidden = false;
};

enum class SheetState : uint8_t { Visible, Hidden, VeryHidden };
enum class SheetKind : uint8_t { Worksheet, Chart, Macro, Other };

struct Sheet {
    std::string name;
    SheetState state = SheetState::Visible;
    SheetKind kind = SheetKind::Worksheet;
    std::vector<Cell> cells;  // sorted by (row, col), one per position
    std::vector<Range> merged;
    std::vector<ColInfo> cols;
    std::vector<RowInfo> rows;
    double defaultColWidth = 8.43;
    std::optional<Range> dimension;  // as the file declares it; may be absent or wrong
    bool complete = true;            // false when the reader stopped early (ReadOptions::maxRows)
    bool loaded = true;              // false when only the sheet list was read
    // Frozen panes: the rows above and the columns left of the split (0 and 0: none).
    uint32_t frozenRows = 0, frozenCols = 0;

    // The range of cells holding a value (not Blank, not an empty text); nullopt when there is
    // none.
    std::optional<Range> dataRange(const std::vector<std::string>& strings) const;
    // The range the spreadsheet application reports as used: every cell record, formatted blanks
    // included; nullopt for a sheet without cells (the application then reports $A$1).
    std::optional<Range> usedRange() const;
    // UsedRange.Address: "$A$1:$H$20", a single cell "$A$1", an empty sheet "$A$1".
    std::string usedRangeAddress() const;

    // What every reader does when a sheet is read: cells sorted by (row, col) where the file did
    // not keep that order, one cell per position (the last record wins), merged ranges sorted.
    void normalizeCells();
};

struct Workbook {
    FileFormat format = FileFormat::Xls8;
    bool date1904 = false;
    std::vector<Sheet> sheets;
    std::vector<std::string> strings;  // shared strings and every other text of the cells
    std::vector<CellStyle> styles;     // styles[0] is the default style; Cell::style indexes it

    const std::string& text(const Cell& cell) const { return strings[cell.text]; }
    const CellStyle& style(const Cell& cell) const;  // styles[0] when the index is out of range
    bool isDate(const Cell& cell) const;             // a number whose format is a date/time format
    bool isCurrency(const Cell& cell) const;         // a number whose format shows a currency sign
    const Sheet* findSheet(std::string_view name) const;
};

}  // namespace shuhui::formats
