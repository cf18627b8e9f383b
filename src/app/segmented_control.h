#pragma once

#include <QStringList>
#include <QWidget>

class QButtonGroup;
class QHBoxLayout;
class QToolButton;

// A row of mutually exclusive segments, each a checkable tool button with a
// text label; a segment's tag is its index. Clicking a segment selects it and
// emits activated(); choosing a segment in code emits nothing. No segment
// takes keyboard focus, so a click never takes the keys away from the view
// that records them.
//
// Thread rules: user-interface thread only.
class SegmentedControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QStringList labels READ labels WRITE setLabels)
    Q_PROPERTY(QStringList segmentNames READ segmentNames WRITE setSegmentNames)
    Q_PROPERTY(int selectedSegment READ selectedSegment WRITE setSelectedSegment)

public:
    explicit SegmentedControl(QWidget* parent = nullptr);

    // Replaces all segments; none is selected afterwards.
    void setLabels(const QStringList& labels);
    QStringList labels() const { return labels_; }
    // Accessible names of the segments, by index (the label where none is given).
    void setSegmentNames(const QStringList& names);
    QStringList segmentNames() const { return names_; }

    int segmentCount() const { return int(labels_.size()); }
    // The selected segment's index, or -1.
    int selectedSegment() const;
    // Selects segment index (-1 clears the selection). An index beyond the
    // segments is remembered and applied when labels arrive that reach it.
    void setSelectedSegment(int index);
    // The label of segment index, or an empty text.
    QString labelForSegment(int index) const;
    // Selects the segment with this tag; false when there is none.
    bool selectSegmentWithTag(int tag);

    QToolButton* segmentButton(int index) const;

signals:
    // The user clicked a segment (it is now selected).
    void activated(int index);

private:
    void applyNames();

    QStringList labels_;
    QStringList names_;
    int wanted_ = -1;
    QButtonGroup* group_;
    QHBoxLayout* layout_;
};
