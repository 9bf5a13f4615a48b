// How much one workbook may make the program allocate. Each limit is checked before the memory is
// taken, and derived from the file (what its bytes can honestly stand for) and from the machine's
// physical memory, so that a small crafted file cannot demand gigabytes.
#pragma once

#include <cstdint>
#include <string>

namespace shuhui::formats {

// The machine's physical memory in bytes (sysconf); 4 GiB when the system does not say.
uint64_t physicalMemoryBytes();

// "17,179,869,184"
std::string groupedNumber(uint64_t n);

// One cell text, in UTF-8 bytes. A cell holds at most 32,767 characters (at most 98,301 bytes of
// UTF-8 for the characters of the Basic Multilingual Plane); a text ten times longer than that is
// something no spreadsheet writes.
inline constexpr uint64_t kMaxTextBytes = 1u << 20;

// Deflate expands its input by at most about 1032 to 1; a member claiming more than this many
// bytes per compressed byte (plus a small allowance for tiny members) lies about its size.
inline constexpr uint64_t kMaxDeflateRatio = 1032;

// One member of an .xlsx package may inflate to at most an eighth of the physical memory: what the
// readers keep of a part (cells, a string object per shared string) can be several times its size.
inline uint64_t maxMemberBytes() {
    return physicalMemoryBytes() / 8;
}

// The cells of the dense table built from one sheet (16 bytes each): at most 64 times the values
// the sheet stores, and never less than 8,388,608 (128 MiB), nor more than a quarter of the
// physical memory.
inline constexpr uint64_t kDenseCellsPerValue = 64;
inline constexpr uint64_t kDenseCellsFloor = uint64_t(1) << 23;
uint64_t maxDenseCells(uint64_t storedValues, uint64_t bytesPerCell);

}  // namespace shuhui::formats
