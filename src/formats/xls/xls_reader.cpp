// The .xls reader: an OLE2 compound document (through libgsf) holding a BIFF8 or BIFF5/7 stream.
//
// Layers, in the order they run:
//   1. container  – the compound document is opened and its "Workbook" (BIFF8) or "Book" (BIFF5)
//                   stream read whole into one buffer (compound_document.h);
//   2. records    – RecordCursor walks "id, length, body" records; a record's CONTINUE records are
//                   merged into it as further segments that Body reads across (strings restart with
//                   a new option byte at a segment boundary) (record_stream.h);
//   3. values     – this file: a table of record handlers, first over the workbook globals (code
//                   page, date system, sheet list, shared strings, fonts, formats, XFs, palette),
//                   then over each sheet substream at the offset its BOUNDSHEET gives. Records
//                   without a handler are skipped on purpose.
// Every read is bounds-checked; a failure names the file and the record.
#include <algorithm>
#include <array>
#include <cstring>
#include <map>

#include "formats/biff_records.h"
#include "formats/numfmt.h"
#include "formats/read_errors.h"
#include "formats/read_limits.h"
#include "formats/text_codec.h"
#include "formats/xls/compound_document.h"
#include "formats/xls/record_stream.h"

namespace shuhui::formats::detail {
namespace xls {
namespace {

struct RawFont {
    Font font;
    uint16_t icv = 0x7FFF;
};

struct RawXf {
    uint16_t font = 0, fmt = 0;
    uint8_t halign = 0, valign = 2;
    bool wrap = false;
    uint8_t border[4] = {0, 0, 0, 0};  // left, right, top, bottom
    uint16_t borderIcv[4] = {0, 0, 0, 0};
    uint8_t pattern = 0;
    uint16_t fore = 64;
};

struct SheetEntry {
    uint32_t offset = 0;
};

class XlsReader;
using Handler = void (XlsReader::*)(Body&);

class XlsReader {
  public:
    XlsReader(std::span<const uint8_t> stream, const std::string& file, const ReadOptions& options,
              bool biff5hint)
        : s_(stream), file_(file), opt_(options), biff5_(biff5hint) {}

    Workbook run();

    // globals
    void onFilepass(Body&) {
        fail(ErrorKind::Encrypted, file_, "文件已加密（设有密码），请先在 Excel 中取消密码");
    }
    void onCodepage(Body& b) { codec_.setCodepage(b.u16()); }
    void onDatemode(Body& b) { wb_.date1904 = b.u16() != 0; }
    void onBoundsheet(Body& b);
    void onSst(Body& b);
    void onFont(Body& b);
    void onFormat(Body& b);
    void onXf(Body& b);
    void onPalette(Body& b);
    // sheets
    void onDimensions(Body& b);
    void onRow(Body& b);
    void onColinfo(Body& b);
    void onDefcolwidth(Body& b) { sheet_->defaultColWidth = displayedWidthFromChars(b.u16()); }
    void onMergedcells(Body& b);
    // MS-XLS 2.4.346 Window2: fFrozenRt (bit 3) says the PANE record that follows freezes panes
    void onWindow2(Body& b) { frozen_ = (b.u16() & 0x0008) != 0; }
    // MS-XLS 2.4.189 Pane: x, y = the columns and rows left of and above a frozen split
    void onPane(Body& b) {
        const uint16_t x = b.u16(), y = b.u16();
        if (!frozen_) return;
        sheet_->frozenCols = x;
        sheet_->frozenRows = y;
    }
    void onBlank(Body& b);
    void onMulblank(Body& b);
    void onNumber(Body& b);
    void onRk(Body& b);
    void onMulrk(Body& b);
    void onLabel(Body& b);
    void onLabelsst(Body& b);
    void onBoolerr(Body& b);
    void onFormula(Body& b);
    void onString(Body& b);

  private:
    void globals();
    void readSheet(Sheet& sheet, uint32_t offset);
    void buildStyles();
    bool startCell(uint32_t row);  // false: the row limit is reached
    void addCell(uint32_t row, uint16_t col, uint16_t xf, CellType type) {
        Cell c;
        c.row = row;
        c.col = col;
        c.type = type;
        c.style = xf;
        sheet_->cells.push_back(c);
    }
    std::string str16(Body& b) {  // LABEL/STRING text
        if (biff5_) {
            size_t cch = b.u16();
            std::string out;
            b.bytes8(out, cch, codec_);
            return out;
        }
        return b.unicode(false);
    }
    std::string str8(Body& b) {  // BOUNDSHEET, FONT names
        if (biff5_) {
            size_t cch = b.u8();
            std::string out;
            b.bytes8(out, cch, codec_);
            return out;
        }
        return b.unicode(true);
    }
    uint32_t color(uint16_t icv) const {
        if (icv < 8) return biff::kDefaultPalette[icv];
        if (icv < 64) return palette_[icv - 8];
        return kNoColor;
    }

    std::span<const uint8_t> s_;
    const std::string& file_;
    const ReadOptions& opt_;
    bool biff5_;
    Workbook wb_;
    CodepageDecoder codec_{1252};
    std::vector<SheetEntry> entries_;
    std::vector<RawFont> fonts_;
    std::map<uint16_t, std::string> formats_;
    std::vector<RawXf> xfs_;
    std::array<uint32_t, 56> palette_ = biff::kDefaultPalette;
    size_t sstCount_ = 0;

    // per sheet
    Sheet* sheet_ = nullptr;
    bool frozen_ = false;
    bool stop_ = false;
    uint32_t rowsSeen_ = 0;
    int64_t lastRow_ = -1;
    int64_t pendingString_ = -1;  // the cell waiting for the STRING record of its formula
};

struct HandlerEntry {
    Rec id;
    Handler fn;
};

constexpr HandlerEntry kGlobalHandlers[] = {
    {Rec::FILEPASS, &XlsReader::onFilepass},
    {Rec::CODEPAGE, &XlsReader::onCodepage},
    {Rec::DATEMODE, &XlsReader::onDatemode},
    {Rec::BOUNDSHEET, &XlsReader::onBoundsheet},
    {Rec::SST, &XlsReader::onSst},
    {Rec::FONT, &XlsReader::onFont},
    {Rec::FORMAT, &XlsReader::onFormat},
    {Rec::FORMAT_BIFF4, &XlsReader::onFormat},
    {Rec::XF, &XlsReader::onXf},
    {Rec::PALETTE, &XlsReader::onPalette},
};

constexpr HandlerEntry kSheetHandlers[] = {
    {Rec::DIMENSIONS, &XlsReader::onDimensions},
    {Rec::ROW, &XlsReader::onRow},
    {Rec::COLINFO, &XlsReader::onColinfo},
    {Rec::DEFCOLWIDTH, &XlsReader::onDefcolwidth},
    {Rec::MERGEDCELLS, &XlsReader::onMergedcells},
    {Rec::WINDOW2, &XlsReader::onWindow2},
    {Rec::PANE, &XlsReader::onPane},
    {Rec::BLANK, &XlsReader::onBlank},
    {Rec::MULBLANK, &XlsReader::onMulblank},
    {Rec::NUMBER, &XlsReader::onNumber},
    {Rec::RK, &XlsReader::onRk},
    {Rec::MULRK, &XlsReader::onMulrk},
    {Rec::LABEL, &XlsReader::onLabel},
    {Rec::RSTRING, &XlsReader::onLabel},
    {Rec::LABELSST, &XlsReader::onLabelsst},
    {Rec::BOOLERR, &XlsReader::onBoolerr},
    {Rec::FORMULA, &XlsReader::onFormula},
    {Rec::FORMULA_BIFF4, &XlsReader::onFormula},
    {Rec::STRING, &XlsReader::onString},
};

// Dispatch tables indexed by record id; ids without an entry are skipped.
struct Dispatch {
    std::array<Handler, 0x1000> globals{};
    std::array<Handler, 0x1000> sheet{};
    Dispatch() {
        for (auto& e : kGlobalHandlers) globals[biff::id(e.id)] = e.fn;
        for (auto& e : kSheetHandlers) sheet[biff::id(e.id)] = e.fn;
    }
};
const Dispatch& dispatch() {
    static const Dispatch d;
    return d;
}

double rkValue(uint32_t rk) {
    double v;
    if (rk & 0x02) {
        v = double(int32_t(rk) >> 2);
    } else {
        uint64_t bits = uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, 8);
    }
    if (rk & 0x01) v /= 100;
    return v;
}

// ----- globals --------------------------------------------------------------------------------

// BoundSheet8 (MS-XLS 2.4.28): stream offset of the sheet's BOF, hidden state, type, name.
void XlsReader::onBoundsheet(Body& b) {
    uint32_t offset = b.u32();
    uint8_t state = b.u8();
    uint8_t dt = b.u8();
    Sheet sh;
    sh.name = str8(b);
    switch (state & 0x03) {
        case 1:
            sh.state = SheetState::Hidden;
            break;
        case 2:
            sh.state = SheetState::VeryHidden;
            break;
        default:
            sh.state = SheetState::Visible;
            break;
    }
    switch (dt) {
        case 0:
            sh.kind = SheetKind::Worksheet;
            break;
        case 1:
            sh.kind = SheetKind::Macro;
            break;
        case 2:
            sh.kind = SheetKind::Chart;
            break;
        default:
            sh.kind = SheetKind::Other;
            break;
    }
    sh.loaded = false;
    wb_.sheets.push_back(std::move(sh));
    entries_.push_back({offset});
}

// SST (MS-XLS 2.4.265): the shared strings, continued across CONTINUE records.
void XlsReader::onSst(Body& b) {
    if (!opt_.cells) return;  // a sheet list needs no strings
    b.u32();                  // total references
    uint32_t unique = b.u32();
    // every string takes at least 3 bytes: cap the reservation by what is there
    wb_.strings.reserve(std::min<size_t>(unique, b.remaining() / 3 + 1));
    for (uint32_t i = 0; i < unique; ++i) {
        if (b.atEnd()) break;  // some writers overstate the count
        size_t cch = b.u16();
        uint8_t flags = b.u8();
        size_t runs = 0, ext = 0;
        if (flags & 0x08) runs = b.u16();
        if (flags & 0x04) ext = b.u32();
        std::string s;
        b.chars(s, cch, flags & 0x01);
        b.skip(runs * 4);
        b.skip(ext);
        wb_.strings.push_back(std::move(s));
    }
    sstCount_ = wb_.strings.size();
}

void XlsReader::onFont(Body& b) {
    RawFont f;
    f.font.size = b.u16() / 20.0;
    uint16_t grbit = b.u16();
    f.font.italic = grbit & 0x02;
    f.icv = b.u16();
    f.font.bold = b.u16() >= 700;
    b.u16();  // super/subscript
    uint8_t uls = b.u8();
    f.font.underline = (uls == 1 || uls == 0x21) ? 1 : (uls == 2 || uls == 0x22) ? 2 : 0;
    b.u8();  // family
    b.u8();  // charset
    b.u8();  // reserved
    f.font.name = str8(b);
    fonts_.push_back(std::move(f));
}

void XlsReader::onFormat(Body& b) {
    uint16_t ifmt = b.u16();
    if (biff5_) {
        size_t cch = b.u8();
        std::string code;
        b.bytes8(code, cch, codec_);
        formats_[ifmt] = std::move(code);
    } else {
        formats_[ifmt] = b.unicode(false);
    }
}

// XF (MS-XLS 2.4.353): the cell formats that cells refer to by index.
void XlsReader::onXf(Body& b) {
    RawXf x;
    x.font = b.u16();
    x.fmt = b.u16();
    b.u16();  // type and protection
    uint8_t alc = b.u8();
    x.halign = alc & 0x07;
    x.wrap = alc & 0x08;
    x.valign = (alc >> 4) & 0x07;
    if (!biff5_) {
        b.u8();  // rotation
        b.u8();  // indent
        b.u8();  // used attributes
        uint32_t d1 = b.u32();
        uint32_t d2 = b.u32();
        uint16_t w = b.u16();
        x.border[0] = d1 & 0x0F;
        x.border[1] = (d1 >> 4) & 0x0F;
        x.border[2] = (d1 >> 8) & 0x0F;
        x.border[3] = (d1 >> 12) & 0x0F;
        x.borderIcv[0] = (d1 >> 16) & 0x7F;
        x.borderIcv[1] = (d1 >> 23) & 0x7F;
        x.borderIcv[2] = d2 & 0x7F;
        x.borderIcv[3] = (d2 >> 7) & 0x7F;
        x.pattern = (d2 >> 26) & 0x3F;
        x.fore = w & 0x7F;
    } else {
        b.u8();  // orientation and used attributes
        uint32_t d1 = b.u32();
        uint32_t d2 = b.u32();
        x.fore = d1 & 0x7F;
        x.pattern = (d1 >> 16) & 0x3F;
        x.border[3] = (d1 >> 22) & 0x07;
        x.borderIcv[3] = (d1 >> 25) & 0x7F;
        x.border[2] = d2 & 0x07;
        x.border[0] = (d2 >> 3) & 0x07;
        x.border[1] = (d2 >> 6) & 0x07;
        x.borderIcv[2] = (d2 >> 9) & 0x7F;
        x.borderIcv[0] = (d2 >> 16) & 0x7F;
        x.borderIcv[1] = (d2 >> 23) & 0x7F;
    }
    xfs_.push_back(x);
}

void XlsReader::onPalette(Body& b) {
    size_t n = b.u16();
    for (size_t i = 0; i < n && i < palette_.size(); ++i) {
        uint32_t r = b.u8(), g = b.u8(), bl = b.u8();
        b.u8();
        palette_[i] = (r << 16) | (g << 8) | bl;
    }
}

void XlsReader::buildStyles() {
    wb_.styles.clear();
    wb_.styles.reserve(std::max<size_t>(xfs_.size(), 1));
    for (const RawXf& x : xfs_) {
        CellStyle st;
        auto f = formats_.find(x.fmt);
        st.numFmt = f != formats_.end() ? f->second : builtinFormat(x.fmt);
        if (opt_.styles) {
            size_t fi = x.font < 4 ? x.font : size_t(x.font) - 1;
            if (fi < fonts_.size()) {
                st.font = fonts_[fi].font;
                st.font.color = color(fonts_[fi].icv);
            }
            if (x.pattern != 0) st.fill = color(x.fore);
            Border* bs[4] = {&st.left, &st.right, &st.top, &st.bottom};
            for (int k = 0; k < 4; ++k) {
                bs[k]->style = x.border[k] <= 13 ? BorderStyle(x.border[k]) : BorderStyle::Thin;
                bs[k]->color = x.border[k] ? color(x.borderIcv[k]) : kNoColor;
            }
            st.halign = x.halign <= 7 ? HAlign(x.halign) : HAlign::General;
            st.valign = x.valign <= 4 ? VAlign(x.valign) : VAlign::Bottom;
            st.wrap = x.wrap;
        }
        wb_.styles.push_back(std::move(st));
    }
    if (wb_.styles.empty()) wb_.styles.emplace_back();
}

// ----- sheets ---------------------------------------------------------------------------------

bool XlsReader::startCell(uint32_t row) {
    if (int64_t(row) == lastRow_) return true;
    if (opt_.maxRows && rowsSeen_ >= *opt_.maxRows) {
        stop_ = true;
        return false;
    }
    ++rowsSeen_;
    lastRow_ = row;
    return true;
}

// Dimensions (MS-XLS 2.4.90): the used range as the file declares it.
void XlsReader::onDimensions(Body& b) {
    uint32_t r1, r2;
    if (biff5_) {
        r1 = b.u16();
        r2 = b.u16();
    } else {
        r1 = b.u32();
        r2 = b.u32();
    }
    uint32_t c1 = b.u16(), c2 = b.u16();
    if (r2 > r1 && c2 > c1) {
        sheet_->dimension = Range{r1, c1, r2 - 1, c2 - 1};
        // every cell record takes at least 10 bytes: reserve no more than the stream can hold
        size_t want = size_t(r2 - r1) * size_t(c2 - c1);
        sheet_->cells.reserve(std::min(want, s_.size() / 10 + 16));
    }
}

// Row (MS-XLS 2.4.221): height and hidden state of one row.
void XlsReader::onRow(Body& b) {
    uint16_t rw = b.u16();
    b.skip(4);
    uint16_t miy = b.u16();
    b.skip(4);
    uint32_t flags = b.segmentRemaining() >= 4 ? b.u32() : 0;
    bool hidden = flags & 0x20;
    bool custom = flags & 0x40;
    if (hidden || custom) sheet_->rows.push_back(RowInfo{rw, (miy & 0x7FFF) / 20.0, hidden});
}

void XlsReader::onColinfo(Body& b) {
    ColInfo c;
    c.first = b.u16();
    c.last = b.u16();
    c.width = displayedWidth(b.u16() / 256.0);
    c.style = b.u16();
    c.hidden = b.u16() & 0x01;
    if (c.first > 255) return;
    c.last = std::min<uint16_t>(c.last, 255);
    if (c.last < c.first) return;
    sheet_->cols.push_back(c);
}

void XlsReader::onMergedcells(Body& b) {
    size_t n = std::min<size_t>(b.u16(), b.remaining() / 8);
    for (size_t i = 0; i < n; ++i) {
        Range r;
        r.firstRow = b.u16();
        r.lastRow = b.u16();
        r.firstCol = b.u16();
        r.lastCol = b.u16();
        if (r.lastRow < r.firstRow || r.lastCol < r.firstCol) continue;
        sheet_->merged.push_back(r);
    }
}

void XlsReader::onBlank(Body& b) {
    uint16_t rw = b.u16(), col = b.u16(), xf = b.u16();
    if (startCell(rw)) addCell(rw, col, xf, CellType::Blank);
}

void XlsReader::onMulblank(Body& b) {
    uint16_t rw = b.u16(), col = b.u16();
    if (!startCell(rw)) return;
    size_t n = b.remaining() >= 2 ? (b.remaining() - 2) / 2 : 0;
    for (size_t i = 0; i < n; ++i) addCell(rw, uint16_t(col + i), b.u16(), CellType::Blank);
}

// Number (MS-XLS 2.4.180): a cell holding a floating-point number.
void XlsReader::onNumber(Body& b) {
    uint16_t rw = b.u16(), col = b.u16(), xf = b.u16();
    double v = b.f64();
    if (!startCell(rw)) return;
    addCell(rw, col, xf, CellType::Number);
    sheet_->cells.back().number = v;
}

// RK (MS-XLS 2.4.220): a cell holding a number in the compact RK form.
void XlsReader::onRk(Body& b) {
    uint16_t rw = b.u16(), col = b.u16(), xf = b.u16();
    uint32_t rk = b.u32();
    if (!startCell(rw)) return;
    addCell(rw, col, xf, CellType::Number);
    sheet_->cells.back().number = rkValue(rk);
}

// MulRk (MS-XLS 2.4.175): RK numbers of consecutive cells in one row.
void XlsReader::onMulrk(Body& b) {
    uint16_t rw = b.u16(), col = b.u16();
    if (!startCell(rw)) return;
    if (b.lastSegment()) {
        // The usual case, one segment: the cells are read straight from it.
        const size_t n = b.segmentRemaining() >= 2 ? (b.segmentRemaining() - 2) / 6 : 0;
        const uint8_t* p = b.take(n * 6);
        for (size_t i = 0; i < n; ++i, p += 6) {
            uint32_t rk;
            std::memcpy(&rk, p + 2, 4);
            addCell(rw, uint16_t(col + i), uint16_t(p[0] | (p[1] << 8)), CellType::Number);
            sheet_->cells.back().number = rkValue(le32(rk));
        }
        return;
    }
    size_t n = b.remaining() >= 2 ? (b.remaining() - 2) / 6 : 0;
    for (size_t i = 0; i < n; ++i) {
        uint16_t xf = b.u16();
        uint32_t rk = b.u32();
        addCell(rw, uint16_t(col + i), xf, CellType::Number);
        sheet_->cells.back().number = rkValue(rk);
    }
}

void XlsReader::onLabel(Body& b) {
    uint16_t rw = b.u16(), col = b.u16(), xf = b.u16();
    if (!startCell(rw)) return;
    std::string s = str16(b);
    addCell(rw, col, xf, CellType::Text);
    sheet_->cells.back().text = uint32_t(wb_.strings.size());
    wb_.strings.push_back(std::move(s));
}

// LabelSst (MS-XLS 2.4.149): a cell holding a string of the SST.
void XlsReader::onLabelsst(Body& b) {
    uint16_t rw, col, xf;
    uint32_t isst;
    if (const uint8_t* p = b.take(10)) {
        rw = uint16_t(p[0] | (p[1] << 8));
        col = uint16_t(p[2] | (p[3] << 8));
        xf = uint16_t(p[4] | (p[5] << 8));
        std::memcpy(&isst, p + 6, 4);
        isst = le32(isst);
    } else {
        rw = b.u16();
        col = b.u16();
        xf = b.u16();
        isst = b.u32();
    }
    if (isst >= sstCount_) b.corrupt("引用了不存在的共享字符串 #" + std::to_string(isst));
    if (!startCell(rw)) return;
    addCell(rw, col, xf, CellType::Text);
    sheet_->cells.back().text = isst;
}

void XlsReader::onBoolerr(Body& b) {
    uint16_t rw = b.u16(), col = b.u16(), xf = b.u16();
    uint8_t v = b.u8();
    uint8_t isErr = b.u8();
    if (!startCell(rw)) return;
    addCell(rw, col, xf, isErr ? CellType::Error : CellType::Bool);
    sheet_->cells.back().small = isErr ? v : (v ? 1 : 0);
}

// Formula (MS-XLS 2.4.127): a formula cell; only its cached value is kept.
void XlsReader::onFormula(Body& b) {
    uint16_t rw = b.u16(), col = b.u16(), xf = b.u16();
    uint8_t val[8];
    for (auto& x : val) x = b.u8();
    if (!startCell(rw)) return;
    if (val[6] == 0xFF && val[7] == 0xFF) {
        switch (val[0]) {
            case 0:  // text: the STRING record follows
                addCell(rw, col, xf, CellType::Text);
                sheet_->cells.back().text = uint32_t(wb_.strings.size());
                pendingString_ = int64_t(wb_.strings.size());
                wb_.strings.emplace_back();
                return;
            case 1:
                addCell(rw, col, xf, CellType::Bool);
                sheet_->cells.back().small = val[2] ? 1 : 0;
                return;
            case 2:
                addCell(rw, col, xf, CellType::Error);
                sheet_->cells.back().small = val[2];
                return;
            case 3:  // empty text
                addCell(rw, col, xf, CellType::Text);
                sheet_->cells.back().text = uint32_t(wb_.strings.size());
                wb_.strings.emplace_back();
                return;
            default:
                return;
        }
    }
    double d;
    std::memcpy(&d, val, 8);
    addCell(rw, col, xf, CellType::Number);
    sheet_->cells.back().number = d;
}

void XlsReader::onString(Body& b) {
    if (pendingString_ < 0) return;
    wb_.strings[size_t(pendingString_)] = str16(b);
    pendingString_ = -1;
}

// ----- passes ---------------------------------------------------------------------------------

// The globals substream from its BOF (MS-XLS 2.4.21) to its EOF.
void XlsReader::globals() {
    RecordCursor cur(s_, file_);
    Record bof = cur.next();
    if (bof.id != biff::id(Rec::BOF) || bof.bodyEnd - bof.header < 8)
        fail(ErrorKind::Corrupt, file_, "文件已损坏（工作簿数据流不以 BOF 记录开头）");
    uint16_t vers = cur.u16(bof.header + 4);
    uint16_t dt = cur.u16(bof.header + 6);
    if (vers == biff::kBiff8Version)
        biff5_ = false;
    else if (vers == biff::kBiff5Version)
        biff5_ = true;
    else
        fail(ErrorKind::Unsupported, file_,
             "不支持的 Excel 版本（只读取 Excel 5.0 及以后的 .xls 文件）");
    if (dt != uint16_t(biff::BofType::Globals))
        fail(ErrorKind::Corrupt, file_, "文件已损坏（工作簿数据流的第一个 BOF 不是全局部分）");
    wb_.format = biff5_ ? FileFormat::Xls5 : FileFormat::Xls8;
    const auto& table = dispatch().globals;
    while (true) {
        if (cur.atEnd())
            fail(ErrorKind::Truncated, file_, "文件不完整（工作簿全局部分没有 EOF 记录）");
        Record r = cur.next();
        if (r.id == biff::id(Rec::EOF_)) break;
        Handler h = r.id < table.size() ? table[r.id] : nullptr;
        if (!h) continue;  // a record this reader does not need
        Body body(s_, r, file_);
        (this->*h)(body);
    }
}

void XlsReader::readSheet(Sheet& sheet, uint32_t offset) {
    if (offset >= s_.size())
        fail(ErrorKind::Corrupt, file_,
             "文件已损坏（工作表“" + sheet.name + "”的位置超出了数据流）");
    sheet_ = &sheet;
    frozen_ = false;
    stop_ = false;
    rowsSeen_ = 0;
    lastRow_ = -1;
    pendingString_ = -1;
    RecordCursor cur(s_, file_);
    cur.seek(offset);
    Record bof = cur.next();
    if (bof.id != biff::id(Rec::BOF))
        fail(ErrorKind::Corrupt, file_,
             "文件已损坏（工作表“" + sheet.name + "”不以 BOF 记录开头）");
    const auto& table = dispatch().sheet;
    int depth = 1;
    while (!stop_) {
        if (cur.atEnd())
            fail(ErrorKind::Truncated, file_,
                 "文件不完整（工作表“" + sheet.name + "”没有 EOF 记录）");
        Record r = cur.next();
        if (r.id == biff::id(Rec::BOF)) {
            ++depth;  // an embedded chart
            continue;
        }
        if (r.id == biff::id(Rec::EOF_)) {
            if (--depth == 0) break;
            continue;
        }
        if (depth != 1) continue;
        Handler h = r.id < table.size() ? table[r.id] : nullptr;
        if (!h) continue;
        if (r.id != biff::id(Rec::STRING)) pendingString_ = -1;
        Body body(s_, r, file_);
        (this->*h)(body);
    }
    sheet.complete = !stop_;
    sheet.loaded = true;
    sheet.normalizeCells();
    sheet_ = nullptr;
}

Workbook XlsReader::run() {
    globals();
    buildStyles();
    bool found = !opt_.sheet;
    uint64_t cells = 0;
    for (size_t i = 0; i < wb_.sheets.size(); ++i) {
        Sheet& sh = wb_.sheets[i];
        bool wanted = !opt_.sheet || sh.name == *opt_.sheet;
        if (opt_.sheet && sh.name == *opt_.sheet) found = true;
        if (!opt_.cells || !wanted || sh.kind != SheetKind::Worksheet) continue;
        readSheet(sh, entries_[i].offset);
        // Every cell takes at least 2 bytes of the stream (MULBLANK), so the sheets together
        // hold no more cells than half its size, unless several of them read one substream.
        cells += sh.cells.size();
        const uint64_t limit = s_.size() / 2 + 65536;
        if (cells > limit) {
            size_t sharing = 0;
            for (size_t k = 0; k <= i; ++k) sharing += entries_[k].offset == entries_[i].offset;
            fail(ErrorKind::TooLarge, file_,
                 "工作簿太大（读到工作表“" + sh.name + "”时已有 " + groupedNumber(cells) +
                     " 个单元格，而 Workbook 数据流只有 " + groupedNumber(s_.size()) +
                     " 字节，最多容纳 " + groupedNumber(limit) + " 个单元格" +
                     (sharing > 1 ? "；" + groupedNumber(sharing) + " 张工作表共用同一段数据"
                                  : std::string()) +
                     "）");
        }
    }
    if (!found && opt_.missingSheetIsError) noSuchSheet(file_, *opt_.sheet);
    return std::move(wb_);
}

}  // namespace
}  // namespace xls

Workbook readXls(std::span<const uint8_t> bytes, const std::string& file,
                 const ReadOptions& options) {
    const xls::WorkbookStream stream(bytes, file);
    xls::XlsReader reader(stream.bytes(), file, options, stream.biff5());
    return reader.run();
}

}  // namespace shuhui::formats::detail
