#include "session/key_entry_view.h"

#include "platform/key_translation.h"
#include "session/key_recording.h"
#include "session/state.h"
#include "transport/player_view.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

viewAcceptsKeyDown::viewAcceptsKeyDown(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::ClickFocus);
}

void viewAcceptsKeyDown::keyPressEvent(QKeyEvent* event) {
    if (isModifierOnlyKey(*event)) {
        event->ignore();
        return;
    }
    Player* player = savedState().playerView ? savedState().playerView->player() : nullptr;
    const KeyEvent key = keyEventFromQt(*event);
    recordKey(playheadAtKey(player, key), key);
    event->accept();
}

void viewAcceptsKeyDown::paintEvent(QPaintEvent*) {
    if (!hasFocus())
        return;
    // The focus ring covers the whole view.
    QPainter painter(this);
    QPen pen(palette().color(QPalette::Highlight));
    pen.setWidth(3);
    painter.setPen(pen);
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
}

void viewAcceptsKeyDown::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void viewAcceptsKeyDown::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}
