// One worksheet part of an .xlsx package (see sheet_part.h).
#include "formats/xlsx/sheet_part.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <optional>
#include <string_view>

#include "formats/numfmt.h"
#include "formats/read_errors.h"
#include "formats/read_limits.h"
#include "formats/xlsx/sheet_scan.h"
#include "formats/xlsx/xml_part.h"

namespace shuhui::formats::detail::xlsx {
namespace {

constexpr uint32_t kMaxRows = 1048576;
constexpr uint32_t kMaxCols = 16384;

// "B3" → row 2, col 1; false when it is not a cell reference
bool parseRef(std::string_view s, uint32_t& row, uint32_t& col) {
    size_t i = 0;
    uint64_t c = 0, r = 0;
    if (i < s.size() && s[i] == '$') ++i;
    size_t letters = 0;
    while (i < s.size() && ((s[i] >= 'A' && s[i] <= 'Z') || (s[i] >= 'a' && s[i] <= 'z'))) {
        c = c * 26 + uint64_t((s[i] | 0x20) - 'a' + 1);
        if (++letters > 3) return false;
        ++i;
    }
    if (i < s.size() && s[i] == '$') ++i;
    size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        r = r * 10 + uint64_t(s[i] - '0');
        if (++digits > 7) return false;
        ++i;
    }
    if (i != s.size() || letters == 0 || digits == 0 || r == 0 || c == 0) return false;
    if (r > kMaxRows || c > kMaxCols) return false;
    row = uint32_t(r - 1);
    col = uint32_t(c - 1);
    return true;
}

bool parseRangeRef(std::string_view s, Range& out) {
    size_t colon = s.find(':');
    uint32_t r1, c1, r2, c2;
    if (colon == std::string_view::npos) {
        if (!parseRef(s, r1, c1)) return false;
        out = Range{r1, c1, r1, c1};
        return true;
    }
    if (!parseRef(s.substr(0, colon), r1, c1) || !parseRef(s.substr(colon + 1), r2, c2))
        return false;
    out = Range{std::min(r1, r2), std::min(c1, c2), std::max(r1, r2), std::max(c1, c2)};
    return true;
}

uint8_t errorCode(std::string_view s) {
    static const std::pair<std::string_view, uint8_t> kCodes[] = {
        {"#NULL!", 0x00}, {"#DIV/0!", 0x07}, {"#VALUE!", 0x0F}, {"#REF!", 0x17},
        {"#NAME?", 0x1D}, {"#NUM!", 0x24},   {"#N/A", 0x2A},    {"#GETTING_DATA", 0x2B},
    };
    for (auto& [k, v] : kCodes)
        if (k == s) return v;
    return 0x2A;
}

struct SheetHandler {
    SheetHandler(Sheet& s, std::vector<std::string>& inl, const std::string& f,
                 const std::string& p, std::optional<uint32_t> max)
        : sheet(s), inlineStrings(inl), file(f), part(p), maxRows(max) {}
    Sheet& sheet;
    std::vector<std::string>& inlineStrings;
    const std::string& file;
    const std::string& part;
    std::optional<uint32_t> maxRows;
    uint64_t maxShared = 0;  // 1 + the largest shared-string index seen
    bool date1904 = false;   // the date system t="d" cells are converted to
    size_t reserveCap = 0;   // most cells to reserve from the declared dimension
    bool stopped = false;

    enum class T : uint8_t { Number, Shared, Str, Inline, Bool, Error, Date };
    int64_t curRow = -1;
    int64_t nextCol = 0;
    uint32_t rowsSeen = 0;
    int64_t lastCountedRow = -1;
    bool inCell = false, inV = false, inIs = false, inT = false;
    int inRph = 0;
    T type = T::Number;
    Cell cell;
    std::string buf;

    template <class X>
    void start(X* x, std::string_view name, const char** atts) {
        const char c0 = name[0];
        if (c0 == 'c' && name.size() == 1) {  // c, ECMA-376-1 18.3.1.4
            startCell(x, atts);
        } else if (c0 == 'v' && name.size() == 1) {
            inV = inCell;
            buf.clear();
        } else if (c0 == 't' && name.size() == 1) {
            inT = inIs && inRph == 0;
        } else if (name == "is") {
            inIs = inCell;
            buf.clear();
        } else if (name == "row") {  // 18.3.1.73
            const char* r = attr(atts, "r");
            uint32_t rr;
            if (r) {
                const char* end = r + std::strlen(r);
                auto [p, ec] = std::from_chars(r, end, rr);
                if (ec != std::errc() || p != end || rr < 1 || rr > kMaxRows)
                    outOfRange("行号“" + std::string(r) + "”");
                curRow = int64_t(rr) - 1;
            } else {
                curRow = curRow + 1;
                if (curRow >= int64_t(kMaxRows))
                    outOfRange("第 " + std::to_string(curRow + 1) + " 行");
            }
            nextCol = 0;
            const char* ht = attr(atts, "ht");
            bool hidden = truthy(attr(atts, "hidden"));
            bool custom = truthy(attr(atts, "customHeight"));
            if (hidden || (custom && ht))
                sheet.rows.push_back(RowInfo{uint32_t(std::min<int64_t>(curRow, kMaxRows - 1)),
                                             toDouble(ht, 15), hidden});
        } else if (name == "rPh") {
            ++inRph;
        } else if (name == "dimension") {
            Range r;
            if (const char* ref = attr(atts, "ref"); ref && parseRangeRef(ref, r)) {
                sheet.dimension = r;
                size_t want =
                    size_t(r.lastRow - r.firstRow + 1) * size_t(r.lastCol - r.firstCol + 1);
                if (!maxRows) sheet.cells.reserve(std::min(want, reserveCap));
            }
        } else if (name == "col") {  // 18.3.1.13
            ColInfo ci;
            uint32_t mn = 0, mx = 0;
            const char* a = attr(atts, "min");
            const char* b = attr(atts, "max");
            if (!a || !b || std::from_chars(a, a + std::strlen(a), mn).ec != std::errc() ||
                std::from_chars(b, b + std::strlen(b), mx).ec != std::errc() || mn < 1 || mx < mn)
                return;
            mx = std::min(mx, kMaxCols);
            if (mn > mx) return;
            ci.first = uint16_t(mn - 1);
            ci.last = uint16_t(mx - 1);
            const char* w = attr(atts, "width");
            ci.width = w ? displayedWidth(toDouble(w, 0)) : sheet.defaultColWidth;
            ci.hidden = truthy(attr(atts, "hidden"));
            ci.style = uint32_t(toDouble(attr(atts, "style"), 0));
            sheet.cols.push_back(ci);
        } else if (name == "mergeCell") {  // 18.3.1.54
            Range r;
            if (const char* ref = attr(atts, "ref"); ref && parseRangeRef(ref, r))
                sheet.merged.push_back(r);
        } else if (name == "pane") {  // 18.3.1.66: a frozen split xSplit columns, ySplit rows in
            if (const char* state = attr(atts, "state");
                state && std::strncmp(state, "frozen", 6) == 0) {
                sheet.frozenCols =
                    uint32_t(std::clamp(toDouble(attr(atts, "xSplit"), 0), 0.0, double(kMaxCols)));
                sheet.frozenRows =
                    uint32_t(std::clamp(toDouble(attr(atts, "ySplit"), 0), 0.0, double(kMaxRows)));
            }
        } else if (name == "sheetFormatPr") {  // 18.3.1.81
            if (const char* w = attr(atts, "defaultColWidth"))
                sheet.defaultColWidth = displayedWidth(toDouble(w, 9.140625));
            else if (const char* bw = attr(atts, "baseColWidth"))
                sheet.defaultColWidth = displayedWidthFromChars(toDouble(bw, 8));
        }
    }

    [[noreturn]] void outOfRange(const std::string& what) {
        fail(
            ErrorKind::Corrupt, file,
            "工作表“" + sheet.name + "”中的" + what +
                "超出了工作表的范围（最多 1,048,576 行、16,384 列，从 A1 起），这个工作表无法读取");
    }

    template <class X>
    void startCell(X* x, const char** atts) {
        const char* r = nullptr;
        const char* t = nullptr;
        const char* s = nullptr;
        for (size_t i = 0; atts[i]; i += 2) {
            const char* n = atts[i];
            if (n[1] != 0) continue;
            if (n[0] == 'r')
                r = atts[i + 1];
            else if (n[0] == 't')
                t = atts[i + 1];
            else if (n[0] == 's')
                s = atts[i + 1];
        }
        uint32_t row, col;
        if (r) {
            // A reference past the sheet's last row or column, or one that is not a reference at
            // all, is refused: putting the cell anywhere else would move data without a word.
            if (!parseRef(r, row, col)) outOfRange("单元格引用“" + std::string(r) + "”");
        } else {
            if (curRow < 0) curRow = 0;
            if (curRow >= int64_t(kMaxRows))
                outOfRange("第 " + std::to_string(curRow + 1) + " 行的单元格");
            if (nextCol >= kMaxCols)
                fail(ErrorKind::Corrupt, file,
                     "文件已损坏（" + part + " 中一行的单元格超过了 16384 列）");
            row = uint32_t(curRow);
            col = uint32_t(nextCol);
        }
        curRow = row;
        nextCol = int64_t(col) + 1;
        if (int64_t(row) != lastCountedRow) {
            if (maxRows && rowsSeen >= *maxRows) {
                stopped = true;
                x->stop();
                return;
            }
            ++rowsSeen;
            lastCountedRow = row;
        }
        cell = Cell{};
        cell.row = row;
        cell.col = uint16_t(col);
        if (s) {
            uint32_t si = 0;
            std::from_chars(s, s + std::strlen(s), si);
            cell.style = si;
        }
        type = T::Number;
        if (t) {
            switch (t[0]) {
                case 's':
                    type = t[1] == 't' ? T::Str : T::Shared;
                    break;  // "str" / "s"
                case 'i':
                    type = T::Inline;
                    break;
                case 'b':
                    type = T::Bool;
                    break;
                case 'e':
                    type = T::Error;
                    break;
                case 'd':
                    type = T::Date;
                    break;
                default:
                    type = T::Number;
                    break;
            }
        }
        inCell = true;
        buf.clear();
    }

    template <class X>
    void end(X*, std::string_view name) {
        const char c0 = name[0];
        if (c0 == 'c' && name.size() == 1) {
            if (inCell) finishCell();
            inCell = false;
        } else if (c0 == 'v' && name.size() == 1) {
            inV = false;
        } else if (c0 == 't' && name.size() == 1) {
            inT = false;
        } else if (name == "is") {
            inIs = false;
        } else if (name == "rPh") {
            --inRph;
        }
    }

    void text(const char* s, size_t n) {
        if (!(inV || inT)) return;
        if (buf.size() + n > kMaxTextBytes)
            fail(ErrorKind::TooLarge, file,
                 "工作表“" + sheet.name + "”的单元格 " + columnLetters(cell.col) +
                     std::to_string(cell.row + 1) + " 的文本超过 " + groupedNumber(kMaxTextBytes) +
                     " 字节（一个单元格最多 32,767 个字符），不是正常的工作簿");
        buf.append(s, n);
    }

    void finishCell() {
        switch (type) {
            case T::Number:
                if (buf.empty()) {
                    cell.type = CellType::Blank;
                } else {
                    cell.type = CellType::Number;
                    if (!parseNumber(std::string_view(buf), cell.number))
                        fail(ErrorKind::Corrupt, file,
                             "文件已损坏（" + part + " 中单元格 " + columnLetters(cell.col) +
                                 std::to_string(cell.row + 1) + " 的数值“" + buf.substr(0, 40) +
                                 "”无法识别）");
                }
                break;
            case T::Shared: {
                uint64_t idx;
                if (buf.empty()) {
                    cell.type = CellType::Blank;
                    break;
                }
                if (!parseNumber(std::string_view(buf), idx) || idx > 0xFFFFFFFEu)
                    fail(ErrorKind::Corrupt, file,
                         "文件已损坏（" + part + " 中单元格 " + columnLetters(cell.col) +
                             std::to_string(cell.row + 1) + " 的共享字符串编号无效）");
                cell.type = CellType::Text;
                cell.text = uint32_t(idx);
                maxShared = std::max<uint64_t>(maxShared, idx + 1);
                break;
            }
            case T::Date:
                if (buf.empty()) {
                    cell.type = CellType::Blank;
                    break;
                }
                if (const auto serial = isoToSerial(buf, date1904)) {
                    cell.type = CellType::Number;
                    cell.number = *serial;
                    cell.small = kIsoDate;
                    break;
                }
                [[fallthrough]];  // text that is no date stays text
            case T::Str:
            case T::Inline:
                cell.type = CellType::Text;
                cell.small = kInline;
                cell.text = uint32_t(inlineStrings.size());
                inlineStrings.push_back(buf);
                break;
            case T::Bool:
                if (buf.empty()) {
                    cell.type = CellType::Blank;
                    break;
                }
                cell.type = CellType::Bool;
                cell.small = (buf == "1" || buf == "true") ? 1 : 0;
                break;
            case T::Error:
                cell.type = CellType::Error;
                cell.small = errorCode(buf);
                break;
        }
        sheet.cells.push_back(cell);
    }
};

// A worksheet part read by expat up to and including the <sheetData> start tag, by the scanner of
// sheet_scan.h inside it, and by expat again from </sheetData> on (expat then sees an empty
// sheetData). The same handler gets the events of all three. When the scanner gives up, the sink
// stops and gaveUp() tells the caller to read the part again through expat alone.

// The gate notes where expat saw the <sheetData> start tag (ECMA-376-1 18.3.1.80).
struct SheetGate {
    SheetHandler& h;
    int64_t sheetDataAt = -1;
    template <class X>
    void start(X* x, std::string_view name, const char** atts) {
        if (name == "sheetData") sheetDataAt = x->byteIndex();
        h.start(x, name, atts);
    }
    template <class X>
    void end(X* x, std::string_view name) {
        h.end(x, name);
    }
    void text(const char* s, size_t n) { h.text(s, n); }
};

class ScannedSheetPart {
  public:
    ScannedSheetPart(SheetHandler& h, const std::string& file, const std::string& part)
        : gate_{h}, xml_(gate_, file, part), scanner_(h) {}

    // the zip sink: false stops inflating
    bool feed(const char* d, size_t n, bool last) {
        switch (mode_) {
            case Mode::Before:
                return before(d, n, last);
            case Mode::Inside:
                return inside(d, n, last);
            case Mode::After:
                break;
        }
        return expat(d, n, last);
    }
    bool gaveUp() const { return gaveUp_; }
    bool scanned() const { return scanned_; }

  private:
    enum class Mode { Before, Inside, After };  // After: expat only, to the end

    static bool isSpace(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }

    bool expat(const char* d, size_t n, bool last) {
        fed_ += int64_t(n);
        return xml_.feed(d, n, last);
    }

    // Scanning only UTF-8 text: a declared encoding must be UTF-8, and no UTF-16.
    static bool plainUtf8(std::string_view s) {
        if (s.size() >= 3 && s.substr(0, 3) == "\xEF\xBB\xBF") s.remove_prefix(3);
        for (size_t i = 0; i < std::min<size_t>(s.size(), 4); ++i)
            if (s[i] == 0 || uint8_t(s[i]) >= 0xFE) return false;
        if (s.substr(0, 5) != "<?xml") return true;
        size_t end = s.find("?>");
        if (end == std::string_view::npos || end > 1024) return false;
        std::string_view decl = s.substr(0, end);
        size_t enc = decl.find("encoding");
        if (enc == std::string_view::npos) return true;
        size_t q = decl.find_first_of("\"'", enc);
        if (q == std::string_view::npos) return false;
        size_t q2 = decl.find(decl[q], q + 1);
        if (q2 == std::string_view::npos) return false;
        std::string_view v = decl.substr(q + 1, q2 - q - 1);
        if (v.size() != 5) return false;
        for (size_t i = 0; i < 5; ++i)
            if ((v[i] | 0x20) != "utf-8"[i]) return false;
        return true;
    }

    bool before(const char* d, size_t n, bool last) {
        pre_.append(d, n);
        if (!checkedDecl_) {
            checkedDecl_ = true;
            if (!plainUtf8(pre_)) return toExpat(last);
        }
        size_t from = 0;
        while (true) {
            size_t pos = pre_.find("<sheetData", from);
            if (pos == std::string::npos) break;
            size_t j = pos + 10;
            while (j < pre_.size() && isSpace(pre_[j])) ++j;
            if (j == pre_.size()) {
                if (last || pre_.size() > (1u << 20)) return toExpat(last);  // endless spaces
                bool go = expat(pre_.data(), pos, false);
                pre_.erase(0, pos);
                return go;
            }
            char c = pre_[j];
            if (c != '>') {
                if (std::isalnum(uint8_t(c)) || c == '_' || c == '-' || c == '.' || c == ':') {
                    from = pos + 1;  // another element whose name starts so
                    continue;
                }
                return toExpat(last);  // attributes or an empty sheetData
            }
            int64_t at = fed_ + int64_t(pos);
            if (!expat(pre_.data(), j + 1, false)) return false;
            pre_.erase(0, j + 1);
            if (xml_.sawDoctype()) return toExpat(last);
            if (gate_.sheetDataAt != at) {  // the name inside a comment or the like
                from = 0;
                continue;
            }
            mode_ = Mode::Inside;
            scanned_ = true;
            std::string rest = std::move(pre_);
            pre_ = std::string();
            return inside(rest.data(), rest.size(), last);
        }
        if (last) return toExpat(true);
        constexpr size_t kKeep = 64;  // a cut "<sheetData" stays for the next chunk
        if (pre_.size() > kKeep) {
            size_t cut = pre_.size() - kKeep;
            bool go = expat(pre_.data(), cut, false);
            pre_.erase(0, cut);
            return go;
        }
        return true;
    }

    bool toExpat(bool last) {
        mode_ = Mode::After;
        std::string all = std::move(pre_);
        pre_ = std::string();
        return expat(all.data(), all.size(), last);
    }

    bool inside(const char* d, size_t n, bool last) {
        using R = SheetDataScanner<SheetHandler>::Result;
        switch (scanner_.feed(d, n, last)) {
            case R::More:
                return true;
            case R::Stopped:
                return false;
            case R::GiveUp:
                gaveUp_ = true;
                return false;
            case R::Done:
                break;
        }
        mode_ = Mode::After;
        std::string_view rest = scanner_.rest();
        return expat(rest.data(), rest.size(), last);
    }

    SheetGate gate_;
    XmlPart<SheetGate> xml_;
    SheetDataScanner<SheetHandler> scanner_;
    Mode mode_ = Mode::Before;
    std::string pre_;
    int64_t fed_ = 0;
    bool checkedDecl_ = false, gaveUp_ = false, scanned_ = false;
};

}  // namespace

SheetPartRead readSheetPart(Zip& zip, const std::string& part, Sheet& sh,
                            std::vector<std::string>& inlineStrings, const std::string& file,
                            const ReadOptions& options, size_t reserveCap, bool date1904) {
    SheetPartRead out;
    const bool mayStop = options.maxRows.has_value();
    bool done = false;
    if (sheetScanEnabled()) {
        // read with the scanner; on its giving up (or any error) the part is read again by expat
        // alone from a clean state, which also gives the errors their wording
        const Sheet before = sh;
        const size_t inlineBefore = inlineStrings.size();
        bool gaveUp = false, scanned = false;
        try {
            SheetHandler h(sh, inlineStrings, file, part, options.maxRows);
            h.reserveCap = reserveCap;
            h.date1904 = date1904;
            ScannedSheetPart scan(h, file, part);
            out.found = zip.read(
                part, [&](const char* d, size_t n, bool last) { return scan.feed(d, n, last); },
                mayStop);
            gaveUp = scan.gaveUp();
            scanned = scan.scanned();
            out.stopped = h.stopped;
            out.maxShared = h.maxShared;
        } catch (...) {
            gaveUp = true;
            scanned = true;
        }
        if (scanned) countSheetScan(gaveUp);
        if (gaveUp) {
            sh = before;
            inlineStrings.resize(inlineBefore);
        } else {
            done = true;
        }
    }
    if (!done) {
        SheetHandler h(sh, inlineStrings, file, part, options.maxRows);
        h.reserveCap = reserveCap;
        h.date1904 = date1904;
        out.found = parsePart(zip, part, h, file, mayStop);
        out.stopped = h.stopped;
        out.maxShared = h.maxShared;
    }
    return out;
}

}  // namespace shuhui::formats::detail::xlsx
