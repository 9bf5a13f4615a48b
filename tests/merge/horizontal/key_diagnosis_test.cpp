// The key-match diagnosis against the provider: causes named once each, the predicted rows and
// amounts equal to what the provider's joins return, the reconciliation of a result, the report.
#include "merge/horizontal/key_diagnosis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "formats/error.h"
#include "workbooks/key_fold.h"
#include "workbooks/provider.h"

namespace shuhui::merge::horizontal {
namespace {

using namespace workbooks;

std::string fixture(const std::string& name) {
    return std::string(SHUHUI_FIXTURES) + "/merge/" + name;
}

// One sheet of a chain: "card.xls:一" with the number fields to check.
struct Sheet {
    const char* file;
    const char* sheet;
    std::vector<std::string> numbers;
};

DiagnosisInput input(const std::string& key, const std::vector<Sheet>& sheets, uint32_t folds = 0) {
    DiagnosisInput in;
    in.keyField = key;
    in.matchFolds = folds;
    int page = 0;
    for (const Sheet& s : sheets)
        in.sheets.push_back({fixture(s.file), s.sheet, page++, s.numbers});
    return in;
}

// "T" + page (built in two steps: GCC 12 warns wrongly about "T" + std::to_string(n)).
std::string aliasOf(int page) {
    std::string a = "T";
    a += std::to_string(page);
    return a;
}

std::string ref(const DiagnosisSheet& s) {
    return sheetReference("Excel 8.0", s.path, s.sheet) + " " + aliasOf(s.page);
}

// The join of the join step with every field ("显示所有表头数据"), optionally with a collation on
// each equality.
std::string joinText(const DiagnosisInput& in, const std::string& collate = "") {
    std::string select, from, where;
    for (size_t i = 0; i < in.sheets.size(); ++i) {
        const std::string a = aliasOf(in.sheets[i].page);
        const std::string before = i ? aliasOf(in.sheets[i - 1].page) : "";
        select += (i ? "," : "") + a + ".*";
        from += (i ? ",  " : "  ") + ref(in.sheets[i]);
        const std::string f = in.keyField;
        const std::string c = collate.empty() ? "" : " collate " + collate;
        if (i == 0) where += " " + a + "." + f + c + "=";
        if (i == 1) where += " " + a + "." + f;
        if (i >= 2) where += " and " + before + "." + f + c + "=" + a + "." + f;
    }
    return "select " + select + " from " + from + " where " + where;
}

// The left/right variant's shape: the join, then the rows of either sheet the other lacks.
std::string leftRightText(const DiagnosisInput& in, const std::string& collate = "") {
    const std::string k = in.keyField, c = collate.empty() ? "" : " collate " + collate;
    const std::string a = ref(in.sheets[0]), b = ref(in.sheets[1]);
    return "select T0." + k + ",T1." + k + " from   " + a + ",  " + b + " where  T0." + k + c +
           "= T1." + k + " union all select T0." + k + ",' ' from " + a + " where T0." + k + c +
           " not in(select T1." + k + " from " + b + ") union all select ' ',T1." + k + " from " +
           b + " where T1." + k + c + " not in(select T0." + k + " from " + a + ")";
}

double columnTotal(const Result& r, const std::string& name) {
    const int c = r.fieldIndex(name);
    EXPECT_GE(c, 0) << name;
    double t = 0;
    for (size_t i = 0; c >= 0 && i < r.rowCount(); ++i)
        if (r.field(static_cast<size_t>(c)).kind(i) == ValueKind::Number)
            t += r.field(static_cast<size_t>(c)).number(i);
    return t;
}

TEST(KeyDiagnosis, NamesEachCauseOnce) {
    const KeyDiagnosis d =
        diagnoseKeys(input("姓名", {{"keys.xls", "左$", {}}, {"keys.xls", "右$", {}}}));
    struct Expect {
        const char* key;
        uint32_t causes;
        const char* meets;
        bool safe;
    };
    const Expect left[] = {
        {"李四 ", EdgeBlanks, "李四", true},
        {"王 五", InnerBlanks, "王五", true},
        {"赵六\xE3\x80\x80", IdeographicSpace, "赵六", true},
        {"ＡＢＣ１２３", FullWidthAlnum, "ABC123", true},
        {"A01（一）", FullWidthPunct, "A01(一)", true},
        {"Émile", LetterCase, "émile", true},
        {"007", LeadingZeros | NumberText, "7", false},
        {"1.23456789012346E+17", Scientific | NumberText, "123456789012345678", false},
        {"钱七\t", Invisible, "钱七", true},
        {"孙八\xC2\xA0", Invisible, "孙八", true},
        {"周九", 0, "", false},
    };
    std::map<std::string, const UnmatchedKey*> byKey;
    size_t rightSide = 0;
    for (const UnmatchedKey& u : d.unmatched) {
        if (u.left)
            byKey[u.key] = &u;
        else
            ++rightSide;
    }
    ASSERT_EQ(byKey.size(), std::size(left));
    for (const Expect& e : left) {
        ASSERT_TRUE(byKey.count(e.key)) << e.key;
        const UnmatchedKey& u = *byKey[e.key];
        EXPECT_EQ(keyCauseNames(u.causes), keyCauseNames(e.causes)) << e.key;
        EXPECT_EQ(u.meets.empty() ? "" : u.meets[0], e.meets) << e.key;
        EXPECT_EQ(u.safe, e.safe) << e.key;
        EXPECT_EQ(u.rows, 1u);
    }
    EXPECT_EQ(rightSide, std::size(left));  // the same causes seen from the right, and 吴十
    // 1001 against "1001" and abc against ABC meet as they are; the first is noted.
    ASSERT_EQ(d.mixedTypes.size(), 1u);
    EXPECT_EQ(d.mixedTypes[0].left, "1001");
    EXPECT_EQ(d.mixedTypes[0].right, "1001");

    const SheetKeyStats& l = d.sheets[0];
    EXPECT_EQ(l.rows, 15u);
    EXPECT_EQ(l.distinct, 14u);
    EXPECT_EQ(l.empty, 1u);
    EXPECT_EQ(d.sheets[1].duplicateKeys, 1u);
    EXPECT_EQ(d.sheets[1].duplicateRows, 2u);
    ASSERT_EQ(d.pairs.size(), 1u);
    EXPECT_EQ(d.pairs[0].matched, 3u);  // 张三, abc, 1001
    EXPECT_EQ(d.pairs[0].onlyLeft, 11u);
    EXPECT_EQ(d.pairs[0].onlyRight, 11u);
    EXPECT_EQ(d.pairs[0].cardinality, Cardinality::OneToMany);
    EXPECT_NEAR(d.pairs[0].matchRate, 3.0 / 25.0, 1e-12);
}

struct ChainCase {
    const char* name;
    const char* key;
    std::vector<Sheet> sheets;
    Cardinality firstPair;
    uint64_t rows;
};

const ChainCase kChains[] = {
    {"1:N",
     "姓名",
     {{"card.xls", "一$", {"金额"}}, {"card.xls", "多$", {"扣款"}}},
     Cardinality::OneToMany,
     6},
    {"N:1",
     "姓名",
     {{"card.xls", "多$", {"扣款"}}, {"card.xls", "一$", {"金额"}}},
     Cardinality::ManyToOne,
     6},
    {"N:M",
     "姓名",
     {{"card.xls", "多$", {"扣款"}}, {"card.xls", "多二$", {"补贴"}}},
     Cardinality::ManyToMany,
     7},
    {"1:1",
     "姓名",
     {{"card.xls", "一$", {"金额"}}, {"card.xls", "多二$", {"补贴"}}},
     Cardinality::OneToMany,
     3},
    {"three sheets",
     "姓名",
     {{"card.xls", "一$", {"金额"}},
      {"card.xls", "多$", {"扣款"}},
      {"card.xls", "多二$", {"补贴"}}},
     Cardinality::OneToMany,
     7},
    {"numbers N:M",
     "工号",
     {{"card.xls", "数一$", {"金额"}}, {"card.xls", "数二$", {"扣款"}}},
     Cardinality::ManyToMany,
     4},
    {"number against text",
     "工号",
     {{"card.xls", "数一$", {"金额"}}, {"card.xls", "文二$", {"扣款"}}},
     Cardinality::ManyToMany,
     5},
    {"all causes",
     "姓名",
     {{"keys.xls", "左$", {"基本工资"}}, {"keys.xls", "右$", {"考勤扣款"}}},
     Cardinality::OneToMany,
     4},
};

TEST(KeyDiagnosis, PredictedRowsAndAmountsEqualTheProvidersJoins) {
    for (const ChainCase& c : kChains) {
        SCOPED_TRACE(c.name);
        const DiagnosisInput in = input(c.key, c.sheets);
        const KeyDiagnosis d = diagnoseKeys(in);
        EXPECT_EQ(d.pairs[0].cardinality, c.firstPair);
        EXPECT_EQ(d.joinRows, c.rows);
        const auto join = runQuery(joinText(in));
        EXPECT_EQ(join->rowCount(), d.joinRows);
        for (const AmountCheck& a : d.amounts) {
            const std::string alias = aliasOf(in.sheets[a.sheet].page);
            const int c1 = join->fieldIndex(alias + "." + a.field);
            EXPECT_DOUBLE_EQ(columnTotal(*join, c1 >= 0 ? alias + "." + a.field : a.field),
                             a.joined)
                << a.field;
            EXPECT_DOUBLE_EQ(a.joined - a.source, a.doubled - a.dropped);
        }
        if (in.sheets.size() == 2) {
            const auto lr = runQuery(leftRightText(in));
            EXPECT_EQ(lr->rowCount(), d.leftRightRows);
        }
    }
}

TEST(KeyDiagnosis, DoubleCountedAmountsAndTheirKeys) {
    // The checked fields may hold texts (姓名): only number columns are checked.
    const KeyDiagnosis d = diagnoseKeys(
        input("姓名", {{"card.xls", "一$", {"姓名", "金额"}}, {"card.xls", "多$", {"扣款"}}}));
    ASSERT_EQ(d.amounts.size(), 2u);
    const AmountCheck& one = d.amounts[0];  // a 1 (x2), b 2, c 4 (x3), x 8 (no match)
    EXPECT_EQ(one.source, 15);
    EXPECT_EQ(one.joined, 16);
    EXPECT_EQ(one.doubled, 9);
    EXPECT_EQ(one.dropped, 8);
    const std::vector<std::pair<std::string, double>> keys = {{"c", 8}, {"x", -8}, {"a", 1}};
    EXPECT_EQ(one.keys, keys);
    const AmountCheck& many = d.amounts[1];
    EXPECT_EQ(many.doubled, 0);
    EXPECT_EQ(many.dropped, 70);  // y
    ASSERT_EQ(d.duplicates.size(), 2u);
    EXPECT_EQ(d.duplicates[0].key, "a");
    EXPECT_EQ(d.duplicates[0].rows, 2u);
    EXPECT_EQ(d.duplicates[1].key, "c");
    EXPECT_EQ(d.duplicates[1].rows, 3u);
    EXPECT_FALSE(d.needsConfirmation());

    // The same sheet twice: every duplicate meets itself, more rows than either sheet.
    const KeyDiagnosis twice =
        diagnoseKeys(input("姓名", {{"card.xls", "多$", {}}, {"card.xls", "多$", {}}}));
    EXPECT_EQ(twice.joinRows, 15u);  // a 2x2, b 1, c 3x3, y 1
    ASSERT_TRUE(twice.needsConfirmation());
    EXPECT_NE(twice.confirmationText().find("15 行"), std::string::npos);
    EXPECT_NE(twice.confirmationText().find("7 行"), std::string::npos);
}

TEST(KeyDiagnosis, ReconcilesAResult) {
    const DiagnosisInput in =
        input("姓名", {{"card.xls", "一$", {"金额"}}, {"card.xls", "多$", {"扣款"}}});
    const KeyDiagnosis d = diagnoseKeys(in);
    const auto result = runQuery(joinText(in));
    const auto lines = reconcile(d, JoinVariant::AllFields, *result);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].found);
    EXPECT_EQ(lines[0].column, "金额");
    EXPECT_EQ(lines[0].source, 15);
    EXPECT_EQ(lines[0].result, 16);
    EXPECT_EQ(lines[0].difference, 1);
    EXPECT_EQ(lines[0].text,
              "对账 金额：源表合计 15（4 行），结果合计 16（6 行），差额 +1：c +8、x -8、a +1");
    EXPECT_EQ(lines[1].text,
              "对账 扣款：源表合计 280（7 行），结果合计 210（6 行），差额 -70：y -70");

    const auto lr = runQuery(leftRightText(in));
    const auto lrLines = reconcile(d, JoinVariant::LeftRight, *lr);
    ASSERT_EQ(lrLines.size(), 2u);
    EXPECT_FALSE(lrLines[0].found);  // the left/right text here carries only the keys
}

TEST(KeyDiagnosis, ReportAndSummary) {
    const KeyDiagnosis d = diagnoseKeys(
        input("姓名", {{"keys.xls", "左$", {"基本工资"}}, {"keys.xls", "右$", {"考勤扣款"}}}));
    const auto r = diagnosisReport(d);
    std::vector<std::string> names;
    for (size_t c = 0; c < r->fieldCount(); ++c) names.push_back(r->field(c).name());
    EXPECT_EQ(names, (std::vector<std::string>{"类别", "表", "键值", "对方键值", "原因", "行数",
                                               "金额", "说明"}));
    std::map<std::string, size_t> kinds;
    for (size_t i = 0; i < r->rowCount(); ++i) ++kinds[std::string(r->field(0).text(i))];
    EXPECT_EQ(kinds["工作表"], 2u);
    EXPECT_EQ(kinds["表对"], 1u);
    EXPECT_EQ(kinds["未匹配(规整后可匹配)"], 20u);
    EXPECT_EQ(kinds["未匹配(无对应)"], 2u);
    EXPECT_EQ(kinds["已匹配(类型不同)"], 1u);
    EXPECT_EQ(kinds["重复键"], 1u);
    EXPECT_EQ(kinds["数值核对"], 2u);
    const std::string s = diagnosisSummary(d);
    EXPECT_NE(s.find("1:N"), std::string::npos) << s;
    EXPECT_NE(s.find("连接将得到 4 行"), std::string::npos) << s;
    EXPECT_NE(s.find("20 个未匹配的键规整后能找到对应（16 个"), std::string::npos) << s;
}

std::set<std::string> matchedLeftKeys(const Result& r) {
    std::set<std::string> keys;
    const int c = r.fieldIndex("T0.姓名");
    for (size_t i = 0; i < r.rowCount(); ++i)
        keys.insert(r.field(static_cast<size_t>(c)).displayText(i));
    return keys;
}

// Under a KEYFOLD collation the joins find exactly the keys the diagnosis said they would: the
// safe ones under KEYFOLD, and 007 too under KEYFOLD_ZERO; the provider's own join path, the
// engine's path (the same text with a term it does not take) and the prediction agree.
TEST(KeyDiagnosis, FoldedMatchingMeetsExactlyTheDiagnosedKeys) {
    const auto sheets =
        std::vector<Sheet>{{"keys.xls", "左$", {"基本工资"}}, {"keys.xls", "右$", {"考勤扣款"}}};
    const DiagnosisInput plain = input("姓名", sheets);
    const KeyDiagnosis before = diagnoseKeys(plain);
    const std::set<std::string> matchedBefore = matchedLeftKeys(*runQuery(joinText(plain)));
    struct Case {
        uint32_t folds;
        std::set<std::string> extra;  // left keys beyond the safe ones that come to meet
    };
    const Case cases[] = {{kSafeFolds, {}}, {kSafeFolds | LeadingZeros, {"007"}}};
    for (const Case& c : cases) {
        const std::string coll = keyFoldCollation(c.folds);
        EXPECT_EQ(keyFoldClause(c.folds), " collate " + coll);
        SCOPED_TRACE(coll);
        const DiagnosisInput in = input("姓名", sheets, c.folds);
        const KeyDiagnosis d = diagnoseKeys(in);
        const auto join = runQuery(joinText(in, coll));
        EXPECT_EQ(join->rowCount(), d.joinRows);
        EXPECT_EQ(runQuery(joinText(in, coll) + " and 1=1")->rowCount(), d.joinRows);
        EXPECT_EQ(runQuery(leftRightText(in, coll))->rowCount(), d.leftRightRows);
        std::set<std::string> expected = c.extra;
        for (const UnmatchedKey& u : before.unmatched)
            if (u.left && u.safe) expected.insert(u.key);
        std::set<std::string> now = matchedLeftKeys(*join), added;
        for (const std::string& k : now)
            if (!matchedBefore.count(k)) added.insert(k);
        EXPECT_EQ(added, expected);
        // The first sheet's keys are shown as it holds them.
        EXPECT_TRUE(now.count("李四 "));
        for (const AmountCheck& a : d.amounts)
            EXPECT_DOUBLE_EQ(columnTotal(*join, a.field), a.joined) << a.field;
    }
    EXPECT_EQ(keyFoldClause(0), "");
    // A collation the join path does not know goes to the engine, which knows it or says so.
    EXPECT_EQ(runQuery(joinText(plain, "nocase"))->rowCount(), before.joinRows);
    EXPECT_THROW(runQuery(joinText(plain, "无此排序")), Error);
}

// The texts of the join step and its variants, as the merge writes them for plain names: unchanged with
// the option off; with it on, the collation after each key left of "=" or "not in(" and nowhere
// else (not in the select lists, not in the sheet references).
TEST(KeyDiagnosis, KeyFoldInTheQueryTexts) {
    const std::string a = "[Excel 8.0;database=D:\\data\\工资.xls].[工资$]";
    const std::string b = "[Excel 8.0;database=D:\\data\\考勤.xls].[考勤$]";
    const std::string c = "[Excel 8.0;database=D:\\data\\社保.xls].[社保$]";
    const std::string join2 = "select T0.姓名,T0.基本工资,T0.奖金,T1.应扣金额 from   " + a +
                              " T0,  " + b + " T1 where  T0.姓名= T1.姓名";
    const std::string join3 =
        "select T0.姓名,T0.基本工资,T0.奖金,T1.应扣金额,T2.医保扣款,T2.社保扣款 from   " + a +
        " T0,  " + b + " T1,  " + c + " T2 where  T0.姓名= T1.姓名 and T1.姓名=T2.姓名";
    const std::string all =
        "select T0.*,T1.* from   " + a + " T0,  " + b + " T1 where  T0.姓名= T1.姓名";
    const std::string leftRight =
        "select T0.基本工资,T0.奖金,T0.姓名,T1.姓名,T1.应扣金额 from   " + a + " T0,  " + b +
        " T1 where  T0.姓名= T1.姓名 union all select T0.基本工资,T0.奖金,T0.姓名,' ',' ' from " +
        a + " T0 where T0.姓名 not in(select T1.姓名 from " + b +
        " T1) union all select ' ',' ',' ',T1.姓名,T1.应扣金额 from " + b +
        " T1 where T1.姓名 not in(select T0.姓名 from " + a + " T0)";
    const std::string k = " collate KEYFOLD";
    const std::pair<std::string, std::string> cases[] = {
        {join2, "select T0.姓名,T0.基本工资,T0.奖金,T1.应扣金额 from   " + a + " T0,  " + b +
                    " T1 where  T0.姓名" + k + "= T1.姓名"},
        {join3, "select T0.姓名,T0.基本工资,T0.奖金,T1.应扣金额,T2.医保扣款,T2.社保扣款 from   " +
                    a + " T0,  " + b + " T1,  " + c + " T2 where  T0.姓名" + k +
                    "= T1.姓名 and T1.姓名" + k + "=T2.姓名"},
        {all,
         "select T0.*,T1.* from   " + a + " T0,  " + b + " T1 where  T0.姓名" + k + "= T1.姓名"},
        {leftRight, "select T0.基本工资,T0.奖金,T0.姓名,T1.姓名,T1.应扣金额 from   " + a +
                        " T0,  " + b + " T1 where  T0.姓名" + k +
                        "= T1.姓名 union all select T0.基本工资,T0.奖金,T0.姓名,' ',' ' from " + a +
                        " T0 where T0.姓名" + k + " not in(select T1.姓名 from " + b +
                        " T1) union all select ' ',' ',' ',T1.姓名,T1.应扣金额 from " + b +
                        " T1 where T1.姓名" + k + " not in(select T0.姓名 from " + a + " T0)"},
    };
    for (const auto& [text, folded] : cases) {
        EXPECT_EQ(withKeyFold(text, "姓名", 0), text);
        EXPECT_EQ(withKeyFold(text, "姓名", kSafeFolds), folded);
    }
    EXPECT_EQ(withKeyFold("select T0.* from x T0, y T1 where  T0.[工 号]= T1.[工 号]", "[工 号]",
                          kSafeFolds | LeadingZeros),
              "select T0.* from x T0, y T1 where  T0.[工 号] collate KEYFOLD_ZERO= T1.[工 号]");
    // A folded left/right text of the fixtures runs and returns the rows the diagnosis predicts.
    const DiagnosisInput in =
        input("姓名", {{"keys.xls", "左$", {}}, {"keys.xls", "右$", {}}}, kSafeFolds);
    EXPECT_EQ(runQuery(withKeyFold(leftRightText(in), "姓名", kSafeFolds))->rowCount(),
              diagnoseKeys(in).leftRightRows);
}

TEST(KeyDiagnosis, Failures) {
    EXPECT_THROW(diagnoseKeys(input("姓名", {{"card.xls", "一$", {}}})), Error);
    EXPECT_THROW(diagnoseKeys(input("工号", {{"card.xls", "一$", {}}, {"card.xls", "多$", {}}})),
                 Error);
    EXPECT_THROW(
        diagnoseKeys(input("姓名", {{"card.xls", "一$", {"无此列"}}, {"card.xls", "多$", {}}})),
        Error);
    EXPECT_THROW(diagnoseKeys(input("姓名", {{"card.xls", "没有$", {}}, {"card.xls", "多$", {}}})),
                 Error);
}

}  // namespace
}  // namespace shuhui::merge::horizontal
