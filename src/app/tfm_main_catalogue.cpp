// The catalogue handlers of the main window: opening workbooks into the check tree, the tree's
// mouse press (ClickedNode), the checked-sheet walk and the double-click preview of a sheet.
//
// Provider errors are not caught here: they leave the handler and reach the application's error
// report with the provider's message.
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include "app/catalogue_tree.h"
#include "app/loading_notice.h"
#include "app/prompts.h"
#include "app/tfm_main.h"
#include "workbooks/preview_query.h"

namespace wb = shuhui::workbooks;

namespace {

// The open dialog's one file type: the 2007-2010 driver also reads .xlsx and .xlsm files.
const char kOpenFilter[] = "所有电子表格文件(*.XLS) (*.xls *.XLS *.xlsx *.XLSX *.xlsm *.XLSM)";

}  // namespace

void TfmMain::connectCatalogueHandlers() {
    catalogue_tree::setUp(RzCheckTree1);
    connect(RzBmpButton7, &QPushButton::clicked, this, &TfmMain::RzBmpButton7Click);
    setAcceptDrops(true);
    // Presses and double-clicks on the tree arrive through TfmMain::eventFilter.
    RzCheckTree1->viewport()->installEventFilter(this);
}

QString TfmMain::DriverText() const {
    return QString::fromStdString(wb::driverText(rrb2007->isChecked()));
}

void TfmMain::RzBmpButton7Click() {
    const QStringList files = Prompts::Current().openFileNames(
        this, QStringLiteral("请选择电子表格文件-【青岚工坊】"), QString::fromUtf8(kOpenFilter));
    if (files.isEmpty()) return;
    OpenWorkbookFiles(files);
}

void TfmMain::OpenWorkbookFiles(const QStringList& files) {
    if (files.isEmpty()) return;
    if (rcbClear->isChecked()) {
        ClickedNode = nullptr;  // its node goes with the others
        RzCheckTree1->clear();
    }
    for (const QString& path : files) AddWorkbook(path);
}

void TfmMain::OpenCommandLineFiles(const QStringList& files) {
    QStringList paths;
    for (const QString& f : files) paths.append(QFileInfo(f).absoluteFilePath());
    if (paths.isEmpty()) return;
    QTimer::singleShot(0, this, [this, paths] { OpenWorkbookFiles(paths); });
}

namespace {

QStringList DroppedFiles(const QMimeData* data) {
    QStringList files;
    if (!data) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files.append(url.toLocalFile());
    return files;
}

}  // namespace

void TfmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TfmMain::dropEvent(QDropEvent* event) {
    const QStringList files = DroppedFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    OpenWorkbookFiles(files);
}

void TfmMain::AddWorkbook(const QString& path) {
    QStringList sheets;
    for (const std::string& name :
         wb::openWorkbookTables(path.toStdString(), DriverText().toStdString(), adoc_Excel))
        sheets.append(QString::fromStdString(name));
    catalogue_tree::addWorkbook(RzCheckTree1, path, sheets);
}

std::vector<wb::CheckedSheet> TfmMain::CheckedSheets() const {
    return catalogue_tree::checkedSheets(RzCheckTree1);
}

void TfmMain::RzCheckTree1MouseDown(QMouseEvent* event) {
    ClickedNode = RzCheckTree1->itemAt(event->position().toPoint());
}

void TfmMain::RzCheckTree1DblClick() {
    const std::string driver = DriverText().toStdString();
    if (QTreeWidgetItem* node = ClickedNode) {
        if (catalogue_tree::level(node) == 0) {
            SetLabelText(rlbInfo,
                         QStringLiteral("工作簿:") + node->data(0, Qt::UserRole).toString());
        } else {
            // Any sheet may be large: the notice stands from the double-click until the rows are
            // in the grid (and goes with an error too).
            LoadingNotice notice(rzpnl_loading);
            if (OpenResultQuery(wb::previewSql(driver, node->parent()->text(0).toStdString(),
                                               node->text(0).toStdString())))
                RebuildResultGrid();
        }
    }
    trnspnl_over->repaint();
    rzpnl_sum_kz->repaint();
}
