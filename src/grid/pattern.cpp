// Number patterns: see pattern.h.
#include "grid/pattern.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace shuhui::grid {

namespace {

// The value's magnitude rounded to `decimals` places on its 15-significant-digit decimal text.
std::string roundedDigits(double magnitude, int decimals) {
    if (magnitude == 0) {
        std::string s = "0";
        if (decimals > 0) {
            s += '.';
            s.append(size_t(decimals), '0');
        }
        return s;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", magnitude);  // d.dddddddddddddde±XX
    std::string mant;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') mant += *p;
    int exp = std::atoi(p + 1);
    // Digits of the value: mant with the decimal point after (exp + 1) digits.
    int intDigits = exp + 1;
    int keep = intDigits + decimals;  // digits kept from the start of mant
    std::string digits;               // the kept digits, as an integer scaled by 10^decimals
    if (keep < 0) {
        digits = "0";
    } else {
        bool roundUp = size_t(keep) < mant.size() && mant[size_t(keep)] >= '5';
        if (size_t(keep) <= mant.size())
            digits = mant.substr(0, size_t(keep));
        else
            digits = mant, digits.append(size_t(keep) - mant.size(), '0');
        if (digits.empty()) digits.assign(1, '0');
        if (roundUp) {
            int i = int(digits.size()) - 1;
            for (; i >= 0; --i) {
                if (digits[size_t(i)] == '9') {
                    digits[size_t(i)] = '0';
                } else {
                    ++digits[size_t(i)];
                    break;
                }
            }
            if (i < 0) digits.insert(digits.begin(), '1');
        }
    }
    // Pad so there is at least one digit before the point.
    if (digits.size() < size_t(decimals) + 1)
        digits.insert(0, size_t(decimals) + 1 - digits.size(), '0');
    // Strip leading zeros of the integer part (keep one).
    size_t intLen = digits.size() - size_t(decimals);
    size_t strip = 0;
    while (strip + 1 < intLen && digits[strip] == '0') ++strip;
    std::string out = digits.substr(strip, intLen - strip);
    if (decimals > 0) {
        out += '.';
        out.append(digits, intLen, std::string::npos);
    }
    return out;
}

bool isCurrencySignAt(std::string_view s, size_t i, size_t* len) {
    static const char* signs[] = {"￥", "¥", "$", "＄", "￡", "£", "€"};
    for (const char* sign : signs) {
        size_t n = std::strlen(sign);
        if (s.substr(i, n) == sign) {
            *len = n;
            return true;
        }
    }
    return false;
}

}  // namespace

std::string formatPattern(double value, std::string_view pattern) {
    size_t first = pattern.find('0');
    if (first == std::string_view::npos) return std::string(pattern);
    size_t end = first;
    while (end < pattern.size() && pattern[end] == '0') ++end;
    int decimals = 0;
    if (end < pattern.size() && pattern[end] == '.') {
        size_t d = end + 1;
        while (d < pattern.size() && pattern[d] == '0') ++d;
        decimals = int(d - end - 1);
        end = d;
    }
    std::string out;
    std::string number;
    if (std::isnan(value))
        number = "NAN";
    else if (std::isinf(value))
        number = "INF";
    else
        number = roundedDigits(std::fabs(value), decimals);
    bool zero = number.find_first_not_of("0.") == std::string::npos;
    if (value < 0 && !zero) out += '-';
    out.append(pattern.substr(0, first));
    out += number;
    out.append(pattern.substr(end));
    return out;
}

std::optional<std::string> patternForDecimals(int decimals) {
    switch (decimals) {
        case 0:
            return std::string("0");
        case 2:
            return std::string("0.00");
        case 3:
            return std::string("0.000");
        default:
            return std::nullopt;
    }
}

std::string excelFormatCode(std::string_view pattern) {
    if (pattern.empty()) return "General";
    std::string out;
    std::string literal;
    auto flush = [&] {
        if (!literal.empty()) {
            out += '"';
            out += literal;
            out += '"';
            literal.clear();
        }
    };
    size_t first = pattern.find('0');
    size_t end = first;
    if (first != std::string_view::npos) {
        while (end < pattern.size() && (pattern[end] == '0' || pattern[end] == '.')) ++end;
    }
    for (size_t i = 0; i < pattern.size();) {
        if (first != std::string_view::npos && i == first) {
            flush();
            out.append(pattern.substr(first, end - first));
            i = end;
            continue;
        }
        size_t n = 0;
        if (isCurrencySignAt(pattern, i, &n)) {
            flush();
            out.append(pattern.substr(i, n));
            i += n;
            continue;
        }
        if (pattern[i] == '"') {  // a quote cannot stand inside a quoted literal: escape it
            flush();
            out += "\\\"";
            ++i;
            continue;
        }
        literal += pattern[i];
        ++i;
    }
    flush();
    return out;
}

}  // namespace shuhui::grid
