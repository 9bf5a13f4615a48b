#include "sheet/cell_text.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "formats/numfmt.h"

namespace shuhui::sheet {

namespace {

// The sections of a code split at ";" outside quotes, brackets and escapes.
std::vector<std::string_view> sections(std::string_view code) {
    std::vector<std::string_view> out;
    size_t start = 0;
    bool quoted = false, bracket = false;
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (quoted) {
            quoted = c != '"';
        } else if (bracket) {
            bracket = c != ']';
        } else if (c == '"') {
            quoted = true;
        } else if (c == '[') {
            bracket = true;
        } else if (c == '\\') {
            ++i;
        } else if (c == ';') {
            out.push_back(code.substr(start, i - start));
            start = i + 1;
        }
    }
    out.push_back(code.substr(start));
    return out;
}

// |value| with `decimals` places, rounded half away from zero on its 15-digit decimal text.
std::string fixed(double value, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    // buf: d.dddddddddddddde[+-]xx
    std::string digits;
    digits.push_back(buf[0]);
    digits.append(buf + 2, 14);
    const int exp = std::atoi(buf + 17);
    // digits * 10^(exp - 14); keep the digits up to 10^-decimals
    int intLen = exp + 1;  // digits before the point
    if (intLen < -decimals) {
        std::string zero = "0";
        if (decimals > 0) zero.append(".").append(size_t(decimals), '0');
        return zero;
    }
    std::string all;  // digits with enough leading zeros so that intLen >= 1
    if (intLen < 1) {
        all.assign(size_t(1 - intLen), '0');
        all += digits;
        intLen = 1;
    } else {
        all = digits;
    }
    const size_t keep = size_t(intLen + decimals);
    if (all.size() < keep) all.append(keep - all.size(), '0');
    bool up = all.size() > keep && all[keep] >= '5';
    all.resize(keep);
    for (size_t i = keep; up && i-- > 0;) {
        if (all[i] == '9') {
            all[i] = '0';
        } else {
            ++all[i];
            up = false;
        }
    }
    if (up) {
        all.insert(all.begin(), '1');
        ++intLen;
    }
    std::string out = all.substr(0, size_t(intLen));
    while (out.size() > 1 && out[0] == '0') out.erase(out.begin());
    if (decimals > 0) {
        out.push_back('.');
        out.append(all, size_t(intLen), std::string::npos);
    }
    return out;
}

std::string withThousands(const std::string& integer) {
    std::string out;
    const size_t n = integer.size();
    for (size_t i = 0; i < n; ++i) {
        out.push_back(integer[i]);
        if (i + 1 < n && (n - i - 1) % 3 == 0) out.push_back(',');
    }
    return out;
}

// One section applied to a non-negative value; nullopt-like empty flag when it cannot be shown.
bool applySection(std::string_view sec, double value, std::string& out) {
    std::string prefix, suffix;
    int intZeros = 0, decZeros = 0, decAll = 0;
    bool thousands = false, percent = false, inNumber = false, afterNumber = false, point = false;
    auto literal = [&](std::string_view s) { (inNumber || afterNumber ? suffix : prefix) += s; };
    for (size_t i = 0; i < sec.size(); ++i) {
        const char c = sec[i];
        if (c == '"') {
            const size_t end = sec.find('"', i + 1);
            const size_t stop = end == std::string_view::npos ? sec.size() : end;
            literal(sec.substr(i + 1, stop - i - 1));
            i = stop;
        } else if (c == '[') {
            const size_t end = sec.find(']', i);
            const std::string_view tag =
                sec.substr(i + 1, (end == std::string_view::npos ? sec.size() : end) - i - 1);
            if (tag.size() > 1 && tag[0] == '$') {
                const size_t dash = tag.find('-');
                literal(tag.substr(1, dash == std::string_view::npos ? tag.npos : dash - 1));
            }
            i = end == std::string_view::npos ? sec.size() : end;
        } else if (c == '\\') {
            if (i + 1 < sec.size()) {
                // one (possibly multi-byte) character
                size_t len = 1;
                const unsigned char b = static_cast<unsigned char>(sec[i + 1]);
                if (b >= 0xF0)
                    len = 4;
                else if (b >= 0xE0)
                    len = 3;
                else if (b >= 0xC0)
                    len = 2;
                literal(sec.substr(i + 1, len));
                i += len;
            }
        } else if (c == '_') {
            literal(" ");
            ++i;
        } else if (c == '*') {
            ++i;
        } else if (c == '0' || c == '#' || c == '?') {
            if (afterNumber) return false;
            inNumber = true;
            if (point) {
                ++decAll;
                if (c != '#') ++decZeros;
            } else if (c == '0') {
                ++intZeros;
            }
        } else if (c == '.' && inNumber && !point) {
            point = true;
        } else if (c == '.' && !inNumber && i + 1 < sec.size() &&
                   (sec[i + 1] == '0' || sec[i + 1] == '#')) {
            inNumber = true;
            point = true;
        } else if (c == ',' && inNumber) {
            thousands = true;
        } else if (c == 'E' || c == 'e') {
            if (inNumber) return false;
            literal(sec.substr(i, 1));
        } else if (c == '%') {
            percent = true;
            literal("%");
        } else {
            if (inNumber) {
                inNumber = false;
                afterNumber = true;
            }
            literal(sec.substr(i, 1));
        }
    }
    if (!inNumber && !afterNumber) {
        out = prefix;
        return true;
    }
    if (percent) value *= 100;
    std::string num = fixed(value, decAll);
    if (decAll > decZeros) {  // optional places: drop trailing zeros down to the required ones
        size_t minLen = num.find('.') + 1 + size_t(decZeros);
        while (num.size() > minLen && num.back() == '0') num.pop_back();
        if (num.back() == '.') num.pop_back();
    }
    const size_t dot = num.find('.');
    std::string integer = num.substr(0, dot);
    const std::string fraction = dot == std::string::npos ? std::string() : num.substr(dot);
    if (integer == "0" && intZeros == 0) integer.clear();
    while (int(integer.size()) < intZeros) integer.insert(integer.begin(), '0');
    if (thousands) integer = withThousands(integer);
    out = prefix + integer + fraction + suffix;
    return true;
}

}  // namespace

std::string formatNumber(double value, std::string_view code, bool date1904) {
    if (code.empty() || code == "General" || code == "@") return formats::formatGeneral(value);
    if (formats::isDateFormat(code)) {
        std::string s = formats::serialToIso(value, date1904);
        if (const size_t t = s.find('T'); t != std::string::npos) s[t] = ' ';
        return s;
    }
    const std::vector<std::string_view> secs = sections(code);
    std::string_view sec = secs[0];
    bool sign = value < 0;
    if (value < 0 && secs.size() >= 2) {
        sec = secs[1];
        sign = false;
    } else if (value == 0 && secs.size() >= 3) {
        sec = secs[2];
    }
    std::string out;
    if (sec.find("General") != std::string_view::npos || !applySection(sec, std::fabs(value), out))
        return formats::formatGeneral(value);
    if (sign && out.find_first_of("123456789") != std::string::npos) out.insert(out.begin(), '-');
    return out;
}

std::string cellText(const formats::Workbook& workbook, const formats::Cell& cell) {
    switch (cell.type) {
        case formats::CellType::Blank:
            return {};
        case formats::CellType::Text:
            return workbook.text(cell);
        case formats::CellType::Bool:
            return cell.small ? "TRUE" : "FALSE";
        case formats::CellType::Error:
            return formats::errorText(cell.small);
        case formats::CellType::Number:
            return formatNumber(cell.number, workbook.style(cell).numFmt, workbook.date1904);
    }
    return {};
}

}  // namespace shuhui::sheet
