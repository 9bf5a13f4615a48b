// Step ②'s help, "智能获取共有字段": how often each field name occurs across the sheets that take
// part, so the user can pick the name every sheet shares.
//
//   NameCounts c = countFieldNames(pages);   // every item of each participating page
//   for (const std::string& line : countLines(c)) memo.append(line);
//
// A page takes part when at least one of its fields is checked; then all its items count, checked
// or not, and a name a sheet lists twice counts twice. Names are held once without regard to letter
// case (shown as met first) and sorted in the Chinese collation.
#pragma once

#include <string>
#include <vector>

#include "merge/horizontal/field_page.h"

namespace shuhui::merge::horizontal {

struct NameCounts {
    std::vector<std::string> names;  // distinct names, sorted
    std::vector<int> counts;         // position for position
};

NameCounts countFieldNames(const std::vector<FieldPage>& pages);

// "姓名=3次" for every name counted more than once, in sorted order, then the closing line.
std::vector<std::string> countLines(const NameCounts& counts);

inline constexpr const char* kCountClosingLine = "把次数最大的名称填到上方框中!";

}  // namespace shuhui::merge::horizontal
