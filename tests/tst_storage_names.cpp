// File names, name parts and headers of transcript, checkpoint and journal
// files, as pure values.
#include "platform/date_format.h"
#include "session/text_units.h"
#include "storage/checkpoint.h"
#include "storage/file_writer.h"
#include "storage/transcript_file.h"

#include <QTest>

class StorageNames : public QObject {
    Q_OBJECT
    // 18:14:46 UTC on Saturday, 5 December 2026.
    const QDateTime instant{QDate(2026, 12, 5), QTime(18, 14, 46), Qt::UTC};

private slots:
    void datesInLocalesAndZones_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("stamp");
        QTest::addColumn<QString>("header");
        QTest::newRow("en_US, UTC") << "en_US"
                                    << "UTC"
                                    << "2026.12.05-18.14.46"
                                    << "Saturday, December 5, 2026 6:14:46 PM";
        QTest::newRow("en_US, New York") << "en_US"
                                         << "America/New_York"
                                         << "2026.12.05-13.14.46"
                                         << "Saturday, December 5, 2026 1:14:46 PM";
        QTest::newRow("de_DE, Berlin") << "de_DE"
                                       << "Europe/Berlin"
                                       << "2026.12.05-19.14.46"
                                       << "Samstag, Dezember 5, 2026 7:14:46 PM";
        QTest::newRow("de_DE, Auckland (next day)") << "de_DE"
                                                    << "Pacific/Auckland"
                                                    << "2026.12.06-07.14.46"
                                                    << "Sonntag, Dezember 6, 2026 7:14:46 AM";
    }
    void datesInLocalesAndZones() {
        QFETCH(QString, locale);
        QFETCH(QString, zone);
        QFETCH(QString, stamp);
        QFETCH(QString, header);
        QCOMPARE(formatDate(instant, kLoadStampPattern, locale, zone), stamp);
        QCOMPARE(formatDate(instant, kHeaderDatePattern, locale, zone), header);
        QCOMPARE(transcriptFileName(stamp, QStringLiteral("lecture3")),
                 stamp + QStringLiteral("--lecture3.txt"));
    }

    void namePartAndVideoName_data() {
        QTest::addColumn<QString>("vidBasename");
        QTest::addColumn<QString>("namePart");
        QTest::addColumn<QString>("videoName");
        QTest::newRow("plain") << "lecture3"
                               << "lecture3"
                               << "lecture3";
        QTest::newRow("dotted") << "trial.01"
                                << "trial"
                                << "trial.01";
        QTest::newRow("two dots") << "a.b.c"
                                  << "a.b"
                                  << "a.b.c";
        QTest::newRow("stopwatch") << "stopwatch"
                                   << "stopwatch"
                                   << "stopwatch";
        QTest::newRow("path") << "/videos/day 1/clip.mov"
                              << "clip"
                              << "clip.mov";
        QTest::newRow("trailing dot") << "clip."
                                      << "clip"
                                      << "clip.";
        QTest::newRow("leading dot") << ".hidden"
                                     << ".hidden"
                                     << ".hidden";
        QTest::newRow("blanks and accents") << "Séance 2"
                                            << "Séance 2"
                                            << "Séance 2";
    }
    void namePartAndVideoName() {
        QFETCH(QString, vidBasename);
        QFETCH(QString, namePart);
        QFETCH(QString, videoName);
        QCOMPARE(namePartOf(vidBasename), namePart);
        QCOMPARE(videoNameOf(vidBasename, true), videoName);
        QCOMPARE(videoNameOf(vidBasename, false), QStringLiteral("no-video"));
    }

    void workedExamples() {
        const QString stamp = QStringLiteral("2026.12.05-18.14.46");
        QCOMPARE(transcriptFileName(stamp, namePartOf(QStringLiteral("lecture3"))),
                 QStringLiteral("2026.12.05-18.14.46--lecture3.txt"));
        QCOMPARE(checkpointFileName(stamp, QStringLiteral("lecture3"), QStringLiteral("18.40.05")),
                 QStringLiteral("2026.12.05-18.14.46--lecture3--checkpoint-at--18.40.05.txt"));
        QCOMPARE(transcriptHeader(QStringLiteral("Saturday, December 5, 2026 6:14:46 PM"),
                                  QStringLiteral("lecture3")),
                 QStringLiteral("#\n# started_at Saturday, December 5, 2026 6:14:46 PM\n"
                                "# video_name lecture3\n"));
    }

    void takenNamesSortBesideTheFirst() {
        QCOMPARE(numberedFileName(QStringLiteral("s--stopwatch"), 1),
                 QStringLiteral("s--stopwatch.txt"));
        QCOMPARE(numberedFileName(QStringLiteral("s--stopwatch"), 2),
                 QStringLiteral("s--stopwatch--2.txt"));
        QCOMPARE(numberedFileName(QStringLiteral("s--stopwatch"), 12),
                 QStringLiteral("s--stopwatch--12.txt"));
    }

    // A base name that fills a Linux file name would make every save fail.
    void longNamesFitAFileName() {
        const QString stamp = QStringLiteral("2026.12.05-18.14.46");
        const QString accented =
            QString(250, QChar(u'e')).replace(QLatin1Char('e'), QStringLiteral("e\u0301"));
        for (const QString& name : {QString(251, QLatin1Char('x')), accented}) {
            const QString transcript = transcriptFileName(stamp, name);
            const QString checkpoint = checkpointFileName(stamp, name, QStringLiteral("18.40.05"));
            QVERIFY(transcript.startsWith(stamp + QStringLiteral("--") + name.left(60)));
            QVERIFY(checkpoint.toUtf8().size() <= 255);
            QVERIFY(numberedFileName(transcriptStem(stamp, name) + QStringLiteral("--unsaved"), 999)
                        .toUtf8()
                        .size() <= 255);
            // Cut between user-perceived characters, never inside one.
            const QString kept = transcript.mid(stamp.size() + 2).chopped(4);
            QVERIFY(name.startsWith(kept));
            QCOMPARE(graphemeCount(kept) * (name == accented ? 2 : 1), kept.size());
        }
        QCOMPARE(transcriptFileName(stamp, QString(100, QLatin1Char('x'))).size(),
                 19 + 2 + 100 + 4);
    }
};

QTEST_GUILESS_MAIN(StorageNames)
#include "tst_storage_names.moc"
