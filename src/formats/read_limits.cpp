// The limits of what one workbook may allocate (see read_limits.h).
#include "formats/read_limits.h"

#include <unistd.h>

#include <algorithm>

namespace shuhui::formats {

uint64_t physicalMemoryBytes() {
    static const uint64_t bytes = [] {
        const long pages = ::sysconf(_SC_PHYS_PAGES), size = ::sysconf(_SC_PAGE_SIZE);
        if (pages <= 0 || size <= 0) return uint64_t(4) << 30;
        return uint64_t(pages) * uint64_t(size);
    }();
    return bytes;
}

std::string groupedNumber(uint64_t n) {
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

uint64_t maxDenseCells(uint64_t storedValues, uint64_t bytesPerCell) {
    const uint64_t byFile =
        std::max(kDenseCellsFloor, storedValues > (UINT64_MAX / kDenseCellsPerValue)
                                       ? UINT64_MAX
                                       : storedValues * kDenseCellsPerValue);
    const uint64_t byMemory = physicalMemoryBytes() / 4 / std::max<uint64_t>(bytesPerCell, 1);
    return std::min(byFile, byMemory);
}

}  // namespace shuhui::formats
