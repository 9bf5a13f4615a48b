// Key folding: the one normalisation of join keys, for the key-match diagnosis, for matching keys
// that differ only in how they were typed, and for the tests of both.
//
//   uint32_t applied = 0;
//   foldKey("  张三　", kSafeFolds, &applied) == "张三"   // applied == EdgeBlanks |
//   IdeographicSpace foldKey("ＡＢＣ１２３", kSafeFolds) == "abc123" foldKey("007", kSafeFolds |
//   LeadingZeros) == "7"
//
// Each fold is one bit; a fold is applied only when its bit is set, and `applied` receives the bits
// of the folds that changed something. The safe folds remove what a user cannot see or does not
// mean (blanks at the edges and inside, the ideographic space, invisible characters) and map forms
// that read alike onto one (full-width letters, digits and punctuation onto ASCII, upper onto lower
// case). Reading a numeric text as its number and dropping leading zeros change what a key says, so
// they are separate choices. Scientific is never folded: a number shown as 1.23457E+17 has lost
// its digits; the diagnosis only names it.
//
// Under the option, the provider compares texts with the collation keyFoldCollation(folds), whose
// order is the byte order of the folded texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace shuhui::workbooks {

enum KeyCause : uint32_t {
    EdgeBlanks = 1u << 0,        // blanks before or after the key
    InnerBlanks = 1u << 1,       // blanks inside the key
    IdeographicSpace = 1u << 2,  // U+3000 anywhere
    FullWidthAlnum = 1u << 3,    // ＡＢＣ１２３
    FullWidthPunct = 1u << 4,    // （）［］，．－ and the rest of U+FF01..U+FF5E
    LetterCase = 1u << 5,        // upper and lower case (ASCII, Latin-1, Greek, Cyrillic)
    Invisible = 1u << 6,         // tab, line feed, carriage return, no-break space, zero-width
    NumberText = 1u << 7,        // a number on one side, a numeric text on the other (1.50 / 1.5)
    LeadingZeros = 1u << 8,      // 007 and 7
    Scientific = 1u << 9,        // a long number shown in scientific notation (diagnosis only)
};

constexpr uint32_t kSafeFolds = EdgeBlanks | InnerBlanks | IdeographicSpace | FullWidthAlnum |
                                FullWidthPunct | LetterCase | Invisible;
constexpr uint32_t kAllFolds = kSafeFolds | NumberText | LeadingZeros;
constexpr uint32_t kKeyCauseCount = 10;

// The key with the folds of `folds` applied; `applied` (may be null) gets the folds that changed
// it.
std::string foldKey(std::string_view text, uint32_t folds, uint32_t* applied = nullptr);

// True when no fold but ASCII letter case can change the text (no blank, invisible or full-width
// character, no letter outside ASCII, not a number): its fold is its ASCII lower case.
bool keyIsPlain(std::string_view text);

// The Chinese name of one cause ("首尾空格"), and of a set of causes joined by "、".
const char* keyCauseName(KeyCause cause);
std::string keyCauseNames(uint32_t causes);

// The name of the provider's collation comparing texts after these folds (safe folds always, plus
// NumberText and LeadingZeros when set): "KEYFOLD", "KEYFOLD_NUM", "KEYFOLD_ZERO",
// "KEYFOLD_NUM_ZERO". keyFoldOfCollation gives the folds back, 0 for any other name.
std::string keyFoldCollation(uint32_t folds);
uint32_t keyFoldOfCollation(std::string_view name);

// The general text of a number key as long as its digits go: 1001 -> "1001", 1.5 -> "1.5",
// 123456789012345678 -> "123456789012345680" (what the double holds), so that folding compares it
// with texts digit for digit.
std::string numberKeyText(double value);

}  // namespace shuhui::workbooks
