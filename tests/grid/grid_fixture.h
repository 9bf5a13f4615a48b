// Small results written as text, for the grid tests.
//
// makeResult("部门:s|工资:f|人数:i\n销售部|3000|2\n|1.5|"): the first line names the fields with a
// type letter (s String, i Integer, w Word, f Float, c Currency, S Smallint, B BCD, L Largeint,
// A AutoInc, d Date, b Boolean); then one line per row, cells separated by "|". An empty cell is
// blank (Null); in a number or date column a cell that reads as a number is stored as one (a date
// as its serial), any other text stays text; a Boolean cell is "1" or "0".
#pragma once

#include <charconv>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "workbooks/result.h"

namespace shuhui::grid::testing {

inline std::vector<std::string> splitBar(const std::string& line) {
    std::vector<std::string> out;
    std::string cur;
    for (char ch : line) {
        if (ch == '|') {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += ch;
        }
    }
    out.push_back(cur);
    return out;
}

inline workbooks::FieldType typeOf(char t) {
    using FT = workbooks::FieldType;
    switch (t) {
        case 'i':
            return FT::Integer;
        case 'w':
            return FT::Word;
        case 'f':
            return FT::Float;
        case 'c':
            return FT::Currency;
        case 'S':
            return FT::Smallint;
        case 'B':
            return FT::BCD;
        case 'L':
            return FT::Largeint;
        case 'A':
            return FT::AutoInc;
        case 'd':
            return FT::Date;
        case 't':
            return FT::DateTime;
        case 'b':
            return FT::Boolean;
        default:
            return FT::String;
    }
}

inline std::shared_ptr<workbooks::Result> makeResult(const std::string& text) {
    auto r = std::make_shared<workbooks::Result>();
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    std::vector<char> types;
    for (const std::string& h : splitBar(line)) {
        size_t colon = h.rfind(':');
        char t = colon == std::string::npos ? 's' : h[colon + 1];
        r->addField(h.substr(0, colon), typeOf(t));
        types.push_back(t);
    }
    while (std::getline(in, line)) {
        std::vector<std::string> cells = splitBar(line);
        cells.resize(types.size());
        for (size_t i = 0; i < types.size(); ++i) {
            workbooks::Column& c = r->field(i);
            const std::string& s = cells[i];
            double v = 0;
            auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
            bool isNum = !s.empty() && ec == std::errc() && p == s.data() + s.size();
            if (s.empty())
                c.appendNull();
            else if (types[i] == 'b')
                c.appendBool(s == "1");
            else if ((types[i] == 'd' || types[i] == 't') && isNum)
                c.appendDate(v);
            else if (types[i] != 's' && types[i] != 'd' && types[i] != 't' && isNum)
                c.appendNumber(v);
            else
                c.appendText(s);
        }
        r->commitRow();
    }
    return r;
}

}  // namespace shuhui::grid::testing
