// shuhui-bench-read DATA_DIR [REPS] [STEP...]: times the workbook readers on the benchmark data.
//
// Prints one "step_name seconds" line per step and repetition (like the peers in the shared bench
// folder), "# ..." lines with checks (sheets, cells, rows), and "#rss step KB" with the process's
// peak resident size after the step. Steps:
//   read_<file>        whole workbook (pay_big.xls, att_big.xls, months.xls, irregular.xls,
//                      pay_big.xlsx, att_big.xlsx)
//   list_<file>        sheet names only (pay_big.xls, pay_big.xlsx)
//   head_<file>        the first row (the header) of the first sheet (pay_big.xls, pay_big.xlsx)
// With STEP arguments only those steps run (e.g. to measure one step's peak memory alone).
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/error.h"
#include "formats/reader.h"

using namespace shuhui::formats;

namespace {

long peakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

std::string stepName(const std::string& kind, const std::string& file) {
    std::string s = kind + "_" + file;
    for (char& c : s)
        if (c == '.') c = '_';
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: shuhui-bench-read DATA_DIR [REPS] [STEP...]\n");
        return 2;
    }
    std::string dir = argv[1];
    int reps = argc > 2 ? std::atoi(argv[2]) : 3;
    std::vector<std::string> only(argv + std::min(argc, 3), argv + argc);

    struct Step {
        std::string name, file;
        ReadOptions options;
    };
    std::vector<Step> steps;
    for (const char* f : {"pay_big.xls", "att_big.xls", "months.xls", "irregular.xls",
                          "pay_big.xlsx", "att_big.xlsx"})
        steps.push_back({stepName("read", f), f, {}});
    for (const char* f : {"pay_big.xls", "pay_big.xlsx"}) {
        ReadOptions list;
        list.cells = false;
        steps.push_back({stepName("list", f), f, list});
        ReadOptions head;
        head.maxRows = 1;
        head.sheet = "工资";
        steps.push_back({stepName("head", f), f, head});
    }

    for (int rep = 0; rep < reps; ++rep) {
        for (const Step& st : steps) {
            if (!only.empty() && std::find(only.begin(), only.end(), st.name) == only.end())
                continue;
            auto t0 = std::chrono::steady_clock::now();
            size_t cells = 0, sheets = 0;
            uint32_t lastRow = 0;
            try {
                Workbook wb = readWorkbook(dir + "/" + st.file, st.options);
                sheets = wb.sheets.size();
                for (const Sheet& s : wb.sheets) {
                    cells += s.cells.size();
                    if (!s.cells.empty()) lastRow = std::max(lastRow, s.cells.back().row);
                }
            } catch (const shuhui::Error& e) {
                std::printf("# %s failed: %s\n", st.name.c_str(), e.what());
                continue;
            }
            double secs =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            std::printf("%s %.4f\n", st.name.c_str(), secs);
            if (rep == 0) {
                std::printf("# %s sheets=%zu cells=%zu last_row=%u\n", st.name.c_str(), sheets,
                            cells, lastRow);
                std::printf("#rss %s %ld\n", st.name.c_str(), peakRssKb());
            }
            std::fflush(stdout);
        }
    }
    return 0;
}
