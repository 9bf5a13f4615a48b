// Building a BIFF8 record stream in memory, for the .xls writer.
//
// BiffBuffer holds the bytes of one Workbook stream: record(id) ... end() frames a record and
// patches its length; the put* helpers append little-endian fields. Utf16Text converts the model's
// UTF-8 text to the UTF-16 units BIFF stores, and knows whether the compressed (one byte per
// character) form can hold it. SstWriter lays out the shared string table over SST and CONTINUE
// records and remembers where every eighth-or-so string starts, for EXTSST.
//
// Order: BiffBuffer buf; buf.record(Rec::X); buf.put16(...); ...; buf.end(); then for the strings
// SstWriter sst(buf, total, unique); sst.add(text) for each unique string; sst.finish() (which
// writes EXTSST).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "formats/biff_records.h"

namespace shuhui::formats::biff {

// The model's text as UTF-16 code units; invalid UTF-8 becomes U+FFFD.
struct Utf16Text {
    std::vector<uint16_t> units;
    bool compressible = true;  // every unit < 0x100: stored one byte per character

    explicit Utf16Text(std::string_view utf8);
};

class BiffBuffer {
  public:
    BiffBuffer() = default;

    std::vector<uint8_t>& bytes() { return bytes_; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    size_t size() const { return bytes_.size(); }

    // Starts a record; its body follows, end() patches the length.
    void record(Rec id) {
        start_ = bytes_.size();
        put16(biff::id(id));
        put16(0);
    }
    void end();
    // Bytes written in the body of the record opened by record().
    size_t bodySize() const { return bytes_.size() - start_ - 4; }

    void put8(uint8_t v) { bytes_.push_back(v); }
    void put16(uint16_t v) {
        uint8_t* p = grow(2);
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
    }
    void put32(uint32_t v) {
        uint8_t* p = grow(4);
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
        p[2] = uint8_t(v >> 16);
        p[3] = uint8_t(v >> 24);
    }
    void putDouble(double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        put32(uint32_t(bits));
        put32(uint32_t(bits >> 32));
    }
    // Characters of a string without its length: one byte each when compressed, else two.
    void putChars(const uint16_t* units, size_t count, bool compressed);
    // ShortXLUnicodeString (8-bit length) and XLUnicodeString (16-bit length), with the option
    // byte.
    void putShortString(const Utf16Text& text);
    void putString(const Utf16Text& text);

    // Overwrites 4 bytes at a position already written (BOUNDSHEET offsets).
    void patch32(size_t pos, uint32_t v) {
        bytes_[pos] = uint8_t(v);
        bytes_[pos + 1] = uint8_t(v >> 8);
        bytes_[pos + 2] = uint8_t(v >> 16);
        bytes_[pos + 3] = uint8_t(v >> 24);
    }

    uint8_t* grow(size_t n) {
        size_t old = bytes_.size();
        if (old + n > bytes_.capacity()) bytes_.reserve(std::max(bytes_.capacity() * 2, old + n));
        bytes_.resize(old + n);
        return bytes_.data() + old;
    }

  private:
    std::vector<uint8_t> bytes_;
    size_t start_ = 0;
};

// The shared string table: SST followed by as many CONTINUE records as the strings need, then
// EXTSST. A string header (length and option byte) never straddles two records; the characters may,
// and each continuation starts with the option byte again.
class SstWriter {
  public:
    SstWriter(BiffBuffer& buf, uint32_t totalRefs, uint32_t uniqueCount);
    void add(const Utf16Text& text);
    void finish();  // closes the last record and writes EXTSST

  private:
    void room(size_t n);  // starts a CONTINUE when fewer than n body bytes are left
    BiffBuffer& buf_;
    uint32_t count_ = 0;
    uint16_t bucketSize_;
    struct Bucket {
        uint32_t streamPos;
        uint16_t recordOffset;
    };
    std::vector<Bucket> buckets_;
};

}  // namespace shuhui::formats::biff
