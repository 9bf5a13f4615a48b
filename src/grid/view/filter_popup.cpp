// FilterPopup: see filter_popup.h.
#include "grid/view/filter_popup.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "frame/name_control.h"

namespace shuhui::grid::view {

using grid::ColumnFilter;
using grid::FilterOp;
using workbooks::Value;

const QStringList& FilterPopup::conditionEntries() {
    static const QStringList entries = {QStringLiteral("(勾选的值)"), QStringLiteral("等于"),
                                        QStringLiteral("不等于"),     QStringLiteral("大于"),
                                        QStringLiteral("小于"),       QStringLiteral("包含"),
                                        QStringLiteral("为空")};
    return entries;
}

namespace {

QString valueText(const grid::GridView& engine, size_t col, const Value& v) {
    if (v.kind == workbooks::ValueKind::Null) return QString::fromUtf8(FilterPopup::kBlankEntry);
    // Show the value as the column's cells show it.
    workbooks::Column tmp(
        "", engine.field(col) ? engine.field(col)->type() : workbooks::FieldType::String);
    tmp.append(v);
    return QString::fromStdString(tmp.displayText(0));
}

bool listed(const std::vector<Value>& vs, const Value& v) {
    return std::find(vs.begin(), vs.end(), v) != vs.end();
}

}  // namespace

FilterPopup::FilterPopup(const grid::GridView& engine, size_t engineColumn, QWidget* parent)
    : QFrame(parent, Qt::Popup), column_(engineColumn) {
    setFrameShape(QFrame::StyledPanel);
    setAttribute(Qt::WA_DeleteOnClose);
    NameControl(this, "pnl_column_filter", QStringLiteral("列筛选"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(4, 4, 4, 4);
    values_ = NameControl(new QListWidget(this), "lst_filter_values", QStringLiteral("列的取值"));
    auto* cond = new QHBoxLayout;
    condition_ = NameControl(new QComboBox(this), "cbb_filter_condition", QStringLiteral("条件"));
    condition_->addItems(conditionEntries());
    operand_ = NameControl(new QLineEdit(this), "edt_filter_value", QStringLiteral("条件值"));
    cond->addWidget(condition_);
    cond->addWidget(operand_, 1);
    auto* buttons = new QHBoxLayout;
    auto* ok = NameControl(new QPushButton(QStringLiteral("确定"), this), "btn_filter_ok",
                           QStringLiteral("确定"));
    auto* clr = NameControl(new QPushButton(QStringLiteral("清除"), this), "btn_filter_clear_col",
                            QStringLiteral("清除"));
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(clr);
    v->addWidget(values_, 1);
    v->addLayout(cond);
    v->addLayout(buttons);
    resize(240, 300);

    const std::optional<ColumnFilter> current = engine.filter(column_);
    const grid::DistinctValues d = engine.distinctValues(column_);
    if (d.hasBlanks) listed_.push_back(Value::null());
    for (const Value& x : d.values) {
        if (int(listed_.size()) >= kMaxValues) {
            complete_ = false;
            break;
        }
        listed_.push_back(x);
    }
    for (const Value& x : listed_) {
        auto* item = new QListWidgetItem(valueText(engine, column_, x), values_);
        bool ticked = true;
        if (current && current->op == FilterOp::InList) ticked = listed(current->values, x);
        item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
    if (current && current->op != FilterOp::InList) {
        static const FilterOp ops[] = {FilterOp::Equal, FilterOp::NotEqual, FilterOp::Greater,
                                       FilterOp::Less,  FilterOp::Contains, FilterOp::Blank};
        for (int i = 0; i < 6; ++i)
            if (ops[i] == current->op) condition_->setCurrentIndex(i + 1);
        if (current->value.kind == workbooks::ValueKind::Text)
            operand_->setText(QString::fromStdString(current->value.text));
        else if (current->value.kind != workbooks::ValueKind::Null)
            operand_->setText(QString::number(current->value.number, 'g', 15));
    }
    connect(ok, &QPushButton::clicked, this, &FilterPopup::apply);
    connect(clr, &QPushButton::clicked, this, &FilterPopup::clear);
}

void FilterPopup::popup(const QPoint& globalPos) {
    move(globalPos);
    show();
}

std::optional<ColumnFilter> FilterPopup::chosenFilter() const {
    const std::string text = operand_->text().toStdString();
    switch (condition_->currentIndex()) {
        case 1:
            return ColumnFilter::equals(Value::fromText(text));
        case 2:
            return ColumnFilter::notEqual(Value::fromText(text));
        case 3:
            return ColumnFilter::greater(Value::fromText(text));
        case 4:
            return ColumnFilter::less(Value::fromText(text));
        case 5:
            return ColumnFilter::contains(text);
        case 6:
            return ColumnFilter::blank();
        default:
            break;
    }
    std::vector<Value> ticked;
    for (int i = 0; i < values_->count(); ++i)
        if (values_->item(i)->checkState() == Qt::Checked) ticked.push_back(listed_[size_t(i)]);
    if (ticked.size() == listed_.size()) return std::nullopt;  // nothing unticked
    return ColumnFilter::inList(std::move(ticked));
}

void FilterPopup::apply() {
    emit filterChosen(column_, chosenFilter());
    close();
}

void FilterPopup::clear() {
    emit filterChosen(column_, std::nullopt);
    close();
}

}  // namespace shuhui::grid::view
