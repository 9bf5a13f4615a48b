// Field pages written compactly for the tests: "姓名* 性别 基本工资* 奖金*" lists the items of a
// page, "*" marking a checked one, "~" standing for a blank inside a name.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "merge/horizontal/field_page.h"

namespace shuhui::merge::horizontal::test {

inline FieldPage Page(int n, std::string path, std::string sheet, const std::string& items) {
    FieldPage p;
    p.page = n;
    p.path = std::move(path);
    p.sheet = std::move(sheet);
    std::istringstream in(items);
    for (std::string word; in >> word;) {
        const bool checked = word.back() == '*';
        if (checked) word.pop_back();
        for (char& c : word)
            if (c == '~') c = ' ';
        p.items.push_back({word, checked});
    }
    return p;
}

// The payroll, attendance and insurance sheets used throughout.
inline FieldPage Pay(int n = 0, const std::string& items = "姓名* 性别 基本工资* 奖金*") {
    return Page(n, "D:\\data\\工资.xls", "工资$", items);
}
inline FieldPage Attendance(int n = 1, const std::string& items = "姓名 月份 应扣金额*") {
    return Page(n, "D:\\data\\考勤.xls", "考勤$", items);
}
inline FieldPage Insurance(int n = 2, const std::string& items = "姓名 医保扣款* 社保扣款*") {
    return Page(n, "D:\\data\\社保.xls", "社保$", items);
}

}  // namespace shuhui::merge::horizontal::test
