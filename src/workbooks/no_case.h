// The one case-blind text comparison of the workbooks layer: ASCII letters and the full-width Latin
// letters (Ａ-Ｚ / ａ-ｚ) compare without regard to case, every other byte as it is (the NOCASE
// collation of the SQL engine). Sheet, field and alias names, SQL keywords and the values of
// case-blind joins all compare through it.
#pragma once

#include <cstddef>
#include <string_view>

namespace shuhui::workbooks {

// 'A'..'Z' to 'a'..'z'; every other byte unchanged.
inline unsigned char foldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// The byte t[i] with the letter it belongs to folded to lower case: ASCII A-Z, and the full-width
// Ａ-Ｚ (U+FF21-FF3A, UTF-8 EF BC A1-BA) to ａ-ｚ (U+FF41-FF5A, EF BD 81-9A), which keeps the
// length of the text. It looks at the neighbours of t[i] only, so callers walk a text byte by byte.
inline unsigned char foldLetterByte(std::string_view t, size_t i) {
    const auto at = [&](size_t k) { return static_cast<unsigned char>(t[k]); };
    const unsigned char c = at(i);
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c - 'A' + 'a');
    if (c == 0xBC && i >= 1 && i + 1 < t.size() && at(i - 1) == 0xEF && at(i + 1) >= 0xA1 &&
        at(i + 1) <= 0xBA)
        return 0xBD;
    if (c >= 0xA1 && c <= 0xBA && i >= 2 && at(i - 2) == 0xEF && at(i - 1) == 0xBC)
        return static_cast<unsigned char>(c - 0xA1 + 0x81);
    return c;
}

// Case-blind equality and order, the NOCASE collation of the engine.
bool equalsNoCase(std::string_view a, std::string_view b);
int compareNoCase(std::string_view a, std::string_view b);

}  // namespace shuhui::workbooks
