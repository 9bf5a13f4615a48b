// Record framing, string encoding and the shared string table of the BIFF8 writer.
#include "formats/biff_write.h"

#include <algorithm>

#include "formats/error.h"

namespace shuhui::formats::biff {

Utf16Text::Utf16Text(std::string_view s) {
    units.reserve(s.size());
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        uint8_t b = uint8_t(s[i]);
        if (b < 0x80) {
            units.push_back(b);
            ++i;
            continue;
        }
        uint32_t cp = 0xFFFD;
        size_t len = 1;
        uint32_t min = 0;
        if ((b & 0xE0) == 0xC0) {
            len = 2, cp = b & 0x1F, min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3, cp = b & 0x0F, min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4, cp = b & 0x07, min = 0x10000;
        } else {
            len = 0;  // a stray continuation byte or an invalid lead byte
        }
        bool ok = len > 0 && i + len <= n;
        for (size_t k = 1; ok && k < len; ++k) {
            uint8_t c = uint8_t(s[i + k]);
            if ((c & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
        if (!ok) {
            units.push_back(0xFFFD);
            compressible = false;
            ++i;
            continue;
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units.push_back(uint16_t(0xD800 + (cp >> 10)));
            units.push_back(uint16_t(0xDC00 + (cp & 0x3FF)));
            compressible = false;
        } else {
            units.push_back(uint16_t(cp));
            if (cp >= 0x100) compressible = false;
        }
    }
}

void BiffBuffer::end() {
    size_t body = bodySize();
    if (body > kMaxRecordBody) {
        throw Error(ErrorKind::Internal,
                    "写入 .xls 时记录超长（" + std::to_string(body) + " 字节）");
    }
    bytes_[start_ + 2] = uint8_t(body);
    bytes_[start_ + 3] = uint8_t(body >> 8);
}

void BiffBuffer::putChars(const uint16_t* units, size_t count, bool compressed) {
    if (compressed) {
        uint8_t* p = grow(count);
        for (size_t i = 0; i < count; ++i) p[i] = uint8_t(units[i]);
    } else {
        uint8_t* p = grow(count * 2);
        for (size_t i = 0; i < count; ++i) {
            p[2 * i] = uint8_t(units[i]);
            p[2 * i + 1] = uint8_t(units[i] >> 8);
        }
    }
}

void BiffBuffer::putShortString(const Utf16Text& text) {
    size_t n = std::min<size_t>(text.units.size(), 255);
    put8(uint8_t(n));
    put8(text.compressible ? 0 : 1);
    putChars(text.units.data(), n, text.compressible);
}

void BiffBuffer::putString(const Utf16Text& text) {
    size_t n = std::min<size_t>(text.units.size(), 0xFFFF);
    put16(uint16_t(n));
    put8(text.compressible ? 0 : 1);
    putChars(text.units.data(), n, text.compressible);
}

// Excel reads EXTSST buckets of at least 8 strings and at most 128 buckets.
SstWriter::SstWriter(BiffBuffer& buf, uint32_t totalRefs, uint32_t uniqueCount)
    : buf_(buf), bucketSize_(uint16_t(std::max<uint32_t>(8, (uniqueCount + 127) / 128))) {
    buf_.record(Rec::SST);
    buf_.put32(totalRefs);
    buf_.put32(uniqueCount);
}

void SstWriter::room(size_t n) {
    if (buf_.bodySize() + n <= kMaxRecordBody) return;
    buf_.end();
    buf_.record(Rec::CONTINUE);
}

void SstWriter::add(const Utf16Text& text) {
    const bool compressed = text.compressible;
    const size_t charSize = compressed ? 1 : 2;
    const size_t count = std::min<size_t>(text.units.size(), 0xFFFF);
    // The header and at least the first character stay together.
    room(3 + (count > 0 ? charSize : 0));
    if (count_ % bucketSize_ == 0) {
        size_t pos = buf_.size();
        buckets_.push_back({uint32_t(pos), uint16_t(buf_.bodySize() + 4)});
    }
    ++count_;
    buf_.put16(uint16_t(count));
    buf_.put8(compressed ? 0 : 1);
    const uint16_t* p = text.units.data();
    size_t left = count;
    while (left > 0) {
        size_t fit = (kMaxRecordBody - buf_.bodySize()) / charSize;
        if (fit == 0) {
            buf_.end();
            buf_.record(Rec::CONTINUE);
            buf_.put8(compressed ? 0 : 1);
            continue;
        }
        size_t k = std::min(fit, left);
        buf_.putChars(p, k, compressed);
        p += k;
        left -= k;
    }
}

void SstWriter::finish() {
    buf_.end();
    buf_.record(Rec::EXTSST);
    buf_.put16(bucketSize_);
    for (const Bucket& b : buckets_) {
        buf_.put32(b.streamPos);
        buf_.put16(b.recordOffset);
        buf_.put16(0);
    }
    buf_.end();
}

}  // namespace shuhui::formats::biff
