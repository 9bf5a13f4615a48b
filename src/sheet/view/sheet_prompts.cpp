#include "sheet/view/sheet_prompts.h"

#include "frame/dialog_labels.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>

namespace shuhui::sheetview {

namespace {

SheetPrompts* g_installed = nullptr;

}  // namespace

SheetPrompts::~SheetPrompts() = default;

SheetPrompts::Answer SheetPrompts::askSave(QWidget* parent, const QString& text, bool withCancel) {
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel) buttons |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, PromptCaption(), text, buttons, parent);
    box.setDefaultButton(QMessageBox::Yes);
    if (withCancel) box.setEscapeButton(QMessageBox::Cancel);
    LabelMessageBoxButtons(box);
    const int r = box.exec();
    if (r == QMessageBox::Yes) return Yes;
    if (r == QMessageBox::No) return No;
    return withCancel ? Cancel : No;
}

bool SheetPrompts::askYesNo(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, PromptCaption(), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    LabelMessageBoxButtons(box);
    return box.exec() == QMessageBox::Yes;
}

void SheetPrompts::showWarning(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, PromptCaption(), text, QMessageBox::Ok, parent);
    LabelMessageBoxButtons(box);
    box.exec();
}

QString SheetPrompts::saveFileName(QWidget* parent, const QString& title, const QString& suggested,
                                   const QStringList& filters, QString* selectedFilter) {
    QFileDialog dlg(parent, title, suggested);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setNameFilters(filters);
    if (selectedFilter && !selectedFilter->isEmpty()) dlg.selectNameFilter(*selectedFilter);
    LabelFileDialog(dlg, true);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
    if (selectedFilter) *selectedFilter = dlg.selectedNameFilter();
    return dlg.selectedFiles().first();
}

SheetPrompts& SheetPrompts::Current() {
    static SheetPrompts fallback;
    return g_installed ? *g_installed : fallback;
}

SheetPrompts* SheetPrompts::Install(SheetPrompts* p) {
    SheetPrompts* previous = g_installed;
    g_installed = p;
    return previous;
}

}  // namespace shuhui::sheetview
