#include "workbooks/collation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using shuhui::workbooks::Collation;

namespace {

std::vector<std::string> sortedByKey(std::vector<std::string> v) {
    const Collation& c = Collation::chinese();
    std::sort(v.begin(), v.end(),
              [&](const std::string& a, const std::string& b) { return c.sortKey(a) < c.sortKey(b); });
    return v;
}

std::vector<std::string> sortedByCompare(std::vector<std::string> v) {
    const Collation& c = Collation::chinese();
    std::sort(v.begin(), v.end(),
              [&](const std::string& a, const std::string& b) { return c.less(a, b); });
    return v;
}

}  // namespace

TEST(Collation, ChineseTextsInPinyinOrderByKeyAndByCompare) {
    // Code point order would give 人力资源部, 仓储物流部, 信息技术部, 测试部, 财务部.
    const std::vector<std::string> in = {"信息技术部", "人力资源部", "仓储物流部", "测试部", "财务部"};
    const std::vector<std::string> want = {"财务部", "仓储物流部", "测试部", "人力资源部", "信息技术部"};
    EXPECT_EQ(sortedByKey(in), want);
    EXPECT_EQ(sortedByCompare(in), want);
}

TEST(Collation, DigitsLettersAndHanTogether) {
    const std::vector<std::string> in = {"张三", "b", "10", "A", "2", "a", "阿"};
    std::vector<std::string> byKey = sortedByKey(in);
    EXPECT_EQ(byKey, sortedByCompare(in));
    // Digits first; letters of one kind next to each other whatever their case.
    EXPECT_EQ(byKey.front(), "10");
    EXPECT_LT(std::find(byKey.begin(), byKey.end(), "A"), std::find(byKey.begin(), byKey.end(), "b"));
}

TEST(Collation, OrderIsTotalForDistinctTexts) {
    const Collation& c = Collation::chinese();
    // Texts the collation may call equal still compare unequal, the same way both ways.
    for (auto [a, b] : std::vector<std::pair<std::string, std::string>>{
             {"a", "a\xe2\x80\x8b"}, {"", " "}, {"\xff", "\xfe"}, {"x", "x"}}) {
        int ab = c.compare(a, b), ba = c.compare(b, a);
        EXPECT_EQ(ab, -ba) << a << " / " << b;
        EXPECT_EQ(ab == 0, a == b) << a << " / " << b;
        EXPECT_EQ(c.sortKey(a) < c.sortKey(b), ab < 0) << a << " / " << b;
    }
}
