#include "session/transcript_view.h"

#include "session/transcript.h"
#include "transport/goto_controller.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTextBlock>

TranscriptView::TranscriptView(QWidget* parent) : QPlainTextEdit(parent) {}

void TranscriptView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (const auto t = lineTime(cursorForPosition(event->position().toPoint()).block())) {
            event->accept();
            goToTime(*t);
            return;
        }
    }
    QPlainTextEdit::mouseDoubleClickEvent(event);
}

void TranscriptView::keyPressEvent(QKeyEvent* event) {
    const bool ctrlReturn = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
                            (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
    if (!ctrlReturn) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    event->accept();
    if (const auto t = lineTime(textCursor().block()))
        goToTime(*t);
}
