// shuhui-sheet FILE [SHEET]: opens a workbook in the embedded spreadsheet application and shows it
// in a result window (for looking at what the application keeps of a file, and for screenshots).
#include <QApplication>
#include <cstdio>

#include "formats/error.h"
#include "sheet/view/sheet_application.h"

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: shuhui-sheet FILE [SHEET]\n");
        return 2;
    }
    try {
        auto factory = shuhui::sheetview::CreateApplicationFactory(nullptr);
        auto app = factory->Create();
        app->WorkBooks().Open(argv[1]);
        if (argc == 3) app->WorkSheets(argv[2])->Activate();
        app->Visible(true);
        app->ActiveWorkBook()->Saved(true);
    } catch (const shuhui::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return qapp.exec();
}
