#include "app/segmented_control.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QToolButton>

SegmentedControl::SegmentedControl(QWidget* parent)
    : QWidget(parent), group_(new QButtonGroup(this)), layout_(new QHBoxLayout(this)) {
    setFocusPolicy(Qt::NoFocus);
    group_->setExclusive(true);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    connect(group_, &QButtonGroup::idClicked, this, &SegmentedControl::activated);
}

void SegmentedControl::setLabels(const QStringList& labels) {
    for (QAbstractButton* b : group_->buttons()) {
        group_->removeButton(b);
        delete b;
    }
    labels_ = labels;
    for (int i = 0; i < labels_.size(); ++i) {
        auto* b = new QToolButton(this);
        b->setText(labels_[i]);
        b->setCheckable(true);
        b->setAutoRaise(false);
        b->setFocusPolicy(Qt::NoFocus);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        // The chosen segment reads in bold, so that it stands out at a glance.
        connect(b, &QToolButton::toggled, b, [b](bool on) {
            QFont f = b->font();
            f.setBold(on);
            b->setFont(f);
        });
        group_->addButton(b, i);
        layout_->addWidget(b);
    }
    applyNames();
    if (QAbstractButton* b = group_->button(wanted_))
        b->setChecked(true);
}

void SegmentedControl::setSegmentNames(const QStringList& names) {
    names_ = names;
    applyNames();
}

void SegmentedControl::applyNames() {
    for (int i = 0; i < labels_.size(); ++i) {
        const QString name = i < names_.size() && !names_[i].isEmpty() ? names_[i] : labels_[i];
        QAbstractButton* b = group_->button(i);
        b->setAccessibleName(name);
        b->setToolTip(name);
    }
}

int SegmentedControl::selectedSegment() const {
    return group_->checkedId();
}

void SegmentedControl::setSelectedSegment(int index) {
    if (index < -1)
        return;
    wanted_ = index;
    if (index == -1) {
        // An exclusive group keeps one button checked; lift that for a moment.
        if (QAbstractButton* b = group_->checkedButton()) {
            group_->setExclusive(false);
            b->setChecked(false);
            group_->setExclusive(true);
        }
        return;
    }
    if (QAbstractButton* b = group_->button(index))
        b->setChecked(true);
}

QString SegmentedControl::labelForSegment(int index) const {
    return index >= 0 && index < labels_.size() ? labels_[index] : QString();
}

bool SegmentedControl::selectSegmentWithTag(int tag) {
    if (!group_->button(tag))
        return false;
    setSelectedSegment(tag);
    return true;
}

QToolButton* SegmentedControl::segmentButton(int index) const {
    return qobject_cast<QToolButton*>(group_->button(index));
}
