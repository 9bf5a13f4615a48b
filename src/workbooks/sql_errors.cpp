// The errors of the SQL engine in the user's terms (see sql_errors.h).
#include "workbooks/sql_errors.h"

#include <string_view>

#include "formats/error.h"
#include "workbooks/provider_text.h"

namespace shuhui::workbooks {
namespace {

std::string replaceAll(std::string s, const std::string& from, const std::string& to) {
    if (from.empty()) return s;
    for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size()))
        s.replace(p, from.size(), to);
    return s;
}

}  // namespace

void throwSqlError(sqlite3* db, int rc, int deniedAction, const std::vector<SheetRef>& refs,
                   const std::vector<std::string>& names) {
    std::string msg = sqlite3_errmsg(db);
    // Our table names mean nothing to the user: show the sheet as the query wrote it.
    for (size_t i = names.size(); i-- > 0;)
        msg = replaceAll(msg, names[i], "[" + refs[i].sheet + "]");
    auto after = [&](std::string_view prefix, std::string& rest) {
        if (msg.compare(0, prefix.size(), prefix) != 0) return false;
        rest = msg.substr(prefix.size());
        return true;
    };
    std::string x;
    if (rc == SQLITE_INTERRUPT) throw Error(ErrorKind::Cancelled, "已取消");
    if (rc == SQLITE_AUTH || deniedAction != 0) {
        const int action = deniedAction;
        if (action == SQLITE_ATTACH || action == SQLITE_DETACH)
            throw Error(
                ErrorKind::Unsupported,
                "不能附加或分离数据库：查询只能读取 SQL 语句中写明的工作簿，不能创建或修改文件");
        if (action == SQLITE_PRAGMA)
            throw Error(ErrorKind::Unsupported,
                        "不能用 pragma 修改查询引擎的设置：只能执行查询（select）语句");
        throw Error(
            ErrorKind::Unsupported,
            "不能开启事务或保存点（begin、commit、savepoint 等）：只能执行查询（select）语句");
    }
    if (after("no such column: ", x))
        throw Error(ErrorKind::FieldNotFound, "查询中的字段" + quoted(x) +
                                                  "不存在：请检查字段名是否与工作表第一行的表头一致"
                                                  "（含空格等符号的字段名要写在方括号中）");
    if (after("ambiguous column name: ", x))
        throw Error(
            ErrorKind::Syntax,
            "字段" + quoted(x) + "在多个表中都有，请在它前面写上表的代号（如 T0." + x + "）");
    if (after("no such table: ", x))
        throw Error(ErrorKind::SheetNotFound,
                    "查询中的表" + quoted(x) +
                        "不存在：工作表要写成 [Excel 8.0;database=工作簿路径].[表名$]");
    if (msg.find("syntax error") != std::string::npos) {
        const size_t a = msg.find("near \"");
        if (a != std::string::npos) {
            const size_t b = msg.rfind("\": syntax error");
            if (b != std::string::npos && b > a + 6)
                throw Error(ErrorKind::Syntax, "SQL 语句有语法错误，在" +
                                                   quoted(msg.substr(a + 6, b - a - 6)) + "附近");
        }
        throw Error(ErrorKind::Syntax, "SQL 语句有语法错误（" + msg + "）");
    }
    if (msg.find("incomplete input") != std::string::npos)
        throw Error(ErrorKind::Syntax, "SQL 语句不完整：在语句末尾处中断了");
    if (msg.find("do not have the same number of result columns") != std::string::npos)
        throw Error(ErrorKind::Syntax, "用 union all 连接的各个查询的字段数目不同");
    if (rc == SQLITE_NOMEM) throw Error(ErrorKind::TooLarge, "内存不足，查询结果太大");
    throw Error(ErrorKind::Syntax, "SQL 语句无法执行：" + msg);
}

}  // namespace shuhui::workbooks
