// UTF-16LE, Latin-1 and code-page text to UTF-8 (see text_codec.h).
#include "formats/text_codec.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace shuhui::formats {

static void putUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

void appendUtf16le(std::string& out, const uint8_t* p, size_t units) {
    for (size_t i = 0; i < units; ++i) {
        uint32_t u = uint32_t(p[2 * i]) | (uint32_t(p[2 * i + 1]) << 8);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            uint32_t v = uint32_t(p[2 * i + 2]) | (uint32_t(p[2 * i + 3]) << 8);
            if (v >= 0xDC00 && v <= 0xDFFF) {
                putUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00));
                ++i;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;
        putUtf8(out, u);
    }
}

void appendLatin1(std::string& out, const uint8_t* p, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (p[i] < 0x80)
            out.push_back(char(p[i]));
        else
            putUtf8(out, p[i]);
    }
}

static const char* iconvName(int codepage) {
    switch (codepage) {
        case 367:
            return "ASCII";
        case 437:
            return "CP437";
        case 850:
            return "CP850";
        case 932:
            return "CP932";
        case 936:
            return "CP936";
        case 949:
            return "CP949";
        case 950:
            return "CP950";
        case 1200:
            return "UTF-16LE";
        case 1250:
            return "CP1250";
        case 1251:
            return "CP1251";
        case 1252:
            return "CP1252";
        case 1253:
            return "CP1253";
        case 1254:
            return "CP1254";
        case 1255:
            return "CP1255";
        case 1256:
            return "CP1256";
        case 1257:
            return "CP1257";
        case 1258:
            return "CP1258";
        case 10000:
            return "MACINTOSH";
        case 32768:
            return "MACINTOSH";
        case 32769:
            return "CP1252";
        default:
            return nullptr;  // "CP" and the number: the DOS pages (852, 857, 860-866, 737...), 874
    }
}

CodepageDecoder::CodepageDecoder(int codepage) {
    setCodepage(codepage);
}

CodepageDecoder::~CodepageDecoder() {
    if (cd_) iconv_close(static_cast<iconv_t>(cd_));
}

void CodepageDecoder::setCodepage(int codepage) {
    if (cd_ && codepage == codepage_) return;
    if (cd_) iconv_close(static_cast<iconv_t>(cd_));
    cd_ = nullptr;
    codepage_ = codepage;
    const char* name = iconvName(codepage);
    const std::string numbered = "CP" + std::to_string(codepage);
    iconv_t cd = iconv_open("UTF-8", name ? name : numbered.c_str());
    if (cd == iconv_t(-1)) cd = iconv_open("UTF-8", "CP1252");
    if (cd != iconv_t(-1)) cd_ = cd;
}

void CodepageDecoder::append(std::string& out, const uint8_t* p, size_t count) {
    bool ascii = true;
    for (size_t i = 0; i < count; ++i)
        if (p[i] >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii || !cd_) {
        if (ascii)
            out.append(reinterpret_cast<const char*>(p), count);
        else
            appendLatin1(out, p, count);
        return;
    }
    iconv_t cd = static_cast<iconv_t>(cd_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(reinterpret_cast<const char*>(p));
    size_t inLeft = count;
    char buf[1024];
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buf, size_t(o - buf));
        if (r == size_t(-1)) {
            if (errno == E2BIG) continue;
            // an invalid or incomplete sequence: one replacement character, then go on; a byte
            // the single-byte Windows pages leave unassigned (0x81 in 1252) reads as the control
            // character of the same number, as Windows itself reads it
            const uint8_t byte = uint8_t(*in);
            if (codepage_ >= 1250 && codepage_ <= 1258 && byte >= 0x80 && byte <= 0x9F)
                putUtf8(out, byte);
            else
                out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
}

}  // namespace shuhui::formats
