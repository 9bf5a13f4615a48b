// The case-blind text comparison (see no_case.h).
#include "workbooks/no_case.h"

namespace shuhui::workbooks {

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (foldAscii(static_cast<unsigned char>(a[i])) !=
            foldAscii(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace shuhui::workbooks
