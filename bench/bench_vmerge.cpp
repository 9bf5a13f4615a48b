// shuhui-bench-vmerge: the one-row-header vertical merge in the main window, from the click on
// "②生成结果" until the grid shows the rows (the handler, the union, the grid rebuild and the
// result panel's paint).
//
//   shuhui-bench-vmerge DATA_DIR [N]   (QT_QPA_PLATFORM=offscreen)
//
// Opens DATA_DIR/months.xls, checks its 12 sheets, reads them on the page ("规则表头合并") and
// checks the counts; then clicks "②生成结果" once on a cold sheet cache (cold_click) and N more
// times (warm_click, the median). Prints "step seconds" lines and "# ..." notes with the rows;
// `process` is the whole run up to the first grid (window, workbook list, header reads included).
#include <QApplication>
#include <QListWidget>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "app/prompts.h"
#include "app/tfm_main.h"
#include "bench_timing.h"
#include "grid/view/grid_model.h"
#include "grid/view/result_grid.h"

namespace {

using bench::Clock;
using bench::cpuNow;
using bench::median;
using bench::seconds;

// Any prompt ends the run: the bench expects none.
struct FailOnPrompt : Prompts {
    int showWarning(const QString& text, const QString&) override {
        std::fprintf(stderr, "warning: %s\n", text.toUtf8().constData());
        std::exit(1);
    }
    void showError(const QString& text, const QString&) override {
        std::fprintf(stderr, "error: %s\n", text.toUtf8().constData());
        std::exit(1);
    }
};

// One click and the paint that shows its rows; the grid's row count.
int ClickGenerate(TfmMain& fm) {
    fm.btn_field_verhb->click();
    QApplication::processEvents();
    return fm.cxGrid1Level1->model()->rowCount();
}

}  // namespace

int main(int argc, char** argv) {
    const auto start = Clock::now();
    if (argc < 2) {
        std::fprintf(stderr, "usage: shuhui-bench-vmerge DATA_DIR [N]\n");
        return 2;
    }
    ShuhuiApplication app(argc, argv);
    const QString data = QString::fromLocal8Bit(argv[1]);
    const int n = argc > 2 ? std::max(1, std::atoi(argv[2])) : 0;
    FailOnPrompt prompts;
    Prompts::Install(&prompts);

    TfmMain fm(nullptr, QStringLiteral("/nonexistent/curVer.txt"));
    fm.show();
    QApplication::processEvents();
    fm.AddWorkbook(data + "/months.xls");
    QTreeWidgetItem* book = fm.RzCheckTree1->topLevelItem(0);
    for (int i = 0; i < book->childCount(); ++i) book->child(i)->setCheckState(0, Qt::Checked);
    fm.RzBmpButton5->click();
    fm.btn_verhb_btn2->click();
    fm.btn_all_selectAdd->click();

    const double c0 = cpuNow();
    const auto t0 = Clock::now();
    const int rows = ClickGenerate(fm);
    const auto t1 = Clock::now();
    std::printf("cold_click %.4f\nprocess %.4f\n# cold_click cpu=%.4f rows=%d cols=%d sheets=%d\n",
                seconds(t0, t1), seconds(start, t1), cpuNow() - c0, rows,
                fm.cxGrid1Level1->model()->columnCount(), fm.lst_ver_hb_1->count());

    if (n > 0) {
        std::vector<double> warm, cpu;
        for (int i = 0; i < n; ++i) {
            const double c = cpuNow();
            const auto a = Clock::now();
            ClickGenerate(fm);
            warm.push_back(seconds(a, Clock::now()));
            cpu.push_back(cpuNow() - c);
        }
        std::printf("warm_click %.4f\n# warm_click cpu=%.4f runs=%d min=%.4f\n", median(warm),
                    median(cpu), n, *std::min_element(warm.begin(), warm.end()));
    }
    Prompts::Install(nullptr);
    return 0;
}
