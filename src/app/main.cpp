// Program entry: the application with its top-level error report, the main window, the loop.
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/prompts.h"
#include "app/tfm_main.h"

int main(int argc, char** argv) {
    ShuhuiApplication app(argc, argv);
    // The design font (9-point "MS Sans Serif", GB2312) maps to a CJK family where one exists.
    for (const char* family : {"Noto Sans CJK SC", "Noto Sans SC", "WenQuanYi Micro Hei"}) {
        if (QFontDatabase::families().contains(QString::fromLatin1(family))) {
            app.setFont(QFont(QString::fromLatin1(family), 9));
            break;
        }
    }
    // Qt's own texts (file dialog columns, context menus of edits) in simplified Chinese.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_zh_CN"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTexts);
    TfmMain fmMain;
    fmMain.show();
    // `shuhui a.xls b.xlsx`: the files open into the catalogue as "打开文件" opens them.
    fmMain.OpenCommandLineFiles(app.arguments().mid(1));
    return app.exec();
}
