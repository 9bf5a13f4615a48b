// Number patterns of the result grid: the texts that format summaries and money cells.
//
// A pattern is any text with one number part made of "0"s, optionally followed by "." and more
// "0"s: "0", "0.00", "0.000", "￥0.00", "个数:0". The number part prints the value with at least
// one digit before the point, as many as the value needs (no thousands separator), and exactly as
// many digits after the point as "0"s follow it, rounded half away from zero on the value's decimal
// text with 15 significant digits (so 2.675 shows as 2.68 and 1.005 as 1.01, as a spreadsheet shows
// them). Every other character of the pattern, before or after the number part, is printed
// unchanged. A negative value that does not round to zero starts with "-", before any prefix:
// "￥0.00" shows -5 as "-￥5.00". A pattern without any "0" prints itself.
//
// Interface: formatPattern(value, pattern); patternForDecimals(d) gives "0", "0.00", "0.000" for
// 0, 2, 3 and nothing for any other count; excelFormatCode(pattern) turns a pattern into a
// spreadsheet number format code (literal text quoted, currency signs kept bare).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace shuhui::grid {

std::string formatPattern(double value, std::string_view pattern);

// "0" for 0, "0.00" for 2, "0.000" for 3; nullopt for every other number of decimals.
std::optional<std::string> patternForDecimals(int decimals);

// The spreadsheet number format code that shows a number as the pattern does: "0.00" stays,
// "￥0.00" stays ("￥", "¥", "$", "＄", "￡", "£", "€" are kept bare), "个数:0" becomes
// "\"个数:\"0". An empty pattern gives "General".
std::string excelFormatCode(std::string_view pattern);

}  // namespace shuhui::grid
