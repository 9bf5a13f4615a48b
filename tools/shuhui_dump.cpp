// shuhui-dump FILE: one workbook as one JSON object on stdout, for tests and for looking at files.
//
// {"format": "xls-biff8"|"xls-biff5"|"xlsx", "datemode": 0|1,
//  "sheets": [{"name", "state", "used_range": [r1,c1,r2,c2]|null, "merged": [[r1,c1,r2,c2],...],
//              "cells": [[row, col, "text"|"number"|"date"|"bool"|"error", value], ...]}, ...]}
// Rows and columns are 0-based; blank cells and empty texts are left out; formulas appear with
// their cached result. A file that cannot be read gives {"error": "<message>"} and exit status 1.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "formats/error.h"
#include "formats/numfmt.h"
#include "formats/reader.h"

using namespace shuhui::formats;

namespace {

void jsonString(std::string& out, std::string_view s) {
    out += '"';
    for (unsigned char c : s) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += char(c);
                }
        }
    }
    out += '"';
}

// Shortest text that reads back as the same double.
void jsonNumber(std::string& out, double v) {
    if (!std::isfinite(v)) {
        out += "null";
        return;
    }
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void rangeArray(std::string& out, const Range& r) {
    out += '[' + std::to_string(r.firstRow) + ',' + std::to_string(r.firstCol) + ',' +
           std::to_string(r.lastRow) + ',' + std::to_string(r.lastCol) + ']';
}

const char* stateName(SheetState s) {
    switch (s) {
        case SheetState::Hidden:
            return "hidden";
        case SheetState::VeryHidden:
            return "veryHidden";
        default:
            return "visible";
    }
}

}  // namespace

int run(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "用法：shuhui-dump 工作簿文件\n");
        return 2;
    }
    Workbook wb;
    try {
        wb = readWorkbook(argv[1]);
    } catch (const shuhui::Error& e) {
        std::string out = "{\"error\": ";
        jsonString(out, e.what());
        out += "}\n";
        std::fwrite(out.data(), 1, out.size(), stdout);
        return 1;
    }
    std::string out;
    out += "{\"format\": ";
    jsonString(out, formatName(wb.format));
    out += ", \"datemode\": ";
    out += wb.date1904 ? '1' : '0';
    out += ", \"sheets\": [";
    for (size_t si = 0; si < wb.sheets.size(); ++si) {
        const Sheet& sh = wb.sheets[si];
        if (si) out += ", ";
        out += "\n {\"name\": ";
        jsonString(out, sh.name);
        out += ", \"state\": ";
        jsonString(out, stateName(sh.state));
        out += ", \"used_range\": ";
        if (auto r = sh.dataRange(wb.strings))
            rangeArray(out, *r);
        else
            out += "null";
        out += ", \"merged\": [";
        for (size_t i = 0; i < sh.merged.size(); ++i) {
            if (i) out += ", ";
            rangeArray(out, sh.merged[i]);
        }
        out += "], \"cells\": [";
        bool first = true;
        for (const Cell& c : sh.cells) {
            if (c.type == CellType::Blank) continue;
            if (c.type == CellType::Text && wb.text(c).empty()) continue;
            out += first ? "\n  [" : ",\n  [";
            first = false;
            out += std::to_string(c.row) + ',' + std::to_string(c.col) + ',';
            switch (c.type) {
                case CellType::Text:
                    out += "\"text\",";
                    jsonString(out, wb.text(c));
                    break;
                case CellType::Number:
                    if (wb.isDate(c)) {
                        out += "\"date\",";
                        jsonString(out, serialToIso(c.number, wb.date1904));
                    } else {
                        out += "\"number\",";
                        jsonNumber(out, c.number);
                    }
                    break;
                case CellType::Bool:
                    out += c.small ? "\"bool\",true" : "\"bool\",false";
                    break;
                case CellType::Error:
                    out += "\"error\",";
                    jsonString(out, errorText(c.small));
                    break;
                case CellType::Blank:
                    break;
            }
            out += ']';
        }
        out += "]}";
    }
    out += "]}\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

// Every failure ends with a message and exit code 1, also one that is not a workbook error (no
// memory left for the dump of a huge sheet).
int main(int argc, char** argv) {
    auto report = [](const std::string& message) {
        std::string out = "{\"error\": ";
        jsonString(out, message);
        out += "}\n";
        std::fwrite(out.data(), 1, out.size(), stdout);
        return 1;
    };
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        return report("内存不足：这个工作簿太大，无法在内存中展开");
    } catch (const std::exception& e) {
        return report(std::string("内部错误：") + e.what());
    }
}
