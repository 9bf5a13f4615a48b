// The buttons and fields of message boxes and file dialogs in the program's language, whatever
// translations the toolkit has (是/否/确定/取消; 查找范围, 文件名, 文件类型, 打开/保存).
#pragma once

class QFileDialog;
class QMessageBox;

void LabelMessageBoxButtons(QMessageBox& box);
void LabelFileDialog(QFileDialog& dialog, bool save);
