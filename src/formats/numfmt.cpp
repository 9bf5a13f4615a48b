// Number format codes and serial dates.
//
// builtinFormat maps the built-in format ids of BIFF and OOXML to their codes (the Chinese locale's
// variants for the date ids 27-36 and 50-58); isDateFormat / isCurrencyFormat classify a code by
// scanning it outside quotes, escapes and brackets; formatGeneral renders a double the way the
// General format does; serialToIso turns a serial day number into ISO text.
#include "formats/numfmt.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace shuhui::formats {

std::string builtinFormat(int id) {
    switch (id) {
        case 0:
            return "General";
        case 1:
            return "0";
        case 2:
            return "0.00";
        case 3:
            return "#,##0";
        case 4:
            return "#,##0.00";
        case 5:
            return "\"¥\"#,##0;\"¥\"\\-#,##0";
        case 6:
            return "\"¥\"#,##0;[Red]\"¥\"\\-#,##0";
        case 7:
            return "\"¥\"#,##0.00;\"¥\"\\-#,##0.00";
        case 8:
            return "\"¥\"#,##0.00;[Red]\"¥\"\\-#,##0.00";
        case 9:
            return "0%";
        case 10:
            return "0.00%";
        case 11:
            return "0.00E+00";
        case 12:
            return "# ?/?";
        case 13:
            return "# ?"
                   "?/?"
                   "?";
        case 14:
            return "yyyy-mm-dd";
        case 15:
            return "d-mmm-yy";
        case 16:
            return "d-mmm";
        case 17:
            return "mmm-yy";
        case 18:
            return "h:mm AM/PM";
        case 19:
            return "h:mm:ss AM/PM";
        case 20:
            return "h:mm";
        case 21:
            return "h:mm:ss";
        case 22:
            return "yyyy-mm-dd h:mm";
        case 27:
            return "yyyy\"年\"m\"月\"";
        case 28:
            return "m\"月\"d\"日\"";
        case 29:
            return "m\"月\"d\"日\"";
        case 30:
            return "m-d-yy";
        case 31:
            return "yyyy\"年\"m\"月\"d\"日\"";
        case 32:
            return "h\"时\"mm\"分\"";
        case 33:
            return "h\"时\"mm\"分\"ss\"秒\"";
        case 34:
            return "上午/下午h\"时\"mm\"分\"";
        case 35:
            return "上午/下午h\"时\"mm\"分\"ss\"秒\"";
        case 36:
            return "yyyy\"年\"m\"月\"";
        case 37:
            return "#,##0 ;(#,##0)";
        case 38:
            return "#,##0 ;[Red](#,##0)";
        case 39:
            return "#,##0.00;(#,##0.00)";
        case 40:
            return "#,##0.00;[Red](#,##0.00)";
        case 41:
            return "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)";
        case 42:
            return "_(\"¥\"* #,##0_);_(\"¥\"* \\(#,##0\\);_(\"¥\"* \"-\"_);_(@_)";
        case 43:
            return "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)";
        case 44:
            return "_(\"¥\"* #,##0.00_);_(\"¥\"* \\(#,##0.00\\);_(\"¥\"* \"-\"??_);_(@_)";
        case 45:
            return "mm:ss";
        case 46:
            return "[h]:mm:ss";
        case 47:
            return "mm:ss.0";
        case 48:
            return "##0.0E+0";
        case 49:
            return "@";
        case 50:
            return "yyyy\"年\"m\"月\"";
        case 51:
            return "m\"月\"d\"日\"";
        case 52:
            return "yyyy\"年\"m\"月\"";
        case 53:
            return "m\"月\"d\"日\"";
        case 54:
            return "m\"月\"d\"日\"";
        case 55:
            return "上午/下午h\"时\"mm\"分\"";
        case 56:
            return "上午/下午h\"时\"mm\"分\"ss\"秒\"";
        case 57:
            return "yyyy\"年\"m\"月\"";
        case 58:
            return "m\"月\"d\"日\"";
        default:
            return "General";
    }
}

bool isDateFormat(std::string_view code) {
    // Only the first section decides (the one positive numbers use).
    const size_t n = code.size();
    for (size_t i = 0; i < n; ++i) {
        char c = code[i];
        switch (c) {
            case '"': {
                size_t end = code.find('"', i + 1);
                if (end == std::string_view::npos) return false;
                i = end;
                continue;
            }
            case '\\':
            case '_':
            case '*':
                ++i;
                continue;
            case '[': {
                size_t end = code.find(']', i + 1);
                if (end == std::string_view::npos) return false;
                std::string_view inner = code.substr(i + 1, end - i - 1);
                // [h], [mm], [ss]: elapsed time
                if (!inner.empty()) {
                    char f = char(std::tolower((unsigned char)inner[0]));
                    if (f == 'h' || f == 'm' || f == 's') {
                        bool same = true;
                        for (char x : inner)
                            if (std::tolower((unsigned char)x) != f) same = false;
                        if (same) return true;
                    }
                }
                i = end;
                continue;
            }
            case ';':
                return false;
            default:
                break;
        }
        const char lc = char(std::tolower((unsigned char)c));
        if (lc == 'g' && i + 7 <= n) {
            std::string_view w = code.substr(i, 7);
            bool general = true;
            for (size_t k = 0; k < 7; ++k)
                if (std::tolower((unsigned char)w[k]) != "general"[k]) general = false;
            if (general) {
                i += 6;
                continue;
            }
        }
        if (lc == 'e' && i + 1 < n && (code[i + 1] == '+' || code[i + 1] == '-'))
            continue;  // 0.00E+00
        if (lc == 'y' || lc == 'm' || lc == 'd' || lc == 'h' || lc == 's' || lc == 'e') return true;
    }
    return false;
}

bool isCurrencyFormat(std::string_view code) {
    static const char* kSigns[] = {"¥", "￥", "€", "£"};
    for (const char* s : kSigns)
        if (code.find(s) != std::string_view::npos) return true;
    for (size_t i = 0; i < code.size(); ++i) {
        if (code[i] != '$') continue;
        // [$-804] is a locale tag, not a currency; [$€-407], [$USD] and a bare $ are currencies
        if (i > 0 && code[i - 1] == '[' && i + 1 < code.size() &&
            (code[i + 1] == '-' || code[i + 1] == ']'))
            continue;
        return true;
    }
    return false;
}

std::string formatGeneral(double value) {
    if (std::isnan(value)) return "#NUM!";
    if (std::isinf(value)) return value > 0 ? "#NUM!" : "-#NUM!";
    if (value == 0) return "0";
    // Shortest mantissa (at most 15 significant digits) that reads back as the same double; if none
    // does, 15 digits (so 0.1 + 0.2 shows as 0.3).
    char buf[64];
    int prec = 0;
    for (; prec < 15; ++prec) {
        std::snprintf(buf, sizeof buf, "%.*e", prec, value);
        if (std::strtod(buf, nullptr) == value) break;
    }
    if (prec == 15) std::snprintf(buf, sizeof buf, "%.14e", value);
    // buf: [-]d[.ddd]e[+-]xx
    std::string s(buf);
    bool neg = s[0] == '-';
    if (neg) s.erase(0, 1);
    size_t epos = s.find('e');
    int exp = std::atoi(s.c_str() + epos + 1);
    std::string digits;
    for (size_t i = 0; i < epos; ++i)
        if (s[i] != '.') digits.push_back(s[i]);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string out = neg ? "-" : "";
    if (exp >= 15 || exp < -9) {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out += digits.substr(1);
        }
        char e[16];
        std::snprintf(e, sizeof e, "E%c%02d", exp < 0 ? '-' : '+', exp < 0 ? -exp : exp);
        return out + e;
    }
    if (exp < 0) {
        out += "0.";
        out.append(size_t(-exp - 1), '0');
        out += digits;
    } else if (size_t(exp) + 1 >= digits.size()) {
        out += digits;
        out.append(size_t(exp) + 1 - digits.size(), '0');
    } else {
        out += digits.substr(0, size_t(exp) + 1);
        out += '.';
        out += digits.substr(size_t(exp) + 1);
    }
    return out;
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
static void civilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = int64_t(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += (m <= 2);
}

std::string serialToIso(double serial, bool date1904) {
    if (!std::isfinite(serial) || serial < 0 || serial > 2958466.0) return formatGeneral(serial);
    const int64_t msPerDay = 86400000;
    int64_t ms = std::llround(serial * double(msPerDay));
    int64_t days = ms / msPerDay;
    int64_t rem = ms % msPerDay;
    char time[32];
    int h = int(rem / 3600000), mi = int(rem / 60000 % 60), sec = int(rem / 1000 % 60),
        milli = int(rem % 1000);
    if (milli)
        std::snprintf(time, sizeof time, "%02d:%02d:%02d.%03d", h, mi, sec, milli);
    else
        std::snprintf(time, sizeof time, "%02d:%02d:%02d", h, mi, sec);
    if (days == 0 && !date1904) return time;
    if (days == 0 && date1904 && rem != 0) return time;
    char date[32];
    if (!date1904 && days == 60) {
        std::snprintf(date, sizeof date, "1900-02-29");
    } else {
        // 1900 system: serial 1 = 1900-01-01, and serial 61 = 1900-03-01 past the fictitious leap
        // day; days since 1970-01-01 of 1899-12-31 is -25568.
        int64_t unixDays;
        if (date1904)
            unixDays = days - 24107;  // 1904-01-01 is day -24107
        else
            unixDays = days - 25568 - (days > 60 ? 1 : 0);
        int64_t y;
        unsigned m, d;
        civilFromDays(unixDays, y, m, d);
        std::snprintf(date, sizeof date, "%04lld-%02u-%02u", (long long)y, m, d);
    }
    if (rem == 0) return date;
    return std::string(date) + "T" + time;
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
static int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int64_t(doe) - 719468;
}

std::optional<double> isoToSerial(std::string_view s, bool date1904) {
    size_t i = 0;
    auto digits = [&](size_t n, int& v) {
        if (i + n > s.size()) return false;
        v = 0;
        for (size_t k = 0; k < n; ++k) {
            const char c = s[i + k];
            if (c < '0' || c > '9') return false;
            v = v * 10 + (c - '0');
        }
        i += n;
        return true;
    };
    auto sep = [&](char c) {
        if (i < s.size() && s[i] == c) return ++i, true;
        return false;
    };
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0;
    double frac = 0;
    bool hasDate = false;
    if (s.size() >= 10 && s[4] == '-') {
        if (!digits(4, y) || !sep('-') || !digits(2, mo) || !sep('-') || !digits(2, d))
            return std::nullopt;
        if (mo < 1 || mo > 12 || d < 1 || d > 31) return std::nullopt;
        static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        if (d > kDays[mo - 1] || (mo == 2 && d == 29 && !leap)) return std::nullopt;
        hasDate = true;
        if (i < s.size() && !sep('T') && !sep(' ')) return std::nullopt;
    }
    if (i < s.size()) {
        if (!digits(2, h) || !sep(':') || !digits(2, mi)) return std::nullopt;
        if (sep(':') && !digits(2, sec)) return std::nullopt;
        if (sep('.') || sep(',')) {
            double scale = 0.1;
            const size_t start = i;
            while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
                frac += (s[i] - '0') * scale;
                scale /= 10;
                ++i;
            }
            if (i == start) return std::nullopt;
        }
        if (sep('Z')) {
        } else if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            ++i;
            int oh = 0, om = 0;
            if (!digits(2, oh)) return std::nullopt;
            sep(':');
            if (i < s.size() && !digits(2, om)) return std::nullopt;
        }
        if (i != s.size() || h > 24 || mi > 59 || sec > 59 || (h == 24 && (mi || sec || frac)))
            return std::nullopt;
    }
    if (s.empty()) return std::nullopt;
    const double time = (h * 3600.0 + mi * 60.0 + sec + frac) / 86400.0;
    if (!hasDate) return time;
    const int64_t unixDays = daysFromCivil(y, unsigned(mo), unsigned(d));
    double days;
    if (date1904) {
        days = double(unixDays + 24107);
    } else {
        // serial 1 = 1900-01-01; from 1900-03-01 on one more for the fictitious 1900-02-29
        days = double(unixDays + 25568);
        if (days >= 60) days += 1;
    }
    if (days < (date1904 ? 0 : 1) || days > 2958465) return std::nullopt;
    return days + time;
}

}  // namespace shuhui::formats
