#include "merge/irregular/sheet_entry.h"

namespace shuhui::irregular {

std::string ApplicationSheetName(const std::string& listed) {
    std::string name = listed;
    if (const std::size_t at = name.find('$'); at != std::string::npos) name.erase(at, 1);
    return name;
}

}  // namespace shuhui::irregular
