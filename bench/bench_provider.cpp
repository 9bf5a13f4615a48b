// shuhui-bench-provider: timings of the workbook data provider on the generated bench data.
//
//   shuhui-bench-provider cold-join DATA_DIR   # one join, fresh process, parsing included
//   shuhui-bench-provider cold-union DATA_DIR  # union all of the 12 month sheets, fresh process
//   shuhui-bench-provider warm DATA_DIR [N]    # both again N times on cached sheets (N=10)
//
// Prints "step_name seconds" lines (medians for warm runs) and "# ..." notes with row counts, like
// the peers. The query texts are the ones the program sends: the inner join of pay_big.xls and
// att_big.xls on 姓名 as the join step writes it, and the union all of months.xls with the field
// list of the first month, read first with "select top 1 *" as the union step does (not timed: it
// is the header capture that comes before the union, and it caches no sheet).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "formats/error.h"
#include "workbooks/provider.h"

namespace {

using bench::Clock;
using bench::cpuNow;
using bench::median;
using bench::seconds;
using namespace shuhui::workbooks;

std::string joinSql(const std::string& data) {
    const std::string d = driverText(false);
    return "select "
           "T0.姓名,T0.工号,T0.部门,T0.基本工资,T0.奖金,T0.社保扣款,T1.出勤天数,T1.请假天数,T1."
           "加班小时 from   " +
           sheetReference(d, data + "/pay_big.xls", "工资$") + " T0,  " +
           sheetReference(d, data + "/att_big.xls", "考勤$") + " T1 where  T0.姓名= T1.姓名";
}

const char* const kMonths[] = {"一月", "二月", "三月", "四月", "五月",   "六月",
                               "七月", "八月", "九月", "十月", "十一月", "十二月"};

std::string unionSql(const std::string& data) {
    const std::string d = driverText(false);
    const std::string book = data + "/months.xls";
    // The field list of the first sheet, as the union step takes it from the header capture.
    const auto head = runQuery("select top 1 * from " + sheetReference(d, book, "一月$"));
    std::string fields;
    for (size_t c = 0; c < head->fieldCount(); ++c) {
        if (c) fields += ',';
        fields += sqlFieldName(head->field(c).name());
    }
    std::string sql;
    for (const char* m : kMonths) {
        if (!sql.empty()) sql += " union all ";
        sql += "select " + fields + " from " + sheetReference(d, book, std::string(m) + "$");
    }
    return sql;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: shuhui-bench-provider cold-join|cold-union|warm DATA_DIR [N]\n");
        return 2;
    }
    const std::string mode = argv[1], data = argv[2];
    const int n = argc > 3 ? std::max(1, std::atoi(argv[3])) : 10;
    try {
        if (mode == "cold-join") {
            const double c0 = cpuNow();
            const auto t0 = Clock::now();
            const auto r = runQuery(joinSql(data));
            const auto t1 = Clock::now();
            std::printf("cold_join %.4f\n# cold_join cpu=%.4f rows=%zu cols=%zu\n", seconds(t0, t1),
                        cpuNow() - c0, r->rowCount(), r->fieldCount());
        } else if (mode == "cold-union") {
            // The field list comes from the header capture that precedes the union in the program
            // (a first-rows read that leaves no sheet in the cache); the timing is the union's.
            const std::string sql = unionSql(data);
            const double c0 = cpuNow();
            const auto t0 = Clock::now();
            const auto r = runQuery(sql);
            const auto t1 = Clock::now();
            std::printf("cold_union %.4f\n# cold_union cpu=%.4f rows=%zu cols=%zu\n",
                        seconds(t0, t1), cpuNow() - c0, r->rowCount(), r->fieldCount());
        } else if (mode == "warm") {
            const std::string join = joinSql(data), uni = unionSql(data);
            runQuery(join);
            runQuery(uni);
            // The same join counted, which the SQL engine answers (its hash-indexed virtual
            // tables).
            std::string count = join;
            count.replace(count.find("T0.姓名,"), count.find(" from") - count.find("T0.姓名,"),
                          "count(*)");
            std::vector<double> tj, tu, tc, cj, cu;
            size_t rows = 0, urows = 0;
            for (int i = 0; i < n; ++i) {
                const double c0 = cpuNow();
                auto t0 = Clock::now();
                rows = runQuery(join)->rowCount();
                auto t1 = Clock::now();
                const double c1 = cpuNow();
                urows = runQuery(uni)->rowCount();
                auto t2 = Clock::now();
                cj.push_back(c1 - c0);
                cu.push_back(cpuNow() - c1);
                tj.push_back(seconds(t0, t1));
                tu.push_back(seconds(t1, t2));
                runQuery(count);
                tc.push_back(seconds(t2, Clock::now()));
            }
            const CacheStats s = sheetCacheStats();
            std::printf(
                "warm_join %.4f\nwarm_union %.4f\nwarm_count_engine %.4f\n# warm rows join=%zu "
                "union=%zu runs=%d\n",
                median(tj), median(tu), median(tc), rows, urows, n);
            std::printf("# warm cpu join=%.4f union=%.4f\n", median(cj), median(cu));
            std::printf("# cache sheets=%zu file_reads=%zu bytes=%zu\n", s.sheets, s.fileReads,
                        s.bytes);
        } else {
            std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
            return 2;
        }
    } catch (const shuhui::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
