// Styles and theme of an .xlsx package (see styles.h).
#include "formats/xlsx/styles.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <map>
#include <string_view>

#include "formats/biff_records.h"
#include "formats/numfmt.h"
#include "formats/xlsx/xml_part.h"

namespace shuhui::formats::detail::xlsx {
namespace {

// Indexed colours 0-7 repeat the first eight palette entries; 8-63 are the default palette.
constexpr std::array<uint32_t, 64> kIndexed = [] {
    std::array<uint32_t, 64> a{};
    for (size_t i = 0; i < 8; ++i) a[i] = biff::kDefaultPalette[i];
    for (size_t i = 0; i < 56; ++i) a[8 + i] = biff::kDefaultPalette[i];
    return a;
}();

// Theme colour slots as cells refer to them: lt1, dk1, lt2, dk2, accent1..6, hlink, folHlink
// (the Office theme's values until the workbook's theme is read).
using Theme = std::array<uint32_t, 12>;
constexpr Theme kOfficeTheme = {0xFFFFFF, 0x000000, 0xE7E6E6, 0x44546A, 0x4472C4, 0xED7D31,
                                0xA5A5A5, 0xFFC000, 0x5B9BD5, 0x70AD47, 0x0563C1, 0x954F72};

struct ThemeHandler {
    Theme theme = kOfficeTheme;
    int depth = 0;  // inside clrScheme
    int slot = -1;
    // file order: dk1, lt1, dk2, lt2, accent1..6, hlink, folHlink → slots 1, 0, 3, 2, 4..11
    static int slotOf(std::string_view n) {
        static const std::pair<std::string_view, int> kSlots[] = {
            {"dk1", 1},     {"lt1", 0},     {"dk2", 3},     {"lt2", 2},
            {"accent1", 4}, {"accent2", 5}, {"accent3", 6}, {"accent4", 7},
            {"accent5", 8}, {"accent6", 9}, {"hlink", 10},  {"folHlink", 11},
        };
        for (auto& [k, v] : kSlots)
            if (k == n) return v;
        return -1;
    }
    template <class X>
    void start(X*, std::string_view name, const char** atts) {
        if (name == "clrScheme") {
            depth = 1;
            return;
        }
        if (!depth) return;
        int s = slotOf(name);
        if (s >= 0) {
            slot = s;
            return;
        }
        if (slot < 0) return;
        const char* v = nullptr;
        if (name == "srgbClr") v = attr(atts, "val");
        if (name == "sysClr") v = attr(atts, "lastClr");
        if (v && std::strlen(v) == 6) {
            uint32_t c;
            if (std::from_chars(v, v + 6, c, 16).ec == std::errc()) theme[size_t(slot)] = c;
        }
    }
    template <class X>
    void end(X*, std::string_view name) {
        if (name == "clrScheme") depth = 0;
        if (slotOf(name) >= 0) slot = -1;
    }
    void text(const char*, size_t) {}
};

uint32_t colorOf(const char** atts, const Theme& theme) {
    if (const char* rgb = attr(atts, "rgb")) {
        size_t n = std::strlen(rgb);
        uint32_t c;
        if (n >= 6 && std::from_chars(rgb + n - 6, rgb + n, c, 16).ec == std::errc()) return c;
    }
    if (const char* t = attr(atts, "theme")) {
        unsigned i;
        if (std::from_chars(t, t + std::strlen(t), i).ec == std::errc() && i < theme.size())
            return theme[i];
    }
    if (const char* ix = attr(atts, "indexed")) {
        unsigned i;
        if (std::from_chars(ix, ix + std::strlen(ix), i).ec == std::errc() && i < kIndexed.size())
            return kIndexed[i];
    }
    return kNoColor;
}

BorderStyle borderStyle(std::string_view s) {
    static const std::pair<std::string_view, BorderStyle> kStyles[] = {
        {"thin", BorderStyle::Thin},
        {"medium", BorderStyle::Medium},
        {"dashed", BorderStyle::Dashed},
        {"dotted", BorderStyle::Dotted},
        {"thick", BorderStyle::Thick},
        {"double", BorderStyle::Double},
        {"hair", BorderStyle::Hair},
        {"mediumDashed", BorderStyle::MediumDashed},
        {"dashDot", BorderStyle::DashDot},
        {"mediumDashDot", BorderStyle::MediumDashDot},
        {"dashDotDot", BorderStyle::DashDotDot},
        {"mediumDashDotDot", BorderStyle::MediumDashDotDot},
        {"slantDashDot", BorderStyle::SlantDashDot},
    };
    for (auto& [k, v] : kStyles)
        if (k == s) return v;
    return BorderStyle::None;
}

HAlign hAlign(std::string_view s) {
    if (s == "left") return HAlign::Left;
    if (s == "center") return HAlign::Center;
    if (s == "right") return HAlign::Right;
    if (s == "fill") return HAlign::Fill;
    if (s == "justify") return HAlign::Justify;
    if (s == "centerContinuous") return HAlign::CenterAcross;
    if (s == "distributed") return HAlign::Distributed;
    return HAlign::General;
}

VAlign vAlign(std::string_view s) {
    if (s == "top") return VAlign::Top;
    if (s == "center") return VAlign::Center;
    if (s == "justify") return VAlign::Justify;
    if (s == "distributed") return VAlign::Distributed;
    return VAlign::Bottom;
}

struct StylesHandler {
    StylesHandler(const Theme& t, bool with) : theme(t), withStyles(with) {}
    const Theme& theme;
    bool withStyles;
    std::map<uint32_t, std::string> numFmts;
    std::vector<Font> fonts;
    std::vector<uint32_t> fills;
    std::vector<std::array<Border, 4>> borders;
    struct Xf {
        uint32_t numFmt = 0, font = 0, fill = 0, border = 0;
        HAlign h = HAlign::General;
        VAlign v = VAlign::Bottom;
        bool wrap = false;
    };
    std::vector<Xf> xfs;

    enum class In { None, Fonts, Fills, Borders, CellXfs, Other } in = In::None;
    int side = -1;  // border side being read

    static uint32_t u32(const char* v) {
        uint32_t x = 0;
        if (v) std::from_chars(v, v + std::strlen(v), x);
        return x;
    }

    template <class X>
    void start(X*, std::string_view name, const char** atts) {
        if (name == "numFmt") {
            const char* id = attr(atts, "numFmtId");
            const char* code = attr(atts, "formatCode");
            if (id && code) numFmts[u32(id)] = code;
        } else if (name == "fonts") {
            in = In::Fonts;
        } else if (name == "fills") {
            in = In::Fills;
        } else if (name == "borders") {
            in = In::Borders;
        } else if (name == "cellXfs") {
            in = In::CellXfs;
        } else if (name == "cellStyleXfs" || name == "dxfs" || name == "cellStyles") {
            in = In::Other;
        } else if (in == In::Fonts) {
            if (name == "font") {
                fonts.emplace_back();
                fonts.back().name = "Calibri";
                fonts.back().size = 11;
                return;
            }
            if (fonts.empty()) return;
            Font& f = fonts.back();
            const char* val = attr(atts, "val");
            if (name == "b")
                f.bold = !val || truthy(val);
            else if (name == "i")
                f.italic = !val || truthy(val);
            else if (name == "u")
                f.underline = !val                                  ? 1
                              : std::strcmp(val, "none") == 0       ? 0
                              : std::strncmp(val, "double", 6) == 0 ? 2
                                                                    : 1;
            else if (name == "sz")
                f.size = toDouble(val, 11);
            else if (name == "name")
                f.name = val ? val : "";
            else if (name == "color")
                f.color = colorOf(atts, theme);
        } else if (in == In::Fills) {
            if (name == "fill") {
                fills.push_back(kNoColor);
            } else if (name == "patternFill" && !fills.empty()) {
                const char* pt = attr(atts, "patternType");
                fills.back() =
                    (pt && std::strcmp(pt, "none") != 0) ? 0xFFFFFEu : kNoColor;  // colour follows
            } else if (name == "fgColor" && !fills.empty() && fills.back() != kNoColor) {
                fills.back() = colorOf(atts, theme);
            }
        } else if (in == In::Borders) {
            if (name == "border") {
                borders.emplace_back();
            } else if (!borders.empty()) {
                int s = name == "left" || name == "start"  ? 0
                        : name == "right" || name == "end" ? 1
                        : name == "top"                    ? 2
                        : name == "bottom"                 ? 3
                                                           : -1;
                if (s >= 0) {
                    side = s;
                    const char* st = attr(atts, "style");
                    borders.back()[size_t(s)].style = st ? borderStyle(st) : BorderStyle::None;
                } else if (name == "color" && side >= 0) {
                    borders.back()[size_t(side)].color = colorOf(atts, theme);
                }
            }
        } else if (in == In::CellXfs) {
            if (name == "xf") {
                Xf x;
                x.numFmt = u32(attr(atts, "numFmtId"));
                x.font = u32(attr(atts, "fontId"));
                x.fill = u32(attr(atts, "fillId"));
                x.border = u32(attr(atts, "borderId"));
                xfs.push_back(x);
            } else if (name == "alignment" && !xfs.empty()) {  // ECMA-376-1 18.8.1
                if (const char* h = attr(atts, "horizontal")) xfs.back().h = hAlign(h);
                if (const char* v = attr(atts, "vertical")) xfs.back().v = vAlign(v);
                xfs.back().wrap = truthy(attr(atts, "wrapText"));
            }
        }
    }
    template <class X>
    void end(X*, std::string_view name) {
        if (name == "fonts" || name == "fills" || name == "borders" || name == "cellXfs" ||
            name == "cellStyleXfs" || name == "dxfs" || name == "cellStyles")
            in = In::None;
        else if (in == In::Borders && (name == "left" || name == "right" || name == "top" ||
                                       name == "bottom" || name == "start" || name == "end"))
            side = -1;
        else if (in == In::Fills && name == "fill" && !fills.empty() && fills.back() == 0xFFFFFEu)
            fills.back() = kNoColor;  // a pattern without a colour
    }
    void text(const char*, size_t) {}

    std::vector<CellStyle> build() const {
        std::vector<CellStyle> out;
        out.reserve(std::max<size_t>(xfs.size(), 1));
        for (const Xf& x : xfs) {
            CellStyle st;
            auto it = numFmts.find(x.numFmt);
            st.numFmt = it != numFmts.end()
                            ? it->second
                            : builtinFormat(int(std::min<uint32_t>(x.numFmt, 1000)));
            if (withStyles) {
                if (x.font < fonts.size()) st.font = fonts[x.font];
                if (x.fill < fills.size()) st.fill = fills[x.fill];
                if (x.border < borders.size()) {
                    st.left = borders[x.border][0];
                    st.right = borders[x.border][1];
                    st.top = borders[x.border][2];
                    st.bottom = borders[x.border][3];
                }
                st.halign = x.h;
                st.valign = x.v;
                st.wrap = x.wrap;
            }
            out.push_back(std::move(st));
        }
        if (out.empty()) out.emplace_back();
        return out;
    }
};

}  // namespace

std::vector<CellStyle> readStyles(Zip& zip, const std::string& stylesPart,
                                  const std::string& themePart, bool withStyles,
                                  const std::string& file) {
    ThemeHandler theme;
    if (withStyles && !themePart.empty()) parsePart(zip, themePart, theme, file);
    StylesHandler styles(theme.theme, withStyles);
    parsePart(zip, stylesPart, styles, file);
    return styles.build();
}

}  // namespace shuhui::formats::detail::xlsx
