// ResultGrid: see result_grid.h.
#include "grid/view/result_grid.h"

#include <QEvent>
#include <QPointer>
#include <QScrollBar>
#include <QVBoxLayout>

#include "frame/name_control.h"
#include "grid/view/filter_box.h"
#include "grid/view/filter_popup.h"
#include "grid/view/footer_row.h"
#include "grid/view/grid_header.h"
#include "grid/view/grid_model.h"
#include "grid/view/grid_table_view.h"
#include "grid/view/group_by_box.h"

namespace shuhui::grid::view {

ResultGrid::ResultGrid(QWidget* parent) : QWidget(parent) {
    model_ = new GridModel(engine_, this);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    filterBox_ = NameControl(new FilterBox(this), "pnl_filter_box", QStringLiteral("筛选条件栏"));
    groupBox_ = NameControl(new GroupByBox(this), "pnl_group_by_box", QStringLiteral("分组栏"));
    table_ =
        NameControl(new GridTableView(this), "cxGrid1DBTableView1", QStringLiteral("结果表格视图"));
    table_->setGridModel(model_);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    footer_ = NameControl(new FooterRow(model_, table_->gridHeader(), table_->viewport(), this),
                          "pnl_grid_footer", QStringLiteral("页脚"));
    hbar_ = NameControl(new QScrollBar(Qt::Horizontal, this), "sb_grid_horizontal",
                        QStringLiteral("水平滚动条"));
    v->addWidget(filterBox_);
    v->addWidget(groupBox_);
    v->addWidget(table_, 1);
    v->addWidget(footer_);
    v->addWidget(hbar_);
    // The outer scroll bar mirrors the table's own (hidden) one.
    QScrollBar* inner = table_->horizontalScrollBar();
    connect(inner, &QScrollBar::rangeChanged, this, [this, inner](int lo, int hi) {
        hbar_->setRange(lo, hi);
        hbar_->setPageStep(inner->pageStep());
        hbar_->setSingleStep(inner->singleStep());
        hbar_->setVisible(hi > lo && !engine_.options().columnAutoWidth);
    });
    connect(inner, &QScrollBar::valueChanged, hbar_, &QScrollBar::setValue);
    connect(hbar_, &QScrollBar::valueChanged, inner, &QScrollBar::setValue);
    connect(inner, &QScrollBar::valueChanged, footer_, qOverload<>(&QWidget::update));
    connect(model_, &GridModel::summariesChanged, footer_, qOverload<>(&QWidget::update));
    connect(table_->gridHeader(), &QHeaderView::sectionResized, footer_,
            qOverload<>(&QWidget::update));
    hbar_->hide();
    table_->viewport()->installEventFilter(this);

    connect(model_, &GridModel::engineChanged, this, &ResultGrid::syncWidgets);
    connect(groupBox_, &GroupByBox::groupRequested, this, &ResultGrid::groupByColumn);
    connect(table_->gridHeader(), &GridHeader::ungroupRequested, this, &ResultGrid::ungroupColumn);
    connect(table_->gridHeader(), &GridHeader::filterButtonClicked, this,
            [this](int c) { openFilterPopup(c); });
    connect(table_->gridHeader(), &QHeaderView::sectionClicked, this, [this](int c) {
        if (c >= 0 && c < model_->columnCount()) cycleSort(model_->engineColumn(c));
    });
    connect(table_->gridHeader(), &QHeaderView::sectionResized, this, [this](int c, int, int size) {
        if (applyingWidths_ || engine_.options().columnAutoWidth) return;
        if (c >= 0 && c < model_->columnCount())
            engine_.column(model_->engineColumn(c)).width = size;
    });
    connect(filterBox_, &FilterBox::clearRequested, this, &ResultGrid::clearFilters);
    syncWidgets();
}

ResultGrid::~ResultGrid() {
    // The widgets and the model go before the engine they read.
    delete popup_;
    delete table_;
    delete model_;
}

void ResultGrid::refresh() {
    model_->reload();  // emits engineChanged -> syncWidgets
}

void ResultGrid::syncWidgets() {
    const grid::ViewOptions& o = engine_.options();
    filterBox_->setCondition(QString::fromStdString(engine_.filterText()));
    filterBox_->setVisible(engine_.filterBoxVisible());
    QStringList captions;
    for (size_t c : engine_.groupColumns())
        captions << QString::fromStdString(engine_.column(c).caption);
    groupBox_->setGroups(captions, engine_.groupColumns());
    groupBox_->setVisible(o.groupByBox);
    footer_->setVisible(o.footer);
    footer_->update();
    table_->setEditTriggers(o.editing ? QAbstractItemView::DoubleClicked |
                                            QAbstractItemView::EditKeyPressed |
                                            QAbstractItemView::AnyKeyPressed
                                      : QAbstractItemView::NoEditTriggers);
    QScrollBar* inner = table_->horizontalScrollBar();
    hbar_->setVisible(inner->maximum() > inner->minimum() && !o.columnAutoWidth);
    applyWidths();
    table_->gridHeader()->viewport()->update();
    table_->viewport()->update();
}

void ResultGrid::applyWidths() {
    applyingWidths_ = true;
    const int n = model_->columnCount();
    if (engine_.options().columnAutoWidth) {
        const std::vector<int> w = engine_.fitWidths(table_->viewport()->width());
        for (int c = 0; c < n && c < int(w.size()); ++c) table_->setColumnWidth(c, w[size_t(c)]);
    } else {
        for (int c = 0; c < n; ++c)
            table_->setColumnWidth(c, engine_.column(model_->engineColumn(c)).width);
    }
    applyingWidths_ = false;
    footer_->update();
}

bool ResultGrid::eventFilter(QObject* watched, QEvent* e) {
    if (watched == table_->viewport() && e->type() == QEvent::Resize &&
        engine_.options().columnAutoWidth)
        applyWidths();
    return QWidget::eventFilter(watched, e);
}

void ResultGrid::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (engine_.options().columnAutoWidth) applyWidths();
}

void ResultGrid::groupByColumn(size_t engineColumn) {
    if (engineColumn >= engine_.columnCount()) return;
    model_->change([&](grid::GridView& e) { e.groupBy(engineColumn); });
}

void ResultGrid::ungroupColumn(size_t engineColumn) {
    model_->change([&](grid::GridView& e) { e.ungroup(engineColumn); });
}

void ResultGrid::setColumnFilter(size_t engineColumn, std::optional<grid::ColumnFilter> filter) {
    if (engineColumn >= engine_.columnCount()) return;
    model_->change([&](grid::GridView& e) {
        if (filter)
            e.setFilter(engineColumn, std::move(*filter));
        else
            e.clearFilter(engineColumn);
    });
}

void ResultGrid::clearFilters() {
    model_->change([](grid::GridView& e) { e.clearFilters(); });
}

void ResultGrid::expandAll() {
    model_->change([](grid::GridView& e) { e.expandAll(); });
}

void ResultGrid::collapseAll() {
    model_->change([](grid::GridView& e) { e.collapseAll(); });
}

void ResultGrid::cycleSort(size_t engineColumn) {
    model_->change([&](grid::GridView& e) {
        if (e.sortColumn() != engineColumn)
            e.sortBy(engineColumn, true);
        else if (e.sortAscending())
            e.sortBy(engineColumn, false);
        else
            e.sortBy(std::nullopt);
    });
}

FilterPopup* ResultGrid::openFilterPopup(int modelColumn) {
    if (modelColumn < 0 || modelColumn >= model_->columnCount()) return nullptr;
    if (popup_) popup_->close();
    popup_ = new FilterPopup(engine_, model_->engineColumn(modelColumn), this);
    connect(popup_, &FilterPopup::filterChosen, this, &ResultGrid::setColumnFilter);
    connect(popup_, &QObject::destroyed, this, [this] { popup_ = nullptr; });
    GridHeader* h = table_->gridHeader();
    const QPoint at(h->sectionViewportPosition(modelColumn), h->height());
    popup_->popup(h->mapToGlobal(at));
    return popup_;
}

void ResultGrid::setConfirmDelete(std::function<bool()> confirm) {
    table_->setConfirmDelete(std::move(confirm));
}

QStringList ResultGrid::footerTexts() const {
    return footer_->texts();
}

QString ResultGrid::filterText() const {
    return filterBox_->condition();
}

}  // namespace shuhui::grid::view
