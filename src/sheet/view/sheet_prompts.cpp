#include "sheet/view/sheet_prompts.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>

namespace shuhui::sheetview {

namespace {

SheetPrompts* g_installed = nullptr;

void LabelButtons(QMessageBox& box) {
    if (QAbstractButton* b = box.button(QMessageBox::Yes)) b->setText(QStringLiteral("是"));
    if (QAbstractButton* b = box.button(QMessageBox::No)) b->setText(QStringLiteral("否"));
    if (QAbstractButton* b = box.button(QMessageBox::Cancel)) b->setText(QStringLiteral("取消"));
    if (QAbstractButton* b = box.button(QMessageBox::Ok)) b->setText(QStringLiteral("确定"));
}

}  // namespace

SheetPrompts::~SheetPrompts() = default;

SheetPrompts::Answer SheetPrompts::askSave(QWidget* parent, const QString& text, bool withCancel) {
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel) buttons |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, PromptCaption(), text, buttons, parent);
    box.setDefaultButton(QMessageBox::Yes);
    if (withCancel) box.setEscapeButton(QMessageBox::Cancel);
    LabelButtons(box);
    const int r = box.exec();
    if (r == QMessageBox::Yes) return Yes;
    if (r == QMessageBox::No) return No;
    return withCancel ? Cancel : No;
}

bool SheetPrompts::askYesNo(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, PromptCaption(), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    LabelButtons(box);
    return box.exec() == QMessageBox::Yes;
}

void SheetPrompts::showWarning(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, PromptCaption(), text, QMessageBox::Ok, parent);
    LabelButtons(box);
    box.exec();
}

QString SheetPrompts::saveFileName(QWidget* parent, const QString& title, const QString& suggested,
                                   const QStringList& filters, QString* selectedFilter) {
    QFileDialog dlg(parent, title, suggested);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setNameFilters(filters);
    if (selectedFilter && !selectedFilter->isEmpty()) dlg.selectNameFilter(*selectedFilter);
    dlg.setLabelText(QFileDialog::LookIn, QStringLiteral("保存位置:"));
    dlg.setLabelText(QFileDialog::FileName, QStringLiteral("文件名:"));
    dlg.setLabelText(QFileDialog::FileType, QStringLiteral("保存类型:"));
    dlg.setLabelText(QFileDialog::Accept, QStringLiteral("保存"));
    dlg.setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
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
