// What the provider refuses in a query text: names that do not exist (bracketed or not), a second
// statement, and everything that would create or change a file or leave state in the connection
// (attach, pragmas that set a value, transactions, savepoints, vacuum into). Nothing reaches the
// disk, and the connection keeps working after each refusal.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace shuhui::workbooks::test {
namespace {

TEST(ProviderSqlSurface, RefusedTextsGiveTheirMessageAndWriteNothing) {
    TempDir dir;
    const std::string pay = ref8("工资.xls", "工资$");
    const std::string file = (dir.path / "x.db").string();
    struct Case {
        std::string sql;
        ErrorKind kind;
        std::string words;
    } cases[] = {
        {"select [不存在] from " + pay, ErrorKind::FieldNotFound, "字段“不存在”不存在"},
        {"select * from " + pay + " where [姓名 ] = '张三'", ErrorKind::FieldNotFound,
         "字段“姓名 ”不存在"},
        {"select * from " + pay + " where [不存在] = '不存在'", ErrorKind::FieldNotFound,
         "字段“不存在”不存在"},
        {"select * from " + pay + " order by [不存在]", ErrorKind::FieldNotFound,
         "字段“不存在”不存在"},
        {"select [a]]b] from " + pay, ErrorKind::FieldNotFound, "字段“a]b”不存在"},
        {"select * from " + pay + " where [姓名 = 'x'", ErrorKind::Syntax, "没有对应的“]”"},
        {"select [姓名 from " + pay, ErrorKind::Syntax, "第 8 个字符处的“[”没有对应的“]”"},
        {"select * from " + pay + "; drop table x", ErrorKind::Syntax,
         "一次只能执行一条 SQL 语句：分号“;”之后还有第二条语句“drop table x”"},
        {"select 1; select 2", ErrorKind::Syntax, "第二条语句“select 2”"},
        {"attach database '" + file + "' as x", ErrorKind::Unsupported, "不能附加或分离数据库"},
        {"select * from " + pay + " where 1 in (select 1); attach '" + file + "' as y",
         ErrorKind::Syntax, "第二条语句"},
        {"pragma user_version = 3", ErrorKind::Unsupported, "不能用 pragma 修改"},
        {"pragma journal_mode = wal", ErrorKind::Unsupported, "不能用 pragma 修改"},
        {"begin", ErrorKind::Unsupported, "不能开启事务或保存点"},
        {"savepoint a", ErrorKind::Unsupported, "不能开启事务或保存点"},
        {"vacuum into '" + file + "'", ErrorKind::Unsupported, "只能执行查询"},
    };
    Connection conn;
    openOn(conn, "工资.xls");
    Query query{conn};
    for (const Case& c : cases) {
        expectQueryError(query, c.sql, c.kind, c.words);
        EXPECT_TRUE(std::filesystem::is_empty(dir.path)) << c.sql;
    }
    // Still usable afterwards, and read-only introspection and a trailing ";" are fine.
    query.setSql("select 姓名 from " + pay + " where 姓名=\"张三\";");
    query.open();
    EXPECT_EQ(rows(query.result()), (std::vector<std::string>{"张三"}));
    query.setSql("pragma table_info('sqlite_master')");
    EXPECT_NO_THROW(query.open());
}

}  // namespace
}  // namespace shuhui::workbooks::test

namespace shuhui::workbooks::test {
namespace {

// Every path the catalogue can list can be queried: "]" and "[" in folder and file names.
TEST(ProviderSqlSurface, PathsWithBracketsCanBeQueried) {
    TempDir dir;
    namespace fs = std::filesystem;
    const fs::path folder = dir.path / "报表[2010]";
    fs::create_directories(folder);
    const std::string paths[] = {(folder / "工资表[1].xls").string(),
                                 (dir.path / "a].b.xls").string(), (dir.path / "[x].xls").string()};
    Connection conn;
    Query query{conn};
    for (const std::string& p : paths) {
        fs::copy_file(fixture("工资.xls"), p);
        conn.setConnectionString(connectionString(p, "Excel 8.0"));
        conn.open();
        const std::string ref = sheetReference("Excel 8.0", p, "工资$");
        query.setSql("select 姓名 from " + ref + " where 姓名='张三'");
        query.open();
        EXPECT_EQ(rows(query.result()), (std::vector<std::string>{"张三"})) << p;
        // two references to the same odd path in one query
        query.setSql("select T0.姓名 from " + ref + " T0, " + ref + " T1 where T0.姓名=T1.姓名");
        query.open();
        EXPECT_EQ(query.recordCount(), 4u) << p;
    }
}

}  // namespace
}  // namespace shuhui::workbooks::test
