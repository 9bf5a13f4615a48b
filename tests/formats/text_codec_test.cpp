// Text in the 8-bit code pages of BIFF5/7 workbooks.
#include <gtest/gtest.h>

#include <string>

#include "formats/text_codec.h"

using shuhui::formats::CodepageDecoder;

TEST(CodepageDecoder, ReadsEveryByteAsItsCodePageDefinesIt) {
    struct Case {
        int codepage;
        uint8_t byte;
        const char* utf8;
    } cases[] = {
        {1252, 0xE9, "é"},      {1252, 0x80, "€"},  {437, 0xFE, "■"},       {850, 0xFE, "■"},
        {852, 0xFE, "■"},  // the DOS pages beyond 437 and 850
        {865, 0xFE, "■"},       {866, 0xE0, "р"},   {1252, 0x81, "\u0081"},  // unassigned in 1252:
                                                                             // read as Windows
                                                                             // reads it, not as
                                                                             // U+FFFD
        {1250, 0x98, "\u0098"}, {10000, 0xA5, "•"},
    };
    for (const auto& c : cases) {
        CodepageDecoder dec(c.codepage);
        std::string out;
        const uint8_t bytes[] = {'a', c.byte, 'b'};
        dec.append(out, bytes, 3);
        EXPECT_EQ(out, std::string("a") + c.utf8 + "b") << c.codepage << " " << int(c.byte);
    }
}

TEST(CodepageDecoder, BrokenDoubleByteSequencesBecomeReplacementCharacters) {
    CodepageDecoder dec(936);
    std::string out;
    const uint8_t bytes[] = {0xD6, 0xD0, 0x81};  // 中, then a lead byte without its trail
    dec.append(out, bytes, 3);
    EXPECT_EQ(out, "中\xEF\xBF\xBD");
}
