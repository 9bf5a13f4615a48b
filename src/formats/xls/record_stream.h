// The BIFF record stream of an .xls workbook: records as "id, length, body", each with the
// CONTINUE records that follow it merged in as further segments, and Body, which reads a record's
// fields across those segments (strings restart with a new option byte at a segment boundary).
// Every read is bounds-checked; a failure names the file and the record.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "formats/biff_records.h"
#include "formats/read_errors.h"
#include "formats/text_codec.h"

namespace shuhui::formats::detail::xls {

using biff::Rec;

// The record's name for messages ("SST", "未知" for ids without one).
const char* recordName(uint16_t id);

struct Record {
    uint16_t id = 0;
    size_t header = 0;   // offset of the record header in the stream
    size_t bodyEnd = 0;  // end of the first segment
    size_t end = 0;      // end of the last CONTINUE merged into it
};

class RecordCursor {
  public:
    RecordCursor(std::span<const uint8_t> stream, const std::string& file)
        : s_(stream), file_(file) {}

    bool atEnd() const { return pos_ >= s_.size(); }
    size_t pos() const { return pos_; }
    void seek(size_t pos) { pos_ = pos; }

    Record next() {
        Record r;
        r.header = pos_;
        if (s_.size() - pos_ < 4)
            fail(ErrorKind::Truncated, file_, "文件不完整（工作簿数据流在记录头中间结束）");
        r.id = u16(pos_);
        size_t len = u16(pos_ + 2);
        if (s_.size() - pos_ - 4 < len)
            fail(ErrorKind::Truncated, file_,
                 std::string("文件不完整（") + recordName(r.id) + " 记录在数据流末尾被截断）");
        r.bodyEnd = pos_ + 4 + len;
        r.end = r.bodyEnd;
        // merge the CONTINUE records that follow
        while (s_.size() - r.end >= 4 && u16(r.end) == biff::id(Rec::CONTINUE)) {
            size_t clen = u16(r.end + 2);
            if (s_.size() - r.end - 4 < clen)
                fail(ErrorKind::Truncated, file_,
                     std::string("文件不完整（") + recordName(r.id) +
                         " 记录的 CONTINUE 部分被截断）");
            r.end += 4 + clen;
        }
        pos_ = r.end;
        return r;
    }

    uint16_t u16(size_t at) const { return uint16_t(s_[at] | (s_[at + 1] << 8)); }

  private:
    std::span<const uint8_t> s_;
    const std::string& file_;
    size_t pos_ = 0;
};

inline uint32_t le32(uint32_t v) {
    if constexpr (std::endian::native == std::endian::big) return __builtin_bswap32(v);
    return v;
}

// Reads the body of one record across its CONTINUE segments.
class Body {
  public:
    Body(std::span<const uint8_t> stream, const Record& r, const std::string& file)
        : s_(stream), rec_(r), file_(file), pos_(r.header + 4), segEnd_(r.bodyEnd) {}

    size_t remaining() const {
        // bytes of the current segment plus the bodies of the further ones
        size_t n = segEnd_ - pos_;
        size_t at = segEnd_;
        while (at < rec_.end) {
            size_t len = size_t(s_[at + 2] | (s_[at + 3] << 8));
            n += len;
            at += 4 + len;
        }
        return n;
    }
    size_t segmentRemaining() const { return segEnd_ - pos_; }
    // The next n bytes when they lie in the current segment (and steps over them), else null.
    const uint8_t* take(size_t n) {
        if (segEnd_ - pos_ < n) return nullptr;
        const uint8_t* p = s_.data() + pos_;
        pos_ += n;
        return p;
    }
    // Whether the record has no CONTINUE after the current segment.
    bool lastSegment() const { return segEnd_ >= rec_.end; }
    // no byte left in this record or its CONTINUEs (constant time, unlike remaining())
    bool atEnd() const {
        if (pos_ < segEnd_) return false;
        size_t at = segEnd_;
        while (at < rec_.end) {
            if (s_[at + 2] | s_[at + 3]) return false;
            at += 4;
        }
        return true;
    }

    uint8_t u8() {
        need(1);
        return s_[pos_++];
    }
    // The fast paths read within the current segment; the slow ones step across CONTINUEs.
    uint16_t u16() {
        if (segEnd_ - pos_ >= 2) {
            uint16_t v = uint16_t(s_[pos_] | (s_[pos_ + 1] << 8));
            pos_ += 2;
            return v;
        }
        uint8_t a = u8();
        uint8_t b = u8();
        return uint16_t(a | (b << 8));
    }
    uint32_t u32() {
        if (segEnd_ - pos_ >= 4) {
            uint32_t v;
            std::memcpy(&v, s_.data() + pos_, 4);
            pos_ += 4;
            return le32(v);
        }
        uint32_t a = u16();
        uint32_t b = u16();
        return a | (b << 16);
    }
    double f64() {
        uint8_t b[8];
        if (segEnd_ - pos_ >= 8) {
            std::memcpy(b, s_.data() + pos_, 8);
            pos_ += 8;
        } else {
            for (auto& x : b) x = u8();
        }
        double d;
        std::memcpy(&d, b, 8);
        return d;
    }
    void skip(size_t n) {
        while (n > 0) {
            need(1);
            size_t take = std::min(n, segEnd_ - pos_);
            pos_ += take;
            n -= take;
        }
    }

    // `count` characters of a BIFF8 string; at a CONTINUE boundary a new option byte says whether
    // the rest is compressed (1 byte per character) or UTF-16LE.
    void chars(std::string& out, size_t count, bool highByte) {
        while (count > 0) {
            if (pos_ == segEnd_) {
                nextSegment();
                highByte = (u8() & 0x01) != 0;
                continue;
            }
            size_t avail = segEnd_ - pos_;
            if (highByte) {
                size_t units = std::min(count, avail / 2);
                if (units == 0) corrupt("字符跨越了 CONTINUE 边界");
                appendUtf16le(out, s_.data() + pos_, units);
                pos_ += units * 2;
                count -= units;
            } else {
                size_t n = std::min(count, avail);
                appendLatin1(out, s_.data() + pos_, n);
                pos_ += n;
                count -= n;
            }
        }
    }

    // `count` bytes in the workbook's code page (BIFF5/7)
    void bytes8(std::string& out, size_t count, CodepageDecoder& dec) {
        if (count <= segEnd_ - pos_) {
            dec.append(out, s_.data() + pos_, count);
            pos_ += count;
            return;
        }
        std::string raw;
        raw.reserve(std::min(count, remaining()));
        while (count > 0) {
            raw.push_back(char(u8()));
            --count;
        }
        dec.append(out, reinterpret_cast<const uint8_t*>(raw.data()), raw.size());
    }

    // XLUnicodeString (16-bit count) or ShortXLUnicodeString (8-bit count), BIFF8
    std::string unicode(bool shortCount) {
        size_t cch = shortCount ? u8() : u16();
        uint8_t flags = u8();
        std::string out;
        size_t runs = 0, ext = 0;
        if (flags & 0x08) runs = u16();
        if (flags & 0x04) ext = u32();
        chars(out, cch, flags & 0x01);
        skip(runs * 4);
        skip(ext);
        return out;
    }

    [[noreturn]] void corrupt(const std::string& why) const {
        fail(ErrorKind::Corrupt, file_,
             std::string("文件已损坏（") + recordName(rec_.id) + " 记录：" + why + "）");
    }

  private:
    void need(size_t) {
        if (pos_ < segEnd_) return;
        nextSegment();
    }
    void nextSegment() {
        if (segEnd_ >= rec_.end) corrupt("数据比记录长度更长");
        size_t len = size_t(s_[segEnd_ + 2] | (s_[segEnd_ + 3] << 8));
        pos_ = segEnd_ + 4;
        segEnd_ = pos_ + len;
        if (pos_ == segEnd_) nextSegment();
    }

    std::span<const uint8_t> s_;
    const Record& rec_;
    const std::string& file_;
    size_t pos_, segEnd_;
};

}  // namespace shuhui::formats::detail::xls
