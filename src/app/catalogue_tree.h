// The catalogue tree: the check tree of opened workbooks (level 0, text = path) and their sheets
// (level 1, text = table name), kept by a QTreeWidget.
//
// Check boxes have three states. Checking or unchecking a workbook node sets all its sheets; a
// sheet's change sets its workbook node to checked (all sheets), unchecked (none) or partly
// checked. A click on the box or the space bar toggles: checked -> unchecked, unchecked or partly
// -> checked. This is the cascade of shuhui::workbooks::Catalogue, carried by the tree items
// themselves (a workbook node derives its state from its sheets); the headless model is what the
// tests check the tree against. Texts are not editable, nodes
// are never sorted, the same workbook may appear twice.
//
// The absolute index of a node counts workbook and sheet nodes alike in display order.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "workbooks/catalogue.h"

class QFontMetrics;
class QTreeWidget;
class QTreeWidgetItem;

namespace catalogue_tree {

// Tree behaviour: no header editing, no sorting, one column, the two node images; workbook paths
// shortened as ElidedPath says to the width of the tree.
void setUp(QTreeWidget* tree);

// The text a workbook node shows in `width` pixels: the whole path when it fits; otherwise the
// file name whole after as much of the path's start as fits before "…/"
// ("/共享盘/王/…/一月工资.xls"); when not even "…/" and the file name fit, the file name shortened
// in its middle. Workbooks of one folder stay apart by their names.
QString ElidedPath(const QString& path, const QFontMetrics& metrics, int width);

// Appends a workbook node (text and Qt::UserRole data = path, image 0) with one sheet node per
// name (image 1), all unchecked, then expands every node without selecting any.
QTreeWidgetItem* addWorkbook(QTreeWidget* tree, const QString& path, const QStringList& sheets);

// The checked sheet nodes (level 1) in display order: the workbook path (the parent node's text),
// the table name (the node's text) and the node's absolute index.
std::vector<shuhui::workbooks::CheckedSheet> checkedSheets(const QTreeWidget* tree);

// Absolute index <-> node; -1 / nullptr when there is none.
int absoluteIndex(const QTreeWidget* tree, const QTreeWidgetItem* node);
QTreeWidgetItem* nodeAt(const QTreeWidget* tree, int index);

// What a click on the box or the space bar does to a node.
void toggle(QTreeWidgetItem* node);

// Level of a node: 0 for a workbook, 1 for a sheet.
int level(const QTreeWidgetItem* node);

}  // namespace catalogue_tree
