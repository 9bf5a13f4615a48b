// shuhui-bench-diagnosis: timings of the key-match diagnosis on the generated bench data.
//
//   shuhui-bench-diagnosis cold DATA_DIR     # one diagnosis, fresh process, parsing included
//   shuhui-bench-diagnosis warm DATA_DIR [N] # the diagnosis and the join again N times (N=10)
//
// The diagnosis is that of pay_big.xls (工资$) and att_big.xls (考勤$) on 姓名 with the number
// columns 基本工资, 奖金, 社保扣款 and 出勤天数,加班小时 checked: keys per sheet, the pair, the
// unmatched keys with their causes, duplicates, the row count and amounts, and the report built
// as a record set with its summary. The join is the one the join step writes for the same fields.
// Prints "step_name seconds" lines (medians for warm runs) and "# ..." notes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "formats/error.h"
#include "merge/horizontal/key_diagnosis.h"
#include "workbooks/provider.h"

namespace {

using namespace shuhui;
using namespace shuhui::merge::horizontal;
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// CPU seconds of the process (all threads): a check on wall times taken while the machine is
// shared.
double cpuNow() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

DiagnosisInput input(const std::string& data) {
    DiagnosisInput in;
    in.keyField = "姓名";
    in.sheets.push_back({data + "/pay_big.xls", "工资$", 0, {"基本工资", "奖金", "社保扣款"}});
    in.sheets.push_back({data + "/att_big.xls", "考勤$", 1, {"出勤天数", "加班小时"}});
    return in;
}

std::string joinSql(const std::string& data) {
    const std::string d = workbooks::driverText(false);
    return "select T0.姓名,T0.基本工资,T0.奖金,T0.社保扣款,T1.出勤天数,T1.加班小时 from   " +
           workbooks::sheetReference(d, data + "/pay_big.xls", "工资$") + " T0,  " +
           workbooks::sheetReference(d, data + "/att_big.xls", "考勤$") +
           " T1 where  T0.姓名= T1.姓名";
}

struct Timed {
    double analysis = 0, report = 0;
    KeyDiagnosis d;
    size_t reportRows = 0;
};

Timed diagnose(const DiagnosisInput& in) {
    Timed t;
    const auto t0 = Clock::now();
    t.d = diagnoseKeys(in);
    const auto t1 = Clock::now();
    t.reportRows = diagnosisReport(t.d)->rowCount();
    diagnosisSummary(t.d);
    t.analysis = seconds(t0, t1);
    t.report = seconds(t1, Clock::now());
    return t;
}

void notes(const Timed& t) {
    const PairStats& p = t.d.pairs[0];
    std::printf(
        "# diagnosis join_rows=%llu matched=%zu only_left=%zu only_right=%zu "
        "unmatched_listed=%zu report_rows=%zu\n",
        static_cast<unsigned long long>(t.d.joinRows), p.matched, p.onlyLeft, p.onlyRight,
        t.d.unmatched.size(), t.reportRows);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: shuhui-bench-diagnosis cold|warm DATA_DIR [N]\n");
        return 2;
    }
    const std::string mode = argv[1], data = argv[2];
    const int n = argc > 3 ? std::max(1, std::atoi(argv[3])) : 10;
    try {
        const DiagnosisInput in = input(data);
        if (mode == "cold") {
            const double c0 = cpuNow();
            const Timed t = diagnose(in);
            std::printf("cold_diagnosis %.4f\n# cold_diagnosis cpu=%.4f\n", t.analysis + t.report,
                        cpuNow() - c0);
            notes(t);
        } else if (mode == "warm") {
            const std::string join = joinSql(data);
            workbooks::runQuery(join);
            diagnose(in);
            std::vector<double> tj, td, ta, cj, cd;
            Timed last;
            size_t rows = 0;
            for (int i = 0; i < n; ++i) {
                const double c0 = cpuNow();
                const auto t0 = Clock::now();
                rows = workbooks::runQuery(join)->rowCount();
                tj.push_back(seconds(t0, Clock::now()));
                const double c1 = cpuNow();
                last = diagnose(in);
                cd.push_back(cpuNow() - c1);
                cj.push_back(c1 - c0);
                td.push_back(last.analysis + last.report);
                ta.push_back(last.analysis);
            }
            std::printf("warm_join %.4f\nwarm_diagnosis %.4f\nwarm_analysis %.4f\n", median(tj),
                        median(td), median(ta));
            std::printf("# warm join rows=%zu runs=%d\n", rows, n);
            std::printf("# warm cpu join=%.4f diagnosis=%.4f\n", median(cj), median(cd));
            notes(last);
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
