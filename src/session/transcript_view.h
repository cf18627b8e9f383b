#pragma once

#include <QPlainTextEdit>

// The transcript view: a plain text editor in which the observer may also
// type. Double-clicking a time-stamped line, or Ctrl+Return with the cursor
// in one, goes to that line's time as the go-to field does (the video stops
// there and the keys go back to the player view); it selects and edits
// nothing. On any other line both act as in a plain editor, except that
// Ctrl+Return does nothing.
//
// Thread rules: user-interface thread only.
class TranscriptView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TranscriptView(QWidget* parent = nullptr);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
