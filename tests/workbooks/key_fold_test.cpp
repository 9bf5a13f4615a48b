// Key folding: each fold on its own, several at once, what stays apart, and the cause names.
#include "workbooks/key_fold.h"

#include <gtest/gtest.h>

namespace shuhui::workbooks {
namespace {

struct FoldCase {
    const char* text;
    uint32_t folds;
    const char* folded;
    uint32_t applied;
};

const uint32_t S = kSafeFolds;

const FoldCase kFoldCases[] = {
    // nothing to fold
    {"张三", S, "张三", 0},
    {"abc123", S, "abc123", 0},
    {"", S, "", 0},
    // each safe fold
    {" 张三 ", S, "张三", EdgeBlanks},
    {"张 三", S, "张三", InnerBlanks},
    {" 张 三", S, "张三", EdgeBlanks | InnerBlanks},
    {"张三\xE3\x80\x80", S, "张三", IdeographicSpace},
    {"\xEF\xBC\xA1\xEF\xBC\xA2\xEF\xBC\xA3\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x93", S, "abc123",
     FullWidthAlnum | LetterCase},  // ＡＢＣ１２３
    {"A01\xEF\xBC\x88\xE4\xB8\x80\xEF\xBC\x89", S, "a01(一)",
     FullWidthPunct | LetterCase},  // A01（一）
    {"ZhangSan", S, "zhangsan", LetterCase},
    {"\xC3\x89mile", S, "\xC3\xA9mile", LetterCase},  // Émile
    {"张三\t", S, "张三", Invisible},
    {"张\n三", S, "张三", Invisible},
    {"\xC2\xA0张三", S, "张三", Invisible},                  // no-break space
    {"张\xE2\x80\x8B三\xEF\xBB\xBF", S, "张三", Invisible},  // zero-width space, BOM
    // blanks around invisible characters still count as edge blanks
    {"张三 \t", S, "张三", EdgeBlanks | Invisible},
    // a fold that is not asked for leaves its characters alone
    {" 张三 ", S & ~EdgeBlanks, " 张三 ", 0},
    {"ZhangSan", S & ~LetterCase, "ZhangSan", 0},
    {"\xEF\xBC\xA1", S & ~FullWidthAlnum, "\xEF\xBC\xA1", 0},
    // numbers: never folded by the safe folds
    {"007", S, "007", 0},
    {"1.50", S, "1.50", 0},
    // the explicit choices
    {"007", S | LeadingZeros, "7", LeadingZeros},
    {"000", S | LeadingZeros, "0", LeadingZeros},
    {"007", S | NumberText, "007", 0},  // zeros only by their own choice
    {"007.50", S | NumberText | LeadingZeros, "7.5", LeadingZeros | NumberText},
    {"1.50", S | NumberText, "1.5", NumberText},
    {"+12", S | NumberText, "12", NumberText},
    {"1001", S | NumberText, "1001", 0},
    {"1001.0", S | NumberText, "1001", NumberText},
    {"-0.0", S | NumberText, "0", NumberText},
    {"\xEF\xBC\x90\xEF\xBC\x90\xEF\xBC\x97", S | LeadingZeros, "7",
     FullWidthAlnum | LeadingZeros},  // ００７
    {"A007", S | LeadingZeros, "a007", LetterCase},
    {"1.2.3", S | NumberText, "1.2.3", 0},
    {"12.", S | NumberText, "12.", 0},
};

TEST(KeyFold, Table) {
    for (const FoldCase& c : kFoldCases) {
        uint32_t applied = 0xFFFF;
        EXPECT_EQ(foldKey(c.text, c.folds, &applied), c.folded) << c.text;
        EXPECT_EQ(applied, c.applied) << c.text << " -> " << keyCauseNames(applied);
    }
}

TEST(KeyFold, KeysThatStayApart) {
    // Different keys must not meet under the safe folds.
    const std::pair<const char*, const char*> apart[] = {
        {"张三", "张三丰"}, {"007", "7"},  {"1.5", "1.50"},
        {"李四", "李 五"},  {"a-1", "a1"}, {"123456789012345678", "123456789012345680"},
    };
    for (const auto& [a, b] : apart) EXPECT_NE(foldKey(a, S), foldKey(b, S)) << a << " / " << b;
}

TEST(KeyFold, CauseNamesAndCollations) {
    EXPECT_EQ(keyCauseNames(EdgeBlanks | LeadingZeros), "首尾空格、丢失前导零");
    EXPECT_EQ(keyCauseNames(0), "");
    for (uint32_t k = 0; k < kKeyCauseCount; ++k)
        EXPECT_STRNE(keyCauseName(static_cast<KeyCause>(1u << k)), "");
    const std::pair<uint32_t, const char*> names[] = {
        {S, "KEYFOLD"},
        {S | NumberText, "KEYFOLD_NUM"},
        {S | LeadingZeros, "KEYFOLD_ZERO"},
        {S | NumberText | LeadingZeros, "KEYFOLD_NUM_ZERO"},
    };
    for (const auto& [folds, name] : names) {
        EXPECT_EQ(keyFoldCollation(folds), name);
        EXPECT_EQ(keyFoldOfCollation(name), folds);
    }
    EXPECT_EQ(keyFoldOfCollation("keyfold_num"), S | NumberText);
    EXPECT_EQ(keyFoldOfCollation("NOCASE"), 0u);
}

TEST(KeyFold, NumberKeyText) {
    EXPECT_EQ(numberKeyText(1001), "1001");
    EXPECT_EQ(numberKeyText(1.5), "1.5");
    EXPECT_EQ(numberKeyText(123456789012345678.0), "123456789012345680");
    EXPECT_EQ(numberKeyText(-0.0), "0");
}

}  // namespace
}  // namespace shuhui::workbooks
