// The one-row-header vertical merge; see regular_header.h.
#include "merge/vertical/regular_header.h"

#include <utility>

#include "workbooks/provider.h"

namespace shuhui::merge::vertical {

namespace wb = shuhui::workbooks;

std::string sheetEntry(const SheetSource& sheet) {
    return sheet.path + ">" + sheet.sheet;
}

std::string firstRowQuery(const std::string& driver, const SheetSource& sheet) {
    return "select top 1 * from " + wb::sheetReference(driver, sheet.path, sheet.sheet);
}

std::vector<std::string> readSheetFields(wb::Query& query, const std::string& driver,
                                         const SheetSource& sheet) {
    query.setSql(firstRowQuery(driver, sheet));
    query.open();
    const wb::Result& r = query.result();
    std::vector<std::string> fields;
    fields.reserve(r.fieldCount());
    for (size_t i = 0; i < r.fieldCount(); ++i) fields.push_back(r.field(i).name());
    return fields;
}

std::string joinFields(const std::vector<std::string>& fields) {
    std::string text;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) text += ',';
        text += fields[i];
    }
    return text;
}

std::vector<std::string> splitFields(std::string_view text) {
    std::vector<std::string> fields;
    if (text.empty()) return fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        fields.emplace_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return fields;
}

std::string countText(size_t count) {
    return std::to_string(count);
}

CountCheck checkFieldCounts(const std::vector<std::string>& counts) {
    if (counts.empty()) return CountCheck::NothingToCheck;
    for (const std::string& c : counts)
        if (c != counts.front()) return CountCheck::CountsDiffer;
    return CountCheck::Passed;
}

void FieldOrder::select(int i) {
    selected_ = i >= 0 && i < static_cast<int>(items_.size()) ? i : -1;
}

bool FieldOrder::moveUp() {
    if (selected_ < 1) return false;
    std::swap(items_[selected_ - 1], items_[selected_]);
    --selected_;
    return true;
}

bool FieldOrder::moveDown() {
    if (selected_ < 0 || selected_ + 1 >= static_cast<int>(items_.size())) return false;
    std::swap(items_[selected_], items_[selected_ + 1]);
    ++selected_;
    return true;
}

bool FieldOrder::removeSelected() {
    if (selected_ < 0) return false;
    items_.erase(items_.begin() + selected_);
    // Nothing stays selected, so a second press cannot take a field the user did not choose.
    selected_ = -1;
    return true;
}

std::string unionQuery(const std::string& driver, const std::vector<std::string>& fields,
                       const std::vector<SheetSource>& sheets) {
    std::string list;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) list += ',';
        list += wb::sqlFieldName(fields[i]);
    }
    std::string text;
    for (const SheetSource& s : sheets) {
        if (!text.empty()) text += " union all ";
        text += "select " + list + " from " + wb::sheetReference(driver, s.path, s.sheet);
    }
    return text;
}

}  // namespace shuhui::merge::vertical
