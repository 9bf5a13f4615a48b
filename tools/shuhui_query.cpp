// shuhui-query: one SQL text through the workbook data provider, as the program runs it.
//
//   shuhui-query [--driver "Excel 8.0"|"Excel 12.0"] [--tables WORKBOOK] [--export OUT.xls] [SQL]
//
// Prints the result as tab-separated text: the field names, their types, then the rows (numbers in
// General format, dates as ISO text, empty cells empty). --tables lists a workbook's table names.
// --export writes the result to an .xls file through the grid's export instead of printing it.
// The SQL text may also come on standard input when no SQL argument is given. Errors: the
// provider's message on stderr, exit status 1.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

#include "formats/error.h"
#include "grid/export.h"
#include "workbooks/provider.h"

namespace {

const char* kUsage =
    "用法: shuhui-query [--driver \"Excel 8.0\"|\"Excel 12.0\"] [--tables 工作簿] [--export "
    "输出.xls] [SQL]\n"
    "\n"
    "  SQL                 要执行的查询文本，工作表写成 [Excel 8.0;database=路径].[表名$]；\n"
    "                      不给出时从标准输入读取\n"
    "  --driver D          --tables 与连接所用的驱动，默认 \"Excel 12.0\"（可打开 .xls 与 "
    ".xlsx）；\n"
    "                      \"Excel 8.0\" 只能打开 .xls。查询中的表引用自带驱动\n"
    "  --tables 工作簿      列出工作簿的表名，每行一个\n"
    "  --export 输出.xls    把结果导出为 .xls 文件，而不是打印\n"
    "\n"
    "输出: 第一行字段名，第二行字段类型（ftFloat 等），其后每行一条记录，以制表符分隔。\n"
    "出错时在标准错误上给出原因，退出码为 1。\n";

std::string clean(std::string s) {
    for (char& c : s)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return s;
}

}  // namespace

// Ctrl+C stops the running query (it then ends with "已取消"); a second Ctrl+C ends the program.
extern "C" void onInterrupt(int) {
    shuhui::workbooks::cancelRunningQuery();
    std::signal(SIGINT, SIG_DFL);
}

int main(int argc, char** argv) {
    using namespace shuhui;
    std::string driver = "Excel 12.0", tablesOf, exportTo, sql;
    bool haveSql = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s 后缺少参数\n%s", a.c_str(), kUsage);
                std::exit(2);
            }
            out = argv[++i];
        };
        if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--driver") {
            value(driver);
        } else if (a == "--tables") {
            value(tablesOf);
        } else if (a == "--export") {
            value(exportTo);
        } else if (!haveSql) {
            sql = a;
            haveSql = true;
        } else {
            std::fprintf(stderr, "多余的参数: %s\n%s", a.c_str(), kUsage);
            return 2;
        }
    }
    try {
        if (!tablesOf.empty()) {
            workbooks::Connection conn;
            conn.setConnectionString(workbooks::connectionString(tablesOf, driver));
            conn.open();
            for (const auto& t : conn.tableNames()) std::printf("%s\n", t.c_str());
            if (!haveSql) return 0;
        }
        if (!haveSql)
            sql.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        std::signal(SIGINT, onInterrupt);
        const auto result = workbooks::runQuery(sql);
        std::signal(SIGINT, SIG_DFL);
        if (!exportTo.empty()) {
            const grid::ExportSummary s = grid::exportResultToXls(*result, exportTo);
            std::fprintf(stderr, "已导出 %zu 行到 %s（%zu 个工作表）\n", s.dataRows, s.path.c_str(),
                         s.sheets);
            return 0;
        }
        std::string out;
        const workbooks::Result& r = *result;
        for (size_t c = 0; c < r.fieldCount(); ++c) {
            if (c) out += '\t';
            out += clean(r.field(c).name());
        }
        out += '\n';
        for (size_t c = 0; c < r.fieldCount(); ++c) {
            if (c) out += '\t';
            out += workbooks::fieldTypeName(r.field(c).type());
        }
        out += '\n';
        for (size_t row = 0; row < r.rowCount(); ++row) {
            for (size_t c = 0; c < r.fieldCount(); ++c) {
                if (c) out += '\t';
                out += clean(r.field(c).displayText(row));
            }
            out += '\n';
            if (out.size() > (1 << 20)) {
                std::fwrite(out.data(), 1, out.size(), stdout);
                out.clear();
            }
        }
        std::fwrite(out.data(), 1, out.size(), stdout);
        return 0;
    } catch (const Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "内存不足：查询结果或工作簿太大\n");
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "内部错误：%s\n", e.what());
        return 1;
    }
}
