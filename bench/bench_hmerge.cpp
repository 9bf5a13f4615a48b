// shuhui-bench-hmerge: the horizontal merge in the program itself, from the click on a result
// button until the grid shows the rows (the window offscreen, QT_QPA_PLATFORM=offscreen).
//
//   shuhui-bench-hmerge cold gen|all|lr DATA_DIR   # first click in a fresh process
//   shuhui-bench-hmerge warm DATA_DIR [N]          # each of the three buttons again N times (N=10)
//
// Before the timed click the page is set up as a user does it: pay_big.xls and att_big.xls opened,
// their sheets checked, ① (a cold run then drops the sheet cache, so the click reads both files),
// the fields checked, 姓名 typed, ③. gen = "④显示生成结果", all = "显示所有表头数据", lr =
// "加显表1而表2无的数据". Prints "step seconds" lines and "# ..." notes with the grid's row and
// column counts.
#include <QAbstractItemModel>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/catalogue_tree.h"
#include "app/prompts.h"
#include "app/tfm_main.h"
#include "grid/view/grid_table_view.h"

namespace {

using Clock = std::chrono::steady_clock;

struct BenchPrompts : Prompts {
    QStringList files;
    int showWarning(const QString& text, const QString&) override {
        std::fprintf(stderr, "warning: %s\n", text.toUtf8().constData());
        return 1;
    }
    int askConfirm(const QString&, const QString&) override { return 1; }
    void showError(const QString& text, const QString&) override {
        std::fprintf(stderr, "error: %s\n", text.toUtf8().constData());
    }
    QStringList openFileNames(QWidget*, const QString&, const QString&) override { return files; }
    QString saveFileName(QWidget*, const QString&, const QString&, QString*) override { return {}; }
};

void CheckFields(QListWidget* list, const QStringList& names) {
    for (int i = 0; i < list->count(); ++i)
        if (names.contains(list->item(i)->text())) list->item(i)->setCheckState(Qt::Checked);
}

// The page set up to the end of step ③.
void SetUp(TfmMain& fm, BenchPrompts& prompts, const QString& data) {
    fm.RzBmpButton4->click();
    prompts.files = {data + "/pay_big.xls", data + "/att_big.xls"};
    fm.RzBmpButton7Click();
    for (int i = 0; i < fm.RzCheckTree1->topLevelItemCount(); ++i)
        catalogue_tree::toggle(fm.RzCheckTree1->topLevelItem(i)->child(0));
    fm.btn_get_sheet_field->click();
    CheckFields(fm.FieldLists.at(0), {"姓名", "工号", "部门", "基本工资", "奖金", "社保扣款"});
    CheckFields(fm.FieldLists.at(1), {"出勤天数", "请假天数", "加班小时"});
    fm.btn_set_public_field->click();
    fm.edt_public_field_name->setText(QStringLiteral("姓名"));
    fm.btn_Enter->click();
    QApplication::processEvents();
}

TBmpButton* ButtonOf(TfmMain& fm, const std::string& which) {
    if (which == "all") return fm.btn_all_join;
    if (which == "lr") return fm.btn_left_right;
    return fm.btn_Gen;
}

// One click until the grid has painted its rows; the seconds it took.
double Click(TfmMain& fm, TBmpButton* button, size_t* rows, int* cols) {
    button->setEnabled(true);           // the left/right button disables itself when pressed
    std::fprintf(stderr, "# click\n");  // the provider's trace lines after it belong to the click
    const auto t0 = Clock::now();
    button->click();
    QApplication::processEvents();
    fm.cxGrid1Level1->repaint();
    const auto t1 = Clock::now();
    const QAbstractItemModel* m = fm.cxGrid1DBTableView1->model();
    *rows = static_cast<size_t>(m->rowCount());
    *cols = m->columnCount();
    return std::chrono::duration<double>(t1 - t0).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    ShuhuiApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3 || (args[1] == "cold" && args.size() < 4)) {
        std::fprintf(stderr,
                     "usage: shuhui-bench-hmerge cold gen|all|lr DATA_DIR | warm DATA_DIR [N]\n");
        return 2;
    }
    BenchPrompts prompts;
    Prompts* previous = Prompts::Install(&prompts);
    int rc = 0;
    {
        TfmMain fm(nullptr, QStringLiteral("/nonexistent-dir/curVer.txt"));
        fm.show();
        QApplication::processEvents();
        size_t rows = 0;
        int cols = 0;
        if (args[1] == "cold") {
            const std::string which = args[2].toStdString();
            SetUp(fm, prompts, args[3]);
            // Cold means the sheets not yet read: whatever the header capture kept goes.
            shuhui::workbooks::clearSheetCache();
            const double s = Click(fm, ButtonOf(fm, which), &rows, &cols);
            std::printf("cold_%s %.4f\n# cold_%s rows=%zu cols=%d\n", which.c_str(), s,
                        which.c_str(), rows, cols);
        } else if (args[1] == "warm") {
            const int n = args.size() > 3 ? std::max(1, args[3].toInt()) : 10;
            SetUp(fm, prompts, args[2]);
            for (const char* which : {"gen", "all", "lr"}) {
                std::vector<double> t;
                Click(fm, ButtonOf(fm, which), &rows, &cols);  // reads the sheets
                for (int i = 0; i < n; ++i)
                    t.push_back(Click(fm, ButtonOf(fm, which), &rows, &cols));
                std::printf("warm_%s %.4f\n# warm_%s rows=%zu cols=%d runs=%d\n", which, Median(t),
                            which, rows, cols, n);
            }
        } else {
            rc = 2;
        }
    }
    Prompts::Install(previous);
    return rc;
}
