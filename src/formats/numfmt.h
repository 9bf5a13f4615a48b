// Number formats and dates: what a format code means, and how serial numbers become dates.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace shuhui::formats {

// The code of a built-in format id (0 "General", 14 "yyyy-mm-dd" style, the Chinese ids 27-36 and
// 50-58 as dates); "General" for an unknown id.
std::string builtinFormat(int id);

// True when the code shows a date or a time (y, m, d, h, s outside quotes, brackets and escapes;
// elapsed-time codes [h] included).
bool isDateFormat(std::string_view code);

// True when the code shows a currency sign (¥ ￥ $ € £, or a [$...] currency tag).
bool isCurrencyFormat(std::string_view code);

// A number as the spreadsheet shows it in General format: 1001, 3.5, 0.1, 1E+20; never 1001.0.
std::string formatGeneral(double value);

// Serial day number to ISO text, rounded to the millisecond and honouring the date system and the
// fictitious 1900-02-29 (serial 60): "YYYY-MM-DD" without a time part, "HH:MM:SS[.fff]" for a
// serial below 1, otherwise "YYYY-MM-DDTHH:MM:SS[.fff]".
std::string serialToIso(double serial, bool date1904);

// An ISO 8601 date, date-time or time ("2024-03-01", "2024-03-01T08:30:00.250", with an optional
// "Z" or offset, which is dropped as the spreadsheet drops it; "08:30:00") as a serial day number
// of the date system; nullopt for any other text or a date the system cannot show.
std::optional<double> isoToSerial(std::string_view text, bool date1904);

// Serial of the 1904 date system converted to the 1900 system (adds 1462 days).
inline double serial1904To1900(double serial) {
    return serial + 1462.0;
}

}  // namespace shuhui::formats
