// The provider against small fixture workbooks: the query texts the merges send, field naming and
// typing, errors, connection semantics and the sheet cache.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "test_support.h"
#include "workbooks/no_case.h"
#include "workbooks/sheet_table.h"

namespace shuhui::workbooks::test {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::string>;

class ProviderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        conn.setConnectionString(connectionString(fixture("工资.xls"), "Excel 8.0"));
        conn.open();
    }
    const Result& run(const std::string& sql) {
        query.setSql(sql);
        query.open();
        return query.result();
    }
    Error runError(const std::string& sql) {
        try {
            run(sql);
        } catch (const Error& e) {
            EXPECT_FALSE(query.active());
            return e;
        }
        ADD_FAILURE() << "no error for: " << sql;
        return Error(ErrorKind::Internal, "");
    }

    Connection conn;
    Query query{conn};
    const std::string pay = ref8("工资.xls", "工资$");
    const std::string att = ref8("考勤.xls", "考勤$");
    const std::string ins = ref8("社保.xls", "社保$");
};

TEST_F(ProviderTest, InnerJoinOfTwoSheetsAsTheJoinStepWritesIt) {
    const Result& r = run("select T0.姓名,T0.基本工资,T0.奖金,T1.应扣金额 from   " + pay +
                          " T0,  " + att + " T1 where  T0.姓名= T1.姓名");
    EXPECT_EQ(fieldNames(r), (Rows{"姓名", "基本工资", "奖金", "应扣金额"}));
    EXPECT_EQ(fieldTypes(r), (Rows{"ftString", "ftFloat", "ftFloat", "ftFloat"}));
    // "Zhang" meets "zhang": text compares without regard to case.
    EXPECT_EQ(rows(r, true),
              (Rows{"Zhang|4000|300|10", "张三|5000|800|50", "李四|6000|900.5|20.5"}));
    EXPECT_EQ(query.recordCount(), 3u);
    EXPECT_FALSE(query.isEmpty());
}

TEST_F(ProviderTest, InnerJoinOfThreeSheets) {
    const Result& r =
        run("select T0.姓名,T0.基本工资,T0.奖金,T1.应扣金额,T2.医保扣款,T2.社保扣款 from   " + pay +
            " T0,  " + att + " T1,  " + ins + " T2 where  T0.姓名= T1.姓名 and T1.姓名=T2.姓名");
    EXPECT_EQ(rows(r, true), (Rows{"Zhang|4000|300|10|90|190", "张三|5000|800|50|100|200",
                                   "李四|6000|900.5|20.5|110|210"}));
}

TEST_F(ProviderTest, AllFieldsOfAllSheetsNameTheCommonFieldByAlias) {
    const Result& r =
        run("select T0.*,T1.* from   " + pay + " T0,  " + att + " T1 where  T0.姓名= T1.姓名");
    EXPECT_EQ(fieldNames(r),
              (Rows{"T0.姓名", "性别", "基本工资", "奖金", "T1.姓名", "月份", "应扣金额"}));
    EXPECT_EQ(rows(r, true), (Rows{"Zhang|男|4000|300|zhang|1|10", "张三|男|5000|800|张三|1|50",
                                   "李四|女|6000|900.5|李四|1|20.5"}));
}

TEST_F(ProviderTest, LeftRightUnionWithBlankFillers) {
    const std::string sql =
        "select T0.基本工资,T0.奖金,T0.姓名,T1.姓名,T1.应扣金额 from   " + pay + " T0,  " + att +
        " T1 where  T0.姓名= T1.姓名 union all select T0.基本工资,T0.奖金,T0.姓名,' ',' ' from " +
        pay + " T0 where T0.姓名 not in(select T1.姓名 from " + att +
        " T1) union all select ' ',' ',' ',T1.姓名,T1.应扣金额 from " + att +
        " T1 where T1.姓名 not in(select T0.姓名 from " + pay + " T0)";
    const Result& r = run(sql);
    EXPECT_EQ(fieldNames(r), (Rows{"基本工资", "奖金", "T0.姓名", "T1.姓名", "应扣金额"}));
    // The first branch decides the types; the ' ' filler under a number is an empty cell.
    EXPECT_EQ(fieldTypes(r), (Rows{"ftFloat", "ftFloat", "ftString", "ftString", "ftFloat"}));
    ASSERT_EQ(r.rowCount(), 5u);
    Rows all = rows(r);
    EXPECT_EQ(all[3], "4500|200|王五| |");
    EXPECT_EQ(all[4], "|| |赵六|30");
    EXPECT_TRUE(r.field(0).isNull(4));
}

TEST_F(ProviderTest, UnionAllOfTwoMonthSheetsTakesOnlyTheListedFields) {
    const std::string book = fixture("pay.xls");
    const Result& r = run(
        "select 姓名,部门,工资 from [Excel 8.0;database=" + book +
        "].[一月$] union all select 姓名,部门,工资 from [Excel 8.0;database=" + book + "].[二月$]");
    EXPECT_EQ(rows(r),
              (Rows{"张三|财务|5000", "李四|人事|6000", "张三|财务|5100", "王五|销售|4500"}));
}

TEST_F(ProviderTest, TopAndTwoBlankSelectForms) {
    const Result& top = run("select top 1 * from " + pay);
    EXPECT_EQ(fieldNames(top), (Rows{"姓名", "性别", "基本工资", "奖金"}));
    EXPECT_EQ(rows(top), (Rows{"张三|男|5000|800"}));
    EXPECT_EQ(run("select  * from " + pay).rowCount(), 4u);
    // A header below empty rows, and a blank row inside the first rows asked for.
    EXPECT_EQ(rows(run("select top 1 * from " + ref8("edge.xls", "偏移$"))), (Rows{"甲|1"}));
    EXPECT_EQ(rows(run("select top 3 * from " + ref8("edge.xls", "偏移$"))),
              (Rows{"甲|1", "|", "乙|2"}));
    // top inside a sub-select and in each branch of a union.
    EXPECT_EQ(rows(run("select 姓名 from " + pay + " where 姓名 in (select top 2 姓名 from " + att +
                       ")")),
              (Rows{"张三", "李四"}));
    const std::string book = fixture("pay.xls");
    EXPECT_EQ(rows(run("select top 1 姓名 from [Excel 8.0;database=" + book +
                       "].[一月$] union all select top 1 工资 from [Excel 8.0;database=" + book +
                       "].[二月$]")),
              (Rows{"张三", "5100"}));
}

// Plain selects and their unions are copied from the sheets directly; the same texts with a
// condition that holds everywhere go through the SQL engine. Both must give the same result.
TEST_F(ProviderTest, PlainUnionsMatchTheEngine) {
    const std::string m1 = "[Excel 8.0;database=" + fixture("pay.xls") + "].[一月$]";
    const std::string m2 = "[Excel 8.0;database=" + fixture("pay.xls") + "].[二月$]";
    const std::string types = ref8("edge.xls", "类型$");
    const std::vector<std::vector<std::string>> cases = {
        {"select  * from " + types},
        {"select 工资,姓名 from " + m1, " union all select 部门,姓名 from " + m2},
        {"select T0.姓名,T0.[工资] from " + m1 + " T0", " union all select 姓名,工资 from " + m2},
        {"select 货币,日期,在职,工号 from " + types,
         " union all select 货币,备注,工号,在职 from " + types},
        {"select top 1 * from " + types, " union all select top 2 * from " + types},
    };
    for (const auto& parts : cases) {
        std::string plain, engine;
        for (const auto& p : parts) {
            plain += p;
            const size_t u = p.find(" union all ");
            engine += (u == 0 ? p.substr(0, 11) + "select * from (" + p.substr(11)
                              : "select * from (" + p) +
                      " where 1=1)";
        }
        SCOPED_TRACE(plain);
        const auto a = runQuery(plain);
        const auto b = runQuery(engine);
        EXPECT_EQ(fieldNames(*a), fieldNames(*b));
        EXPECT_EQ(fieldTypes(*a), fieldTypes(*b));
        EXPECT_EQ(rows(*a), rows(*b));
    }
}

// The join step's inner joins are answered by hash lookups outside the engine; with one more
// condition the same join runs in the engine. Both must give the same fields and rows.
TEST_F(ProviderTest, InnerJoinsMatchTheEngine) {
    const std::string types = ref8("edge.xls", "类型$");
    const std::vector<std::string> cases = {
        "select T0.姓名,T0.基本工资,T0.奖金,T1.应扣金额 from   " + pay + " T0,  " + att +
            " T1 where  T0.姓名= T1.姓名",
        "select T0.*,T1.* from   " + pay + " T0,  " + att + " T1 where  T0.姓名= T1.姓名",
        "select T1.*,T0.姓名,T2.社保扣款 from   " + pay + " T0,  " + att + " T1,  " + ins +
            " T2 where  T0.姓名= T1.姓名 and T1.姓名=T2.姓名",
        "select T0.工号,T1.在职,T1.日期 from " + types + " T0, " + types +
            " T1 where T0.货币=T1.货币",
        "select T0.工号,T1.金额 from " + types + " T0, " + types + " T1 where T0.工号=T1.金额",
    };
    for (const auto& sql : cases) {
        SCOPED_TRACE(sql);
        const auto a = runQuery(sql);
        const auto b = runQuery(sql + " and 1=1");
        EXPECT_EQ(fieldNames(*a), fieldNames(*b));
        EXPECT_EQ(fieldTypes(*a), fieldTypes(*b));
        EXPECT_EQ(rows(*a, true), rows(*b, true));
    }
}

TEST_F(ProviderTest, FieldNamesFromTheHeaderRow) {
    const Result& r = run("select * from " + ref8("edge.xls", "表头$"));
    // Empty header cell -> F<column>, repeated name -> numeric suffix.
    EXPECT_EQ(fieldNames(r), (Rows{"代码", "F2", "金额", "金额1", "base pay", "Name"}));
    EXPECT_EQ(rows(run("select [base pay],F2,金额1 from " + ref8("edge.xls", "表头$") +
                       " where Name='Y'")),
              (Rows{"31|2|21"}));
    EXPECT_EQ(
        rows(run("select " + sqlFieldName("base pay") + " from " + ref8("edge.xls", "表头$"))),
        (Rows{"30", "31"}));
}

TEST_F(ProviderTest, ColumnTypesComeFromAllValues) {
    const Result& r = run("select * from " + ref8("edge.xls", "类型$"));
    EXPECT_EQ(fieldNames(r),
              (Rows{"工号", "金额", "日期", "在职", "备注", "空列", "货币", "混合日期"}));
    EXPECT_EQ(fieldTypes(r), (Rows{"ftString", "ftFloat", "ftDateTime", "ftBoolean", "ftString",
                                   "ftString", "ftCurrency", "ftString"}));
    ASSERT_EQ(r.rowCount(), 3u);
    // Numbers of a mixed column are written as General shows them; nothing is dropped.
    EXPECT_EQ(r.field(0).displayText(0), "1001");
    EXPECT_EQ(r.field(0).displayText(1), "A-7");
    EXPECT_EQ(r.field(0).displayText(2), "3.5");
    EXPECT_TRUE(r.field(1).isNull(2));
    EXPECT_EQ(r.field(2).displayText(0), "2023-03-15");
    EXPECT_EQ(r.field(3).displayText(1), "False");
    EXPECT_EQ(r.field(4).text(1).size(), 300u * 3 + 3);  // long texts are never cut
    EXPECT_EQ(r.field(7).displayText(0), "2023-03-15");
    EXPECT_EQ(r.field(7).displayText(1), "待定");
}

TEST_F(ProviderTest, DatesTurnedIntoTextReadAsTheGridShowsThem) {
    // A 1904 workbook: a date as the header, a date with a time of day and a number below it.
    const Result& r = run(
        "select  * from " +
        sheetReference("Excel 12.0",
                       std::string(SHUHUI_FIXTURES) + "/formats/date1904_openpyxl.xlsx", "日期$"));
    EXPECT_EQ(fieldNames(r), (Rows{"2024-01-31"}));
    EXPECT_EQ(fieldTypes(r), (Rows{"ftString"}));
    EXPECT_EQ(rows(r), (Rows{"2024-01-31 12:30:00", "1.5"}));
}

TEST_F(ProviderTest, SheetShapes) {
    struct Case {
        std::string sheet;
        Rows names;
        Rows rows;
    };
    const Case cases[] = {
        {"空表$", {"姓名", "工资"}, {}},                     // header only
        {"Sheet 1$", {"k", "v"}, {"one|1"}},                 // a blank in the sheet name
        {"偏移$", {"姓名", "数量"}, {"甲|1", "|", "乙|2"}},  // data range not at A1, an empty row
        {"隐藏$", {"x"}, {"1"}},                             // hidden sheets are tables too
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sheet);
        const Result& r = run("select * from " + ref8("edge.xls", c.sheet));
        EXPECT_EQ(fieldNames(r), c.names);
        EXPECT_EQ(rows(r), c.rows);
    }
    EXPECT_TRUE(query.isEmpty() == false);
    run("select * from " + ref8("edge.xls", "空表$"));
    EXPECT_TRUE(query.isEmpty());
    EXPECT_TRUE(query.active());
}

TEST_F(ProviderTest, DatesOfThe1904SystemBecome1900Serials) {
    const Result& r = run("select * from " + ref8("d1904.xls", "日期$"));
    EXPECT_EQ(rows(r), (Rows{"1904-01-01", "1904-01-02"}));
    EXPECT_DOUBLE_EQ(r.field(0).number(0), 1462);
}

TEST_F(ProviderTest, NumericColumnReceivingTextBecomesText) {
    const std::string book = fixture("pay.xls");
    const Result& r =
        run("select 工资 from [Excel 8.0;database=" + book +
            "].[一月$] union all select 部门 from [Excel 8.0;database=" + book + "].[二月$]");
    EXPECT_EQ(fieldTypes(r), (Rows{"ftString"}));
    EXPECT_EQ(rows(r), (Rows{"5000", "6000", "财务", "销售"}));
}

TEST_F(ProviderTest, CaseBlindComparisonsWithConstants) {
    EXPECT_EQ(rows(run("select 基本工资 from " + pay + " T0 where T0.姓名 = 'ZHANG'")),
              (Rows{"4000"}));
    EXPECT_EQ(rows(run("select 姓名 from " + pay + " where 基本工资 = 6000")), (Rows{"李四"}));
    EXPECT_EQ(rows(run("select 'a:b\\c' from " + pay + " where 姓名='王五'")), (Rows{"a:b\\c"}));
}

TEST_F(ProviderTest, FullWidthLettersCompareWithoutRegardToCase) {
    const std::string a = ref8("全角.xls", "甲$"), b = ref8("全角.xls", "乙$");
    // constants, through the engine's NOCASE collation and through the sheet's hash index
    EXPECT_EQ(rows(run("select 金额 from " + a + " where 编号 = 'ａｂｃ'")), (Rows{"1"}));
    EXPECT_EQ(rows(run("select 金额 from " + a + " where 编号 in ('xY', 'ｘＹ')")), (Rows{"2"}));
    EXPECT_EQ(rows(run("select 金额 from " + a + " where 编号 > 'ｘ' order by 编号")), (Rows{"2"}));
    // the join step's direct path and the engine agree; half-width ABC stays apart
    const std::string join =
        "select T0.金额,T1.备注 from " + a + " T0, " + b + " T1 where T0.编号=T1.编号";
    EXPECT_EQ(rows(run(join), true), (Rows{"1|小写", "2|混合"}));
    EXPECT_EQ(rows(run(join + " and 1=1"), true), (Rows{"1|小写", "2|混合"}));
}

TEST(ProviderNoCase, FoldsAsciiAndFullWidthLettersOnly) {
    struct {
        const char* a;
        const char* b;
        int order;
    } cases[] = {
        {"Zhang", "zHANG", 0},
        {"ＡＢＣ", "ａｂｃ", 0},
        {"Ｚ", "ｚ", 0},
        {"ABC", "ＡＢＣ", -1},
        {"Ａ", "Ｂ", -1},
        {"ａ", "Ｂ", -1},
        {"张三", "张三", 0},
        {"Ä", "ä", -1},
        {"abc", "abcd", -1},
        {"ｚ", "ＡＢ", 1},
        {"\xbc\xa1", "\xbd\x81", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(compareNoCase(c.a, c.b), c.order) << c.a << " / " << c.b;
        EXPECT_EQ(compareNoCase(c.b, c.a), -c.order) << c.a << " / " << c.b;
        EXPECT_EQ(equalsNoCase(c.a, c.b), c.order == 0) << c.a << " / " << c.b;
        if (c.order == 0) {
            EXPECT_EQ(HashIndex::hashTextNoCase(c.a), HashIndex::hashTextNoCase(c.b)) << c.a;
        }
    }
}

TEST_F(ProviderTest, PathsHoldingColonAndBackslash) {
    TempDir dir;
    const std::string path = (dir.path / "D:\\data\\工资.xls").string();
    fs::copy_file(fixture("工资.xls"), path);
    const Result& r =
        run("select T0.姓名 from   [Excel 8.0;database=" + path + "].[工资$] T0 where T0.奖金=200");
    EXPECT_EQ(rows(r), (Rows{"王五"}));
}

TEST_F(ProviderTest, XlsxNeedsTheNewerDriver) {
    const std::string book = fixture("book.xlsx");
    const Error e = runError("select * from [Excel 8.0;database=" + book + "].[工资$]");
    EXPECT_EQ(e.kind(), ErrorKind::WrongDriver);
    EXPECT_NE(std::string(e.what()).find("Excel2007-2010版"), std::string::npos);
    EXPECT_EQ(rows(run("select * from [Excel 12.0;database=" + book + "].[工资$]")),
              (Rows{"张三|5000", "李四|6000"}));
    // Both drivers read .xls files.
    EXPECT_EQ(
        run("select * from [Excel 12.0;database=" + fixture("工资.xls") + "].[工资$]").rowCount(),
        4u);
}

TEST_F(ProviderTest, ErrorsNameWhatIsWrong) {
    struct Case {
        const char* what;
        std::string sql;
        std::vector<ErrorKind> kinds;
        Rows mentions;
    };
    const std::string missing = fixture("没有这个文件.xls");
    const Case cases[] = {
        {"missing workbook",
         "select * from [Excel 8.0;database=" + missing + "].[工资$]",
         {ErrorKind::NotFound},
         {missing}},
        {"missing sheet",
         "select * from " + ref8("工资.xls", "奖金$"),
         {ErrorKind::SheetNotFound},
         {"奖金$", fixture("工资.xls"), "工资$"}},
        {"unknown field",
         "select T0.工号 from " + pay + " T0",
         {ErrorKind::FieldNotFound},
         {"T0.工号"}},
        {"unbracketed blank",
         "select base pay from " + ref8("edge.xls", "表头$"),
         {ErrorKind::FieldNotFound},
         {"base"}},
        {"syntax", "select 姓名 form " + pay, {ErrorKind::Syntax}, {"附近"}},
        {"join on one sheet",
         "select T0.姓名 from   " + pay + " T0 where  T0.姓名=",
         {ErrorKind::Syntax},
         {"不完整"}},
        {"union width",
         "select 姓名 from " + pay + " union all select 姓名,奖金 from " + pay,
         {ErrorKind::Syntax},
         {"字段数目"}},
        {"corrupt",
         "select * from " + ref8("corrupt.xls", "工资$"),
         {ErrorKind::NotWorkbook, ErrorKind::Corrupt, ErrorKind::Truncated},
         {fixture("corrupt.xls")}},
        {"corrupt second workbook of a join",
         "select T0.姓名 from " + pay + " T0, " + ref8("corrupt.xls", "工资$") +
             " T1 where T0.姓名=T1.姓名",
         {ErrorKind::NotWorkbook, ErrorKind::Corrupt, ErrorKind::Truncated},
         {fixture("corrupt.xls")}},
        {"not a workbook",
         "select * from " + ref8("text.xls", "工资$"),
         {ErrorKind::NotWorkbook},
         {fixture("text.xls")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Error e = runError(c.sql);
        EXPECT_NE(std::find(c.kinds.begin(), c.kinds.end(), e.kind()), c.kinds.end()) << e.what();
        for (const auto& m : c.mentions)
            EXPECT_NE(std::string(e.what()).find(m), std::string::npos) << e.what();
    }
    // The error carries the file and sheet it concerns.
    EXPECT_EQ(runError(cases[0].sql).file(), missing);
    const Error noSheet = runError(cases[1].sql);
    EXPECT_EQ(noSheet.file(), fixture("工资.xls"));
    EXPECT_EQ(noSheet.sheet(), "奖金$");
}

TEST(ProviderConnection, OpenListsTablesAndFailureLeavesItClosed) {
    Connection conn;
    Query q(conn);
    q.setSql("select * from " + ref8("工资.xls", "工资$"));
    try {
        q.open();
        FAIL() << "a query on a connection never opened must fail";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::NotOpen);
    }

    conn.setConnectionString(connectionString(fixture("edge.xls"), "Excel 8.0"));
    EXPECT_EQ(conn.dataSource(), fixture("edge.xls"));
    conn.open();
    EXPECT_TRUE(conn.connected());
    EXPECT_EQ(conn.tableNames(), (Rows{"类型$", "表头$", "空表$", "Sheet 1$", "偏移$", "隐藏$"}));
    q.open();
    EXPECT_TRUE(q.active());
    q.setSql(q.sql());  // setting the text closes the result
    EXPECT_FALSE(q.active());

    conn.close();
    conn.setConnectionString(connectionString(fixture("book.xlsx"), "Excel 8.0"));
    EXPECT_THROW(conn.open(), Error);
    EXPECT_FALSE(conn.connected());
    EXPECT_EQ(conn.dataSource(), fixture("book.xlsx"));
    try {
        q.open();
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::NotOpen);
        EXPECT_NE(std::string(e.what()).find(fixture("book.xlsx")), std::string::npos);
    }
    conn.setConnectionString(connectionString(fixture("book.xlsx"), "Excel 12.0"));
    conn.open();
    EXPECT_EQ(conn.tableNames(), (Rows{"工资$", "考勤$"}));
    EXPECT_EQ(rows(*runQuery("select 日期 from [Excel 12.0;database=" + fixture("book.xlsx") +
                             "].[考勤$]")),
              (Rows{"2023-03-15"}));
}

TEST(ProviderHelpers, TextsOfTheConnectionAndReferences) {
    EXPECT_EQ(driverText(false), "Excel 8.0");
    EXPECT_EQ(driverText(true), "Excel 12.0");
    EXPECT_EQ(sheetReference("Excel 8.0", "D:\\data\\工资.xls", "工资$"),
              "[Excel 8.0;database=D:\\data\\工资.xls].[工资$]");
    EXPECT_EQ(connectionString("D:\\a.xls", "Excel 12.0"),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=D:\\a.xls;Extended "
              "Properties=IMEX=1;Excel 12.0;Persist "
              "Security Info=False");
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {{"姓名", "姓名"},       {"基本工资", "基本工资"},
                          {"Name1", "Name1"},     {"base pay", "[base pay]"},
                          {"a]b", "[a]]b]"},      {"1月", "[1月]"},
                          {"select", "[select]"}, {"", "[]"},
                          {"a-b", "[a-b]"},       {"a/b", "[a/b]"},
                          {"a.b", "[a.b]"},       {"[x]", "[[x]]]"}};
    for (const Case& c : cases) EXPECT_EQ(sqlFieldName(c.in), c.out) << c.in;
}

TEST(ProviderCache, SheetsAreReadOncePerFileVersion) {
    TempDir dir;
    const std::string path = (dir.path / "变动.xls").string();
    fs::copy_file(fixture("考勤.xls"), path);
    const std::string att = sheetReference("Excel 8.0", path, "考勤$");
    const std::string pay = sheetReference("Excel 8.0", path, "工资$");

    EXPECT_EQ(runQuery("select * from " + att)->rowCount(), 4u);
    const size_t reads = sheetCacheStats().fileReads;
    EXPECT_EQ(runQuery("select 姓名 from " + att + " where 月份=1")->rowCount(), 4u);
    EXPECT_EQ(sheetCacheStats().fileReads, reads);

    // Another workbook under the same name, with a new size and time: read again.
    fs::copy_file(fixture("工资.xls"), path, fs::copy_options::overwrite_existing);
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
    EXPECT_EQ(runQuery("select * from " + pay)->rowCount(), 4u);
    EXPECT_GT(sheetCacheStats().fileReads, reads);
    EXPECT_THROW(runQuery("select * from " + att), Error);
}

TEST(ProviderCache, FirstRowsReadDoNotStandForTheSheet) {
    clearSheetCache();
    const std::string pay = ref8("工资.xls", "工资$");
    EXPECT_EQ(runQuery("select top 1 * from " + pay)->rowCount(), 1u);
    EXPECT_EQ(runQuery("select top 2 * from " + pay)->rowCount(), 2u);
    EXPECT_EQ(runQuery("select * from " + pay)->rowCount(), 4u);
    EXPECT_EQ(runQuery("select top 1 * from " + pay)->rowCount(), 1u);
}

// The type and text of a field are those of the whole sheet, whatever query read it first: a
// mixed column (a number first, texts later) is text under "top 1" too, and a boolean reads the
// same either way.
TEST(ProviderCache, TypesDoNotDependOnTheFirstQuery) {
    const std::string edge = ref8("edge.xls", "类型$");
    auto typesAndFirstRow = [&](const std::string& sql) {
        auto r = runQuery(sql);
        return std::make_pair(fieldTypes(*r), rowText(*r, 0));
    };
    clearSheetCache();
    const auto topFirst = typesAndFirstRow("select top 1 * from " + edge);
    const auto all = typesAndFirstRow("select * from " + edge);
    clearSheetCache();
    const auto allFirst = typesAndFirstRow("select * from " + edge);
    const auto topAfter = typesAndFirstRow("select top 1 * from " + edge);
    EXPECT_EQ(topFirst, topAfter);
    EXPECT_EQ(all, allFirst);
    EXPECT_EQ(topFirst, all);
    EXPECT_EQ(topFirst.first[0], "ftString");  // 工号: 1001, then A-7
}

}  // namespace
}  // namespace shuhui::workbooks::test
