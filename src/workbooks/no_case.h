// The one case-blind text comparison of the workbooks layer: ASCII letters compare without regard
// to case, every other byte as it is (the NOCASE collation of the SQL engine). Sheet, field and
// alias names, SQL keywords and the values of case-blind joins all compare through it.
#pragma once

#include <string_view>

namespace shuhui::workbooks {

// 'A'..'Z' to 'a'..'z'; every other byte unchanged.
inline unsigned char foldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// ASCII-case-blind equality, the NOCASE collation of the engine.
bool equalsNoCase(std::string_view a, std::string_view b);

}  // namespace shuhui::workbooks
