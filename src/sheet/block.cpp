#include "sheet/block.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "formats/error.h"
#include "sheet/cell_text.h"

namespace shuhui::sheet {

using formats::Border;
using formats::CellStyle;
using formats::CellType;

std::string shownText(const StyledBlock& block, const BlockCell& cell) {
    switch (cell.type) {
        case CellType::Blank:
            return {};
        case CellType::Text:
            return cell.text;
        case CellType::Bool:
            return cell.small ? "TRUE" : "FALSE";
        case CellType::Error:
            return formats::errorText(cell.small);
        case CellType::Number: {
            const std::string& code =
                cell.style < block.styles.size() ? block.styles[cell.style].numFmt : "General";
            return formatNumber(cell.number, code, block.date1904);
        }
    }
    return {};
}

// ---- our own form

namespace {

constexpr std::string_view kMagic = "SHUHUI-BLOCK 1";

std::string escape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out.push_back(c);
    }
    return out;
}

std::string unescape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out.push_back(s[i]);
            continue;
        }
        const char n = s[++i];
        out.push_back(n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n);
    }
    return out;
}

std::string num(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

class Fields {
  public:
    explicit Fields(std::string_view line) {
        size_t start = 0;
        for (;;) {
            const size_t tab = line.find('\t', start);
            parts_.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
            if (tab == std::string_view::npos) break;
            start = tab + 1;
        }
    }
    size_t size() const { return parts_.size(); }
    std::string_view operator[](size_t i) const { return parts_.at(i); }
    uint64_t whole(size_t i, uint64_t max) const {
        uint64_t v = 0;
        const std::string_view s = (*this)[i];
        auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
        if (ec != std::errc() || p != s.data() + s.size() || v > max) bad();
        return v;
    }
    double real(size_t i) const {
        const std::string s((*this)[i]);
        char* end = nullptr;
        const double v = std::strtod(s.c_str(), &end);
        if (s.empty() || *end != '\0') bad();
        return v;
    }
    [[noreturn]] static void bad() {
        throw Error(ErrorKind::Corrupt, "剪贴板上的单元格数据已损坏,无法粘贴");
    }

  private:
    std::vector<std::string_view> parts_;
};

// Appends "\t" and the field.
void put(std::string& out, std::string_view field) {
    out.push_back('\t');
    out.append(field);
}
void put(std::string& out, uint64_t v) {
    put(out, std::to_string(v));
}

void putBorder(std::string& out, const Border& b) {
    put(out, uint64_t(b.style));
    put(out, b.color);
}

Border getBorder(const Fields& f, size_t i) {
    Border b;
    b.style = formats::BorderStyle(f.whole(i, 13));
    b.color = uint32_t(f.whole(i + 1, 0xFFFFFFFFu));
    return b;
}

}  // namespace

std::string encodeBlock(const StyledBlock& b) {
    std::string out(kMagic);
    out += "\nsize";
    put(out, b.rows);
    put(out, b.cols);
    put(out, b.date1904);
    out.push_back('\n');
    for (const CellStyle& s : b.styles) {
        out += "style";
        put(out, escape(s.font.name));
        put(out, num(s.font.size));
        put(out, s.font.bold);
        put(out, s.font.italic);
        put(out, s.font.underline);
        put(out, s.font.color);
        put(out, s.fill);
        put(out, uint64_t(s.halign));
        put(out, uint64_t(s.valign));
        put(out, s.wrap);
        putBorder(out, s.left);
        putBorder(out, s.right);
        putBorder(out, s.top);
        putBorder(out, s.bottom);
        put(out, escape(s.numFmt));
        out.push_back('\n');
    }
    for (double w : b.colWidths) {
        out += "width";
        put(out, num(w));
        out.push_back('\n');
    }
    for (const auto& h : b.rowHeights) {
        out += "height";
        put(out, h ? num(*h) : std::string("-"));
        out.push_back('\n');
    }
    for (const formats::Range& m : b.merged) {
        out += "merge";
        put(out, m.firstRow);
        put(out, m.firstCol);
        put(out, m.lastRow);
        put(out, m.lastCol);
        out.push_back('\n');
    }
    for (const BlockCell& c : b.cells) {
        out += "cell";
        put(out, c.row);
        put(out, c.col);
        put(out, uint64_t(c.type));
        put(out, c.small);
        put(out, c.style);
        put(out, num(c.number));
        put(out, escape(c.text));
        out.push_back('\n');
    }
    return out;
}

StyledBlock decodeBlock(std::string_view text) {
    if (text.substr(0, kMagic.size()) != kMagic) Fields::bad();
    StyledBlock b;
    b.styles.clear();
    bool sized = false;
    size_t pos = kMagic.size();
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty()) continue;
        const Fields f(line);
        const std::string_view kind = f[0];
        if (kind == "size" && f.size() == 4) {
            b.rows = uint32_t(f.whole(1, 1u << 20));
            b.cols = uint32_t(f.whole(2, 1u << 14));
            b.date1904 = f.whole(3, 1) == 1;
            sized = true;
        } else if (kind == "style" && f.size() == 20) {
            CellStyle s;
            s.font.name = unescape(f[1]);
            s.font.size = f.real(2);
            s.font.bold = f.whole(3, 1);
            s.font.italic = f.whole(4, 1);
            s.font.underline = uint8_t(f.whole(5, 2));
            s.font.color = uint32_t(f.whole(6, 0xFFFFFFFFu));
            s.fill = uint32_t(f.whole(7, 0xFFFFFFFFu));
            s.halign = formats::HAlign(f.whole(8, 7));
            s.valign = formats::VAlign(f.whole(9, 4));
            s.wrap = f.whole(10, 1);
            s.left = getBorder(f, 11);
            s.right = getBorder(f, 13);
            s.top = getBorder(f, 15);
            s.bottom = getBorder(f, 17);
            s.numFmt = unescape(f[19]);
            b.styles.push_back(std::move(s));
        } else if (kind == "width" && f.size() == 2) {
            b.colWidths.push_back(f.real(1));
        } else if (kind == "height" && f.size() == 2) {
            b.rowHeights.push_back(f[1] == "-" ? std::nullopt : std::optional<double>(f.real(1)));
        } else if (kind == "merge" && f.size() == 5) {
            formats::Range m{uint32_t(f.whole(1, b.rows)), uint32_t(f.whole(2, b.cols)),
                             uint32_t(f.whole(3, b.rows)), uint32_t(f.whole(4, b.cols))};
            if (m.lastRow >= b.rows || m.lastCol >= b.cols || m.firstRow > m.lastRow ||
                m.firstCol > m.lastCol)
                Fields::bad();
            b.merged.push_back(m);
        } else if (kind == "cell" && f.size() == 8) {
            BlockCell c;
            c.row = uint32_t(f.whole(1, b.rows));
            c.col = uint32_t(f.whole(2, b.cols));
            c.type = CellType(f.whole(3, 4));
            c.small = uint8_t(f.whole(4, 255));
            c.style = uint32_t(f.whole(5, 0xFFFFFFFFu));
            c.number = f.real(6);
            c.text = unescape(f[7]);
            if (c.row >= b.rows || c.col >= b.cols || c.style >= b.styles.size()) Fields::bad();
            if (!b.cells.empty() && (b.cells.back().row > c.row ||
                                     (b.cells.back().row == c.row && b.cells.back().col >= c.col)))
                Fields::bad();
            b.cells.push_back(std::move(c));
        } else {
            Fields::bad();
        }
    }
    if (!sized || b.styles.empty() || b.colWidths.size() != b.cols || b.rowHeights.size() != b.rows)
        Fields::bad();
    return b;
}

// ---- tab-separated text

std::string blockToTsv(const StyledBlock& b) {
    std::string out;
    size_t k = 0;
    for (uint32_t r = 0; r < b.rows; ++r) {
        for (uint32_t c = 0; c < b.cols; ++c) {
            if (c > 0) out.push_back('\t');
            while (k < b.cells.size() &&
                   (b.cells[k].row < r || (b.cells[k].row == r && b.cells[k].col < c)))
                ++k;
            if (k < b.cells.size() && b.cells[k].row == r && b.cells[k].col == c) {
                const std::string t = shownText(b, b.cells[k]);
                if (t.find_first_of("\t\n\r\"") == std::string::npos) {
                    out += t;
                } else {
                    out.push_back('"');
                    for (char ch : t) {
                        if (ch == '"') out.push_back('"');
                        out.push_back(ch);
                    }
                    out.push_back('"');
                }
            }
        }
        out += "\r\n";
    }
    return out;
}

StyledBlock blockFromTsv(std::string_view text) {
    StyledBlock b;
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool fieldStarted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' && !fieldStarted) {
            // quoted field: up to the closing quote, "" is one quote
            fieldStarted = true;
            for (++i; i < text.size(); ++i) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field.push_back('"');
                        ++i;
                    } else {
                        break;
                    }
                } else {
                    field.push_back(text[i]);
                }
            }
        } else if (c == '\t') {
            rows.back().push_back(std::move(field));
            field.clear();
            fieldStarted = false;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            rows.back().push_back(std::move(field));
            field.clear();
            fieldStarted = false;
            rows.emplace_back();
        } else {
            field.push_back(c);
            fieldStarted = true;
        }
    }
    if (fieldStarted || !rows.back().empty()) rows.back().push_back(std::move(field));
    if (rows.back().empty()) rows.pop_back();
    b.rows = uint32_t(rows.size());
    for (const auto& r : rows) b.cols = std::max(b.cols, uint32_t(r.size()));
    b.colWidths.assign(b.cols, 8.43);
    b.rowHeights.assign(b.rows, std::nullopt);
    for (uint32_t r = 0; r < b.rows; ++r) {
        for (uint32_t c = 0; c < rows[r].size(); ++c) {
            const std::string& t = rows[r][c];
            if (t.empty()) continue;
            BlockCell cell;
            cell.row = r;
            cell.col = c;
            double v = 0;
            auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
            if (ec == std::errc() && p == t.data() + t.size() && t.front() != '+') {
                cell.type = CellType::Number;
                cell.number = v;
            } else {
                cell.type = CellType::Text;
                cell.text = t;
            }
            b.cells.push_back(std::move(cell));
        }
    }
    return b;
}

// ---- HTML table

namespace {

std::string htmlEscape(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\n':
                out += "<br>";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

std::string rgb(uint32_t c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%06X", c & 0xFFFFFF);
    return buf;
}

std::string cssBorder(const Border& b) {
    if (b.style == formats::BorderStyle::None) return "none";
    const char* kind = "solid";
    std::string width = "1px";
    switch (b.style) {
        case formats::BorderStyle::Medium:
        case formats::BorderStyle::MediumDashed:
        case formats::BorderStyle::MediumDashDot:
        case formats::BorderStyle::MediumDashDotDot:
            width = "2px";
            break;
        case formats::BorderStyle::Thick:
            width = "3px";
            break;
        case formats::BorderStyle::Double:
            width = "3px";
            kind = "double";
            break;
        default:
            break;
    }
    if (b.style == formats::BorderStyle::Dashed || b.style == formats::BorderStyle::MediumDashed)
        kind = "dashed";
    if (b.style == formats::BorderStyle::Dotted || b.style == formats::BorderStyle::Hair)
        kind = "dotted";
    return width + " " + kind + " " + (b.color == formats::kNoColor ? "#000000" : rgb(b.color));
}

std::string css(const CellStyle& s) {
    std::string out =
        "font-family:'" + htmlEscape(s.font.name) + "';font-size:" + num(s.font.size) + "pt;";
    if (s.font.bold) out += "font-weight:bold;";
    if (s.font.italic) out += "font-style:italic;";
    if (s.font.underline) out += "text-decoration:underline;";
    if (s.font.color != formats::kNoColor) out += "color:" + rgb(s.font.color) + ";";
    if (s.fill != formats::kNoColor) out += "background:" + rgb(s.fill) + ";";
    switch (s.halign) {
        case formats::HAlign::Left:
            out += "text-align:left;";
            break;
        case formats::HAlign::Center:
        case formats::HAlign::CenterAcross:
            out += "text-align:center;";
            break;
        case formats::HAlign::Right:
            out += "text-align:right;";
            break;
        case formats::HAlign::Justify:
        case formats::HAlign::Distributed:
            out += "text-align:justify;";
            break;
        default:
            break;
    }
    switch (s.valign) {
        case formats::VAlign::Top:
            out += "vertical-align:top;";
            break;
        case formats::VAlign::Center:
            out += "vertical-align:middle;";
            break;
        default:
            out += "vertical-align:bottom;";
            break;
    }
    if (!s.wrap) out += "white-space:nowrap;";
    out += "border-left:" + cssBorder(s.left) + ";border-right:" + cssBorder(s.right) +
           ";border-top:" + cssBorder(s.top) + ";border-bottom:" + cssBorder(s.bottom) + ";";
    return out;
}

}  // namespace

std::string blockToHtml(const StyledBlock& b) {
    std::vector<int> covered(size_t(b.rows) * b.cols,
                             0);  // 0 free, 1 top-left of a merge, 2 hidden
    std::vector<const formats::Range*> mergeAt(size_t(b.rows) * b.cols, nullptr);
    for (const formats::Range& m : b.merged) {
        for (uint32_t r = m.firstRow; r <= m.lastRow; ++r)
            for (uint32_t c = m.firstCol; c <= m.lastCol; ++c) covered[size_t(r) * b.cols + c] = 2;
        covered[size_t(m.firstRow) * b.cols + m.firstCol] = 1;
        mergeAt[size_t(m.firstRow) * b.cols + m.firstCol] = &m;
    }
    std::string out =
        "<html><head><meta charset=\"utf-8\"></head><body>"
        "<table border=\"0\" cellspacing=\"0\" cellpadding=\"2\" "
        "style=\"border-collapse:collapse\">";
    for (double w : b.colWidths) out += "<col width=\"" + std::to_string(int(w * 7 + 5.5)) + "\">";
    size_t k = 0;
    for (uint32_t r = 0; r < b.rows; ++r) {
        out += "<tr";
        if (b.rowHeights[r])
            out += " height=\"" + std::to_string(int(*b.rowHeights[r] * 4 / 3 + 0.5)) + "\"";
        out += ">";
        for (uint32_t c = 0; c < b.cols; ++c) {
            while (k < b.cells.size() &&
                   (b.cells[k].row < r || (b.cells[k].row == r && b.cells[k].col < c)))
                ++k;
            const size_t at = size_t(r) * b.cols + c;
            if (covered[at] == 2) continue;
            const BlockCell* cell = k < b.cells.size() && b.cells[k].row == r && b.cells[k].col == c
                                        ? &b.cells[k]
                                        : nullptr;
            out += "<td";
            if (const formats::Range* m = mergeAt[at]) {
                if (m->lastCol > m->firstCol)
                    out += " colspan=\"" + std::to_string(m->lastCol - m->firstCol + 1) + "\"";
                if (m->lastRow > m->firstRow)
                    out += " rowspan=\"" + std::to_string(m->lastRow - m->firstRow + 1) + "\"";
            }
            const CellStyle& st =
                cell && cell->style < b.styles.size() ? b.styles[cell->style] : b.styles[0];
            out += " style=\"" + css(st) + "\">";
            if (cell) out += htmlEscape(shownText(b, *cell));
            out += "</td>";
        }
        out += "</tr>";
    }
    out += "</table></body></html>";
    return out;
}

}  // namespace shuhui::sheet
