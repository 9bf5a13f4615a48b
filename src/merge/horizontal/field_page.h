// What the horizontal merge knows of one captured sheet: its field page.
//
// Step ① makes one page per checked sheet, numbered from 0 in catalogue order; the page keeps the
// workbook path and the sheet name it was captured from, so later steps never look them up in the
// catalogue again (the catalogue may have been cleared or rebuilt since). The user checks fields on
// the page; a page takes part in the merge when at least one of its fields is checked.
#pragma once

#include <string>
#include <vector>

namespace shuhui::merge::horizontal {

struct FieldItem {
    std::string name;  // as the provider lists it
    bool checked = false;
};

struct FieldPage {
    int page = 0;       // page number n; the table alias is "T" + n
    std::string path;   // workbook path
    std::string sheet;  // sheet name as the catalogue lists it, "工资$"
    std::vector<FieldItem> items;

    bool participates() const {
        for (const FieldItem& i : items)
            if (i.checked) return true;
        return false;
    }
    std::vector<std::string> checkedFields() const {
        std::vector<std::string> out;
        for (const FieldItem& i : items)
            if (i.checked) out.push_back(i.name);
        return out;
    }
};

// "T" + page number.
inline std::string aliasOf(int page) {
    std::string alias = "T";
    return alias += std::to_string(page);
}

}  // namespace shuhui::merge::horizontal
