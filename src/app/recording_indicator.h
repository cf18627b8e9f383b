#pragma once

#include <QObject>

#include <functional>

class QLabel;
class QWidget;

// Says on the picture whether key presses are being recorded. While they are
// not (the keyboard focus is in the transcript, the go-to field, another
// window), a warning band lies along the top edge of the picture; while they
// are, a small calm mark sits in its corner. The picture's accessible
// description, and the names of the band and the mark, say the same. Both
// let clicks through to the picture, which takes the keys back.
//
// The state follows every change of the keyboard focus or of the active
// window; recording() answers whether keys go to the recorder now.
//
// Thread rules: user-interface thread only. picture must outlive the object
// (the overlays are its children).
class RecordingIndicator : public QObject {
    Q_OBJECT
public:
    RecordingIndicator(QWidget* picture, std::function<bool()> recording,
                       QObject* parent = nullptr);

    // Shows the state that recording() answers now.
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    QWidget* picture_;
    std::function<bool()> recording_;
    QLabel* band_;
    QLabel* mark_;
    QString pictureDescription_;
};
