// Connection and Query of the provider (see provider.h): a connection string pointing at one
// workbook, and a query text run through the provider once the connection is open.
#include "formats/error.h"
#include "workbooks/no_case.h"
#include "workbooks/provider.h"
#include "workbooks/provider_text.h"

namespace shuhui::workbooks {

// ---- Connection ----

void Connection::close() {
    connected_ = false;
}

void Connection::setConnectionString(const std::string& text) {
    close();
    connectionString_ = text;
    tables_.clear();
    // Data Source=PATH;Extended Properties=IMEX=1;DRIVER;Persist Security Info=False
    dataSource_.clear();
    driver_ = "Excel 8.0";
    const std::string key = "Data Source=";
    size_t a = std::string::npos;
    for (size_t i = 0; i + key.size() <= text.size(); ++i)
        if (equalsNoCase(std::string_view(text).substr(i, key.size()), key)) {
            a = i + key.size();
            break;
        }
    if (a == std::string::npos) return;
    size_t b = text.find(";Extended Properties=", a);
    if (b == std::string::npos) b = text.find(';', a);
    dataSource_ = text.substr(a, b == std::string::npos ? std::string::npos : b - a);
    if (b == std::string::npos) return;
    // The driver is the item of the extended properties that names Excel.
    size_t p = b + 1;
    while (p < text.size()) {
        size_t q = text.find(';', p);
        std::string_view item = trimmed(
            std::string_view(text).substr(p, q == std::string::npos ? std::string::npos : q - p));
        if (item.size() >= 5 && equalsNoCase(item.substr(0, 5), "Excel")) {
            driver_ = std::string(item);
            break;
        }
        if (q == std::string::npos) break;
        p = q + 1;
    }
}

void Connection::open() {
    connected_ = false;
    tables_.clear();
    if (dataSource_.empty())
        throw Error(ErrorKind::NotOpen,
                    "连接字符串中没有指定工作簿文件（Data Source），无法打开连接");
    tables_ = workbooks::listTables(dataSource_, driver_);
    connected_ = true;
}

std::vector<std::string> Connection::tableNames() const {
    return connected_ ? tables_ : std::vector<std::string>{};
}

// ---- Query ----

void Query::setSql(std::string sql) {
    close();
    sql_ = std::move(sql);
}

void Query::close() {
    result_.reset();
}

void Query::restore(std::string sql, std::shared_ptr<Result> result) {
    sql_ = std::move(sql);
    result_ = std::move(result);
}

void Query::open() {
    close();
    if (!connection_.connected()) {
        const std::string& src = connection_.dataSource();
        throw Error(ErrorKind::NotOpen, src.empty()
                                            ? std::string("工作簿连接没有打开：请先打开一个工作簿")
                                            : "工作簿连接没有打开（最后一次打开的是" + quoted(src) +
                                                  "，没有成功）：请先成功打开一个工作簿");
    }
    if (trimmed(sql_).empty()) throw Error(ErrorKind::Syntax, "SQL 语句是空的");
    result_ = runQuery(sql_);
}

const Result& Query::result() const {
    if (!result_) throw Error(ErrorKind::NotOpen, "查询没有打开，没有结果可读");
    return *result_;
}

}  // namespace shuhui::workbooks
