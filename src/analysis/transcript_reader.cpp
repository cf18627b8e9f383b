#include "analysis/transcript_reader.h"

#include "analysis/millis.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

bool isHeaderLine(QStringView line) {
    return line == QLatin1String("#") || line.startsWith(QLatin1String("# started_at ")) ||
           line.startsWith(QLatin1String("# video_name "));
}

} // namespace

std::optional<WrittenStamp> writtenStamp(QStringView line) {
    // By hand: a regular expression costs too much on long transcripts.
    const auto digit = [&](qsizetype at) {
        return at < line.size() && line[at].unicode() >= '0' && line[at].unicode() <= '9';
    };
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    qsizetype i = 0;
    while (i < line.size() && line[i] == QLatin1Char(' '))
        ++i;
    const qsizetype start = i;
    if (i < line.size() && line[i] == QLatin1Char('-'))
        ++i;
    const qsizetype digits = i;
    while (digit(i))
        ++i;
    if (i == digits || i >= line.size() || line[i] != QLatin1Char('.') || !digit(i + 1) ||
        !digit(i + 2))
        return std::nullopt;
    i += 3;
    static constexpr char kLayout[] = "  99:99:99  ";
    if (line.size() - i < 12)
        return std::nullopt;
    for (int k = 0; k < 12; ++k) {
        if (kLayout[k] == '9' ? !digit(i + k) : line[i + k] != QLatin1Char(kLayout[k]))
            return std::nullopt;
    }
    return WrittenStamp{line.mid(start, i - start), line.mid(i + 2, 8), line.mid(i + 12)};
}

std::optional<QByteArray> readWholeFile(const QString& path, Failure* failure) {
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        *failure = {path, 0,
                    QFileInfo::exists(path)
                        ? QStringLiteral("cannot read: %1")
                              .arg(QFileInfo(path).isDir() ? QStringLiteral("is a folder")
                                                           : file.errorString())
                        : QStringLiteral("no such file")};
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *failure = {path, 0, QStringLiteral("cannot read: %1").arg(file.errorString())};
        return std::nullopt;
    }
    return bytes;
}

std::optional<ProgramFileName> programFileName(const QString& fileName) {
    static const QRegularExpression name(
        QStringLiteral("^(?:(?:unsaved|discarded)--)?"
                       "(\\d{4}\\.\\d\\d\\.\\d\\d-\\d\\d\\.\\d\\d\\.\\d\\d)--(.+?)"
                       "(?:--checkpoint-at--\\d\\d\\.\\d\\d\\.\\d\\d"
                       "|--revision-at--\\d{4}\\.\\d\\d\\.\\d\\d-\\d\\d\\.\\d\\d\\.\\d\\d)?"
                       "(?:--unsaved|--discarded)?(?:--\\d+)?\\.txt$"));
    const QRegularExpressionMatch m = name.match(fileName);
    if (!m.hasMatch())
        return std::nullopt;
    return ProgramFileName{m.captured(1), m.captured(2)};
}

std::optional<StampedLine> stampedLine(QStringView line, int lineNo, bool* outOfRange) {
    const std::optional<WrittenStamp> stamp = writtenStamp(line);
    if (!stamp)
        return std::nullopt;
    const std::optional<qint64> ms = parseMillis(stamp->time);
    if (!ms) {
        if (outOfRange)
            *outOfRange = true;
        return std::nullopt;
    }
    return StampedLine{lineNo, *ms, stamp->clock.toString(), stamp->entry.toString()};
}

std::optional<Transcript> parseTranscript(const QString& file, const QByteArray& bytes,
                                          Failure* failure) {
    Transcript t;
    t.file = file;
    const QString text = QString::fromUtf8(bytes);
    bool videoFromHeader = false;
    int lineNo = 0;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), pos);
        if (end < 0)
            end = text.size();
        QStringView line = QStringView(text).mid(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        bool outOfRange = false;
        std::optional<StampedLine> stamp = stampedLine(line, lineNo, &outOfRange);
        if (outOfRange) {
            *failure = {file, lineNo,
                        QStringLiteral("time out of range: %1").arg(line.trimmed().split(u' ')[0])};
            return std::nullopt;
        }
        if (!stamp) {
            if (t.stamps.empty() && isHeaderLine(line)) {
                if (line.startsWith(QLatin1String("# video_name "))) {
                    t.video = line.mid(13).toString();
                    videoFromHeader = true;
                }
            } else {
                t.notes.push_back({lineNo, line.toString()});
            }
            continue;
        }
        const qint64 ms = stamp->ms;
        if (!t.stamps.empty() && ms < t.stamps.back().ms)
            t.warnings << QStringLiteral("%1:%2: time goes back from %3 to %4")
                              .arg(file)
                              .arg(lineNo)
                              .arg(formatMillis(t.stamps.back().ms), formatMillis(ms));
        t.firstMs = t.stamps.empty() ? ms : qMin(t.firstMs, ms);
        t.lastMs = t.stamps.empty() ? ms : qMax(t.lastMs, ms);
        t.stamps.push_back(std::move(*stamp));
    }
    if (t.stamps.empty()) {
        *failure = {file, 0, QStringLiteral("not a transcript: no time-stamped line")};
        return std::nullopt;
    }
    if (!videoFromHeader) {
        if (const auto named = programFileName(QFileInfo(file).fileName()))
            t.video = named->namePart;
    }
    return t;
}

std::optional<Transcript> readTranscript(const QString& path, Failure* failure) {
    const std::optional<QByteArray> bytes = readWholeFile(path, failure);
    if (!bytes)
        return std::nullopt;
    return parseTranscript(path, *bytes, failure);
}

void applyLag(Transcript& t, qint64 lag) {
    for (StampedLine& s : t.stamps)
        s.ms -= lag;
    t.firstMs -= lag;
    t.lastMs -= lag;
}
