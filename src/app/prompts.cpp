// Prompts, the top-level error report and list splitting; see prompts.h.
#include "app/prompts.h"

#include "frame/dialog_labels.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <algorithm>

namespace {

Prompts* g_installed = nullptr;

QWidget* DialogParent() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w) w = QApplication::activeWindow();
    return w;
}

// The folder of the last file chosen in a file dialog; the next dialog of the run opens there.
QString& LastFolder() {
    static QString folder;
    return folder;
}

void RememberFolder(const QStringList& files) {
    if (!files.isEmpty()) LastFolder() = QFileInfo(files.first()).absolutePath();
}

}  // namespace

Prompts::~Prompts() = default;

int Prompts::showWarning(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, DialogParent());
    box.setWindowModality(Qt::ApplicationModal);
    LabelMessageBoxButtons(box);
    box.exec();
    return 1;
}

int Prompts::askConfirm(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                    DialogParent());
    box.setWindowModality(Qt::ApplicationModal);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    LabelMessageBoxButtons(box);
    return box.exec() == QMessageBox::Ok ? 1 : 2;
}

void Prompts::showError(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, DialogParent());
    box.setWindowModality(Qt::ApplicationModal);
    LabelMessageBoxButtons(box);
    box.exec();
}

namespace {
// An open dialog that takes several files and also passes typed names of files that do not exist
// on unchanged: opening them then fails with the provider's own message, which names the file.
class OpenFilesDialog : public QFileDialog {
  public:
    using QFileDialog::QFileDialog;

  protected:
    void accept() override {
        const QStringList files = selectedFiles();
        const bool typedMissing =
            !files.isEmpty() && std::any_of(files.begin(), files.end(), [](const QString& f) {
                return !QFileInfo(f).exists();
            });
        if (typedMissing)
            QDialog::accept();  // the file dialog itself would refuse a missing name
        else
            QFileDialog::accept();
    }
};
}  // namespace

QStringList Prompts::openFileNames(QWidget* parent, const QString& title, const QString& filter) {
    OpenFilesDialog dlg(parent, title, LastFolder(), filter);
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setFileMode(QFileDialog::ExistingFiles);
    dlg.setOption(QFileDialog::ReadOnly, false);
    // The file type reads as its description alone; the patterns it covers stay behind it.
    dlg.setOption(QFileDialog::HideNameFilterDetails, true);
    LabelFileDialog(dlg, false);
    if (dlg.exec() != QDialog::Accepted) return {};
    RememberFolder(dlg.selectedFiles());
    return dlg.selectedFiles();
}

QString Prompts::saveFileName(QWidget* parent, const QString& title, const QString& filter,
                              QString* selectedFilter) {
    QFileDialog dlg(parent, title, LastFolder(), filter);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    LabelFileDialog(dlg, true);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
    if (selectedFilter) *selectedFilter = dlg.selectedNameFilter();
    RememberFolder(dlg.selectedFiles());
    return dlg.selectedFiles().first();
}

Prompts& Prompts::Current() {
    static Prompts qtPrompts;
    return g_installed ? *g_installed : qtPrompts;
}

Prompts* Prompts::Install(Prompts* p) {
    Prompts* previous = g_installed;
    g_installed = p;
    return previous;
}

int ShowWarning(const QString& text, const QString& caption) {
    return Prompts::Current().showWarning(text, caption);
}

int AskConfirm(const QString& text, const QString& caption) {
    return Prompts::Current().askConfirm(text, caption);
}

QStringList SplitText(const QString& text, const QString& separator) {
    if (text.isEmpty()) return {};
    if (separator.isEmpty()) return {text};
    return text.split(separator, Qt::KeepEmptyParts, Qt::CaseSensitive);
}

QString ErrorReportText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar(u'.')) return message + u'.';
    return message;
}

QString ErrorReportTitle() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void ReportError(const std::exception& e) {
    Prompts::Current().showError(ErrorReportText(QString::fromUtf8(e.what())), ErrorReportTitle());
}

void ReportUnknownError() {
    Prompts::Current().showError(ErrorReportText(QStringLiteral("未知错误")), ErrorReportTitle());
}

ShuhuiApplication::ShuhuiApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool RunReported(const std::function<bool()>& handler) {
    // The handler that threw ends where it threw; the report is shown and the caller goes on.
    try {
        return handler();
    } catch (const std::exception& e) {
        ReportError(e);
    } catch (...) {
        ReportUnknownError();
    }
    return false;
}

bool ShuhuiApplication::notify(QObject* receiver, QEvent* event) {
    return RunReported([&] { return QApplication::notify(receiver, event); });
}
