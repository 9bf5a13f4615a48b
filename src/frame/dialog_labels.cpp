// Chinese labels of message boxes and file dialogs; see dialog_labels.h.
#include "frame/dialog_labels.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>

void LabelMessageBoxButtons(QMessageBox& box) {
    if (QAbstractButton* b = box.button(QMessageBox::Yes)) b->setText(QStringLiteral("是"));
    if (QAbstractButton* b = box.button(QMessageBox::No)) b->setText(QStringLiteral("否"));
    if (QAbstractButton* b = box.button(QMessageBox::Ok)) b->setText(QStringLiteral("确定"));
    if (QAbstractButton* b = box.button(QMessageBox::Cancel)) b->setText(QStringLiteral("取消"));
}

void LabelFileDialog(QFileDialog& dialog, bool save) {
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("查找范围:"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("文件名:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("文件类型:"));
    dialog.setLabelText(QFileDialog::Accept,
                        save ? QStringLiteral("保存") : QStringLiteral("打开"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
}
