// Benchmark of the workbook writers: a payroll-like sheet of 65,535 rows x 15 columns (names,
// departments, remarks as text; ids and money as numbers; hire dates with a date format) written as
// .xls, and the same kind of sheet with 300,000 rows written as .xlsx.
//
//   shuhui-bench-write [--runs N] [--out DIR] [--xls-rows N] [--xlsx-rows N] [--no-xlsx]
//
// Prints one "step_name seconds" line per step and run (build_model_* is the model alone,
// write_* the writer alone), "#" lines with checks; bench/write_bench.sh takes the medians.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "formats/writer.h"

using namespace shuhui::formats;

namespace {

const char* kSurnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴",   "周",  "徐",
                           "孙", "马", "朱", "胡", "郭", "何", "高", "林", "罗",   "郑",  "梁",
                           "谢", "宋", "唐", "许", "韩", "冯", "邓", "曹", "欧阳", "司马"};
const char* kGiven[] = {"伟", "芳", "娜", "秀英", "敏", "静", "丽", "强", "磊", "军", "洋",
                        "勇", "艳", "杰", "娟",   "涛", "明", "超", "霞", "平", "刚", "桂英",
                        "华", "玉", "萍", "红",   "玲", "芬", "燕", "彬", "鹏", "辉", "建国",
                        "志", "文", "斌", "宇",   "浩", "凯", "健", "俊", "帆", "晨", "阳"};
const char* kDepts[] = {"财务部",     "人力资源部", "行政部",     "销售一部",   "销售二部",
                        "市场部",     "研发中心",   "测试部",     "生产一车间", "生产二车间",
                        "质检部",     "采购部",     "仓储物流部", "客服中心",   "法务部",
                        "信息技术部", "总经办",     "工程部"};
const char* kRemarks[] = {"试用期",     "补发上月奖金", "病假3天",    "事假1天",
                          "产假",       "离职",         "新入职",     "调岗",
                          "年终奖另发", "扣罚迟到",     "含高温补贴", "含夜班补贴"};
const char* kHeader[] = {"姓名",     "工号",     "部门",       "性别",     "年月",
                         "入职日期", "基本工资", "奖金",       "考勤扣款", "医保扣款",
                         "社保扣款", "岗位津贴", "个人所得税", "实发工资", "备注"};

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The payroll sheet: one header row, then `rows` data rows (so rows + 1 rows in all).
Workbook payroll(uint32_t rows, uint64_t seed) {
    std::mt19937_64 rng(seed);
    auto uniform = [&](double lo, double hi) {
        return lo + (hi - lo) * (double(rng() >> 11) * (1.0 / 9007199254740992.0));
    };
    auto money = [&](double lo, double hi) { return std::round(uniform(lo, hi) * 100) / 100; };
    auto pick = [&](size_t n) { return size_t(rng() % n); };
    auto chance = [&](double p) { return uniform(0, 1) < p; };

    Workbook wb;
    wb.styles.resize(4);
    wb.styles[1].font.bold = true;
    wb.styles[1].halign = HAlign::Center;
    wb.styles[2].numFmt = "yyyy-mm-dd";
    wb.styles[3].numFmt = "#,##0.00";
    Sheet s;
    s.name = "工资";
    s.cells.reserve(size_t(rows + 1) * 15);
    wb.strings.reserve(size_t(rows) * 3);
    auto text = [&](uint32_t r, uint16_t c, std::string t, uint32_t style = 0) {
        Cell cell;
        cell.row = r, cell.col = c, cell.type = CellType::Text, cell.style = style;
        cell.text = uint32_t(wb.strings.size());
        wb.strings.push_back(std::move(t));
        s.cells.push_back(cell);
    };
    auto number = [&](uint32_t r, uint16_t c, double v, uint32_t style = 0) {
        Cell cell;
        cell.row = r, cell.col = c, cell.type = CellType::Number, cell.number = v;
        cell.style = style;
        s.cells.push_back(cell);
    };
    for (uint16_t c = 0; c < 15; ++c) text(0, c, kHeader[c], 1);
    for (uint32_t r = 1; r <= rows; ++r) {
        std::string name = kSurnames[pick(std::size(kSurnames))];
        name += kGiven[pick(std::size(kGiven))];
        if (!chance(0.22)) name += kGiven[pick(std::size(kGiven))];
        double base = money(2800, 26000);
        double bonus = chance(0.78) ? money(100, 8000) : -1;
        double att = chance(0.35) ? money(10, 600) : -1;
        double med = std::round(base * 2) / 100, soc = std::round(base * 8) / 100;
        double post = money(200, 3000), tax = money(0, 2000);
        text(r, 0, std::move(name));
        number(r, 1, double(100001 + r * 3 + pick(3)));
        text(r, 2, kDepts[pick(std::size(kDepts))]);
        text(r, 3, chance(0.55) ? "男" : "女");
        text(r, 4, "2024-06");
        number(r, 5, 34700 + double(pick(10900)), 2);
        number(r, 6, base, 3);
        if (bonus >= 0) number(r, 7, bonus, 3);
        if (att >= 0) number(r, 8, att, 3);
        number(r, 9, med, 3);
        number(r, 10, soc, 3);
        number(r, 11, post, 3);
        number(r, 12, tax, 3);
        double net = base + std::max(bonus, 0.0) - std::max(att, 0.0) - med - soc + post - tax;
        number(r, 13, std::round(net * 100) / 100, 3);
        if (chance(0.12)) text(r, 14, kRemarks[pick(std::size(kRemarks))]);
    }
    s.cols.push_back(ColInfo{0, 0, 10, false, 0});
    s.cols.push_back(ColInfo{5, 5, 12, false, 0});
    wb.sheets.push_back(std::move(s));
    return wb;
}

void runStep(const char* step, const Workbook& wb, const std::string& path,
             void (*write)(const Workbook&, const std::string&)) {
    double t0 = now();
    write(wb, path);
    double dt = now() - t0;
    std::printf("%s %.4f\n", step, dt);
    std::printf("# %s %ju bytes\n", step, std::uintmax_t(std::filesystem::file_size(path)));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 5;
    std::string out = std::filesystem::temp_directory_path().string();
    uint32_t xlsRows = 65535, xlsxRows = 300000;
    bool xlsx = true;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--runs")
            runs = std::stoi(next());
        else if (a == "--out")
            out = next();
        else if (a == "--xls-rows")
            xlsRows = uint32_t(std::stoul(next()));
        else if (a == "--xlsx-rows")
            xlsxRows = uint32_t(std::stoul(next()));
        else if (a == "--no-xlsx")
            xlsx = false;
        else {
            std::fprintf(
                stderr,
                "usage: %s [--runs N] [--out DIR] [--xls-rows N] [--xlsx-rows N] [--no-xlsx]\n",
                argv[0]);
            return 2;
        }
    }
    std::filesystem::create_directories(out);
    const std::string xlsPath = out + "/bench_write.xls", xlsxPath = out + "/bench_write.xlsx";
    const std::string xlsStep = "write_xls_" + std::to_string(xlsRows) + "x15";
    const std::string xlsxStep = "write_xlsx_" + std::to_string(xlsxRows) + "x15";
    try {
        for (int run = 0; run < runs; ++run) {
            double t0 = now();
            Workbook wb = payroll(xlsRows, 20240601);
            std::printf("build_model_%ux15 %.4f\n", xlsRows, now() - t0);
            runStep(xlsStep.c_str(), wb, xlsPath, writeXls);
        }
        if (xlsx) {
            Workbook big = payroll(xlsxRows, 20240602);
            for (int run = 0; run < runs; ++run)
                runStep(xlsxStep.c_str(), big, xlsxPath, writeXlsx);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
