// libFuzzer target: arbitrary bytes through the .xlsx reader (seeds are zip archives, several of
// them with stored members so that mutations reach the XML). The bytes are also read once more
// with the sheet-data scanner turned off: both ways must give the same model, or the same error.
#include <bit>
#include <cstdlib>
#include <string>

#include "formats/xlsx/sheet_scan.h"
#include "fuzz_common.h"

namespace {

using namespace shuhui::formats;

// The model as text: cells, rows, columns, merges, dimension, strings (or the error).
std::string describe(const uint8_t* data, size_t size, bool scan) {
    detail::setSheetScanEnabled(scan);
    std::string out;
    try {
        Workbook wb = readWorkbookBytes(std::span<const uint8_t>(data, size), "fuzz.xlsx");
        for (const auto& sh : wb.sheets) {
            out += "S" + sh.name + (sh.complete ? "+" : "-") + (sh.loaded ? "L" : "") + "\n";
            if (sh.dimension)
                out += "D" + std::to_string(sh.dimension->firstRow) + "," +
                       std::to_string(sh.dimension->lastCol) + "\n";
            for (const auto& c : sh.cells)
                out += "C" + std::to_string(c.row) + "," + std::to_string(c.col) + "," +
                       std::to_string(int(c.type)) + "," + std::to_string(c.small) + "," +
                       std::to_string(c.style) + "," + std::to_string(c.text) + "," +
                       std::to_string(std::bit_cast<uint64_t>(c.number)) + "\n";
            for (const auto& r : sh.rows)
                out += "R" + std::to_string(r.row) + "," + std::to_string(r.height) +
                       std::to_string(r.hidden) + "\n";
            for (const auto& c : sh.cols)
                out += "K" + std::to_string(c.first) + "," + std::to_string(c.width) + "\n";
            for (const auto& m : sh.merged)
                out += "M" + std::to_string(m.firstRow) + "," + std::to_string(m.lastCol) + "\n";
        }
        for (const auto& s : wb.strings) out += "T" + s + "\n";
    } catch (const shuhui::Error& e) {
        out = std::string("E") + std::to_string(int(e.kind())) + e.what();
    }
    detail::setSheetScanEnabled(true);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    shuhui::fuzz::readOne(data, size, "fuzz.xlsx");
    if (describe(data, size, true) != describe(data, size, false)) std::abort();
    return 0;
}
