#include "session/line_edits.h"

#include "session/format.h"
#include "session/transcript.h"

#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>

namespace {

// Selects the blocks first to last with the line feed that ends them (or, for
// a last line without one, the line feed before it).
void selectLines(QTextCursor& cursor, const QTextBlock& first, const QTextBlock& last) {
    const QTextBlock after = last.next();
    if (after.isValid()) {
        cursor.setPosition(first.position());
        cursor.setPosition(after.position(), QTextCursor::KeepAnchor);
    } else {
        cursor.setPosition(first.previous().isValid() ? first.position() - 1 : first.position());
        cursor.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
    }
}

} // namespace

bool deleteSelectedLines(QPlainTextEdit* view) {
    const QTextCursor at = view->textCursor();
    QTextDocument* doc = view->document();
    const QTextBlock first = doc->findBlock(at.selectionStart());
    QTextBlock last = doc->findBlock(at.selectionEnd());
    // A selection that ends at a line's start does not take that line.
    if (at.hasSelection() && at.selectionEnd() == last.position() && last != first)
        last = last.previous();
    if (first == last && first.length() <= 1 && !first.next().isValid())
        return false; // the empty end of the text
    QTextCursor cut(doc);
    cut.beginEditBlock();
    selectLines(cut, first, last);
    cut.removeSelectedText();
    cut.endEditBlock();
    return true;
}

bool setLineTime(QPlainTextEdit* view, double seconds) {
    const QTextBlock line = view->textCursor().block();
    if (!lineTime(line))
        return false;
    static const QRegularExpression timeField(QStringLiteral("^ *-?\\d+\\.\\d\\d"));
    QString text = line.text();
    text.replace(timeField, formatFixed(seconds, 2, 8));
    QTextDocument* doc = view->document();
    QTextCursor edit(doc);
    edit.beginEditBlock();
    selectLines(edit, line, line);
    edit.removeSelectedText();
    const int to = insertionLine(seconds);
    const QTextBlock target = doc->findBlockByNumber(to);
    if (target.isValid() && (target.next().isValid() || !target.text().isEmpty())) {
        edit.setPosition(target.position());
        edit.insertText(text + QLatin1Char('\n'));
        edit.movePosition(QTextCursor::PreviousBlock);
    } else {
        // At the end: after a line feed, or after a last line without one.
        edit.movePosition(QTextCursor::End);
        if (!edit.block().text().isEmpty())
            edit.insertText(QStringLiteral("\n"));
        edit.insertText(text + QLatin1Char('\n'));
        edit.movePosition(QTextCursor::PreviousBlock);
    }
    edit.endEditBlock();
    edit.movePosition(QTextCursor::StartOfBlock);
    stampLine(edit.block(), seconds);
    view->setTextCursor(edit);
    return true;
}
