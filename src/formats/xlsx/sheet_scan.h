// A hand-written scanner for the inside of a worksheet's <sheetData>: rows, cells, values, formulas
// and inline strings, without a general XML parser. It feeds the same element/text events to the
// same handler the expat path uses, so both paths build the same cells.
//
// Interface: SheetDataScanner<Handler> gets the bytes that follow the <sheetData> start tag through
// feed(data, size, last), chunk after chunk. feed() answers More (give it the next chunk), Done
// (the </sheetData> end tag was reached; rest() holds the bytes from that tag on, for expat),
// Stopped (the handler asked to stop: ReadOptions::maxRows) or GiveUp. The scanner accepts only
// the plain, well-formed shape of sheet data (unprefixed element names, ASCII attribute values
// without references, the five predefined entities and character references in texts, valid
// UTF-8); on anything else it gives up and the caller reads the part again through expat from its
// start. What it accepts, expat accepts and reports the same way.
//
// Handler needs start(X*, std::string_view name, const char** atts), end(X*, std::string_view),
// text(const char*, size_t); it may call x->stop() from start().
#pragma once
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace shuhui::formats::detail {

// The scanner is on by default; tests turn it off to compare with the expat path.
void setSheetScanEnabled(bool on);
bool sheetScanEnabled();
// How many sheet parts went through the scanner to the end, and how many it gave up on.
struct SheetScanCounts {
    uint64_t scanned = 0, gaveUp = 0;
};
SheetScanCounts sheetScanCounts();
void countSheetScan(bool gaveUp);

// Length of the valid UTF-8 sequence of an XML character at p (the lead byte is >= 0x80); 0 when
// the bytes are not one (overlong, surrogate, above U+10FFFF, U+FFFE/U+FFFF, cut short).
inline size_t utf8CharLength(const unsigned char* p, const unsigned char* e) {
    unsigned c = p[0];
    size_t n;
    uint32_t v;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        v = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        v = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        v = c & 0x07;
    } else {
        return 0;
    }
    if (size_t(e - p) < n) return 0;
    for (size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        v = (v << 6) | (p[i] & 0x3F);
    }
    if (n == 3 && (v < 0x800 || (v >= 0xD800 && v <= 0xDFFF) || v >= 0xFFFE)) return 0;
    if (n == 4 && (v < 0x10000 || v > 0x10FFFF)) return 0;
    return n;
}

template <class Handler>
class SheetDataScanner {
  public:
    enum class Result { More, Done, Stopped, GiveUp };

    explicit SheetDataScanner(Handler& h) : h_(h) { decoded_.reserve(256); }

    Result feed(const char* data, size_t n, bool last) {
        if (tail_.empty()) return scanChunk(data, n, last);
        // The token cut at the end of the last chunk: joined with the start of this one a little
        // at a time (doubling) until it is whole, then the scan goes on in this chunk in place.
        size_t taken = 0;
        while (true) {
            const size_t old = tail_.size();  // tail_ is old bytes + data[0, taken)
            const size_t oldOwn = old - taken;
            size_t take = std::min(n - taken, std::max<size_t>(old, 16));
            tail_.append(data + taken, take);
            taken += take;
            const char* b = tail_.data();
            const char* p = b;
            const char* e = b + tail_.size();
            Result r = scan(p, e);
            size_t used = size_t(p - b);
            if (r == Result::Done) {
                restBuf_.assign(p, size_t(e - p));
                restBuf_.append(data + taken, n - taken);
                rest_ = restBuf_;
                tail_.clear();
                return r;
            }
            if (r != Result::More) {
                tail_.clear();
                return r;
            }
            if (used >= oldOwn) {  // the cut token is whole: on in place
                size_t off = used - oldOwn;
                tail_.clear();
                return scanChunk(data + off, n - off, last);
            }
            tail_.erase(0, used);
            if (taken == n) {
                if (last) return Result::GiveUp;  // the part ends inside sheetData
                if (tail_.size() > kMaxTail) return Result::GiveUp;
                return Result::More;
            }
            // still cut: tail_ is now (old bytes minus used) + data[0, taken)
        }
    }

    // after Done: the bytes from </sheetData> to the end of the last chunk (valid until the next
    // feed)
    std::string_view rest() const { return rest_; }

    // called by the handler
    void stop() { stop_ = true; }

  private:
    static constexpr size_t kMaxTail = 16u << 20;  // a text longer than this goes to expat
    static constexpr int kDepth = 24;
    static constexpr size_t kNameMax = 31;
    static constexpr size_t kMaxAtts = 24;

    // byte classes: a table look-up instead of a chain of comparisons for every byte of a tag
    enum : uint8_t { kNameStart = 1, kNameChar = 2, kSpace = 4, kValue = 8 };
    static constexpr std::array<uint8_t, 256> kClass = [] {
        std::array<uint8_t, 256> t{};
        for (int c = 0; c < 256; ++c) {
            bool start = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
            bool name = start || (c >= '0' && c <= '9') || c == '-' || c == '.';
            bool space = c == ' ' || c == '\n' || c == '\t' || c == '\r';
            bool value = c >= 0x20 && c < 0x7F && c != '<' && c != '&';
            t[size_t(c)] = uint8_t((start ? kNameStart : 0) | (name ? kNameChar : 0) |
                                   (space ? kSpace : 0) | (value ? kValue : 0));
        }
        return t;
    }();
    static bool is(char c, uint8_t cls) { return kClass[uint8_t(c)] & cls; }
    static bool isSpace(char c) { return is(c, kSpace); }
    static bool isNameStart(char c) { return is(c, kNameStart); }
    static bool isNameChar(char c) { return is(c, kNameChar); }

    static bool sameName(std::string_view a, const char* b, size_t n) {
        if (a.size() != n) return false;
        for (size_t i = 0; i < n; ++i)
            if (a[i] != b[i]) return false;
        return true;
    }
    // short copies (names, attribute values) without a library call
    static void copyShort(char* to, const char* from, size_t n) {
        for (size_t i = 0; i < n; ++i) to[i] = from[i];
    }

    Result scanChunk(const char* data, size_t n, bool last) {
        const char* p = data;
        const char* e = data + n;
        Result r = scan(p, e);
        if (r == Result::More) {
            if (last) return Result::GiveUp;  // the part ends inside sheetData
            if (size_t(e - p) > kMaxTail) return Result::GiveUp;
            tail_.assign(p, size_t(e - p));
        } else if (r == Result::Done) {
            rest_ = std::string_view(p, size_t(e - p));
        }
        return r;
    }

    // what one token did
    enum class Step { Consumed, Cut, Bad, End, Stop };

    // Scans from p; leaves p at the first byte not consumed (the start of an incomplete token on
    // More, the '<' of </sheetData> on Done).
    Result scan(const char*& p, const char* e) {
        while (p < e) {
            if (*p != '<') {
                const char* lt = static_cast<const char*>(std::memchr(p, '<', size_t(e - p)));
                if (!lt) return Result::More;
                if (!text(p, lt)) return Result::GiveUp;
                p = lt;
                continue;
            }
            if (e - p < 2) return Result::More;
            Step s;
            if (p[1] == '/')
                s = endTag(p, e);
            else if (isNameStart(p[1]))
                s = startTag(p, e);
            else
                return Result::GiveUp;  // comment, CDATA, processing instruction, junk
            switch (s) {
                case Step::Consumed:
                    break;
                case Step::Cut:
                    return Result::More;
                case Step::Bad:
                    return Result::GiveUp;
                case Step::End:
                    return Result::Done;
                case Step::Stop:
                    return Result::Stopped;
            }
        }
        return Result::More;
    }

    // End at </sheetData> on the outer level (p stays at its '<')
    Step endTag(const char*& p, const char* e) {
        const char* q = p + 2;
        const char* n0 = q;
        while (q < e && isNameChar(*q)) ++q;
        if (q == e) return Step::Cut;
        std::string_view name(n0, size_t(q - n0));
        while (q < e && isSpace(*q)) ++q;
        if (q == e) return Step::Cut;
        if (*q != '>' || name.empty()) return Step::Bad;
        if (depth_ == 0) return name == "sheetData" ? Step::End : Step::Bad;
        --depth_;
        if (!sameName(name, names_[depth_], lens_[depth_])) return Step::Bad;
        h_.end(this, name);
        p = q + 1;
        return Step::Consumed;
    }

    Step startTag(const char*& p, const char* e) {
        const char* q = p + 1;
        const char* n0 = q;
        while (q < e && isNameChar(*q)) ++q;
        if (q == e) return Step::Cut;
        size_t nlen = size_t(q - n0);
        if (nlen > kNameMax || depth_ >= kDepth) return Step::Bad;
        char c = *q;
        if (!isSpace(c) && c != '>' && c != '/') return Step::Bad;  // ':' and the rest
        // attributes into the scratch buffer, each name and value NUL-terminated
        size_t natts = 0, used = 0;
        bool selfClosing = false;
        while (true) {
            const char* ws = q;
            while (q < e && isSpace(*q)) ++q;
            if (q == e) return Step::Cut;
            if (*q == '>') {
                ++q;
                break;
            }
            if (*q == '/') {
                if (q + 1 == e) return Step::Cut;
                if (q[1] != '>') return Step::Bad;
                q += 2;
                selfClosing = true;
                break;
            }
            if (q == ws || !isNameStart(*q) || natts == kMaxAtts) return Step::Bad;
            const char* a0 = q;
            while (q < e && (isNameChar(*q) || *q == ':')) ++q;
            if (q == e) return Step::Cut;
            size_t alen = size_t(q - a0);
            if (a0[alen - 1] == ':') return Step::Bad;
            while (q < e && isSpace(*q)) ++q;
            if (q == e) return Step::Cut;
            if (*q != '=') return Step::Bad;
            ++q;
            while (q < e && isSpace(*q)) ++q;
            if (q == e) return Step::Cut;
            char quote = *q;
            if (quote != '"' && quote != '\'') return Step::Bad;
            const char* v0 = ++q;
            while (q < e && *q != quote) {
                if (!is(*q, kValue)) return Step::Bad;  // references, controls, non-ASCII
                ++q;
            }
            if (q == e) return Step::Cut;
            size_t vlen = size_t(q - v0);
            ++q;
            if (used + alen + vlen + 2 > sizeof(scratch_)) return Step::Bad;
            char* an = scratch_ + used;
            copyShort(an, a0, alen);
            an[alen] = 0;
            char* av = an + alen + 1;
            copyShort(av, v0, vlen);
            av[vlen] = 0;
            used += alen + vlen + 2;
            for (size_t i = 0; i < natts; ++i)  // a name twice: expat refuses the part
                if (sameName(std::string_view(an, alen), atts_[2 * i], attLens_[i]))
                    return Step::Bad;
            attLens_[natts] = alen;
            atts_[2 * natts] = an;
            atts_[2 * natts + 1] = av;
            ++natts;
            if (q == e) return Step::Cut;
            if (!isSpace(*q) && *q != '>' && *q != '/') return Step::Bad;
        }
        atts_[2 * natts] = nullptr;
        char* slot = names_[depth_];
        copyShort(slot, n0, nlen);
        slot[nlen] = 0;
        lens_[depth_] = uint8_t(nlen);
        std::string_view name(slot, nlen);
        h_.start(this, name, atts_);
        // an empty element's end is reported even when the start stopped the parse, as expat does
        if (selfClosing)
            h_.end(this, name);
        else
            ++depth_;
        p = q;
        return stop_ ? Step::Stop : Step::Consumed;
    }

    // Character data [b, e) up to a '<': validated as expat would, references decoded.
    bool text(const char* b, const char* e) {
        const auto* u = reinterpret_cast<const unsigned char*>(b);
        const auto* ue = reinterpret_cast<const unsigned char*>(e);
        bool refs = false;
        for (const unsigned char* q = u; q < ue;) {
            unsigned c = *q;
            if (c >= 0x20 && c < 0x80) {
                if (c == '&')
                    refs = true;
                else if (c == '>' && q - u >= 2 && q[-1] == ']' && q[-2] == ']')
                    return false;
                ++q;
            } else if (c == '\t' || c == '\n') {
                ++q;
            } else if (c == '\r') {
                refs = true;
                ++q;
            } else if (c < 0x80) {
                return false;  // control characters
            } else {
                size_t k = utf8CharLength(q, ue);
                if (!k) return false;
                q += k;
            }
        }
        if (!refs) {
            if (e > b) h_.text(b, size_t(e - b));
            return true;
        }
        decoded_.clear();
        const char* q = b;
        while (q < e) {
            char c = *q;
            if (c == '\r') {  // a line end of CR LF or a lone CR reads as LF
                decoded_ += '\n';
                q += (q + 1 < e && q[1] == '\n') ? 2 : 1;
                continue;
            }
            if (c != '&') {
                decoded_ += c;
                ++q;
                continue;
            }
            const char* semi =
                static_cast<const char*>(std::memchr(q, ';', std::min<size_t>(size_t(e - q), 12)));
            if (!semi) return false;
            std::string_view ref(q + 1, size_t(semi - q - 1));
            if (ref == "amp")
                decoded_ += '&';
            else if (ref == "lt")
                decoded_ += '<';
            else if (ref == "gt")
                decoded_ += '>';
            else if (ref == "quot")
                decoded_ += '"';
            else if (ref == "apos")
                decoded_ += '\'';
            else if (!charRef(ref))
                return false;
            q = semi + 1;
        }
        h_.text(decoded_.data(), decoded_.size());
        return true;
    }

    bool charRef(std::string_view ref) {
        if (ref.size() < 2 || ref[0] != '#') return false;
        uint32_t v = 0;
        size_t i = 1;
        bool hex = ref[1] == 'x';
        if (hex) ++i;
        if (i == ref.size()) return false;
        for (; i < ref.size(); ++i) {
            char c = ref[i];
            uint32_t d;
            if (c >= '0' && c <= '9')
                d = uint32_t(c - '0');
            else if (hex && c >= 'a' && c <= 'f')
                d = uint32_t(c - 'a' + 10);
            else if (hex && c >= 'A' && c <= 'F')
                d = uint32_t(c - 'A' + 10);
            else
                return false;
            v = v * (hex ? 16 : 10) + d;
            if (v > 0x10FFFF) return false;
        }
        bool ok = v == 0x9 || v == 0xA || v == 0xD || (v >= 0x20 && v <= 0xD7FF) ||
                  (v >= 0xE000 && v <= 0xFFFD) || (v >= 0x10000 && v <= 0x10FFFF);
        if (!ok) return false;
        if (v < 0x80) {
            decoded_ += char(v);
        } else if (v < 0x800) {
            decoded_ += char(0xC0 | (v >> 6));
            decoded_ += char(0x80 | (v & 0x3F));
        } else if (v < 0x10000) {
            decoded_ += char(0xE0 | (v >> 12));
            decoded_ += char(0x80 | ((v >> 6) & 0x3F));
            decoded_ += char(0x80 | (v & 0x3F));
        } else {
            decoded_ += char(0xF0 | (v >> 18));
            decoded_ += char(0x80 | ((v >> 12) & 0x3F));
            decoded_ += char(0x80 | ((v >> 6) & 0x3F));
            decoded_ += char(0x80 | (v & 0x3F));
        }
        return true;
    }

    Handler& h_;
    std::string tail_, restBuf_, decoded_;
    std::string_view rest_;
    bool stop_ = false;
    int depth_ = 0;
    char names_[kDepth][kNameMax + 1];
    uint8_t lens_[kDepth] = {};
    const char* atts_[2 * kMaxAtts + 1];
    size_t attLens_[kMaxAtts];
    char scratch_[2048];
};

}  // namespace shuhui::formats::detail
