#include "merge/horizontal/headers.h"

namespace shuhui::merge::horizontal {

std::string headerQuery(const std::string& driver, const std::string& path,
                        const std::string& sheet) {
    return "select top 1 * from " + workbooks::sheetReference(driver, path, sheet);
}

std::vector<std::string> readFieldNames(workbooks::Query& query, const std::string& driver,
                                        const std::string& path, const std::string& sheet) {
    query.setSql(headerQuery(driver, path, sheet));
    query.open();
    const workbooks::Result& r = query.result();
    std::vector<std::string> names;
    names.reserve(r.fieldCount());
    for (size_t i = 0; i < r.fieldCount(); ++i) names.push_back(r.field(i).name());
    return names;
}

}  // namespace shuhui::merge::horizontal
