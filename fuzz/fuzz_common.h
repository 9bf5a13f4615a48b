// The body shared by the fuzz targets: read the bytes as a workbook with a few option sets, walk
// the model, and accept shuhui::Error as the one way to refuse input. Anything else (a crash, a
// sanitizer report, another exception, a hang) is a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "formats/error.h"
#include "formats/reader.h"

namespace shuhui::fuzz {

inline void walk(const formats::Workbook& wb) {
    volatile size_t sink = 0;
    for (const auto& sh : wb.sheets) {
        sink = sink + sh.usedRangeAddress().size();
        if (auto r = sh.dataRange(wb.strings)) sink = sink + r->lastRow;
        for (const auto& c : sh.cells) {
            if (c.type == formats::CellType::Text) sink = sink + wb.text(c).size();
            sink = sink + wb.isDate(c) + wb.style(c).numFmt.size();
        }
    }
}

inline int readOne(const uint8_t* data, size_t size, const char* name) {
    std::span<const uint8_t> bytes(data, size);
    const formats::ReadOptions options[] = {
        {},
        {.cells = false},
        {.maxRows = 2, .styles = false},
    };
    for (const auto& opt : options) {
        try {
            walk(formats::readWorkbookBytes(bytes, name, opt));
        } catch (const shuhui::Error&) {
            // refused with a message: fine
        }
    }
    return 0;
}

}  // namespace shuhui::fuzz
