#include "storage/revision.h"

#include "analysis/transcript_reader.h"
#include "platform/date_format.h"
#include "storage/transcript_file.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <sys/stat.h>

namespace {

const QLatin1String kStartedAt("# started_at ");
const QLatin1String kVideoName("# video_name ");
const QLatin1String kReopenedFrom("# reopened_from ");
const QLatin1String kRevisionAt("--revision-at--");

// The header's lines, when text begins with them; each ends at its line feed.
struct HeaderLines {
    qsizetype end = 0; // where the transcript text begins
    QString videoName;
};

std::optional<HeaderLines> headerLines(const QString& text) {
    if (!text.startsWith(QLatin1String("#\n") + kStartedAt))
        return std::nullopt;
    const qsizetype second = text.indexOf(QLatin1Char('\n'), 2);
    if (second < 0 || !QStringView(text).mid(second + 1).startsWith(kVideoName))
        return std::nullopt;
    qsizetype third = text.indexOf(QLatin1Char('\n'), second + 1);
    const qsizetype nameAt = second + 1 + kVideoName.size();
    HeaderLines lines;
    lines.videoName = text.mid(nameAt, (third < 0 ? text.size() : third) - nameAt);
    lines.end = third < 0 ? text.size() : third + 1;
    return lines;
}

} // namespace

bool beginsWithHeader(const QString& text) {
    return headerLines(text).has_value();
}

std::optional<ReopenedTranscript> transcriptToReopen(const QString& fileName, const QString& text,
                                                     const QDateTime& fallbackTime) {
    const std::optional<ProgramFileName> named = programFileName(fileName);
    const std::optional<HeaderLines> header = headerLines(text);
    if (!named && !header)
        return std::nullopt;
    ReopenedTranscript t;
    if (header) {
        t.header = text.left(header->end);
        if (!t.header.endsWith(QLatin1Char('\n')))
            t.header += QLatin1Char('\n');
        t.videoName = header->videoName;
        qsizetype start = header->end;
        // A revision names the file it came from under the header.
        if (QStringView(text).mid(start).startsWith(kReopenedFrom)) {
            const qsizetype end = text.indexOf(QLatin1Char('\n'), start);
            start = end < 0 ? text.size() : end + 1;
        }
        t.lines = text.mid(start);
    } else {
        t.lines = text;
    }
    if (named) {
        t.loadStamp = named->loadStamp;
        t.namePart = named->namePart;
    } else {
        t.loadStamp = formatDate(fallbackTime, kLoadStampPattern);
        t.namePart = namePartOf(t.videoName);
    }
    if (!header) {
        // A checkpoint: the header its session's transcript has.
        const QDateTime loaded =
            QDateTime::fromString(t.loadStamp, QStringLiteral("yyyy.MM.dd-HH.mm.ss"));
        t.videoName = t.namePart;
        t.header = transcriptHeader(
            formatDate(loaded.isValid() ? loaded : fallbackTime, kHeaderDatePattern), t.videoName);
    }
    return t;
}

TranscriptRead readTranscriptFile(const QString& path) {
    TranscriptRead read;
    QFile file(path);
    const QFileInfo info(path);
    if (info.isDir()) {
        read.problem = QStringLiteral("It is a folder, not a transcript file.");
        return read;
    }
    if (!info.exists()) {
        read.problem = QStringLiteral("The file was not found.");
        return read;
    }
    // A pipe or a device would hold the open (or the read) for ever.
    if (!info.isFile()) {
        read.problem = QStringLiteral("It is not a regular file.");
        return read;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        read.problem = info.exists() ? QStringLiteral("The file could not be read.")
                                     : QStringLiteral("The file was not found.");
        return read;
    }
    struct stat st {};
    if (::fstat(file.handle(), &st) != 0 || !S_ISREG(st.st_mode)) {
        read.problem = QStringLiteral("It is not a regular file.");
        return read;
    }
    if (st.st_size > kMaxTranscriptBytes) {
        read.problem = QStringLiteral("It is too large to be a transcript.");
        return read;
    }
    const QByteArray bytes = file.read(kMaxTranscriptBytes + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > kMaxTranscriptBytes) {
        read.problem = QStringLiteral("The file could not be read whole.");
        return read;
    }
    if (bytes.contains('\0')) {
        read.problem = QStringLiteral("It is not text.");
        return read;
    }
    for (qsizetype start = 0; start < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        if (end - start > kMaxTranscriptLineBytes) {
            read.problem = QStringLiteral("It holds a line too long for a transcript.");
            return read;
        }
        start = end + 1;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (utf8.hasError()) {
        read.problem = QStringLiteral("It is not UTF-8 text.");
        return read;
    }
    read.transcript = transcriptToReopen(info.fileName(), text, info.lastModified());
    if (!read.transcript) {
        read.problem = QStringLiteral("It is not a transcript: it has no transcript header "
                                      "and not the name of a file this program writes.");
        return read;
    }
    read.transcript->path = info.absoluteFilePath();
    return read;
}

bool looksLikeTranscript(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    if (programFileName(info.fileName()))
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(15).startsWith("#\n# started_at ");
}

QString revisionStem(const QString& loadStamp, const QString& namePart, const QString& madeStamp) {
    return transcriptStem(loadStamp, namePart) + kRevisionAt + madeStamp;
}

QString revisionHeader(const QString& header, const QString& reopenedFromFileName) {
    // A line feed in the name would end the comment line early.
    QString name = reopenedFromFileName;
    name.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    return header + kReopenedFrom + name + QLatin1Char('\n');
}

namespace {
std::optional<ReopenedSession>& current() {
    static std::optional<ReopenedSession> session;
    return session;
}
} // namespace

ReopenedSession* reopenedSession() {
    return current() ? &*current() : nullptr;
}

void setReopenedSession(std::optional<ReopenedSession> session) {
    current() = std::move(session);
}
