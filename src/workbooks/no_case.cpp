// The case-blind text comparison (see no_case.h).
#include "workbooks/no_case.h"

#include <algorithm>

namespace shuhui::workbooks {

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && compareNoCase(a, b) == 0;
}

int compareNoCase(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = foldLetterByte(a, i), y = foldLetterByte(b, i);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace shuhui::workbooks
