#include "storage/transcript_file.h"

#include "platform/alert.h"
#include "platform/date_format.h"
#include "session/state.h"
#include "session/text_units.h"
#include "storage/checkpoint.h"
#include "storage/file_writer.h"
#include "storage/journal.h"
#include "storage/revision.h"
#include "storage/revision_file.h"
#include "storage/storage_folder.h"
#include "transport/player_view.h"

#include <QPlainTextEdit>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// A Linux file name holds at most 255 bytes; this much is kept free behind a
// stem for "--checkpoint-at--HH.mm.ss", the journal's prefix, "--<n>" and ".txt".
constexpr qsizetype kMaxFileNameBytes = 255;
constexpr qsizetype kSuffixReserveBytes = 64;

// The last component of path, with line breaks and other control characters
// made spaces: a video named with a line feed must not add a line to the
// header or split a file name across lines in a listing.
QString lastComponent(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    QString last = slash < 0 || path.size() == 1 ? path : path.mid(slash + 1);
    for (QChar& c : last) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    return last;
}

// The longest prefix of text, ending at a grapheme boundary, of at most
// maxBytes bytes in UTF-8.
QString utf8Prefix(const QString& text, qsizetype maxBytes) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype fits = 0;
    for (qsizetype end = finder.toNextBoundary(); end > 0; end = finder.toNextBoundary()) {
        if (text.left(end).toUtf8().size() > maxBytes)
            break;
        fits = end;
    }
    return text.left(fits);
}

bool playerHasItem() {
    const AVPlayerViewAcceptsDrop* view = savedState().playerView;
    return view && view->player() && view->player()->hasCurrentItem();
}

void clearTranscript() {
    QPlainTextEdit* view = savedState().script;
    if (!view)
        return;
    // Clearing drops the undo history too: a saved session cannot be brought
    // back into the next one.
    view->clear();
}

} // namespace

QString namePartOf(const QString& vidBasename) {
    QString last = lastComponent(vidBasename);
    const qsizetype dot = last.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        last.truncate(dot);
    return last;
}

QString videoNameOf(const QString& vidBasename, bool hasItem) {
    return hasItem ? lastComponent(vidBasename) : QStringLiteral("no-video");
}

QString transcriptStem(const QString& loadStamp, const QString& namePart) {
    const QString head = loadStamp + QStringLiteral("--");
    const qsizetype budget = kMaxFileNameBytes - kSuffixReserveBytes - head.toUtf8().size();
    const QString name =
        namePart.toUtf8().size() <= budget ? namePart : utf8Prefix(namePart, qMax(budget, 0));
    return head + name;
}

QString transcriptFileName(const QString& loadStamp, const QString& namePart) {
    return transcriptStem(loadStamp, namePart) + QStringLiteral(".txt");
}

QString transcriptHeader(const QString& headerDate, const QString& videoName) {
    return QStringLiteral("#\n# started_at ") + headerDate + QStringLiteral("\n# video_name ") +
           videoName + QLatin1Char('\n');
}

SessionFiles sessionFiles(const QDateTime& loadTime, const QString& vidBasename, bool hasItem) {
    return {transcriptStem(formatDate(loadTime, kLoadStampPattern), namePartOf(vidBasename)),
            transcriptHeader(formatDate(loadTime, kHeaderDatePattern),
                             videoNameOf(vidBasename, hasItem))};
}

SessionFiles currentSessionFiles() {
    const stateDef& state = savedState();
    return sessionFiles(state.loadTime, state.vidBasename, playerHasItem());
}

QString transcriptText() {
    const QPlainTextEdit* view = savedState().script;
    if (!view)
        return QString();
    // The raw text keeps every character as typed (no-break spaces included);
    // only the block separators become line feeds.
    QString text = view->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

QString dataSaveText() {
    return QStringLiteral("There was a problem while writing a file.\n"
                          "Short term, consider saving your work\n"
                          "by printing or by copy & paste.\n\n"
                          "After that, test that files can be created\n"
                          "in the Documents folder.");
}

bool saveAndClearScript() {
    // A reopened session ends in a revision, never in the file it came from.
    if (reopenedSession())
        return saveRevisionAndClear();
    const SessionFiles names = currentSessionFiles();
    const QString text = transcriptText();
    const QString folder = storageURL().toLocalFile();

    const bool writes = graphemeCount(text, 3) > 2;
    bool durable = false;
    // The new name must be on disk (its folder synced) before the journal goes.
    if (writes && writeNewFile(folder, names.stem, QStringLiteral(".txt"),
                               (names.header + text).toUtf8(), &durable)
                      .isEmpty()) {
        showAlert(QStringLiteral("Data Save"), dataSaveText());
        return false;
    }
    clearTranscript();
    settleJournals(writes ? text : QString(), durable);
    forgetCheckpoints();
    countSuccessfulSave();
    return true;
}

namespace {
int saveCount = 0;
} // namespace

int successfulSaves() {
    return saveCount;
}

void countSuccessfulSave() {
    ++saveCount;
}
