// Chinese order for texts: the collation of the zh locale (pinyin for Han characters, digits before
// letters, letters case-aware but grouped), the order a Chinese office user expects in groups,
// sorted columns, filter drop-downs and the field lists of the merges.
//
//   const Collation& c = Collation::chinese();
//   c.compare("财务部", "仓储物流部") < 0
//   std::string k = c.sortKey(text);   // compare keys with memcmp / std::string::operator<
//
// Sorting many values: compute sortKey once per distinct value and compare the keys; that is far
// cheaper than calling compare for every pair. Texts are UTF-8. Equal collation keys for texts
// that differ in bytes are broken by byte order, so the order is total and repeatable.
// The object is immutable after construction and safe to use from several threads.
#pragma once

#include <string>
#include <string_view>

struct UCollator;

namespace shuhui::workbooks {

class Collation {
  public:
    static const Collation& chinese();

    // < 0, 0 or > 0.
    int compare(std::string_view a, std::string_view b) const;
    bool less(std::string_view a, std::string_view b) const { return compare(a, b) < 0; }
    // A byte string whose plain byte order is the collation order (ties broken by the text itself).
    std::string sortKey(std::string_view text) const;

    Collation(const Collation&) = delete;
    Collation& operator=(const Collation&) = delete;
    ~Collation();

  private:
    explicit Collation(const char* locale);
    UCollator* collator_ = nullptr;
};

}  // namespace shuhui::workbooks
