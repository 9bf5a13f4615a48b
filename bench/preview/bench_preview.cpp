// shuhui-bench-preview: the preview of one sheet as the user sees it, against the provider's read
// of the same sheet. Each run is a fresh process, so both read the workbook cold.
//
//   shuhui-bench-preview provider WORKBOOK SHEET   # Query "select  * from" alone (shuhui-query)
//   shuhui-bench-preview window WORKBOOK SHEET     # main window: double-click on the sheet node
//                                                  # until the grid has painted its rows
//
// Prints "step_name seconds" and "# rows N". The window mode opens the workbook into the catalogue
// first (not timed), then times RzCheckTree1DblClick and the paint that follows it.
#include <QApplication>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QTreeWidget>
#include <chrono>
#include <cstdio>
#include <string>

#include "app/tfm_main.h"
#include "grid/view/result_grid.h"
#include "workbooks/provider.h"

namespace wb = shuhui::workbooks;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s provider|window WORKBOOK SHEET\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1], path = argv[2], sheet = argv[3];
    const std::string driver = wb::driverText(true);
    if (mode == "provider") {
        wb::Connection conn;
        conn.setConnectionString(wb::connectionString(path, driver));
        conn.open();
        wb::Query q(conn);
        const auto t0 = std::chrono::steady_clock::now();
        q.setSql("select  * from " + wb::sheetReference(driver, path, sheet));
        q.open();
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        std::printf("provider_read %.6f\n# rows %zu\n", s, q.result().rowCount());
        return 0;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TfmMain fm;
    fm.show();
    fm.rrb2007->setChecked(true);
    QApplication::processEvents();
    fm.AddWorkbook(QString::fromStdString(path));
    QTreeWidgetItem* book = fm.RzCheckTree1->topLevelItem(0);
    QTreeWidgetItem* node = nullptr;
    for (int i = 0; book && i < book->childCount(); ++i)
        if (book->child(i)->text(0).toStdString() == sheet) node = book->child(i);
    if (!node) {
        std::fprintf(stderr, "no sheet %s\n", sheet.c_str());
        return 1;
    }
    QApplication::processEvents();
    QElapsedTimer t;
    t.start();
    fm.ClickedNode = node;
    fm.RzCheckTree1DblClick();
    fm.cxGrid1Level1->repaint();  // what the event loop paints next: the rows
    QApplication::processEvents();
    std::printf("click_to_rows %.6f\n# rows %zu\n", t.nsecsElapsed() / 1e9,
                fm.adoExcel.active() ? fm.adoExcel.result().rowCount() : size_t(0));
    return 0;
}
