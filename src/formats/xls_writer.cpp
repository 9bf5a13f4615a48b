// The .xls writer: the model as BIFF8 in a compound document whose one stream is "Workbook".
//
// writeXls(workbook, path) first checks everything that could make the file unfaithful (rows and
// columns beyond the format's limits, over-long cell text, sheet names Excel would not accept) and
// throws before a byte is written. It then builds the whole stream in memory:
//   globals  BOF, CODEPAGE (UTF-16), WINDOW1, DATEMODE, FONT*, FORMAT*, XF*, STYLE, PALETTE?,
//            BOUNDSHEET* (offsets patched once the sheets are laid out), SST + CONTINUE*, EXTSST,
//            EOF
//   sheets   BOF, DEFAULTROWHEIGHT, DEFCOLWIDTH, COLINFO*, DIMENSIONS, blocks of 32 rows (ROW*
//            then their cells: LABELSST, RK/MULRK, NUMBER, BOOLERR, BLANK/MULBLANK), WINDOW2,
//            MERGEDCELLS*, EOF
// and hands it to libgsf's compound-document writer, which writes into a temporary file of ours
// beside the target; the file is renamed over the target only after a successful close, so a
// failure leaves no half-written workbook behind.
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-output.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <string_view>

#include "formats/biff_records.h"
#include "formats/biff_write.h"
#include "formats/error.h"
#include "formats/read_limits.h"
#include "formats/write_checks.h"
#include "formats/writer.h"

namespace shuhui::formats {

namespace {

using biff::BiffBuffer;
using biff::Rec;
using biff::Utf16Text;
using detail::cellName;
using detail::quoted;
using detail::writeFailed;

constexpr uint32_t kMaxCellChars = 32767;  // what a cell of the spreadsheet holds
constexpr size_t kMergesPerRecord = 1026;
constexpr uint16_t kDefaultCellXf = 15;  // XF 0-14 are style XFs, 15 the default cell format
constexpr uint16_t kFirstCustomFormat = 164;
constexpr uint16_t kAutoFontColor = 0x7FFF;
constexpr uint16_t kAutoBorderColor = 64;  // system window text
constexpr uint16_t kFillBackColor = 65;    // system window background

[[noreturn]] void refuse(ErrorKind kind, const std::string& path, const std::string& why) {
    throw Error(kind, "无法保存为 .xls 文件 " + path + "：" + why);
}

// ----------------------------------------------------------------------------- checks

bool sortedUnique(const std::vector<Cell>& cells) {
    for (size_t i = 1; i < cells.size(); ++i) {
        const Cell& a = cells[i - 1];
        const Cell& b = cells[i];
        if (a.row > b.row || (a.row == b.row && a.col >= b.col)) return false;
    }
    return true;
}

// ----------------------------------------------------------------------------- palette

struct Palette {
    std::array<uint32_t, 56> colors = biff::kDefaultPalette;
    bool changed = false;

    // Colours of the default palette stay where they are; the others take the slots no needed
    // colour occupies, from the end; when the slots run out, the nearest entry stands in.
    void plan(const std::vector<uint32_t>& needed) {
        std::array<bool, 56> locked{};
        std::vector<uint32_t> extra;
        for (uint32_t c : needed) {
            auto it = std::find(biff::kDefaultPalette.begin(), biff::kDefaultPalette.end(), c);
            if (it != biff::kDefaultPalette.end()) {
                locked[size_t(it - biff::kDefaultPalette.begin())] = true;
            } else if (std::find(extra.begin(), extra.end(), c) == extra.end()) {
                extra.push_back(c);
            }
        }
        int slot = 55;
        for (uint32_t c : extra) {
            while (slot >= 0 && locked[size_t(slot)]) --slot;
            if (slot < 0) break;
            colors[size_t(slot)] = c;
            locked[size_t(slot)] = true;
            changed = true;
            --slot;
        }
    }

    uint16_t index(uint32_t rgb) const {
        size_t best = 0;
        long bestDist = -1;
        for (size_t i = 0; i < colors.size(); ++i) {
            if (colors[i] == rgb) return uint16_t(8 + i);
            long dr = long((colors[i] >> 16) & 0xFF) - long((rgb >> 16) & 0xFF);
            long dg = long((colors[i] >> 8) & 0xFF) - long((rgb >> 8) & 0xFF);
            long db = long(colors[i] & 0xFF) - long(rgb & 0xFF);
            long d = dr * dr + dg * dg + db * db;
            if (bestDist < 0 || d < bestDist) bestDist = d, best = i;
        }
        return uint16_t(8 + best);
    }
};

// ----------------------------------------------------------------------------- styles

// Built-in number formats of BIFF that mean the same in every locale; other codes get ids from 164.
int builtinFormatId(std::string_view code) {
    static const std::pair<int, std::string_view> kBuiltins[] = {
        {0, "General"},  {1, "0"},         {2, "0.00"},      {3, "#,##0"},  {4, "#,##0.00"},
        {9, "0%"},       {10, "0.00%"},    {11, "0.00E+00"}, {45, "mm:ss"}, {46, "[h]:mm:ss"},
        {47, "mm:ss.0"}, {48, "##0.0E+0"}, {49, "@"},
    };
    for (const auto& [id, c] : kBuiltins)
        if (c == code) return id;
    return -1;
}

using XfBytes = std::array<uint8_t, 20>;

struct StyleTables {
    Font defaultFont;
    std::vector<Font> fonts;  // after the four copies of the default font: indices 5, 6, ...
    std::vector<std::pair<uint16_t, std::string>> formats;
    std::vector<XfBytes> cellXfs;     // XF 15 onwards
    std::vector<uint16_t> xfOfStyle;  // model style -> XF index
    Palette palette;

    std::map<std::string, uint16_t> formatIds;
    std::map<XfBytes, uint16_t> xfIds;

    uint16_t fontIndex(const Font& f) {
        if (f == defaultFont) return 0;
        for (size_t i = 0; i < fonts.size(); ++i)
            if (fonts[i] == f) return uint16_t(i + 5);  // index 4 does not exist
        fonts.push_back(f);
        return uint16_t(fonts.size() + 4);
    }

    // Every code but General gets a FORMAT record, under its built-in id when it has one, so
    // readers that do not know the built-in table see the code too.
    uint16_t formatIndex(const std::string& code) {
        int builtin = builtinFormatId(code);
        if (builtin == 0) return 0;
        auto it = formatIds.find(code);
        if (it != formatIds.end()) return it->second;
        uint16_t id = builtin > 0 ? uint16_t(builtin) : nextCustom++;
        formats.emplace_back(id, code);
        formatIds.emplace(code, id);
        return id;
    }
    uint16_t nextCustom = kFirstCustomFormat;

    uint16_t color(uint32_t rgb, uint16_t automatic) const {
        return rgb == kNoColor ? automatic : palette.index(rgb & 0xFFFFFF);
    }

    XfBytes xfFor(const CellStyle& st) {
        XfBytes x{};
        uint16_t font = fontIndex(st.font);
        uint16_t fmt = formatIndex(st.numFmt);
        uint16_t flags = 0x0001;  // locked, a cell XF whose parent is the Normal style XF 0
        uint8_t align = uint8_t(uint8_t(st.halign) & 7) | (st.wrap ? 0x08 : 0) |
                        uint8_t((uint8_t(st.valign) & 7) << 4);
        auto borderColor = [&](const Border& b) -> uint32_t {
            if (b.style == BorderStyle::None) return 0;
            return color(b.color, kAutoBorderColor);
        };
        uint32_t border1 =
            (uint32_t(st.left.style) & 0xF) | (uint32_t(st.right.style) & 0xF) << 4 |
            (uint32_t(st.top.style) & 0xF) << 8 | (uint32_t(st.bottom.style) & 0xF) << 12 |
            (borderColor(st.left) & 0x7F) << 16 | (borderColor(st.right) & 0x7F) << 23;
        uint32_t border2 = (borderColor(st.top) & 0x7F) | (borderColor(st.bottom) & 0x7F) << 7;
        uint16_t fore = kAutoBorderColor, back = kFillBackColor;
        if (st.fill != kNoColor) {
            border2 |= uint32_t(1) << 26;  // solid pattern
            fore = color(st.fill, kAutoBorderColor);
        }
        uint16_t colors = uint16_t((fore & 0x7F) | (back & 0x7F) << 7);
        x[0] = uint8_t(font), x[1] = uint8_t(font >> 8);
        x[2] = uint8_t(fmt), x[3] = uint8_t(fmt >> 8);
        x[4] = uint8_t(flags), x[5] = uint8_t(flags >> 8);
        x[6] = align;
        x[7] = 0;
        x[8] = 0;
        x[9] = 0xFC;  // number format, font, alignment, border, pattern and protection are its own
        for (int i = 0; i < 4; ++i) x[size_t(10 + i)] = uint8_t(border1 >> (8 * i));
        for (int i = 0; i < 4; ++i) x[size_t(14 + i)] = uint8_t(border2 >> (8 * i));
        x[18] = uint8_t(colors), x[19] = uint8_t(colors >> 8);
        return x;
    }

    uint16_t xfIndex(const CellStyle& st) {
        XfBytes x = xfFor(st);
        auto it = xfIds.find(x);
        if (it != xfIds.end()) return it->second;
        uint16_t id = uint16_t(kDefaultCellXf + cellXfs.size());
        cellXfs.push_back(x);
        xfIds.emplace(x, id);
        return id;
    }
};

void collectColors(const CellStyle& st, std::vector<uint32_t>& out) {
    auto add = [&](uint32_t c) {
        if (c != kNoColor) out.push_back(c & 0xFFFFFF);
    };
    add(st.font.color);
    add(st.fill);
    for (const Border* b : {&st.left, &st.right, &st.top, &st.bottom})
        if (b->style != BorderStyle::None) add(b->color);
}

StyleTables buildStyles(const Workbook& wb, const std::vector<bool>& used) {
    StyleTables t;
    static const CellStyle kPlain;
    const CellStyle& base = wb.styles.empty() ? kPlain : wb.styles[0];
    t.defaultFont = base.font;

    std::vector<uint32_t> colors;
    for (size_t i = 0; i < wb.styles.size(); ++i)
        if (used[i]) collectColors(wb.styles[i], colors);
    t.palette.plan(colors);

    // XF 15: the default font, General, no decoration; model styles equal to it share it.
    CellStyle plain;
    plain.font = base.font;
    t.xfIndex(plain);
    t.xfOfStyle.assign(std::max<size_t>(wb.styles.size(), 1), kDefaultCellXf);
    for (size_t i = 0; i < wb.styles.size(); ++i)
        if (used[i]) t.xfOfStyle[i] = t.xfIndex(wb.styles[i]);
    return t;
}

void writeFont(BiffBuffer& b, const Font& f, const StyleTables& t) {
    Utf16Text name(f.name.empty() ? std::string("Arial") : f.name);
    b.record(Rec::FONT);
    double twips = std::round(f.size * 20);
    b.put16(uint16_t(std::clamp(twips, 20.0, 8191.0)));
    b.put16(uint16_t((f.bold ? 0x0001 : 0) | (f.italic ? 0x0002 : 0)));  // bold bit for old readers
    b.put16(t.color(f.color, kAutoFontColor));
    b.put16(f.bold ? 700 : 400);
    b.put16(0);  // no super- or subscript
    b.put8(f.underline == 2 ? 2 : f.underline == 1 ? 1 : 0);
    b.put8(0);                             // font family: not known
    b.put8(name.compressible ? 0 : 0x86);  // ANSI, or GB2312 for a Chinese name
    b.put8(0);
    b.putShortString(name);
    b.end();
}

// The 15 style XFs in front of the cell XFs: Normal, then the outline styles.
void writeStyleXfs(BiffBuffer& b) {
    for (int i = 0; i < 15; ++i) {
        b.record(Rec::XF);
        b.put16(i == 0 ? 0 : (i <= 2 ? 1 : i <= 4 ? 2 : 0));  // font
        b.put16(0);                                           // General
        b.put16(0xFFF5);                                      // locked, style XF, no parent
        b.put8(0x20);                                         // bottom aligned
        b.put8(0);
        b.put8(0);
        b.put8(i == 0 ? 0x00 : 0xF4);
        b.put32(0);
        b.put32(0);
        b.put16(0x20C0);
        b.end();
    }
}

// ----------------------------------------------------------------------------- cells

// The RK form of a number when it holds the value exactly: a 30-bit integer or the high 30 bits of
// the double, either of them optionally scaled by 100.
bool toRk(double v, uint32_t& rk) {
    if (!std::isfinite(v)) return false;
    constexpr double kLimit = 536870912.0;  // 2^29
    auto asInt = [](double d, uint32_t& out) {
        if (d >= -kLimit && d < kLimit && d == std::floor(d)) {
            out = uint32_t(int32_t(d)) << 2;
            return true;
        }
        return false;
    };
    auto asHigh = [](double d, uint32_t& out) {
        uint64_t bits;
        std::memcpy(&bits, &d, 8);
        if ((bits & 0x3FFFFFFFFull) != 0) return false;
        out = uint32_t(bits >> 32);
        return true;
    };
    uint32_t r = 0;
    if (!std::signbit(v) || v != 0) {
        if (asInt(v, r)) {
            rk = r | 2;
            return true;
        }
    }
    if (asHigh(v, r)) {
        rk = r;
        return true;
    }
    double h = v * 100;
    if (asInt(h, r) && double(int32_t(r) >> 2) / 100.0 == v) {
        rk = r | 3;
        return true;
    }
    if (asHigh(h, r)) {
        uint64_t bits = uint64_t(r) << 32;
        double back;
        std::memcpy(&back, &bits, 8);
        if (back / 100.0 == v) {
            rk = r | 1;
            return true;
        }
    }
    return false;
}

struct SheetPlan {
    const Sheet* sheet;
    std::vector<Cell> sortedCopy;  // only when the model's cells are out of order
    const std::vector<Cell>& cells() const {
        return sortedCopy.empty() ? sheet->cells : sortedCopy;
    }
};

class SheetWriter {
  public:
    SheetWriter(BiffBuffer& b, const StyleTables& st, const std::vector<uint32_t>& sstOfText)
        : b_(b), st_(st), sstOfText_(sstOfText) {}

    void write(const SheetPlan& plan, bool active);

  private:
    uint16_t xf(uint32_t style) const {
        return style < st_.xfOfStyle.size() ? st_.xfOfStyle[style] : kDefaultCellXf;
    }
    void writeColumns(const Sheet& s);
    void writeRowRecord(uint32_t row, const Cell* first, const Cell* last, const RowInfo* info);
    void writeCells(const Cell* first, const Cell* last);

    BiffBuffer& b_;
    const StyleTables& st_;
    const std::vector<uint32_t>& sstOfText_;
};

uint16_t columnWidthUnits(double width) {
    if (!(width > 0)) return 0;
    width = std::min(width, 255.0);
    double pixels, units;
    if (width < 1) {
        pixels = std::floor(width * 12 + 0.5);
        units = pixels / 12 * 256;
    } else {
        pixels = std::floor(width * 7 + 0.5) + 5;
        units = pixels / 7 * 256;
    }
    return uint16_t(std::min(units, 65280.0));  // COLINFO holds at most 255 characters
}

void SheetWriter::writeColumns(const Sheet& s) {
    b_.record(Rec::DEFCOLWIDTH);
    b_.put16(uint16_t(std::clamp(std::floor(s.defaultColWidth), 0.0, 255.0)));
    b_.end();
    std::vector<ColInfo> cols;
    for (const ColInfo& c : s.cols) {
        if (c.first >= kXlsMaxCols || c.first > c.last) continue;
        ColInfo k = c;
        k.last = uint16_t(std::min<uint32_t>(k.last, kXlsMaxCols - 1));
        cols.push_back(k);
    }
    std::stable_sort(cols.begin(), cols.end(),
                     [](const ColInfo& a, const ColInfo& b) { return a.first < b.first; });
    int prevLast = -1;
    for (ColInfo c : cols) {
        // COLINFO ranges must not overlap: an earlier range keeps the columns it has.
        if (int(c.last) <= prevLast) continue;
        c.first = uint16_t(std::max(int(c.first), prevLast + 1));
        prevLast = c.last;
        b_.record(Rec::COLINFO);
        b_.put16(c.first);
        b_.put16(c.last);
        b_.put16(columnWidthUnits(c.width));
        b_.put16(xf(c.style));
        b_.put16(uint16_t((c.hidden ? 0x0001 : 0) | 0x0002));  // hidden, width set by the user
        b_.put16(0);
        b_.end();
    }
}

void SheetWriter::writeRowRecord(uint32_t row, const Cell* first, const Cell* last,
                                 const RowInfo* info) {
    uint16_t colMic = 0, colMac = 0;
    if (first != last) colMic = first->col, colMac = uint16_t(last[-1].col + 1);
    uint16_t height = 255;  // 12.75 points
    uint16_t flags = 0x0100;
    if (info) {
        double twips = std::round(info->height * 20);
        height = uint16_t(std::clamp(twips, 2.0, 8192.0));  // the range ROW allows
        flags |= 0x0040;                                    // height set by the user
        if (info->hidden) flags |= 0x0020;
    }
    b_.record(Rec::ROW);
    b_.put16(uint16_t(row));
    b_.put16(colMic);
    b_.put16(colMac);
    b_.put16(height);
    b_.put32(0);
    b_.put16(flags);
    b_.put16(kDefaultCellXf);
    b_.end();
}

void SheetWriter::writeCells(const Cell* c, const Cell* end) {
    while (c != end) {
        const uint16_t row = uint16_t(c->row);
        uint32_t rk;
        if (c->type == CellType::Number && toRk(c->number, rk)) {
            // A run of RK numbers in adjacent columns goes into one MULRK.
            const Cell* run = c + 1;
            uint32_t rks[256];
            rks[0] = rk;
            size_t n = 1;
            while (run != end && run->row == c->row && run->col == c[n - 1].col + 1 &&
                   run->type == CellType::Number && toRk(run->number, rks[n])) {
                ++run, ++n;
            }
            if (n == 1) {
                uint8_t* p = b_.grow(14);
                uint16_t x = xf(c->style);
                const uint16_t v[5] = {biff::id(Rec::RK), 10, row, c->col, x};
                for (int i = 0; i < 5; ++i)
                    p[2 * i] = uint8_t(v[i]), p[2 * i + 1] = uint8_t(v[i] >> 8);
                for (int i = 0; i < 4; ++i) p[10 + i] = uint8_t(rk >> (8 * i));
            } else {
                b_.record(Rec::MULRK);
                b_.put16(row);
                b_.put16(c->col);
                for (size_t i = 0; i < n; ++i) {
                    b_.put16(xf(c[i].style));
                    b_.put32(rks[i]);
                }
                b_.put16(c[n - 1].col);
                b_.end();
            }
            c = run;
            continue;
        }
        if (c->type == CellType::Blank) {
            const Cell* run = c + 1;
            size_t n = 1;
            while (run != end && run->row == c->row && run->col == c[n - 1].col + 1 &&
                   run->type == CellType::Blank) {
                ++run, ++n;
            }
            if (n == 1) {
                b_.record(Rec::BLANK);
                b_.put16(row);
                b_.put16(c->col);
                b_.put16(xf(c->style));
                b_.end();
            } else {
                b_.record(Rec::MULBLANK);
                b_.put16(row);
                b_.put16(c->col);
                for (size_t i = 0; i < n; ++i) b_.put16(xf(c[i].style));
                b_.put16(c[n - 1].col);
                b_.end();
            }
            c = run;
            continue;
        }
        const uint16_t x = xf(c->style);
        switch (c->type) {
            case CellType::Text: {
                uint8_t* p = b_.grow(14);
                uint32_t isst = sstOfText_[c->text];
                const uint16_t v[5] = {biff::id(Rec::LABELSST), 10, row, c->col, x};
                for (int i = 0; i < 5; ++i)
                    p[2 * i] = uint8_t(v[i]), p[2 * i + 1] = uint8_t(v[i] >> 8);
                for (int i = 0; i < 4; ++i) p[10 + i] = uint8_t(isst >> (8 * i));
                break;
            }
            case CellType::Number:
                if (std::isfinite(c->number)) {
                    b_.record(Rec::NUMBER);
                    b_.put16(row);
                    b_.put16(c->col);
                    b_.put16(x);
                    b_.putDouble(c->number);
                    b_.end();
                } else {  // the format has no infinities or NaN: the spreadsheet's #NUM!
                    b_.record(Rec::BOOLERR);
                    b_.put16(row);
                    b_.put16(c->col);
                    b_.put16(x);
                    b_.put8(0x24);
                    b_.put8(1);
                    b_.end();
                }
                break;
            case CellType::Bool:
            case CellType::Error:
                b_.record(Rec::BOOLERR);
                b_.put16(row);
                b_.put16(c->col);
                b_.put16(x);
                b_.put8(c->type == CellType::Bool ? (c->small ? 1 : 0) : c->small);
                b_.put8(c->type == CellType::Error ? 1 : 0);
                b_.end();
                break;
            case CellType::Blank:
                break;  // handled above
        }
        ++c;
    }
}

void SheetWriter::write(const SheetPlan& plan, bool active) {
    const Sheet& s = *plan.sheet;
    const std::vector<Cell>& cells = plan.cells();

    b_.record(Rec::BOF);
    b_.put16(biff::kBiff8Version);
    b_.put16(uint16_t(biff::BofType::Worksheet));
    b_.put16(0x0DBB);
    b_.put16(0x07CC);
    b_.put32(0);
    b_.put32(0x00000006);
    b_.end();

    b_.record(Rec::DEFAULTROWHEIGHT);
    b_.put16(0);
    b_.put16(255);
    b_.end();

    writeColumns(s);

    b_.record(Rec::DIMENSIONS);
    if (cells.empty()) {
        b_.put32(0), b_.put32(0), b_.put16(0), b_.put16(0);
    } else {
        uint16_t minCol = 0xFFFF, maxCol = 0;
        for (const Cell& c : cells)
            minCol = std::min(minCol, c.col), maxCol = std::max(maxCol, c.col);
        b_.put32(cells.front().row);
        b_.put32(cells.back().row + 1);
        b_.put16(minCol);
        b_.put16(uint16_t(maxCol + 1));
    }
    b_.put16(0);
    b_.end();

    std::vector<RowInfo> rowInfos;
    for (const RowInfo& r : s.rows)
        if (r.row < kXlsMaxRows) rowInfos.push_back(r);
    std::stable_sort(rowInfos.begin(), rowInfos.end(),
                     [](const RowInfo& a, const RowInfo& b) { return a.row < b.row; });

    // Blocks of 32 rows: the ROW records of the block, then the cells of its rows.
    const Cell* c = cells.data();
    const Cell* cellsEnd = c + cells.size();
    size_t ri = 0;
    while (c != cellsEnd || ri < rowInfos.size()) {
        uint32_t nextRow = c != cellsEnd ? c->row : kXlsMaxRows;
        if (ri < rowInfos.size()) nextRow = std::min(nextRow, rowInfos[ri].row);
        const uint32_t blockEnd = (nextRow / 32 + 1) * 32;
        const Cell* blockFirst = c;
        while (c != cellsEnd && c->row < blockEnd) {
            const Cell* rowFirst = c;
            while (c != cellsEnd && c->row == rowFirst->row) ++c;
            while (ri < rowInfos.size() && rowInfos[ri].row < rowFirst->row) {
                writeRowRecord(rowInfos[ri].row, nullptr, nullptr, &rowInfos[ri]);
                ++ri;
            }
            const RowInfo* info = nullptr;
            while (ri < rowInfos.size() && rowInfos[ri].row == rowFirst->row)
                info = &rowInfos[ri++];
            writeRowRecord(rowFirst->row, rowFirst, c, info);
        }
        while (ri < rowInfos.size() && rowInfos[ri].row < blockEnd) {
            writeRowRecord(rowInfos[ri].row, nullptr, nullptr, &rowInfos[ri]);
            ++ri;
        }
        writeCells(blockFirst, c);
    }

    b_.record(Rec::WINDOW2);
    // grid lines, headers, zeros, automatic grid colour, outline symbols; the active sheet is also
    // selected and shown
    b_.put16(active ? 0x06B6 : 0x00B6);
    b_.put16(0);
    b_.put16(0);
    b_.put16(64);
    b_.put16(0);
    b_.put16(0);
    b_.put16(0);
    b_.put32(0);
    b_.end();

    std::vector<Range> merged;  // a single cell merged with itself means nothing
    for (const Range& r : s.merged)
        if (r.firstRow != r.lastRow || r.firstCol != r.lastCol) merged.push_back(r);
    for (size_t i = 0; i < merged.size(); i += kMergesPerRecord) {
        size_t n = std::min(kMergesPerRecord, merged.size() - i);
        b_.record(Rec::MERGEDCELLS);
        b_.put16(uint16_t(n));
        for (size_t k = i; k < i + n; ++k) {
            const Range& r = merged[k];
            b_.put16(uint16_t(r.firstRow));
            b_.put16(uint16_t(r.lastRow));
            b_.put16(uint16_t(r.firstCol));
            b_.put16(uint16_t(r.lastCol));
        }
        b_.end();
    }

    b_.record(Rec::EOF_);
    b_.end();
}

// ----------------------------------------------------------------------------- strings

// Equal texts share one SST entry: an open-addressing table of SST entries keyed by their content.
class SstIndex {
  public:
    explicit SstIndex(const std::vector<std::string>& strings) : strings_(strings) { rehash(1024); }

    // The SST index of the text, appended to `order` when it is new.
    uint32_t add(uint32_t textIndex, std::vector<uint32_t>& order) {
        std::string_view s = strings_[textIndex];
        uint64_t h = hash(s);
        size_t i = size_t(h) & mask_;
        while (slots_[i] != 0) {
            uint32_t entry = slots_[i] - 1;
            if (hashes_[entry] == h && strings_[order[entry]] == s) return entry;
            i = (i + 1) & mask_;
        }
        uint32_t entry = uint32_t(order.size());
        order.push_back(textIndex);
        hashes_.push_back(h);
        slots_[i] = entry + 1;
        if (order.size() * 2 > slots_.size()) rehash(slots_.size() * 2);
        return entry;
    }

  private:
    static uint64_t hash(std::string_view s) {
        uint64_t h = 1469598103934665603ull;  // FNV-1a
        for (char c : s) h = (h ^ uint8_t(c)) * 1099511628211ull;
        return h ^ (h >> 29);
    }
    void rehash(size_t size) {
        slots_.assign(size, 0);
        mask_ = size - 1;
        for (uint32_t entry = 0; entry < hashes_.size(); ++entry) {
            size_t i = size_t(hashes_[entry]) & mask_;
            while (slots_[i] != 0) i = (i + 1) & mask_;
            slots_[i] = entry + 1;
        }
    }

    const std::vector<std::string>& strings_;
    std::vector<uint32_t> slots_;   // entry + 1, 0 when free
    std::vector<uint64_t> hashes_;  // of each entry
    size_t mask_ = 0;
};

// ----------------------------------------------------------------------------- output

void writeCompoundFile(const std::string& path, const std::vector<uint8_t>& stream) {
    detail::checkTarget(path);
    // Our own temporary file beside the target, renamed over it at the end: the target survives
    // any failure, and a temporary left by a killed export carries a name the next export knows
    // to clean up.
    detail::TempFile tmp{detail::temporaryPathBeside(path)};
    errno = 0;
    FILE* file = std::fopen(tmp.path.c_str(), "wb");
    if (!file) writeFailed(path, detail::systemReason(errno));
    GsfOutput* sink = gsf_output_stdio_new_FILE(tmp.path.c_str(), file, FALSE);
    if (!sink) {
        std::fclose(file);
        writeFailed(path, "无法建立写入通道");
    }
    GsfOutfile* ole = gsf_outfile_msole_new(sink);
    GsfOutput* child = gsf_outfile_new_child(ole, "Workbook", FALSE);
    bool ok = child != nullptr;
    std::string why;
    if (ok) {
        const uint8_t* p = stream.data();
        size_t left = stream.size();
        while (ok && left > 0) {
            size_t n = std::min<size_t>(left, 1 << 20);
            ok = gsf_output_write(child, n, p);
            p += n;
            left -= n;
        }
        if (!ok && gsf_output_error(child)) why = gsf_output_error(child)->message;
        if (!gsf_output_close(child) && ok) {
            ok = false;
            if (gsf_output_error(child)) why = gsf_output_error(child)->message;
        }
        g_object_unref(child);
    }
    if (!ok) {
        // The temporary file is removed by `tmp` when the write fails.
        gsf_output_set_error(sink, 0, "%s", why.empty() ? "write failed" : why.c_str());
    }
    bool closed = gsf_output_close(GSF_OUTPUT(ole));
    if (ok && !closed) {
        ok = false;
        if (gsf_output_error(GSF_OUTPUT(ole))) why = gsf_output_error(GSF_OUTPUT(ole))->message;
    }
    g_object_unref(ole);
    if (!gsf_output_is_closed(sink)) {
        if (!gsf_output_close(sink) && ok) {
            ok = false;
            if (gsf_output_error(sink)) why = gsf_output_error(sink)->message;
        }
    } else if (ok && gsf_output_error(sink)) {
        ok = false;
        why = gsf_output_error(sink)->message;
    }
    g_object_unref(sink);
    if (!ok) writeFailed(path, why.empty() ? "写入时出错" : why);
    if (std::rename(tmp.path.c_str(), path.c_str()) != 0)
        writeFailed(path, detail::systemReason(errno));
    tmp.keep = true;
}

}  // namespace

void writeXls(const Workbook& wb, const std::string& path) {
    // Everything that could make the file unfaithful is refused before anything is written.
    detail::checkWorkbook(wb, path, ".xls");
    std::vector<SheetPlan> plans;
    plans.reserve(wb.sheets.size());
    for (const Sheet& s : wb.sheets) {
        detail::checkSheetExtent(wb, s, path, ".xls", kXlsMaxRows, kXlsMaxCols, true);
        detail::checkMerges(s, path, ".xls");
        SheetPlan plan{&s, {}};
        if (!sortedUnique(s.cells)) {
            // Sorted by position; of two cells at one position the later one wins.
            plan.sortedCopy = s.cells;
            std::stable_sort(plan.sortedCopy.begin(), plan.sortedCopy.end(),
                             [](const Cell& a, const Cell& b) {
                                 return a.row != b.row ? a.row < b.row : a.col < b.col;
                             });
            std::vector<Cell> unique;
            for (const Cell& c : plan.sortedCopy) {
                if (!unique.empty() && unique.back().row == c.row && unique.back().col == c.col)
                    unique.back() = c;
                else
                    unique.push_back(c);
            }
            plan.sortedCopy = std::move(unique);
        }
        plans.push_back(std::move(plan));
    }

    // Shared strings in order of first use; equal texts share one entry.
    const uint32_t kUnset = 0xFFFFFFFFu;
    std::vector<uint32_t> sstOfText(wb.strings.size(), kUnset);
    std::vector<uint32_t> sstOrder;  // string index of each SST entry
    SstIndex sstOfContent(wb.strings);
    uint32_t totalRefs = 0;
    std::vector<bool> styleUsed(std::max<size_t>(wb.styles.size(), 1), false);
    styleUsed[0] = true;
    for (const SheetPlan& plan : plans) {
        for (const ColInfo& c : plan.sheet->cols)
            if (c.style < styleUsed.size()) styleUsed[c.style] = true;
        for (const Cell& c : plan.cells()) {
            if (c.style < styleUsed.size()) styleUsed[c.style] = true;
            if (c.type != CellType::Text) continue;
            ++totalRefs;
            if (sstOfText[c.text] != kUnset) continue;
            const std::string& s = wb.strings[c.text];
            // UTF-8 never has fewer bytes than UTF-16 has units: only long texts need counting.
            if (s.size() > kMaxCellChars && Utf16Text(s).units.size() > kMaxCellChars) {
                refuse(ErrorKind::TooLarge, path,
                       "工作表" + quoted(plan.sheet->name) + "的单元格 " + cellName(c.row, c.col) +
                           " 的文本超过一个单元格最多 32,767 个字符的上限");
            }
            sstOfText[c.text] = sstOfContent.add(c.text, sstOrder);
        }
    }

    StyleTables styles = buildStyles(wb, styleUsed);

    BiffBuffer b;
    size_t estimate = 4096;
    for (const SheetPlan& plan : plans) estimate += plan.cells().size() * 14 + 1024;
    b.bytes().reserve(estimate);

    // ---- globals
    b.record(Rec::BOF);
    b.put16(biff::kBiff8Version);
    b.put16(uint16_t(biff::BofType::Globals));
    b.put16(0x0DBB);
    b.put16(0x07CC);
    b.put32(0);
    b.put32(0x00000006);
    b.end();

    b.record(Rec::CODEPAGE);
    b.put16(1200);  // UTF-16
    b.end();

    size_t active = 0;
    for (size_t i = 0; i < wb.sheets.size(); ++i) {
        if (wb.sheets[i].state == SheetState::Visible) {
            active = i;
            break;
        }
    }
    b.record(Rec::WINDOW1);
    b.put16(0);       // left
    b.put16(0);       // top
    b.put16(0x4000);  // width
    b.put16(0x2000);  // height
    b.put16(0x0038);  // horizontal and vertical scroll bars, sheet tabs
    b.put16(uint16_t(active));
    b.put16(0);  // first tab shown
    b.put16(1);  // one sheet selected
    b.put16(600);
    b.end();

    b.record(Rec::DATEMODE);
    b.put16(wb.date1904 ? 1 : 0);
    b.end();

    for (int i = 0; i < 4; ++i) writeFont(b, styles.defaultFont, styles);
    for (const Font& f : styles.fonts) writeFont(b, f, styles);
    for (const auto& [id, code] : styles.formats) {
        b.record(Rec::FORMAT);
        b.put16(id);
        b.putString(Utf16Text(code));
        b.end();
    }
    writeStyleXfs(b);
    for (const XfBytes& x : styles.cellXfs) {
        b.record(Rec::XF);
        std::memcpy(b.grow(x.size()), x.data(), x.size());
        b.end();
    }
    b.record(Rec::STYLE);
    b.put16(0x8000);  // built-in style of XF 0
    b.put8(0);        // Normal
    b.put8(0xFF);
    b.end();
    if (styles.palette.changed) {
        b.record(Rec::PALETTE);
        b.put16(uint16_t(styles.palette.colors.size()));
        for (uint32_t rgb : styles.palette.colors) {
            b.put8(uint8_t(rgb >> 16));
            b.put8(uint8_t(rgb >> 8));
            b.put8(uint8_t(rgb));
            b.put8(0);
        }
        b.end();
    }

    std::vector<size_t> sheetOffsetAt;
    for (const Sheet& s : wb.sheets) {
        b.record(Rec::BOUNDSHEET);
        sheetOffsetAt.push_back(b.size());
        b.put32(0);  // patched below
        b.put8(s.state == SheetState::Hidden ? 1 : s.state == SheetState::VeryHidden ? 2 : 0);
        b.put8(0);  // worksheet
        b.putShortString(Utf16Text(s.name));
        b.end();
    }

    biff::SstWriter sst(b, totalRefs, uint32_t(sstOrder.size()));
    for (uint32_t textIndex : sstOrder) sst.add(Utf16Text(wb.strings[textIndex]));
    sst.finish();

    b.record(Rec::EOF_);
    b.end();

    // ---- sheets
    SheetWriter sheets(b, styles, sstOfText);
    for (size_t i = 0; i < plans.size(); ++i) {
        b.patch32(sheetOffsetAt[i], uint32_t(b.size()));
        sheets.write(plans[i], i == active);
    }

    writeCompoundFile(path, b.bytes());
}

}  // namespace shuhui::formats
