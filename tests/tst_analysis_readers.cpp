// The transcript and scheme readers: what is an error, what is a note, and
// no crash on any bytes.
#include "analysis/agreement.h"
#include "analysis/coding.h"
#include "analysis/summary.h"

#include <QRandomGenerator>
#include <QtTest>

class AnalysisReaders : public QObject {
    Q_OBJECT

private slots:
    void schemeErrors_data() {
        QTest::addColumn<QByteArray>("scheme");
        QTest::addColumn<QString>("message");
        const QByteArray ok = "# comment\n\na walk state move\n";
        QTest::newRow("duplicate key") << ok + "a run state move\n"
                                       << "s.txt:4: key a is named twice";
        QTest::newRow("unknown kind") << ok + "b run event\n"
                                      << "s.txt:4: unknown kind event (point or state)";
        QTest::newRow("point with group") << ok + "b bark point noise\n"
                                          << "s.txt:4: point bark cannot have a group";
        QTest::newRow("transport key") << ok + "play_x_1.00 run state\n"
                                       << "s.txt:4: play_x_1.00 is a transport entry, not a key";
        QTest::newRow("stop as key")
            << QByteArray("stop halt point\n") << "s.txt:1: stop is a transport entry, not a key";
        QTest::newRow("too few fields")
            << ok + "b run\n"
            << "s.txt:4: expected KEY BEHAVIOUR KIND [GROUP], found 2 field(s)";
        QTest::newRow("behaviour of two kinds")
            << ok + "b walk point\n"
            << "s.txt:4: behaviour walk was given another kind or group before";
        QTest::newRow("not UTF-8") << ok + "\xff run state\n"
                                   << "s.txt:4: not UTF-8 text";
    }
    void schemeErrors() {
        QFETCH(QByteArray, scheme);
        QFETCH(QString, message);
        Failure f;
        QVERIFY(!parseScheme(QStringLiteral("s.txt"), scheme, &f));
        QCOMPARE(f.text(), message);
    }

    // Two keys, one behaviour; tabs and CR LF; groups in order.
    void schemeKeys() {
        Failure f;
        const auto s =
            parseScheme("s.txt", "a\tbark point\r\nshift-A bark  point\nw walk state move\n", &f);
        QVERIFY(s);
        QCOMPARE(s->behaviours.size(), std::size_t(2));
        QCOMPARE(s->keys.value("a"), 0);
        QCOMPARE(s->keys.value("shift-A"), 0);
        QCOMPARE(s->groups, QStringList{"move"});
    }

    void transcriptLines_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("stamps");
        QTest::addColumn<QStringList>("notes");
        QTest::addColumn<QStringList>("warnings");
        // A checkpoint has no header; the layout needs two blanks on each side
        // of the clock and two decimals; a minus sign and a wide field are fine.
        QTest::newRow("checkpoint")
            << QByteArray("   -1.00  18:00:00  a\n 1.5  18:00:01  b\n100000.00  18:00:02  c\r\n"
                          "    2.00 18:00:03  d\n\nfree text\n")
            << 2
            << QStringList{"2:  1.5  18:00:01  b", "4:     2.00 18:00:03  d", "5: ", "6: free text"}
            << QStringList{};
        QTest::newRow("time goes back")
            << QByteArray("#\n# started_at x\n# video_name v.mov\n    4.00  18:00:00  a\n"
                          "    3.50  18:00:01  a\n")
            << 2 << QStringList{} << QStringList{"t.txt:5: time goes back from 4.000 to 3.500"};
    }
    void transcriptLines() {
        QFETCH(QByteArray, text);
        QFETCH(int, stamps);
        QFETCH(QStringList, notes);
        QFETCH(QStringList, warnings);
        Failure f;
        const auto t = parseTranscript("t.txt", text, &f);
        QVERIFY(t);
        QCOMPARE(int(t->stamps.size()), stamps);
        QStringList seen;
        for (const NoteLine& n : t->notes)
            seen << QStringLiteral("%1: %2").arg(n.line).arg(n.text);
        QCOMPARE(seen, notes);
        QCOMPARE(t->warnings, warnings);
    }

    void videoNames_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("video");
        QTest::newRow("checkpoint") << "2026.12.05-18.14.46--lecture3--checkpoint-at--18.40.05.txt"
                                    << "lecture3";
        QTest::newRow("journal") << "2026.12.05-18.14.46--a--b--unsaved--2.txt"
                                 << "a--b";
        QTest::newRow("other") << "notes.txt"
                               << "";
    }
    void videoNames() {
        QFETCH(QString, file);
        QFETCH(QString, video);
        Failure f;
        QCOMPARE(parseTranscript(file, "    1.00  18:00:00  a\n", &f)->video, video);
    }

    void notATranscript() {
        Failure f;
        QVERIFY(!parseTranscript("t.txt", "#\n# video_name v\nhello\n", &f));
        QCOMPARE(f.text(), QStringLiteral("t.txt: not a transcript: no time-stamped line"));
        QVERIFY(!parseTranscript("t.txt", "99999999999.00  18:00:00  a\n", &f));
        QCOMPARE(f.text(), QStringLiteral("t.txt:1: time out of range: 99999999999.00"));
    }

    // Random bytes, a huge line and broken UTF-8 through both readers and the
    // whole analysis: no crash, no sanitizer report.
    void anyBytes() {
        QRandomGenerator random(13);
        const QByteArray alphabet = " 0123456789.:-\n\t#aws\xff\xc3";
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes(int(random.bounded(2000)), '\0');
            for (char& c : bytes)
                c = round % 2 ? char(random.bounded(256))
                              : alphabet[int(random.bounded(int(alphabet.size())))];
            if (round % 3 == 0)
                bytes.prepend("    1.00  18:00:00  a\n    9.00  18:00:00  w\n");
            Failure f;
            const auto scheme = parseScheme("s", bytes, &f);
            const auto t = parseTranscript("t", bytes, &f);
            if (!t)
                continue;
            const Coding c = codeTranscript(*t, scheme.value_or(CodingScheme{}), t->lastMs);
            if (const auto span = spanOf("t", t->firstMs, t->lastMs, {}, {}, &f)) {
                summarize(c, *span);
                intervalAgreement(c, c, *span, 1 + span->length() / 1000, &f);
            }
            matchEvents(c, c, 500);
        }
        QByteArray huge(8 << 20, 'x');
        huge.prepend("    1.00  18:00:00  ");
        huge.append("\n\xc3\x28 \xe2\x82 \xf0\x90\x28\n    2.00  18:00:00  \xed\xa0\x80\n");
        Failure f;
        const auto t = parseTranscript("t", huge, &f);
        QVERIFY(t);
        QCOMPARE(t->stamps.front().entry.size(), qsizetype(8 << 20));
        QVERIFY(!parseScheme("s", huge, &f));
        QCOMPARE(f.line, 1);
    }
};

QTEST_GUILESS_MAIN(AnalysisReaders)
#include "tst_analysis_readers.moc"
