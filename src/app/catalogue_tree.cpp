// The catalogue tree (see catalogue_tree.h).
#include "app/catalogue_tree.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIcon>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTreeWidget>

namespace catalogue_tree {
namespace {

// The two images of the tree: 0 for workbooks, 1 for sheets, the same picture when selected.
QIcon NodeImage(const QTreeWidget* tree, int image) {
    const QStyle::StandardPixmap which =
        image == 0 ? QStyle::SP_FileIcon : QStyle::SP_FileDialogDetailedView;
    const QIcon standard = tree->style()->standardIcon(which, nullptr, tree);
    const int side = tree->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, tree);
    const QPixmap picture = standard.pixmap(QSize(side, side));
    QIcon icon;
    icon.addPixmap(picture, QIcon::Normal);
    icon.addPixmap(picture, QIcon::Selected);
    icon.addPixmap(picture, QIcon::Active);
    return icon;
}

QTreeWidgetItem* NewNode(const QString& text, const QIcon& image, Qt::ItemFlags extra) {
    auto* node = new QTreeWidgetItem(QStringList{text});
    node->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | extra);
    node->setCheckState(0, Qt::Unchecked);
    node->setIcon(0, image);
    node->setData(0, Qt::AccessibleTextRole, text);
    return node;
}

// Draws workbook nodes (level 0) with ElidedPath in their text rectangle; sheets as they are.
class PathDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.parent().isValid()) return;
        const QWidget* view = option->widget;
        const QStyle* style = view ? view->style() : QApplication::style();
        const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, option, view);
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
        option->text = ElidedPath(option->text, option->fontMetrics, text.width() - 2 * margin);
    }
};

}  // namespace

QString ElidedPath(const QString& path, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(path) <= width) return path;
    const int slash = int(path.lastIndexOf(QLatin1Char('/')));
    const QString name = path.mid(slash + 1);
    const QString tail = QStringLiteral("\u2026/") + name;
    if (slash > 0 && metrics.horizontalAdvance(tail) <= width) {
        int keep = slash;
        while (keep > 0 && metrics.horizontalAdvance(path.left(keep) + tail) > width) --keep;
        return path.left(keep) + tail;
    }
    return metrics.elidedText(name, Qt::ElideMiddle, width);
}

void setUp(QTreeWidget* tree) {
    tree->setColumnCount(1);
    tree->setSortingEnabled(false);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    // A long path is shortened in its middle, so the file name at its end stays in view and
    // workbooks of one folder stay apart; the node's tooltip holds the whole path.
    tree->header()->setStretchLastSection(true);
    tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tree->setTextElideMode(Qt::ElideMiddle);
    tree->setItemDelegate(new PathDelegate(tree));
    // Screen readers: Qt's item views report checked or not, never partly; a partly checked
    // workbook says so in its accessible description.
    QObject::connect(tree, &QTreeWidget::itemChanged, tree, [](QTreeWidgetItem* node, int) {
        const QString mixed =
            node->checkState(0) == Qt::PartiallyChecked ? QStringLiteral("部分选中") : QString();
        if (node->data(0, Qt::AccessibleDescriptionRole).toString() != mixed)
            node->setData(0, Qt::AccessibleDescriptionRole, mixed);
    });
}

QTreeWidgetItem* addWorkbook(QTreeWidget* tree, const QString& path, const QStringList& sheets) {
    // A workbook node takes its state from its sheets and passes its own on to them; sheets are
    // two-state, so a click on a partly checked workbook makes it checked.
    QTreeWidgetItem* book = NewNode(path, NodeImage(tree, 0), Qt::ItemIsAutoTristate);
    book->setData(0, Qt::UserRole, path);
    book->setToolTip(0, path);
    const QIcon sheetImage = NodeImage(tree, 1);
    QList<QTreeWidgetItem*> children;
    children.reserve(sheets.size());
    for (const QString& name : sheets)
        children.append(NewNode(name, sheetImage, Qt::ItemNeverHasChildren));
    book->addChildren(children);
    tree->addTopLevelItem(book);
    tree->expandAll();
    return book;
}

std::vector<shuhui::workbooks::CheckedSheet> checkedSheets(const QTreeWidget* tree) {
    std::vector<shuhui::workbooks::CheckedSheet> out;
    int index = 0;
    for (int w = 0; w < tree->topLevelItemCount(); ++w) {
        const QTreeWidgetItem* book = tree->topLevelItem(w);
        ++index;
        for (int s = 0; s < book->childCount(); ++s, ++index) {
            const QTreeWidgetItem* sheet = book->child(s);
            if (sheet->checkState(0) == Qt::Checked)
                out.push_back({book->text(0).toStdString(), sheet->text(0).toStdString(), index});
        }
    }
    return out;
}

int absoluteIndex(const QTreeWidget* tree, const QTreeWidgetItem* node) {
    if (!node) return -1;
    int index = 0;
    for (int w = 0; w < tree->topLevelItemCount(); ++w) {
        const QTreeWidgetItem* book = tree->topLevelItem(w);
        if (book == node) return index;
        ++index;
        const int s = book->indexOfChild(const_cast<QTreeWidgetItem*>(node));
        if (s >= 0) return index + s;
        index += book->childCount();
    }
    return -1;
}

QTreeWidgetItem* nodeAt(const QTreeWidget* tree, int index) {
    if (index < 0) return nullptr;
    for (int w = 0; w < tree->topLevelItemCount(); ++w) {
        QTreeWidgetItem* book = tree->topLevelItem(w);
        if (index == 0) return book;
        --index;
        if (index < book->childCount()) return book->child(index);
        index -= book->childCount();
    }
    return nullptr;
}

void toggle(QTreeWidgetItem* node) {
    node->setCheckState(0, node->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

int level(const QTreeWidgetItem* node) {
    int n = 0;
    for (const QTreeWidgetItem* p = node->parent(); p; p = p->parent()) ++n;
    return n;
}

}  // namespace catalogue_tree
