#include "session/transcript.h"

#include "platform/date_format.h"
#include "session/format.h"
#include "session/line_times.h"
#include "session/state.h"
#include "transport/player_view.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace {

std::function<void(const QString&)>& listener() {
    static std::function<void(const QString&)> l;
    return l;
}

// Menlo where it is installed, else the first fixed-width family the system
// has, so that the columns of the transcript line up.
QFont transcriptFont() {
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        const QString system = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
        for (const QString& name : {QStringLiteral("Menlo"), QStringLiteral("DejaVu Sans Mono"),
                                    QStringLiteral("Liberation Mono"), system}) {
            if (installed.contains(name) && QFontDatabase::isFixedPitch(name))
                return name;
        }
        for (const QString& name : installed) {
            if (QFontDatabase::isFixedPitch(name))
                return name;
        }
        return system;
    }();
    QFont font(family);
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(14.0);
    return font;
}

QTextCharFormat lineFormat() {
    QTextCharFormat format;
    format.setFont(transcriptFont());
    format.setForeground(QColor::fromRgbF(0.7f, 0.3f, 0.3f, 0.9f));
    return format;
}

// The exact time of a recorded line, with the text it was recorded with: an
// edit of the line makes it the observer's, whose written time counts.
class StampedTime : public QTextBlockUserData {
public:
    StampedTime(double seconds, QString text) : seconds(seconds), text(std::move(text)) {}
    const double seconds;
    const QString text;
};

} // namespace

void stampLine(QTextBlock line, double seconds) {
    line.setUserData(new StampedTime(seconds, line.text()));
}

std::optional<double> lineTime(const QTextBlock& line) {
    if (!line.isValid())
        return std::nullopt;
    const QString text = line.text();
    if (auto* stamp = dynamic_cast<const StampedTime*>(line.userData());
        stamp && stamp->text == text)
        return stamp->seconds;
    return writtenTime(text);
}

namespace {
bool insertByTime = false;
} // namespace

void setTimeOrderedInsertion(bool on) {
    insertByTime = on;
}

bool timeOrderedInsertion() {
    return insertByTime;
}

void setTranscriptLines(const QString& text) {
    QPlainTextEdit* view = savedState().script;
    if (!view)
        return;
    const bool undo = view->isUndoRedoEnabled();
    view->setUndoRedoEnabled(false); // also drops the history
    view->clear();
    QTextCursor cursor(view->document());
    cursor.insertText(text, lineFormat());
    view->setUndoRedoEnabled(undo);
    view->moveCursor(QTextCursor::End);
}

namespace {
// The lines of the view, the empty block after a final line feed left out.
int lineCount(const QTextDocument* doc) {
    const int blocks = doc->blockCount();
    return doc->lastBlock().text().isEmpty() ? blocks - 1 : blocks;
}
} // namespace

std::optional<double> lastLineTime() {
    const QPlainTextEdit* view = savedState().script;
    if (!view)
        return std::nullopt;
    for (QTextBlock b = view->document()->lastBlock(); b.isValid(); b = b.previous()) {
        if (const auto t = lineTime(b))
            return t;
    }
    return std::nullopt;
}

int insertionLine(double t) {
    return lineTimesOf(savedState().script->document()).insertionLine(t);
}

void setTranscriptListener(std::function<void(const QString&)> l) {
    listener() = std::move(l);
}

void styleTranscript(QPlainTextEdit* view) {
    view->setFont(transcriptFont());
    // Recorded lines are data, not edits: an undo in the transcript must not
    // take them back (and a history of every append would grow all session).
    view->setUndoRedoEnabled(false);
    // The insertion point is drawn in the text colour.
    QPalette palette = view->palette();
    palette.setColor(QPalette::Text, QColor::fromRgbF(1.0f, 0.3f, 0.3f, 0.8f));
    view->setPalette(palette);
}

void recordNote(const QString& text, std::optional<double> stampedTime) {
    QPlainTextEdit* view = savedState().script;
    static const QTextCharFormat format = lineFormat();

    // Appending at the end would carry a cursor that stands there along with
    // the new text; keep the observer's cursor, selection and scroll position.
    const QTextCursor before = view->textCursor();
    const int anchor = before.anchor();
    const int position = before.position();
    QScrollBar* vBar = view->verticalScrollBar();
    const int vScroll = vBar->value();
    const int hScroll = view->horizontalScrollBar()->value();
    // A view that shows its last line follows the new lines; one scrolled up
    // for reading stays where it is.
    const bool following = vScroll >= vBar->maximum();

    QTextCursor end(view->document());
    end.movePosition(QTextCursor::End);
    // In a reopened session a timed line goes to its place by time.
    bool atEnd = true;
    if (insertByTime && stampedTime) {
        const int line = insertionLine(*stampedTime);
        if (line < lineCount(view->document())) {
            end.setPosition(view->document()->findBlockByNumber(line).position());
            atEnd = false;
        }
    }
    // A line typed by the observer without its line feed takes the new text
    // into its own line: that line is not the recorded one.
    const bool ownLine = end.atBlockStart();
    const int start = end.position();
    end.beginEditBlock();
    end.insertText(text + QLatin1Char('\n'), format);
    end.endEditBlock();
    if (stampedTime && ownLine) {
        QTextBlock line = view->document()->findBlock(start);
        line.setUserData(new StampedTime(*stampedTime, line.text()));
    }

    const QTextCursor after = view->textCursor();
    // A line put in above the cursor moves it along with its text, as it should.
    if (atEnd && (after.anchor() != anchor || after.position() != position)) {
        QTextCursor restored(view->document());
        restored.setPosition(anchor);
        restored.setPosition(position, QTextCursor::KeepAnchor);
        view->setTextCursor(restored);
        vBar->setValue(vScroll);
        view->horizontalScrollBar()->setValue(hScroll);
    }
    if (following && atEnd)
        vBar->setValue(vBar->maximum());

    if (listener())
        listener()(text);
}

void recordTimedNote(double t, const QString& txt) {
    Player* player = savedState().playerView ? savedState().playerView->player() : nullptr;
    if (t < 0.0 && player)
        t = player->currentTime();
    const QString line = timeStampedLine(t, clockText(), txt);
    recordNote(line, t);
    if (savedState().codeDisplay)
        savedState().codeDisplay->setText(line);
}
