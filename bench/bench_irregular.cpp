// shuhui-bench-irregular: timings of the irregular-header merge with the embedded spreadsheet
// application, on irregular.xls of the generated bench data (6 sheets, 3-row headers).
//
//   shuhui-bench-irregular DATA_DIR
//
// One run in a fresh process, as the program does it after its start:
//   survey_irregular_xls  the survey of every sheet (a source application each: open, used range)
//   copy_irregular_xls    from the confirmation until the result window is shown and painted: the
//                         result workbook, the carrier's used range, the other five data regions
//                         below it (header rows 3, gap 1)
// The sheet list comes from the provider beforehand, as the catalogue has it (not timed). Prints
// "step_name seconds" lines and "# ..." notes with the result's used range.
#include <QApplication>
#include <QWidget>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <string>
#include <vector>

#include "formats/error.h"
#include "merge/irregular/carrier_copy.h"
#include "merge/irregular/region_text.h"
#include "merge/irregular/survey.h"
#include "sheet/view/sheet_application.h"
#include "sheet/view/sheet_window.h"
#include "workbooks/provider.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace ir = shuhui::irregular;

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// Processor time of the process so far, in seconds.
double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: shuhui-bench-irregular DATA_DIR\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string path = std::string(argv[1]) + "/irregular.xls";
    try {
        shuhui::workbooks::Connection connection;
        connection.setConnectionString(
            shuhui::workbooks::connectionString(path, shuhui::workbooks::driverText(false)));
        connection.open();
        const std::vector<std::string> sheets = connection.tableNames();
        connection.close();

        QWidget owner;
        auto factory = shuhui::sheetview::CreateApplicationFactory(&owner);

        const double c0 = CpuSeconds();
        const auto t0 = Clock::now();
        ir::CarrierCopy copy;
        for (const std::string& sheet : sheets) {
            const auto region = ir::SurveySheetRegion(*factory, path, sheet);
            if (!region) throw shuhui::Error(shuhui::ErrorKind::Internal, "no application");
            copy.entries.push_back({path, sheet});
            copy.regions.push_back(*region);
        }
        const auto t1 = Clock::now();
        const double c1 = CpuSeconds();
        std::printf("survey_irregular_xls %.4f\n", Seconds(t0, t1));
        std::printf("# cpu survey_irregular_xls %.4f\n", c1 - c0);

        ir::ShiftRegions(copy.regions, 3, {});
        std::unique_ptr<shuhui::sheet::Application> result;
        const double c2 = CpuSeconds();
        const auto t2 = Clock::now();
        ir::RunCarrierCopy(*factory, copy, result);
        QApplication::processEvents();
        for (auto* w : shuhui::sheetview::SheetWindow::openWindows()) w->repaint();
        const auto t3 = Clock::now();
        std::printf("copy_irregular_xls %.4f\n", Seconds(t2, t3));
        std::printf("# cpu copy_irregular_xls %.4f\n", CpuSeconds() - c2);
        std::printf("# sheets %zu, result used range %s, windows %lld\n", sheets.size(),
                    result->ActiveSheet()->UsedRange()->Address().c_str(),
                    static_cast<long long>(shuhui::sheetview::SheetWindow::openWindows().size()));
        for (auto* w : shuhui::sheetview::SheetWindow::openWindows()) w->closeWithoutAsking();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
