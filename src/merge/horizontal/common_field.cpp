#include "merge/horizontal/common_field.h"

#include "merge/horizontal/name_list.h"

namespace shuhui::merge::horizontal {

NameCounts countFieldNames(const std::vector<FieldPage>& pages) {
    std::vector<const std::string*> all;
    NameList distinct;
    for (const FieldPage& page : pages) {
        if (!page.participates()) continue;
        for (const FieldItem& item : page.items) {
            all.push_back(&item.name);
            distinct.add(item.name);
        }
    }
    NameCounts out;
    out.names = distinct.names();
    out.counts.assign(out.names.size(), 0);
    for (const std::string* name : all) ++out.counts[*distinct.find(*name)];
    return out;
}

std::vector<std::string> countLines(const NameCounts& counts) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < counts.names.size(); ++i)
        if (counts.counts[i] > 1)
            lines.push_back(counts.names[i] + "=" + std::to_string(counts.counts[i]) + "次");
    lines.push_back(kCountClosingLine);
    return lines;
}

}  // namespace shuhui::merge::horizontal
