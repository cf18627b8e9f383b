#pragma once

#include <QLineEdit>

// The go-to field: the observer types a time in seconds and leaves the field
// (Return, Enter, Tab or a click elsewhere); the video stops there. It takes
// the keyboard focus only when clicked.
//
// Thread rules: user-interface thread only.
class gotoController : public QLineEdit {
    Q_OBJECT
public:
    explicit gotoController(QWidget* parent = nullptr);

    // Editing ended: stop the player, leave the caret at the end of the text
    // (which stays as typed), give the keys back to the player view and seek
    // to the text (a text that is no time leaves the playhead where it is).
    void textDidEndEditing();

protected:
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool editing_ = false;
};

// A go-to from elsewhere (a transcript line): stops the player, gives the
// keys back to the player view and seeks to seconds, as a finished go-to does.
void goToTime(double seconds);
