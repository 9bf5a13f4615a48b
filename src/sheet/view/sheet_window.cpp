#include "sheet/view/sheet_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>

#include "formats/error.h"
#include "formats/writer.h"
#include "frame/frame_controls.h"
#include "sheet/view/sheet_model.h"
#include "sheet/view/sheet_prompts.h"

namespace shuhui::sheetview {

namespace {

const QString kXlsFilter = QStringLiteral("Excel 97-2003 工作簿 (*.xls)");
const QString kXlsxFilter = QStringLiteral("Excel 工作簿 (*.xlsx)");

QList<QPointer<SheetWindow>>& Registry() {
    static QList<QPointer<SheetWindow>> windows;
    return windows;
}

QString& LastFolder() {
    static QString folder;
    return folder;
}

// Draws the cells' own borders over what the default delegate paints; a merged cell takes the
// borders of its top-left cell all round.
class BorderDelegate : public QStyledItemDelegate {
  public:
    explicit BorderDelegate(SheetModel* model, QObject* parent)
        : QStyledItemDelegate(parent), model_(model) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        const formats::CellStyle& st = model_->styleAt(index.row(), index.column());
        const QRect r = option.rect;
        painter->save();
        line(painter, st.top, r.topLeft(), r.topRight());
        line(painter, st.bottom, r.bottomLeft(), r.bottomRight());
        line(painter, st.left, r.topLeft(), r.bottomLeft());
        line(painter, st.right, r.topRight(), r.bottomRight());
        painter->restore();
    }

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (model_->styleAt(index.row(), index.column()).wrap)
            option->features |= QStyleOptionViewItem::WrapText;
        else
            option->features &= ~QStyleOptionViewItem::WrapText;
    }

  private:
    static void line(QPainter* p, const formats::Border& b, QPoint from, QPoint to) {
        using formats::BorderStyle;
        if (b.style == BorderStyle::None) return;
        QPen pen(b.color == formats::kNoColor
                     ? QColor(Qt::black)
                     : QColor(int((b.color >> 16) & 0xFF), int((b.color >> 8) & 0xFF),
                              int(b.color & 0xFF)));
        switch (b.style) {
            case BorderStyle::Medium:
            case BorderStyle::MediumDashed:
            case BorderStyle::MediumDashDot:
            case BorderStyle::MediumDashDotDot:
            case BorderStyle::SlantDashDot:
                pen.setWidth(2);
                break;
            case BorderStyle::Thick:
            case BorderStyle::Double:
                pen.setWidth(3);
                break;
            default:
                pen.setWidth(1);
        }
        switch (b.style) {
            case BorderStyle::Dashed:
            case BorderStyle::MediumDashed:
                pen.setStyle(Qt::DashLine);
                break;
            case BorderStyle::Dotted:
            case BorderStyle::Hair:
                pen.setStyle(Qt::DotLine);
                break;
            case BorderStyle::DashDot:
            case BorderStyle::MediumDashDot:
            case BorderStyle::SlantDashDot:
                pen.setStyle(Qt::DashDotLine);
                break;
            case BorderStyle::DashDotDot:
            case BorderStyle::MediumDashDotDot:
                pen.setStyle(Qt::DashDotDotLine);
                break;
            default:
                break;
        }
        p->setPen(pen);
        p->drawLine(from, to);
    }

    SheetModel* model_;
};

}  // namespace

SheetWindow::SheetWindow(std::shared_ptr<sheet::Document> document, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    NameControl(this, QStringLiteral("sheet_window"), titleFor(*document));
    model_ = new SheetModel(std::move(document), this);

    auto* bar = new QHBoxLayout;
    save_ = NameControl(new QPushButton(QStringLiteral("保存")), QStringLiteral("btn_sheet_save"),
                        QStringLiteral("保存"));
    saveAs_ = NameControl(new QPushButton(QStringLiteral("另存为")),
                          QStringLiteral("btn_sheet_save_as"), QStringLiteral("另存为"));
    bar->addWidget(save_);
    bar->addWidget(saveAs_);
    bar->addStretch(1);

    table_ = NameControl(new QTableView, QStringLiteral("sheet_grid"), QStringLiteral("单元格"));
    table_->setModel(model_);
    table_->setItemDelegate(new BorderDelegate(model_, table_));
    table_->setWordWrap(false);
    table_->setTextElideMode(
        Qt::ElideNone);  // a text too long for its cell is cut, as a sheet shows it
    table_->setStyleSheet(QStringLiteral("QTableView { gridline-color: #d4d4d4; }"));
    table_->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    table_->horizontalHeader()->setMinimumSectionSize(0);
    table_->verticalHeader()->setMinimumSectionSize(0);
    table_->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    table_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    frozenLeft_ = makeFrozenView(QStringLiteral("sheet_frozen_left"));
    frozenTop_ = makeFrozenView(QStringLiteral("sheet_frozen_top"));
    frozenCorner_ = makeFrozenView(QStringLiteral("sheet_frozen_corner"));
    connect(table_->horizontalScrollBar(), &QScrollBar::valueChanged,
            frozenTop_->horizontalScrollBar(), &QScrollBar::setValue);
    connect(table_->verticalScrollBar(), &QScrollBar::valueChanged,
            frozenLeft_->verticalScrollBar(), &QScrollBar::setValue);
    connect(table_->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int c, int, int size) {
                for (QTableView* v : {frozenTop_, frozenLeft_, frozenCorner_})
                    v->setColumnWidth(c, size);
                placeFrozenViews();
            });
    connect(table_->verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int r, int, int size) {
                for (QTableView* v : {frozenTop_, frozenLeft_, frozenCorner_})
                    v->setRowHeight(r, size);
                placeFrozenViews();
            });
    table_->installEventFilter(this);

    tabs_ = NameControl(new QTabBar, QStringLiteral("sheet_tabs"), QStringLiteral("工作表"));
    tabs_->setShape(QTabBar::RoundedSouth);
    tabs_->setExpanding(false);
    for (size_t i = 0; i < model_->document().sheetCount(); ++i)
        tabs_->addTab(QString::fromStdString(model_->document().sheet(i).name));
    tabs_->setCurrentIndex(int(model_->sheet()));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    layout->addLayout(bar);
    layout->addWidget(table_, 1);
    layout->addWidget(tabs_);

    connect(save_, &QPushButton::clicked, this, [this] { save(); });
    connect(saveAs_, &QPushButton::clicked, this, [this] { saveAs(); });
    auto* ctrlS = new QShortcut(QKeySequence::Save, this);
    connect(ctrlS, &QShortcut::activated, this, [this] { save(); });
    connect(tabs_, &QTabBar::currentChanged, this, [this](int i) { showSheet(i); });
    connect(model_, &SheetModel::documentChanged, this, [this](sheet::Document::Change change) {
        if (change == sheet::Document::Change::Cells) layoutSheet();
        if (change == sheet::Document::Change::Sheet) {
            const int active = int(model_->document().activeSheet());
            if (tabs_->currentIndex() != active) tabs_->setCurrentIndex(active);
        }
        refreshTitle();
    });

    layoutSheet();
    refreshTitle();
    resize(960, 640);
    Registry().append(this);
}

SheetWindow::~SheetWindow() {
    Registry().removeAll(QPointer<SheetWindow>(this));
    Registry().removeAll(QPointer<SheetWindow>());
}

sheet::Document& SheetWindow::document() const {
    return model_->document();
}

QString SheetWindow::titleFor(const sheet::Document& document) {
    QString t = QString::fromStdString(document.name());
    if (!document.saved()) t += QStringLiteral(" (未保存)");
    return t + QStringLiteral(" - 凌川数汇");
}

QList<SheetWindow*> SheetWindow::openWindows() {
    QList<SheetWindow*> out;
    for (const QPointer<SheetWindow>& w : Registry())
        if (w) out.append(w.data());
    return out;
}

void SheetWindow::refreshTitle() {
    const QString t = titleFor(document());
    setWindowTitle(t);
    setAccessibleName(t);
}

void SheetWindow::showSheet(int index) {
    if (index < 0) return;
    model_->setSheet(size_t(index));
    layoutSheet();
}

void SheetWindow::layoutSheet() {
    const sheet::Document& doc = document();
    const size_t s = model_->sheet();
    for (QTableView* v : {table_, frozenTop_, frozenLeft_, frozenCorner_}) {
        const QSignalBlocker quiet(v->horizontalHeader());
        const QSignalBlocker quietRows(v->verticalHeader());
        v->clearSpans();
        for (const formats::Range& m : doc.sheet(s).merged) {
            if (int(m.lastRow) >= model_->rowCount() || int(m.lastCol) >= model_->columnCount())
                continue;
            v->setSpan(int(m.firstRow), int(m.firstCol), int(m.lastRow - m.firstRow + 1),
                       int(m.lastCol - m.firstCol + 1));
        }
        for (int c = 0; c < model_->columnCount(); ++c) {
            v->setColumnWidth(c, columnPixels(doc.columnWidth(s, uint32_t(c))));
            v->setColumnHidden(c, doc.columnHidden(s, uint32_t(c)));
        }
        v->verticalHeader()->setDefaultSectionSize(RowPixels(15));
        for (const formats::RowInfo& ri : doc.sheet(s).rows) {
            if (int(ri.row) >= model_->rowCount()) break;
            v->setRowHeight(int(ri.row), RowPixels(ri.height));
            v->setRowHidden(int(ri.row), ri.hidden);
        }
    }
    placeFrozenViews();
}

QTableView* SheetWindow::makeFrozenView(const QString& name) {
    auto* v = NameControl(new QTableView(table_), name, QStringLiteral("冻结窗格"));
    v->setModel(model_);
    v->setSelectionModel(table_->selectionModel());
    v->setItemDelegate(table_->itemDelegate());
    v->setFocusPolicy(Qt::NoFocus);
    v->setFrameShape(QFrame::NoFrame);
    v->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    v->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    v->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    v->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    v->setWordWrap(false);
    v->setTextElideMode(Qt::ElideNone);
    v->setStyleSheet(table_->styleSheet());
    v->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    v->horizontalHeader()->setMinimumSectionSize(0);
    v->verticalHeader()->setMinimumSectionSize(0);
    v->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    v->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    v->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    v->hide();
    return v;
}

// The frozen rows and columns stay where they are while the rest scrolls beneath: three views of
// the same model lie over the table, the top one following its horizontal scrolling, the left one
// its vertical scrolling, the corner one fixed.
void SheetWindow::placeFrozenViews() {
    const formats::Sheet& sh = document().sheet(model_->sheet());
    const int rows = std::min(int(sh.frozenRows), model_->rowCount());
    const int cols = std::min(int(sh.frozenCols), model_->columnCount());
    int height = table_->horizontalHeader()->height();
    for (int r = 0; r < rows; ++r) height += table_->isRowHidden(r) ? 0 : table_->rowHeight(r);
    int width = table_->verticalHeader()->width();
    for (int c = 0; c < cols; ++c) width += table_->isColumnHidden(c) ? 0 : table_->columnWidth(c);
    const int f = table_->frameWidth();
    const QRect vp = table_->viewport()->geometry();
    const int right = vp.right() + 1, bottom = vp.bottom() + 1;
    frozenTop_->setVisible(rows > 0);
    frozenLeft_->setVisible(cols > 0);
    frozenCorner_->setVisible(rows > 0 && cols > 0);
    if (rows > 0) frozenTop_->setGeometry(f, f, right - f, height);
    if (cols > 0) frozenLeft_->setGeometry(f, f, width, bottom - f);
    if (rows > 0 && cols > 0) frozenCorner_->setGeometry(f, f, width, height);
    frozenTop_->horizontalScrollBar()->setValue(table_->horizontalScrollBar()->value());
    frozenLeft_->verticalScrollBar()->setValue(table_->verticalScrollBar()->value());
    frozenLeft_->raise();
    frozenTop_->raise();
    frozenCorner_->raise();
}

bool SheetWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_ && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        placeFrozenViews();
    return QWidget::eventFilter(watched, event);
}

int SheetWindow::columnPixels(double width) const {
    const QFontMetrics metrics(model_->fontOf(document().workbook().styles[0]));
    return ColumnPixels(width, metrics.horizontalAdvance(QLatin1Char('0')));
}

bool SheetWindow::writeTo(QString path) {
    try {
        document().saveAs(QDir::toNativeSeparators(path).toStdString());
    } catch (const Error& e) {
        SheetPrompts::Current().showWarning(this, QString::fromUtf8(e.what()));
        return false;
    }
    LastFolder() = QFileInfo(path).absolutePath();
    refreshTitle();
    return true;
}

bool SheetWindow::save() {
    const QString path = QString::fromStdString(document().path());
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (path.isEmpty() || (suffix != "xls" && suffix != "xlsx") ||
        (suffix == "xls" && !document().fitsXls()))
        return saveAs();
    return writeTo(path);
}

bool SheetWindow::saveAs() {
    const sheet::Document& doc = document();
    QString suggested = QString::fromStdString(doc.path());
    if (suggested.isEmpty()) {
        const QString base =
            QString::fromStdString(doc.name()) + (doc.fitsXls() ? ".xls" : ".xlsx");
        suggested = LastFolder().isEmpty() ? base : QDir(LastFolder()).filePath(base);
    }
    QString filter = doc.fitsXls() && !suggested.endsWith(".xlsx", Qt::CaseInsensitive)
                         ? kXlsFilter
                         : kXlsxFilter;
    QString path = SheetPrompts::Current().saveFileName(this, QStringLiteral("另存为"), suggested,
                                                        {kXlsFilter, kXlsxFilter}, &filter);
    if (path.isEmpty()) return false;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != "xls" && suffix != "xlsx") path += filter == kXlsxFilter ? ".xlsx" : ".xls";
    if (path.endsWith(".xls", Qt::CaseInsensitive) && !doc.fitsXls()) {
        const QString text = QStringLiteral(
            "这个工作簿超过了 .xls 文件的上限(65,536 行、256 列),不能保存为 .xls,"
            "否则超出的部分会丢失。\n是否改为保存成 .xlsx 文件?");
        if (!SheetPrompts::Current().askYesNo(this, text)) return false;
        path += QStringLiteral("x");
    }
    return writeTo(path);
}

bool SheetWindow::askToSave(bool withCancel) {
    if (document().saved()) return true;
    const QString text =
        QStringLiteral("是否保存对“%1”的更改?").arg(QString::fromStdString(document().name()));
    switch (SheetPrompts::Current().askSave(this, text, withCancel)) {
        case SheetPrompts::Yes:
            return save() || !withCancel;
        case SheetPrompts::No:
            return true;
        case SheetPrompts::Cancel:
            return false;
    }
    return false;
}

void SheetWindow::closeWithoutAsking() {
    askOnClose_ = false;
    close();
}

void SheetWindow::closeEvent(QCloseEvent* event) {
    if (askOnClose_ && !askToSave(true)) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace shuhui::sheetview
