// A sorted list of names that holds each name once, comparing without regard to letter case, in
// the Chinese collation the result grid uses too (workbooks::Collation::chinese()). A name met
// again in another case ("NAME" after "Name") is the same entry and keeps the spelling met first.
//
//   NameList names;
//   names.add("Name"); names.add("姓名"); names.add("NAME");   // two entries
//   names.find("name") == 0; names.at(0) == "Name"
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shuhui::merge::horizontal {

class NameList {
  public:
    // Adds `name` unless an equal name is held; returns its position either way. Positions of later
    // names shift when a name is inserted before them.
    size_t add(std::string_view name);
    std::optional<size_t> find(std::string_view name) const;
    bool contains(std::string_view name) const { return find(name).has_value(); }
    size_t size() const { return entries_.size(); }
    const std::string& at(size_t i) const { return entries_[i].text; }
    std::vector<std::string> names() const;

  private:
    struct Entry {
        std::string key;   // collation key of the case-folded name
        std::string text;  // the name as first added
    };
    std::vector<Entry> entries_;
};

// Unicode case folding of a UTF-8 text.
std::string foldCase(std::string_view text);

// Case-blind equality, as NameList compares.
bool sameName(std::string_view a, std::string_view b);

}  // namespace shuhui::merge::horizontal
