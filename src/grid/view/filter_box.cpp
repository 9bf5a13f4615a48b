// FilterBox: see filter_box.h.
#include "grid/view/filter_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QToolButton>

#include "frame/name_control.h"
#include "grid/view/grid_style.h"

namespace shuhui::grid::view {

FilterBox::FilterBox(QWidget* parent) : QWidget(parent) {
    setFixedHeight(24);
    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(4, 2, 4, 2);
    h->setSpacing(6);
    clear_ = NameControl(new QToolButton(this), "btn_filter_clear", QStringLiteral("清除筛选条件"));
    clear_->setText(QStringLiteral("×"));
    clear_->setAutoRaise(true);
    clear_->setFixedSize(18, 18);
    clear_->setToolTip(QStringLiteral("清除筛选条件"));
    label_ = NameControl(new QLabel(this), "lbl_filter_text", QStringLiteral("筛选条件"));
    h->addWidget(clear_);
    h->addWidget(label_, 1);
    connect(clear_, &QToolButton::clicked, this, &FilterBox::clearRequested);
    setCondition(QString());
}

void FilterBox::setCondition(const QString& text) {
    condition_ = text;
    clear_->setEnabled(!text.isEmpty());
    SetLabelText(label_, text.isEmpty() ? QString::fromUtf8(kEmptyText) : text);
    label_->setStyleSheet(text.isEmpty() ? "color: rgb(120,130,145);" : "color: black;");
    label_->setToolTip(text);
}

void FilterBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kSelectColor);
    p.setPen(kBorderColor);
    p.drawLine(rect().bottomLeft(), rect().bottomRight());
}

}  // namespace shuhui::grid::view
