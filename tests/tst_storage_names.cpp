// Names of transcript, checkpoint and journal files, as pure values.
#include "session/text_units.h"
#include "storage/checkpoint.h"
#include "storage/file_writer.h"
#include "storage/transcript_file.h"

#include <QTest>

namespace {
void row(const char* name, const QString& base, const QString& namePart, const QString& video) {
    QTest::newRow(name) << base << namePart << video;
}
} // namespace

class StorageNames : public QObject {
    Q_OBJECT
    const QString stamp = QStringLiteral("2026.12.05-18.14.46");

private slots:
    // The file name drops the last extension; the header keeps the whole name.
    void namePartAndVideoName_data() {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("namePart");
        QTest::addColumn<QString>("videoName");
        row("plain", "lecture3", "lecture3", "lecture3");
        row("dotted", "trial.01", "trial", "trial.01");
        row("two dots", "a.b.c", "a.b", "a.b.c");
        row("path", "/videos/day 1/clip.mov", "clip", "clip.mov");
        row("trailing dot", "clip.", "clip", "clip.");
        row("leading dot", ".hidden", ".hidden", ".hidden");
    }
    void namePartAndVideoName() {
        QFETCH(QString, base);
        QFETCH(QString, namePart);
        QFETCH(QString, videoName);
        QCOMPARE(namePartOf(base), namePart);
        QCOMPARE(videoNameOf(base, true), videoName);
        QCOMPARE(videoNameOf(base, false), QStringLiteral("no-video"));
    }

    void workedExamples() {
        QCOMPARE(transcriptFileName(stamp, QStringLiteral("lecture3")),
                 QStringLiteral("2026.12.05-18.14.46--lecture3.txt"));
        QCOMPARE(checkpointFileName(stamp, QStringLiteral("lecture3"), QStringLiteral("18.40.05")),
                 QStringLiteral("2026.12.05-18.14.46--lecture3--checkpoint-at--18.40.05.txt"));
        QCOMPARE(transcriptFileName(stamp, QString(100, QLatin1Char('x'))).size(),
                 stamp.size() + 2 + 100 + 4);
    }

    // A base name that fills a Linux file name would make every save fail.
    void longNamesFitAFileName() {
        const QString accented =
            QString(250, QChar(u'e')).replace(QLatin1Char('e'), QStringLiteral("e\u0301"));
        for (const QString& name : {QString(251, QLatin1Char('x')), accented}) {
            const QString transcript = transcriptFileName(stamp, name);
            QVERIFY(transcript.startsWith(stamp + QStringLiteral("--") + name.left(60)));
            QVERIFY(checkpointFileName(stamp, name, QStringLiteral("18.40.05")).toUtf8().size() <=
                    255);
            QVERIFY(numberedFileName(transcriptStem(stamp, name) + QStringLiteral("--unsaved"), 999)
                        .toUtf8()
                        .size() <= 255);
            // Cut between user-perceived characters, never inside one.
            const QString kept = transcript.mid(stamp.size() + 2).chopped(4);
            QVERIFY(name.startsWith(kept));
            QCOMPARE(graphemeCount(kept) * (name == accented ? 2 : 1), kept.size());
        }
    }
};

QTEST_GUILESS_MAIN(StorageNames)
#include "tst_storage_names.moc"
