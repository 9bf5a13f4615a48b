// Text decoding for the readers: UTF-16LE (BIFF8 strings, compressed or not) and 8-bit code pages
// (BIFF5/7 strings, e.g. code page 936 for simplified Chinese) to UTF-8.
//
//   appendUtf16le(out, bytes, count)        // count 16-bit units
//   appendLatin1(out, bytes, count)         // BIFF8 "compressed" strings: the high bytes are 0
//   CodepageDecoder dec(936); dec.append(out, bytes, count)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace shuhui::formats {

void appendUtf16le(std::string& out, const uint8_t* p, size_t units);
void appendLatin1(std::string& out, const uint8_t* p, size_t count);

class CodepageDecoder {
  public:
    explicit CodepageDecoder(int codepage = 1252);
    ~CodepageDecoder();
    CodepageDecoder(const CodepageDecoder&) = delete;
    CodepageDecoder& operator=(const CodepageDecoder&) = delete;

    void setCodepage(int codepage);
    int codepage() const { return codepage_; }
    // Bytes in the code page to UTF-8; undecodable bytes become U+FFFD.
    void append(std::string& out, const uint8_t* p, size_t count);

  private:
    int codepage_ = 1252;
    void* cd_ = nullptr;  // iconv_t
};

}  // namespace shuhui::formats
