// Benchmark of the result grid engine on a 1,000,000-row x 12-column result.
//
// Usage: shuhui-bench-grid [DATA_DIR] [ROWS]
// Generates the result in-process from a fixed seed (texts, integers, money, floats, dates; the
// column 客户 has 1,000 distinct values), times the grid's steps and prints "step seconds" lines
// (medians of several runs) plus "memory_result_bytes N". With DATA_DIR it also writes the same
// data there for grid_pandas.py: one raw little-endian array per column (float64 for numbers and
// date serials, int32 codes for texts) and the text dictionaries, described in
// DATA_DIR/columns.txt.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "grid/export.h"
#include "grid/grid_engine.h"
#include "grid/summary_panel.h"
#include "workbooks/result.h"

using namespace shuhui;
using workbooks::FieldType;

namespace {

struct ColumnDef {
    const char* name;
    FieldType type;
    int distinct;  // texts only: size of the dictionary
};

const ColumnDef kColumns[] = {
    {"客户", FieldType::String, 1000},  {"部门", FieldType::String, 20},
    {"姓名", FieldType::String, 50000}, {"数量", FieldType::Integer, 0},
    {"件数", FieldType::Integer, 0},    {"年龄", FieldType::Word, 0},
    {"单价", FieldType::Currency, 0},   {"金额", FieldType::Currency, 0},
    {"成本", FieldType::Currency, 0},   {"比率", FieldType::Float, 0},
    {"日期", FieldType::Date, 0},       {"入账", FieldType::DateTime, 0},
};

std::string dictEntry(const ColumnDef& s, int i) {
    char buf[64];
    if (std::string(s.name) == "客户")
        std::snprintf(buf, sizeof buf, "客户%04d", i);
    else if (std::string(s.name) == "部门")
        std::snprintf(buf, sizeof buf, "第%02d事业部", i);
    else
        std::snprintf(buf, sizeof buf, "员工%05d号", i);
    return buf;
}

double seconds(const std::function<void()>& f) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void report(const char* step, double s) {
    std::printf("%s %.6f\n", step, s);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dataDir = argc > 1 ? argv[1] : "";
    const size_t rows = argc > 2 ? std::stoul(argv[2]) : 1000000;
    const int reps = 5;

    // ---- generate ------------------------------------------------------------------------------
    std::mt19937_64 rng(20101201);
    auto result = std::make_shared<workbooks::Result>();
    for (const ColumnDef& s : kColumns) result->addField(s.name, s.type);
    std::vector<std::vector<std::string>> dicts;
    for (const ColumnDef& s : kColumns) {
        std::vector<std::string> d;
        for (int i = 0; i < s.distinct; ++i) d.push_back(dictEntry(s, i));
        dicts.push_back(std::move(d));
    }
    const size_t ncols = std::size(kColumns);
    std::vector<std::vector<double>> numbers(ncols);
    std::vector<std::vector<int32_t>> codes(ncols);
    for (size_t c = 0; c < ncols; ++c) {
        result->field(c).reserve(rows);
        if (kColumns[c].distinct)
            codes[c].reserve(rows);
        else
            numbers[c].reserve(rows);
    }
    for (size_t r = 0; r < rows; ++r) {
        for (size_t c = 0; c < ncols; ++c) {
            const ColumnDef& s = kColumns[c];
            workbooks::Column& col = result->field(c);
            uint64_t x = rng();
            if (s.distinct) {
                int32_t code = int32_t(x % uint64_t(s.distinct));
                codes[c].push_back(code);
                col.appendText(dicts[c][size_t(code)]);
                continue;
            }
            double v = 0;
            switch (c) {
                case 3:
                    v = double(x % 1000);
                    break;
                case 4:
                    v = double(x % 50);
                    break;
                case 5:
                    v = double(18 + x % 50);
                    break;
                case 6:
                    v = double(x % 100000) / 100.0;
                    break;
                case 7:
                    v = double(x % 10000000) / 100.0;
                    break;
                case 8:
                    v = double(x % 5000000) / 100.0;
                    break;
                case 9:
                    v = double(x % 1000000) / 1000000.0;
                    break;
                case 10:
                    v = double(40179 + x % 3650);
                    break;
                case 11:
                    v = 40179.0 + double(x % (3650 * 86400)) / 86400.0;
                    break;
            }
            numbers[c].push_back(v);
            if (s.type == FieldType::Date || s.type == FieldType::DateTime)
                col.appendDate(v);
            else
                col.appendNumber(v);
        }
        result->commitRow();
    }
    std::printf("rows %zu\n", rows);
    std::printf("memory_result_bytes %zu\n", result->memoryBytes());

    if (!dataDir.empty()) {
        std::filesystem::create_directories(dataDir);
        std::ofstream meta(dataDir + "/columns.txt");
        meta << rows << "\n";
        for (size_t c = 0; c < ncols; ++c) {
            const ColumnDef& s = kColumns[c];
            std::string file = dataDir + "/col" + std::to_string(c) + ".bin";
            std::ofstream out(file, std::ios::binary);
            if (s.distinct) {
                out.write(reinterpret_cast<const char*>(codes[c].data()),
                          std::streamsize(codes[c].size() * 4));
                std::ofstream d(dataDir + "/dict" + std::to_string(c) + ".txt");
                for (const auto& e : dicts[c]) d << e << "\n";
            } else {
                out.write(reinterpret_cast<const char*>(numbers[c].data()),
                          std::streamsize(numbers[c].size() * 8));
            }
            meta << s.name << "\t" << workbooks::fieldTypeName(s.type) << "\t"
                 << (s.distinct ? "text" : "number") << "\n";
        }
    }
    numbers.clear();
    codes.clear();

    grid::GridView view;
    grid::SummaryTable table;
    auto allFooters = [&] {
        for (size_t c = 0; c < view.columnCount(); ++c) (void)view.footerText(c);
    };

    // ---- rebuild: columns, default summaries (switch on), every footer
    // ----------------------------
    std::vector<double> t;
    for (int i = 0; i < reps; ++i)
        t.push_back(seconds([&] {
            grid::rebuildResultGrid(view, table, result, true);
            allFooters();
        }));
    report("rebuild_with_summaries", median(t));

    // ---- grouping by 客户 with footer and group-footer sums
    // ----------------------------------------
    t.clear();
    size_t groups = 0;
    for (int i = 0; i < reps; ++i) {
        view.clearGrouping();
        t.push_back(seconds([&] {
            view.groupBy(0);
            allFooters();
            for (size_t c = 0; c < view.columnCount(); ++c)
                if (view.column(c).groupFooterKind != grid::skNone)
                    (void)view.groupFooterValue(0, c);
        }));
        groups = view.groupCount();
    }
    report("group_by_text_with_sums", median(t));
    std::printf("groups %zu\n", groups);

    // ---- expand all
    // ------------------------------------------------------------------------------
    t.clear();
    for (int i = 0; i < reps; ++i) {
        view.collapseAll();
        t.push_back(seconds([&] { view.expandAll(); }));
    }
    report("expand_all", median(t));
    std::printf("visible_rows %zu\n", view.rows().size());
    view.clearGrouping();

    // ---- filter on one value
    // -----------------------------------------------------------------------
    t.clear();
    size_t passed = 0;
    for (int i = 0; i < reps; ++i) {
        view.clearFilters();
        t.push_back(seconds([&] {
            view.setFilter(0, grid::ColumnFilter::equals(workbooks::Value::fromText("客户0500")));
        }));
        passed = view.filteredRows().size();
    }
    report("filter_one_value", median(t));
    std::printf("filtered_rows %zu\n", passed);
    view.clearFilters();

    // ---- export 65,535 rows
    // -----------------------------------------------------------------------
    const size_t exportRows = std::min<size_t>(rows, 65535);
    workbooks::Result part;
    for (size_t c = 0; c < ncols; ++c) part.addField(kColumns[c].name, kColumns[c].type);
    for (size_t c = 0; c < ncols; ++c)
        for (size_t r = 0; r < exportRows; ++r) part.field(c).append(result->field(c).value(r));
    part.setRowCount(exportRows);
    const std::string xls =
        (dataDir.empty() ? std::filesystem::temp_directory_path().string() : dataDir) +
        "/bench_export.xls";
    t.clear();
    for (int i = 0; i < 3; ++i) t.push_back(seconds([&] { grid::exportResultToXls(part, xls); }));
    report("export_65535_rows", median(t));
    std::printf("export_file_bytes %zu\n", size_t(std::filesystem::file_size(xls)));
    return 0;
}
