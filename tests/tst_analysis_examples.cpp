// Worked examples of the analysis over transcripts written by the program's
// own save; every expected number is computed by hand in the comments.
#include "analysis/agreement.h"
#include "analysis/millis.h"
#include "analysis/tables.h"
#include "support/saved_sessions.h"

#include <QApplication>
#include <QtTest>

namespace {

// locomotion: two exclusive states; alarm: a point with two keys.
const QByteArray kScheme = "# test scheme\n"
                           "w walk state locomotion\n"
                           "r run  state locomotion\n"
                           "a      alarm point\n"
                           "shift-A alarm point\n"
                           "g\tgroom\tstate\n";

CodingScheme scheme() {
    Failure f;
    return *parseScheme(QStringLiteral("scheme.txt"), kScheme, &f);
}

Coding coded(const QString& path, std::optional<qint64> to = {}) {
    Failure f;
    const std::optional<Transcript> t = readTranscript(path, &f);
    return codeTranscript(*t, scheme(), qMax(to.value_or(t->lastMs), t->lastMs));
}

// The rows of a table without its header, without the file and video
// columns when cut.
QStringList body(const QByteArray& csv, bool cut = false) {
    QStringList rows = QString::fromUtf8(csv).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    rows.removeFirst();
    if (cut)
        for (QString& r : rows)
            r = r.section(QLatin1Char(','), 2);
    return rows;
}

} // namespace

class AnalysisExamples : public QObject {
    Q_OBJECT
    std::optional<SavedSessions> sessions;

private slots:
    void init() { sessions.emplace(); }
    void cleanup() { sessions.reset(); }

    // The event rows of one short session: the header takes lines 1-3.
    void eventsOfASession() {
        const QString path = sessions->save(
            "ev",
            "0 play_x_1.00; 1 w; #looked away; 2.5 r; 3 q; 4 shift-A; 6 stop; 7 rate_set_to_2.00");
        CsvWriter csv = eventsTable();
        appendEvents(csv, coded(path));
        QCOMPARE(
            body(csv.bytes(), true),
            QStringList({"4,0.000,18:15:00,play_x_1.00,,transport,play",
                         "5,1.000,18:15:00,w,walk,state,start", "6,,,looked away,,note,",
                         // r starts run and stops walk, its group's state, in a row of its own.
                         "7,2.500,18:15:00,r,walk,state,stop", "7,2.500,18:15:00,r,run,state,start",
                         "8,3.000,18:15:00,q,,unassigned,",
                         "9,4.000,18:15:00,shift-A,alarm,point,point",
                         "10,6.000,18:15:00,stop,,transport,stop",
                         "11,7.000,18:15:00,rate_set_to_2.00,,transport,rate"}));
    }

    void summary_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("rows");
        // Span 0-10 s, 1/6 minute. walk 1-2.5 (ended by run), 8-10 (open at the
        // end, closed at 10): 2 bouts, 3.5 s, mean 1.75, 0.35 of the span, 2 / (1/6)
        // = 12 a minute. run 2.5-8: 5.5 s, 0.55. alarm by a and shift-A: 3, 18 a
        // minute. The note and the unassigned key count for nothing.
        QTest::newRow("groups switching, open at the end, two keys")
            << "0 play_x_1.00; 1 w; 2 a; #aside; 2.5 r; 3 shift-A; 4 q; 8 w; 9 a; 10 stop"
            << ""
            << ""
            << QStringList{"walk,state,2,3.500,1.750,0.350,12.000",
                           "run,state,1,5.500,5.500,0.550,6.000", "alarm,point,3,,,,18.000",
                           "groom,state,0,0.000,,0.000,0.000"};
        // 4 goes back to 3: kept, so the span is 0-6 (smallest to largest time)
        // and alarm counts 3 in 0.1 minute: 30 a minute. groom pressed at 5 and
        // again at 2 (time back): one bout without duration, 10 a minute.
        QTest::newRow("time going back")
            << "0 a; 4 a; 3 a; 5 g; 2 g; 6 stop"
            << ""
            << ""
            << QStringList{"walk,state,0,0.000,,0.000,0.000", "run,state,0,0.000,,0.000,0.000",
                           "alarm,point,3,,,,30.000", "groom,state,1,0.000,0.000,0.000,10.000"};
        // From 2 to 6 (4 s, 1/15 minute): walk 1-9 gives 4 s, all of it; the
        // alarm at 2 lies on the span's start and counts, the one at 7 does not.
        QTest::newRow("from and to")
            << "0 play_x_1.00; 1 w; 2 a; 7 a; 9 w; 10 stop"
            << "2"
            << "6"
            << QStringList{"walk,state,1,4.000,4.000,1.000,15.000",
                           "run,state,0,0.000,,0.000,0.000", "alarm,point,1,,,,15.000",
                           "groom,state,0,0.000,,0.000,0.000"};
        // To 12, after the last line at 10: walk stays active up to 12, 4 s of 12.
        QTest::newRow("to after the end")
            << "0 play_x_1.00; 8 w; 10 stop"
            << ""
            << "12"
            << QStringList{"walk,state,1,4.000,4.000,0.333,5.000", "run,state,0,0.000,,0.000,0.000",
                           "alarm,point,0,,,,0.000", "groom,state,0,0.000,,0.000,0.000"};
    }
    void summary() {
        QFETCH(QString, script);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QStringList, rows);
        const QString path = sessions->save("sum", script);
        const std::optional<qint64> f = from.isEmpty() ? std::nullopt : parseMillis(from);
        const std::optional<qint64> t = to.isEmpty() ? std::nullopt : parseMillis(to);
        const Coding c = coded(path, t);
        Failure failure;
        const std::optional<Span> span = spanOf(path, c.firstMs, c.lastMs, f, t, &failure);
        QVERIFY(span);
        CsvWriter csv = summaryTable();
        appendSummary(csv, c, *span);
        QCOMPARE(body(csv.bytes(), true), rows);
    }

    void intervals_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QStringList>("rows");
        // Ten 1 s intervals. alarm: A in 0-3, B in 0-2 and 4: both 3, only A 1,
        // only B 1, neither 5; agreement 8/10; chance .4*.4 + .6*.6 = .52; kappa
        // (.8 - .52) / .48 = .583. No one scores walk, run or groom: agreement 1,
        // chance 1, kappa NA; the same for the locomotion group (all "none").
        QTest::newRow("kappa, and kappa undefined")
            << "0 play_x_1.00; 0.5 a; 1.5 a; 2.5 a; 3.5 a; 10 stop"
            << "0 play_x_1.00; 0.5 a; 1.5 a; 2.5 a; 4.5 a; 10 stop"
            << "1"
            << QStringList{"walk,state,10,0,0,0,10,1.000,NA", "run,state,10,0,0,0,10,1.000,NA",
                           "alarm,point,10,3,1,1,5,0.800,0.583", "groom,state,10,0,0,0,10,1.000,NA",
                           "locomotion,group,10,,,,,1.000,NA"};
        // Midpoints .5 ... 9.5. A walks 0-5, runs 5-10; B walks 0-5.7, runs 5.7-10
        // (at the midpoint 5.5 B still walks).
        // walk: both 5 (.5-4.5), only B 1 (5.5), neither 4; agreement .9; chance
        // .5*.6 + .5*.4 = .5; kappa (.9 - .5) / .5 = .8. run: both 4, only A 1,
        // neither 5, the same figures. locomotion: the category differs only at
        // 5.5: .9; chance walk .5*.6 + run .5*.4 = .5; kappa .8.
        QTest::newRow("exclusive groups switching")
            << "0 w; 5 r; 10 stop"
            << "0 w; 5.7 r; 10 stop"
            << "1"
            << QStringList{"walk,state,10,5,0,1,4,0.900,0.800", "run,state,10,4,1,0,5,0.900,0.800",
                           "alarm,point,10,0,0,0,10,1.000,NA", "groom,state,10,0,0,0,10,1.000,NA",
                           "locomotion,group,10,,,,,0.900,0.800"};
        // The common span 0-10.5 holds floor(10.5 / 2) = 5 intervals up to 10; A's
        // alarm at 10.2 lies in none. Both alarm in 0-2: both 1, neither 4; chance
        // .2*.2 + .8*.8 = .68; kappa (1 - .68) / .32 = 1.
        QTest::newRow("intervals do not divide the span")
            << "0 play_x_1.00; 1 a; 10.2 a; 10.5 stop"
            << "0 play_x_1.00; 1.5 a; 10.5 stop"
            << "2"
            << QStringList{"walk,state,5,0,0,0,5,1.000,NA", "run,state,5,0,0,0,5,1.000,NA",
                           "alarm,point,5,1,0,0,4,1.000,1.000", "groom,state,5,0,0,0,5,1.000,NA",
                           "locomotion,group,5,,,,,1.000,NA"};
        // Intervals of 0.1 s: A's alarm at 0.30 lies exactly on the bound of the
        // fourth interval (0.3-0.4), where B's at 0.35 is: both 1, neither 9, kappa
        // 1 (0.30 / 0.1 in floating point is 2.999..., the third interval).
        QTest::newRow("a stamp on an interval bound")
            << "0 play_x_1.00; 0.3 a; 1 stop"
            << "0 play_x_1.00; 0.35 a; 1 stop"
            << "0.1"
            << QStringList{"walk,state,10,0,0,0,10,1.000,NA", "run,state,10,0,0,0,10,1.000,NA",
                           "alarm,point,10,1,0,0,9,1.000,1.000", "groom,state,10,0,0,0,10,1.000,NA",
                           "locomotion,group,10,,,,,1.000,NA"};
    }
    void intervals() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, width);
        QFETCH(QStringList, rows);
        const Coding ca = coded(sessions->save("a", a)), cb = coded(sessions->save("b", b));
        Failure f;
        const auto result =
            intervalAgreement(ca, cb, *commonSpan(ca, cb, {}, {}, &f), *parseMillis(width), &f);
        QVERIFY2(result, qPrintable(f.text()));
        QCOMPARE(body(intervalTable(*result)), rows);
    }

    void matching_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("alarm");
        // 1.0 and 1.6 are 0.6 apart, too far; 2.0 and 1.6 pair: 1 of 2.
        QTest::newRow("too far") << "1 a; 2 a"
                                 << "1.6 a"
                                 << "0.5"
                                 << "alarm,1,1,0,0.500";
        // Closest first: 1.8-1.5 (0.3) goes before 1.0-1.5 (0.5) and 1.8-2.4
        // (0.6); 1.0 and 2.4 are left apart: 1 / (1 + 1 + 1).
        QTest::newRow("closest pairs first") << "1 a; 1.8 shift-A"
                                             << "1.5 a; 2.4 a"
                                             << "0.6"
                                             << "alarm,1,1,1,0.333";
        // Exactly W apart is close enough (1.30 - 1.00 > 0.3 in floating point).
        QTest::newRow("exactly W apart") << "1 a"
                                         << "1.3 a"
                                         << "0.3"
                                         << "alarm,1,0,0,1.000";
        QTest::newRow("nothing to match") << "1 w"
                                          << "1 w"
                                          << "1"
                                          << "alarm,0,0,0,NA";
    }
    void matching() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, width);
        QFETCH(QString, alarm);
        const Coding ca = coded(sessions->save("a", a)), cb = coded(sessions->save("b", b));
        QCOMPARE(body(matchTable(matchEvents(ca, cb, *parseMillis(width)))), QStringList{alarm});
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("keystamp"));
    QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));
    AnalysisExamples test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_analysis_examples.moc"
