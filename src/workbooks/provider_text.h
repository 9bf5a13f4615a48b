// Small text helpers of the provider's messages and option parsing.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace shuhui::workbooks {

// The text without leading and trailing blanks.
inline std::string_view trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// A name as the provider's messages quote it: “name”.
inline std::string quoted(const std::string& s) {
    return "“" + s + "”";
}

}  // namespace shuhui::workbooks
