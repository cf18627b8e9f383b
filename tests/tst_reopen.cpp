// Reopening a transcript: where a new line goes, which files are transcripts
// and what they hold, the revision's name and header, and where the video is
// looked for.
#include "analysis/transcript_reader.h"
#include "session/line_order.h"
#include "session/line_times.h"
#include "storage/revision.h"
#include "transport/find_video.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

#include <sys/stat.h>

namespace {

// "1 . 2" is a timed line at 1 s, an untimed line, a timed line at 2 s.
std::vector<std::optional<double>> times(const QString& lines) {
    std::vector<std::optional<double>> out;
    for (const QString& w : lines.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        out.push_back(w == QLatin1String(".") ? std::nullopt : std::optional(w.toDouble()));
    return out;
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

const QString kHeader = QStringLiteral("#\n# started_at Saturday, December 5, 2026 6:14:46 PM\n"
                                       "# video_name lecture3\n");

} // namespace

class Reopen : public QObject {
    Q_OBJECT

private slots:
    // Lines ("1 . 2": timed at 1 s, a note, timed at 2 s), the new line's
    // time, where it goes: after the last timed line not after it and the
    // notes below that line; equal times after the equal ones.
    void insertionRule() {
        const std::tuple<const char*, double, std::size_t> rows[] = {
            {"", 1.0, 0},    {"1 2 3", 4.0, 3},   {"1 2 3", 2.5, 2},     {"1 2 2 3", 2.0, 3},
            {"1 2", 0.5, 0}, {". . 1 2", 0.5, 2}, {"1 . . 2", 1.5, 3},   {"1 2 . .", 3.0, 4},
            {". .", 1.0, 2}, {"1 4 2 5", 3.0, 3}, {"2 . 2 . 3", 2.0, 4}, {"-1 . 0", -0.5, 2}};
        for (const auto& [lines, t, index] : rows) {
            const auto v = times(QString::fromLatin1(lines));
            QCOMPARE(insertionIndex(
                         v.size(), [&](std::size_t i) { return v[i]; }, t),
                     index);
        }
    }

    // The marked line: the last timed line not after the playhead.
    void playheadLine() {
        const std::tuple<const char*, double, long> rows[] = {
            {"", 1.0, -1},       {"1 2 3", 0.5, -1},  {"1 2 3", 2.0, 1},
            {"1 2 3", 9.0, 2},   {"1 . . 2", 1.5, 0}, {". 1 2 2 .", 2.0, 3},
            {"1 4 2 5", 3.0, 2}, {"5 1 4 2", 4.5, 3}, {"3 -1 .", -1.0, 1}};
        for (const auto& [lines, t, line] : rows)
            QCOMPARE(PlayheadLines(times(lines)).lineAt(t), line);
    }

    // The document's kept line times place lines as the rule does, through
    // random appends, insertions by time, notes and deletions of a long text.
    void keptTimesFollowEdits() {
        QCOMPARE(writtenTime(u"   12.35  18:15:02  a"), std::optional(12.35));
        QCOMPARE(writtenTime(u"   -1.00  18:15:02  "), std::optional(-1.0));
        for (const char* no :
             {"   12.35  18:15:0  a", "   12.35  18:15:02 a", "   12.35  18:15:02"})
            QVERIFY2(!writtenTime(QString::fromLatin1(no)), no);
        QTextDocument doc;
        LineTimes& kept = lineTimesOf(&doc);
        QString start;
        for (int i = 0; i < 800; ++i)
            start += QStringLiteral("%1  10:00:00  k\n").arg(i / 100.0, 8, 'f', 2) +
                     QStringLiteral("note\n").repeated(i * 7 % 13);
        QTextCursor(&doc).insertText(start);
        QRandomGenerator random(7);
        for (int step = 0; step < 400; ++step) {
            std::vector<std::optional<double>> now;
            for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
                now.push_back(writtenTime(b.text()));
            if (doc.lastBlock().text().isEmpty())
                now.pop_back();
            double t = 0;
            int expected = 0;
            for (int look = 0; look < 4; ++look) {
                t = random.bounded(100) / 10.0;
                expected = int(insertionIndex(
                    now.size(), [&](std::size_t i) { return now[i]; }, t));
                QCOMPARE(kept.insertionLine(t), expected);
            }
            QTextCursor c(&doc);
            const int kind = random.bounded(4);
            if (kind == 3 && doc.blockCount() > 2) {
                c.setPosition(
                    doc.findBlockByNumber(random.bounded(doc.blockCount() - 1)).position());
                c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor,
                               random.bounded(1, 200));
                c.removeSelectedText();
                continue;
            }
            const QTextBlock at =
                doc.findBlockByNumber(kind == 2 ? random.bounded(doc.blockCount()) : expected);
            c.setPosition(at.isValid() ? at.position() : doc.characterCount() - 1);
            c.insertText(kind == 2 ? QStringLiteral("note\n")
                                   : QStringLiteral("%1  10:00:00  k\n").arg(t, 8, 'f', 2));
        }
    }

    // Names the program gives its files (and gave its journals), with the
    // stamp and name part they tell; other names tell nothing.
    void programNames() {
        const QString s = QStringLiteral("2026.12.05-18.14.46");
        const std::pair<QString, QString> rows[] = {
            {s + "--lecture3.txt", "lecture3"},
            {s + "--lecture3--checkpoint-at--18.40.05.txt", "lecture3"},
            {s + "--a--b--revision-at--2026.12.06-09.00.00--3.txt", "a--b"},
            {"discarded--" + s + "--lecture3--2.txt", "lecture3"},
            {s + "--lecture3--unsaved--2.txt", "lecture3"},
            {s + "--lecture3--discarded.txt", "lecture3"},
            {"notes.txt", ""},
            {s + "--.txt", ""},
            {s + "--lecture3.mp4", ""}};
        for (const auto& [name, part] : rows) {
            const auto named = programFileName(name);
            QCOMPARE(named ? named->loadStamp + " " + named->namePart : QString(),
                     part.isEmpty() ? QString() : s + " " + part);
        }
    }

    // What a reopened file holds: header, video name, lines, stamp and name part.
    void parse() {
        const QDateTime fallback(QDate(2026, 1, 2), QTime(3, 4, 5));
        const QString body = QStringLiteral("   12.35  18:15:02  a\nnote\n");
        struct Row {
            QString name, text, videoName, lines, stamp, part;
            bool headerKept;
        } rows[] = {
            {"2026.12.05-18.14.46--lecture3.txt", kHeader + body, "lecture3", body,
             "2026.12.05-18.14.46", "lecture3", true},
            {"renamed.txt", kHeader + body, "lecture3", body, "2026.01.02-03.04.05", "lecture3",
             true},
            {"2026.12.05-18.14.46--lecture3--revision-at--2026.12.06-09.00.00.txt",
             kHeader + "# reopened_from x.txt\n" + body, "lecture3", body, "2026.12.05-18.14.46",
             "lecture3", true},
            {"2026.12.05-18.14.46--trial--checkpoint-at--18.40.05.txt", body, "trial", body,
             "2026.12.05-18.14.46", "trial", false},
        };
        for (const Row& r : rows) {
            const auto t = transcriptToReopen(r.name, r.text, fallback);
            QVERIFY2(t, qPrintable(r.name));
            QCOMPARE(t->videoName, r.videoName);
            QCOMPARE(t->lines, r.lines);
            QCOMPARE(t->loadStamp, r.stamp);
            QCOMPARE(t->namePart, r.part);
            QCOMPARE(t->header == kHeader, r.headerKept);
        }
        QVERIFY(!transcriptToReopen("notes.txt", body, fallback));
        QVERIFY(!transcriptToReopen("notes.txt", "#\n# started_at x\n", fallback));
    }

    // The revision's header: the original's three lines and the file
    // reopened from, on one line whatever its name holds.
    void revisionHeaderLine() {
        QCOMPARE(revisionHeader(kHeader, "a\nb.txt"), kHeader + "# reopened_from a b.txt\n");
    }

    // Bad files give a reason, never a transcript; good ones give their lines.
    void readFiles() {
        QTemporaryDir dir;
        const QString d = dir.path() + "/";
        write(d + "good.txt", (kHeader + "   1.00  10:00:00  a\n").toUtf8());
        write(d + "binary.txt", kHeader.toUtf8() + QByteArray("a\0b", 3));
        write(d + "latin1.txt", kHeader.toUtf8() + "caf\xe9\n");
        write(d + "long.txt", kHeader.toUtf8() + QByteArray(kMaxTranscriptLineBytes + 1, 'x'));
        write(d + "plain.txt", "   1.00  10:00:00  a\n");
        QFile huge(d + "huge.txt");
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(2) << 30)); // sparse
        huge.close();
        QDir(d).mkdir("folder.txt");
        QCOMPARE(::mkfifo(QFile::encodeName(d + "pipe.txt").constData(), 0600), 0);
        for (const char* bad : {"binary.txt", "latin1.txt", "long.txt", "plain.txt", "huge.txt",
                                "folder.txt", "pipe.txt", "missing.txt"}) {
            const TranscriptRead r = readTranscriptFile(d + bad);
            QVERIFY2(!r.transcript && !r.problem.isEmpty(), bad);
        }
        const TranscriptRead good = readTranscriptFile(d + "good.txt");
        QVERIFY(good.transcript);
        QCOMPARE(good.transcript->lines, QStringLiteral("   1.00  10:00:00  a\n"));
        QCOMPARE(good.transcript->path, d + "good.txt");
        QVERIFY(looksLikeTranscript(d + "good.txt") && !looksLikeTranscript(d + "plain.txt") &&
                !looksLikeTranscript(d + "pipe.txt"));
    }

    // The video is looked for in the folders in turn, any listed extension in
    // either case; a name never leads out of them.
    void videoLookup() {
        QTemporaryDir dir;
        const QString a = dir.path() + "/a", b = dir.path() + "/b";
        QDir().mkpath(a);
        QDir().mkpath(b);
        write(b + "/clip.MOV", "x");
        write(a + "/clip.txt", "x");
        write(dir.path() + "/up.mp4", "x");
        QDir().mkpath(a + "/dir.mp4");
        QCOMPARE(findVideo("clip", {a, b}), b + "/clip.MOV");
        write(a + "/clip.mkv", "x");
        QCOMPARE(findVideo("clip", {a, b}), a + "/clip.mkv");
        QCOMPARE(findVideo("dir", {a}), QString());
        QCOMPARE(findVideo("../up", {a}), QString());
        QCOMPARE(findVideo("", {a}), QString());
    }
};

QTEST_MAIN(Reopen)
#include "tst_reopen.moc"
