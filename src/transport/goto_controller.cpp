#include "transport/goto_controller.h"

#include "session/state.h"
#include "transport/player_view.h"
#include "transport/seek.h"

#include <QKeyEvent>

gotoController::gotoController(QWidget* parent) : QLineEdit(parent) {
    setFocusPolicy(Qt::ClickFocus);
}

void gotoController::textDidEndEditing() {
    // Only once per editing: moving the focus away below ends it too.
    editing_ = false;
    AVPlayerViewAcceptsDrop* view = savedState().playerView;
    if (view && view->player())
        view->player()->setRate(0.0f);
    const QString typed = text();
    deselect();
    setCursorPosition(int(typed.size()));
    if (view && view->window())
        view->setFocus(Qt::OtherFocusReason);
    seekToTime(typed);
}

bool gotoController::event(QEvent* e) {
    // Return, Enter and Tab end the editing here, whatever else could take them.
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab ||
            key == Qt::Key_Backtab) {
            e->accept();
            textDidEndEditing();
            return true;
        }
    }
    return QLineEdit::event(e);
}

void gotoController::focusInEvent(QFocusEvent* e) {
    editing_ = true;
    QLineEdit::focusInEvent(e);
}

void gotoController::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    // A popup (the field's own context menu) or a window switch does not end the editing.
    if (editing_ && e->reason() != Qt::PopupFocusReason &&
        e->reason() != Qt::ActiveWindowFocusReason)
        textDidEndEditing();
}

void goToTime(double seconds) {
    AVPlayerViewAcceptsDrop* view = savedState().playerView;
    if (view && view->player())
        view->player()->setRate(0.0f);
    if (view && view->window())
        view->setFocus(Qt::OtherFocusReason);
    seekToTime(seconds);
}
