// Key folding (see key_fold.h).
#include "workbooks/key_fold.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "workbooks/sheet_table.h"

namespace shuhui::workbooks {

namespace {

// One code point and where it lies in the text. Bytes that are no valid UTF-8 pass as themselves.
struct CodePoint {
    char32_t cp;
    size_t at, len;
};

std::vector<CodePoint> decode(std::string_view s) {
    std::vector<CodePoint> out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        size_t len = 1;
        char32_t cp = b;
        if (b >= 0xC0 && b < 0xE0)
            len = 2, cp = b & 0x1F;
        else if (b >= 0xE0 && b < 0xF0)
            len = 3, cp = b & 0x0F;
        else if (b >= 0xF0 && b < 0xF8)
            len = 4, cp = b & 0x07;
        if (len > 1) {
            bool ok = i + len <= s.size();
            for (size_t k = 1; ok && k < len; ++k) {
                const auto c = static_cast<unsigned char>(s[i + k]);
                ok = (c & 0xC0) == 0x80;
                cp = (cp << 6) | (c & 0x3F);
            }
            if (!ok) len = 1, cp = b;
        }
        out.push_back({cp, i, len});
        i += len;
    }
    return out;
}

void encode(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool isInvisible(char32_t cp) {
    return cp == '\t' || cp == '\n' || cp == '\r' || cp == '\v' || cp == '\f' || cp == 0xA0 ||
           (cp >= 0x200B && cp <= 0x200D) || cp == 0x2060 || cp == 0xFEFF;
}

bool isBlankLike(char32_t cp) {
    return cp == ' ' || cp == 0x3000 || isInvisible(cp);
}

// Lower case of the letters whose case a user types by accident; 0 for anything else.
char32_t lowerOf(char32_t cp) {
    if (cp >= 'A' && cp <= 'Z') return cp + 32;
    if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 32;     // Latin-1
    if (cp >= 0x391 && cp <= 0x3A9 && cp != 0x3A2) return cp + 32;  // Greek
    if (cp >= 0x410 && cp <= 0x42F) return cp + 32;                 // Cyrillic
    if (cp >= 0x400 && cp <= 0x40F) return cp + 80;                 // Cyrillic Ѐ..Џ
    return 0;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The numeric folds on an already folded text: [+-]digits[.digits] only.
std::string foldNumber(std::string t, uint32_t folds, uint32_t& applied) {
    size_t p = 0;
    std::string sign;
    if (p < t.size() && (t[p] == '+' || t[p] == '-')) sign = t[p++];
    const size_t intStart = p;
    while (p < t.size() && isDigit(t[p])) ++p;
    const size_t intEnd = p;
    if (intEnd == intStart) return t;
    size_t fracStart = t.size(), fracEnd = t.size();
    if (p < t.size()) {
        if (t[p] != '.') return t;
        fracStart = ++p;
        while (p < t.size() && isDigit(t[p])) ++p;
        fracEnd = p;
        if (p != t.size() || fracEnd == fracStart) return t;
    }
    std::string intPart = t.substr(intStart, intEnd - intStart);
    std::string frac = fracStart < t.size() ? t.substr(fracStart, fracEnd - fracStart) : "";
    if (intPart.size() > 1 && intPart[0] == '0') {
        // 007: only the explicit choice drops the zeros, and the number reading waits for it.
        if (!(folds & LeadingZeros)) return t;
        const size_t nz = intPart.find_first_not_of('0');
        intPart = nz == std::string::npos ? "0" : intPart.substr(nz);
        applied |= LeadingZeros;
    }
    if (folds & NumberText) {
        std::string f = frac;
        while (!f.empty() && f.back() == '0') f.pop_back();
        std::string s = sign == "+" ? "" : sign;
        if (intPart == "0" && f.empty()) s.clear();  // -0 is 0
        std::string canon = s + intPart + (f.empty() ? "" : "." + f);
        const std::string before = sign + intPart + (fracStart < t.size() ? "." + frac : "");
        if (canon != before) applied |= NumberText;
        return canon;
    }
    return sign + intPart + (fracStart < t.size() ? "." + frac : "");
}

}  // namespace

bool keyIsPlain(std::string_view text) {
    if (text.empty() || isDigit(text[0]) || text[0] == '+' || text[0] == '-' || text[0] == '.')
        return false;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= ' ' || c == 0x7F || c == 0xE3 || c == 0xEF || c == 0xE2 || (c >= 0xC2 && c < 0xE0))
            return false;
    }
    return true;
}

std::string foldKey(std::string_view text, uint32_t folds, uint32_t* appliedOut) {
    uint32_t applied = 0;
    // Fast way for what needs no fold: printable ASCII without blanks or capitals, and CJK texts
    // outside the full-width forms and the ideographic space.
    bool plain = true;
    for (size_t i = 0; i < text.size() && plain; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            plain = c > ' ' && c != 0x7F && !(c >= 'A' && c <= 'Z');
        } else if (c == 0xE3 || c == 0xEF || c == 0xE2 || (c >= 0xC2 && c < 0xE0)) {
            plain = false;  // U+3000, U+FFxx, U+20xx, two-byte letters and the no-break space
        }
    }
    if (plain && !text.empty() && (isDigit(text[0]) || text[0] == '+' || text[0] == '-'))
        plain = !(folds & (NumberText | LeadingZeros));
    if (plain) {
        if (appliedOut) *appliedOut = 0;
        return std::string(text);
    }

    const std::vector<CodePoint> cps = decode(text);
    size_t first = 0, last = cps.size();
    while (first < last && isBlankLike(cps[first].cp)) ++first;
    while (last > first && isBlankLike(cps[last - 1].cp)) --last;
    std::string out;
    out.reserve(text.size());
    for (size_t k = 0; k < cps.size(); ++k) {
        char32_t cp = cps[k].cp;
        uint32_t cause = 0;
        if (cp == ' ')
            cause = k < first || k >= last ? EdgeBlanks : InnerBlanks;
        else if (cp == 0x3000)
            cause = IdeographicSpace;
        else if (isInvisible(cp))
            cause = Invisible;
        if (cause) {
            if (folds & cause) {
                applied |= cause;
                continue;
            }
            out.append(text.substr(cps[k].at, cps[k].len));
            continue;
        }
        if (cp >= 0xFF01 && cp <= 0xFF5E) {
            const char32_t ascii = cp - 0xFEE0;
            const bool alnum = (ascii >= '0' && ascii <= '9') || (ascii >= 'A' && ascii <= 'Z') ||
                               (ascii >= 'a' && ascii <= 'z');
            const uint32_t c = alnum ? FullWidthAlnum : FullWidthPunct;
            if (folds & c) {
                applied |= c;
                cp = ascii;
            }
        }
        if (const char32_t lower = lowerOf(cp); lower && (folds & LetterCase)) {
            applied |= LetterCase;
            cp = lower;
        }
        if (cp == cps[k].cp)
            out.append(text.substr(cps[k].at, cps[k].len));
        else
            encode(cp, out);
    }
    if (folds & (NumberText | LeadingZeros)) out = foldNumber(std::move(out), folds, applied);
    if (appliedOut) *appliedOut = applied;
    return out;
}

const char* keyCauseName(KeyCause cause) {
    switch (cause) {
        case EdgeBlanks:
            return "首尾空格";
        case InnerBlanks:
            return "中间空格";
        case IdeographicSpace:
            return "全角空格";
        case FullWidthAlnum:
            return "全角字母或数字";
        case FullWidthPunct:
            return "全角括号或标点";
        case LetterCase:
            return "大小写不同";
        case Invisible:
            return "不可见字符(制表符、换行、不换行空格、零宽字符)";
        case NumberText:
            return "一边是数字一边是文本";
        case LeadingZeros:
            return "丢失前导零";
        case Scientific:
            return "长数字显示为科学计数法";
    }
    return "";
}

std::string keyCauseNames(uint32_t causes) {
    std::string out;
    for (uint32_t k = 0; k < kKeyCauseCount; ++k) {
        const auto c = static_cast<KeyCause>(1u << k);
        if (!(causes & c)) continue;
        if (!out.empty()) out += "、";
        out += keyCauseName(c);
    }
    return out;
}

std::string keyFoldCollation(uint32_t folds) {
    std::string name = "KEYFOLD";
    if (folds & NumberText) name += "_NUM";
    if (folds & LeadingZeros) name += "_ZERO";
    return name;
}

uint32_t keyFoldOfCollation(std::string_view name) {
    for (uint32_t extra :
         {0u, uint32_t{NumberText}, uint32_t{LeadingZeros}, uint32_t{NumberText | LeadingZeros}}) {
        if (equalsNoCase(name, keyFoldCollation(extra))) return kSafeFolds | extra;
    }
    return 0;
}

std::string numberKeyText(double value) {
    char buf[64];
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e21)
        std::snprintf(buf, sizeof buf, "%.0f", value);
    else
        std::snprintf(buf, sizeof buf, "%.15g", value);
    std::string s = buf;
    if (s == "-0") s = "0";
    return s;
}

}  // namespace shuhui::workbooks
