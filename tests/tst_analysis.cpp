// The analysis over transcripts as saved: worked examples whose every number
// is computed by hand in the comments, the readers, and keystamp-data.
#include "analysis/agreement.h"
#include "analysis/eaf.h"
#include "analysis/merge.h"
#include "analysis/millis.h"
#include "analysis/tables.h"
#include "session/format.h"
#include "storage/transcript_file.h"
#include "support/test_helpers.h"

#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QXmlStreamReader>
#include <QtTest>

#include <optional>

namespace {

// locomotion: two exclusive states; alarm: a point with two keys.
const QByteArray kScheme = "# test scheme\nw walk state locomotion\nr run  state locomotion\n"
                           "a      alarm point\nshift-A alarm point\ng\tgroom\tstate\n";

// A transcript of a video "good" from a script: items separated by ";", each
// "SECONDS ENTRY" for a time-stamped line or "#TEXT" for a typed note.
QByteArray transcript(const QString& script) {
    QString text = transcriptHeader("Saturday, December 5, 2026 6:14:46 PM", "good");
    for (const QString& item : script.split(';', Qt::SkipEmptyParts)) {
        const QString s = item.trimmed(), time = s.section(' ', 0, 0), entry = s.section(' ', 1);
        text += s.startsWith('#') ? s.mid(1) + '\n'
                                  : timeStampedLine(time.toDouble(), "18:15:00", entry) + '\n';
    }
    return text.toUtf8();
}

Coding coded(const QString& script, std::optional<qint64> to = {}, qint64 lag = 0,
             const QByteArray& scheme = kScheme) {
    Failure f;
    std::optional<Transcript> t = parseTranscript("t.txt", transcript(script), &f);
    applyLag(*t, lag);
    return codeTranscript(*t, *parseScheme("scheme.txt", scheme, &f),
                          qMax(to.value_or(t->lastMs), t->lastMs));
}

std::optional<qint64> seconds(const QString& text) {
    return text.isEmpty() ? std::nullopt : parseMillis(text);
}

// The rows of a table without its header (and, cut, without file and video).
QStringList body(const QByteArray& csv, bool cut = false) {
    QStringList rows = QString::fromUtf8(csv).split("\r\n", Qt::SkipEmptyParts);
    rows.removeFirst();
    for (QString& r : rows)
        r = cut ? r.section(',', 2) : r;
    return rows;
}

// keystamp-data's exit code (-1: crashed), error and output; "@" stands for dir.
std::tuple<int, QString, QByteArray> run(const QString& dir, QString arguments) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM"); // the tool picks its own
    p.setProcessEnvironment(env);
    p.start(KEYSTAMP_DATA_TOOL, arguments.replace("@", dir).split(' ', Qt::SkipEmptyParts));
    p.waitForFinished(30000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardError()), p.readAllStandardOutput()};
}

} // namespace

class Analysis : public QObject {
    Q_OBJECT

private slots:
    // The header takes lines 1-3. r starts run and stops walk, its group's
    // state, in a row of its own. A field with a quote is quoted for CSV.
    void eventsOfASession() {
        CsvWriter csv = eventsTable();
        appendEvents(csv, coded("0 play_x_1.00; 1 w; #said \"hi\"; 2.5 r; 3 q; 4 shift-A; "
                                "6 stop; 7 rate_set_to_2.00"));
        QCOMPARE(
            body(csv.bytes(), true).join(' '),
            "4,0.000,18:15:00,play_x_1.00,,transport,play 5,1.000,18:15:00,w,walk,state,start "
            "6,,,\"said \"\"hi\"\"\",,note, 7,2.500,18:15:00,r,walk,state,stop "
            "7,2.500,18:15:00,r,run,state,start 8,3.000,18:15:00,q,,unassigned, "
            "9,4.000,18:15:00,shift-A,alarm,point,point 10,6.000,18:15:00,stop,,transport,stop "
            "11,7.000,18:15:00,rate_set_to_2.00,,transport,rate");
        QCOMPARE(csvField("5\" screen"), QStringLiteral("\"5\"\" screen\""));
    }

    // Summary rows (behaviour,kind,count,total,mean,proportion,rate a minute).
    void summary() {
        const struct {
            QString script, from, to, rows;
        } examples[] = {
            // Span 0-10 s, 1/6 minute. walk 1-2.5 (ended by run), 8-10 (open at
            // the end, closed at 10): 2 bouts, 3.5 s, mean 1.75, 0.35 of the span,
            // 2 / (1/6) = 12 a minute. run 2.5-8: 5.5 s, 0.55. alarm by a and
            // shift-A: 3, 18 a minute. The note and the unassigned key count for nothing.
            {"0 play_x_1.00; 1 w; 2 a; #aside; 2.5 r; 3 shift-A; 4 q; 8 w; 9 a; 10 stop", "", "",
             "walk,state,2,3.500,1.750,0.350,12.000 run,state,1,5.500,5.500,0.550,6.000 "
             "alarm,point,3,,,,18.000 groom,state,0,0.000,,0.000,0.000"},
            // 4 goes back to 3: kept, so the span is 0-6 (smallest to largest
            // time) and alarm counts 3 in 0.1 minute: 30 a minute. groom pressed
            // at 5 and again at 2 (time back): one bout without duration, 10 a minute.
            {"0 a; 4 a; 3 a; 5 g; 2 g; 6 stop", "", "",
             "walk,state,0,0.000,,0.000,0.000 run,state,0,0.000,,0.000,0.000 "
             "alarm,point,3,,,,30.000 groom,state,1,0.000,0.000,0.000,10.000"},
            // From 2 to 6 (4 s, 1/15 minute): walk 1-7.5 gives 4 s, all of it;
            // run 7.5-8 and walk from 9 lie after the span and count for nothing;
            // the alarm at 2 lies on the span's start and counts, the one at 7 not.
            {"0 play_x_1.00; 1 w; 2 a; 7 a; 7.5 r; 8 r; 9 w; 10 stop", "2", "6",
             "walk,state,1,4.000,4.000,1.000,15.000 run,state,0,0.000,,0.000,0.000 "
             "alarm,point,1,,,,15.000 groom,state,0,0.000,,0.000,0.000"},
            // To 12, after the last line at 10: walk stays active up to 12, 4 s of 12.
            {"0 play_x_1.00; 8 w; 10 stop", "", "12",
             "walk,state,1,4.000,4.000,0.333,5.000 run,state,0,0.000,,0.000,0.000 "
             "alarm,point,0,,,,0.000 groom,state,0,0.000,,0.000,0.000"}};
        // Through the tool itself, which sets the span and where open bouts close.
        const QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("scheme.txt"), kScheme));
        for (const auto& e : examples) {
            QVERIFY(writeFile(dir.filePath("sum.txt"), transcript(e.script)));
            QString arguments = QStringLiteral("summary @/sum.txt --scheme @/scheme.txt");
            if (!e.from.isEmpty())
                arguments += " --from " + e.from;
            if (!e.to.isEmpty())
                arguments += " --to " + e.to;
            const auto [code, err, out] = run(dir.path(), arguments);
            QCOMPARE(code, 0);
            QCOMPARE(body(out, true).join(' '), e.rows);
        }
    }

    // Interval rows (unit,kind,intervals,both,only_a,only_b,neither,agreement,kappa).
    void intervals() {
        const struct {
            QString a, b, width, rows;
        } examples[] = {
            // Ten 1 s intervals. alarm: A in 0-3, B in 0-2 and 4: both 3, only A
            // 1, only B 1, neither 5; agreement 8/10; chance .4*.4 + .6*.6 = .52;
            // kappa (.8 - .52) / .48 = .583. No one scores walk, run or groom:
            // agreement 1, chance 1, kappa NA; the same for the locomotion group.
            {"0 play_x_1.00; 0.5 a; 1.5 a; 2.5 a; 3.5 a; 10 stop",
             "0 play_x_1.00; 0.5 a; 1.5 a; 2.5 a; 4.5 a; 10 stop", "1",
             "walk,state,10,0,0,0,10,1.000,NA run,state,10,0,0,0,10,1.000,NA "
             "alarm,point,10,3,1,1,5,0.800,0.583 groom,state,10,0,0,0,10,1.000,NA "
             "locomotion,group,10,,,,,1.000,NA"},
            // Midpoints .5 ... 9.5. A walks 0-5, runs 5-10; B walks 0-5.7, runs
            // 5.7-10 (at 5.5 B still walks). walk: both 5, only B 1, neither 4;
            // agreement .9; chance .5*.6 + .5*.4 = .5; kappa (.9 - .5) / .5 = .8.
            // run: both 4, only A 1, neither 5, the same figures. locomotion
            // differs only at 5.5: .9; chance walk .5*.6 + run .5*.4 = .5; kappa .8.
            {"0 w; 5 r; 10 stop", "0 w; 5.7 r; 10 stop", "1",
             "walk,state,10,5,0,1,4,0.900,0.800 run,state,10,4,1,0,5,0.900,0.800 "
             "alarm,point,10,0,0,0,10,1.000,NA groom,state,10,0,0,0,10,1.000,NA "
             "locomotion,group,10,,,,,0.900,0.800"},
            // The common span 0-10.5 holds floor(10.5 / 2) = 5 intervals up to 10;
            // A's alarm at 10.2 lies in none. Both alarm in 0-2: both 1, neither
            // 4; chance .2*.2 + .8*.8 = .68; kappa (1 - .68) / .32 = 1.
            {"0 play_x_1.00; 1 a; 10.2 a; 10.5 stop", "0 play_x_1.00; 1.5 a; 10.5 stop", "2",
             "walk,state,5,0,0,0,5,1.000,NA run,state,5,0,0,0,5,1.000,NA "
             "alarm,point,5,1,0,0,4,1.000,1.000 groom,state,5,0,0,0,5,1.000,NA "
             "locomotion,group,5,,,,,1.000,NA"},
            // Intervals of 0.1 s: A's alarm at 0.30 lies on the bound of the
            // fourth interval (0.3-0.4), where B's at 0.35 is: both 1, neither 9,
            // kappa 1 (0.30 / 0.1 in floating point is 2.999..., the third).
            {"0 play_x_1.00; 0.3 a; 1 stop", "0 play_x_1.00; 0.35 a; 1 stop", "0.1",
             "walk,state,10,0,0,0,10,1.000,NA run,state,10,0,0,0,10,1.000,NA "
             "alarm,point,10,1,0,0,9,1.000,1.000 groom,state,10,0,0,0,10,1.000,NA "
             "locomotion,group,10,,,,,1.000,NA"}};
        for (const auto& e : examples) {
            const Coding ca = coded(e.a), cb = coded(e.b);
            Failure f;
            const auto result = intervalAgreement(ca, cb, *commonSpan(ca, cb, {}, {}, &f),
                                                  *parseMillis(e.width), &f);
            QVERIFY2(result, qPrintable(f.text()));
            QCOMPARE(body(intervalTable(*result)).join(' '), e.rows);
        }
    }

    // Events of one behaviour at most the width apart pair, closest first.
    void matching() {
        const QString examples[][4] = {
            // 1.0 and 1.6 are 0.6 apart, too far; 2.0 and 1.6 pair: 1 of 2.
            {"1 a; 2 a", "1.6 a", "0.5", "alarm,1,1,0,0.500"},
            // 1.8-1.5 (0.3) goes before 1.0-1.5 (0.5) and 1.8-2.4 (0.6); 1.0
            // and 2.4 are left apart: 1 / (1 + 1 + 1).
            {"1 a; 1.8 shift-A", "1.5 a; 2.4 a", "0.6", "alarm,1,1,1,0.333"},
            // Exactly W apart is close enough (1.30 - 1.00 > 0.3 in floating point).
            {"1 a", "1.3 a", "0.3", "alarm,1,0,0,1.000"},
            {"1 w", "1 w", "1", "alarm,0,0,0,NA"}};
        for (const auto& [a, b, width, alarm] : examples) {
            const Coding ca = coded(a), cb = coded(b);
            QCOMPARE(body(matchTable(matchEvents(ca, cb, *parseMillis(width)))).join(' '), alarm);
        }
    }

    // Two passes: the lines before each first stamp lead, then every stamp
    // with its notes by time; at 1 s a's line goes first (input order), at
    // 3 s a's two lines keep their order. b's header is not copied.
    void merge() {
        const QString a = "#before; 1 w; #n1; 3 a; 3 g", b = "#bnote; 1 r; #n2; 2 a";
        Failure f;
        const QByteArray merged =
            mergeTranscripts({{*parseTranscript("/x/a.txt", transcript(a), &f), transcript(a)},
                              {*parseTranscript("b.txt", transcript(b), &f), transcript(b)}});
        QCOMPARE(merged,
                 transcript("## merged_from a.txt, b.txt; #before; #bnote; 1 w; #n1; 1 r; #n2; "
                            "2 a; 3 a; 3 g"));
        QCOMPARE(parseTranscript("m.txt", merged, &f)->video, "good");
    }

    // Onsets: walk run alarm alarm walk in a (run's stops at 5 and walk's
    // stop by the group are not onsets; groom never starts); alarm walk
    // alarm in b (equal times in line order). Out of alarm in a: 2, so 0.5
    // each. Pooled: out of walk 2, of alarm 3; a's last walk and b's first
    // alarm make no transition.
    void transitionsOfFiles() {
        std::vector<Coding> codings{coded("1 w; 2 r; 3 a; 4 a; 5 r; 6 w; 7 stop"),
                                    coded("0 a; 1 w; 1 shift-A; 2 stop")};
        codings[1].file = "u.txt";
        std::vector<Span> spans{{1000, 7000}, {0, 2000}};
        QCOMPARE(body(transitionTable(transitions(codings, spans))).join(' '),
                 "t.txt,walk,run,1,1.000 t.txt,run,alarm,1,1.000 t.txt,alarm,walk,1,0.500 "
                 "t.txt,alarm,alarm,1,0.500 u.txt,walk,alarm,1,1.000 u.txt,alarm,walk,1,1.000 "
                 "all,walk,run,1,0.500 all,walk,alarm,1,0.500 all,run,alarm,1,1.000 "
                 "all,alarm,walk,2,0.667 all,alarm,alarm,1,0.333");
        QCOMPARE(body(transitionTable(transitions({codings[1]}, {spans[1]}))).size(), 2);
    }

    // walk starts at 1, alarm at 2 and 5, run at 4, groom at 8. From 3 walk
    // is running but never starts; after a (at 2, or at 5 from 3); after a
    // key that never comes every row is empty.
    void latency() {
        const QString examples[][3] = {{"", "", "1.000 4.000 2.000 8.000"},
                                       {"3", "", " 1.000 2.000 5.000"},
                                       {"", "a", " 2.000 0.000 6.000"},
                                       {"3", "a", "  0.000 3.000"},
                                       {"", "q", "   "}};
        const Coding c = coded("0 play_x_1.00; 1 w; 2 a; 4 r; 5 a; 8 g; 10 stop");
        for (const auto& [from, after, expected] : examples) {
            Failure f;
            const Span span = *spanOf("t.txt", c.firstMs, c.lastMs, seconds(from), {}, &f);
            CsvWriter csv = latencyTable();
            appendLatencies(csv, latencies(c, span, referenceOf(c, span, after),
                                           {"walk", "run", "alarm", "groom"}));
            QStringList values;
            for (const QString& row : body(csv.bytes(), true))
                values << row.section(',', 2);
            QCOMPARE(values.join(' '), expected);
        }
    }

    // Bins of 3 s over 0-7: 0-3, 3-6, 6-7 (short). walk 1-3.5 crosses two
    // bins (2 s and 0.5 s), run 3.5-7 (2.5 and 1), groom 5-7 (1 and 1); the
    // alarm at 6 lies on a bound: the third bin. Every width, and a span
    // from 2 where walk is already running, add up to the plain summary.
    void bins() {
        const Coding c = coded("0 play_x_1.00; 1 w; 2 a; 3.5 r; 5 g; 6 a; 7 stop");
        Failure f;
        CsvWriter csv = binnedSummaryTable();
        appendBinnedSummary(csv, c, *summarizeBins(c, {0, 7000}, 3000, &f));
        QCOMPARE(body(csv.bytes(), true).join(' '),
                 "0.000,3.000,walk,state,1,2.000,,0.667,20.000 "
                 "0.000,3.000,run,state,0,0.000,,0.000,0.000 0.000,3.000,alarm,point,1,,,,20.000 "
                 "0.000,3.000,groom,state,0,0.000,,0.000,0.000 "
                 "3.000,6.000,walk,state,0,0.500,,0.167,0.000 "
                 "3.000,6.000,run,state,1,2.500,,0.833,20.000 3.000,6.000,alarm,point,0,,,,0.000 "
                 "3.000,6.000,groom,state,1,1.000,,0.333,20.000 "
                 "6.000,7.000,walk,state,0,0.000,,0.000,0.000 "
                 "6.000,7.000,run,state,0,1.000,,1.000,0.000 6.000,7.000,alarm,point,1,,,,60.000 "
                 "6.000,7.000,groom,state,0,1.000,,1.000,0.000");
        for (const Span span : {Span{0, 7000}, Span{2000, 6500}})
            for (const qint64 width : {1, 700, 1000, 2000, 3000, 7000, 9000}) {
                std::vector<SummaryRow> sums(c.behaviours.size());
                const auto bins = summarizeBins(c, span, width, &f);
                if (span.from == 2000) // walk runs at 2: counted in the first bin
                    QCOMPARE(bins->front().rows[0].count, 1);
                for (const SummaryBin& bin : *bins)
                    for (const SummaryRow& r : bin.rows) {
                        sums[std::size_t(r.behaviour)].count += r.count;
                        sums[std::size_t(r.behaviour)].totalMs += r.totalMs;
                    }
                const std::vector<SummaryRow> whole = summarize(c, span);
                for (std::size_t b = 0; b < sums.size(); ++b)
                    QVERIFY(sums[b].count == whole[b].count && sums[b].totalMs == whole[b].totalMs);
            }
        QVERIFY(!summarizeBins(c, {0, 200'000'000}, 1000, &f));
        QCOMPARE(f.text(), "--bin: 200000 bins of 1.000 s in t.txt; at most 100000");
    }

    // A lag of 0.5 s reads 1, 2.5 and 4 as 0.5, 2 and 3.5; one of -1.25 as
    // 2.25, 3.75 and 5.25: walk's bout keeps its 3 s, the span moves.
    void lag() {
        const std::pair<qint64, QString> examples[] = {
            {500, "walk,0.500,3.500,3.000,key 0.500 3.500"},
            {-1250, "walk,2.250,5.250,3.000,key 2.250 5.250"}};
        for (const auto& [lag, expected] : examples) {
            const Coding c = coded("1 w; 2.5 a; 4 w", {}, lag);
            CsvWriter csv = boutsTable();
            appendBouts(csv, c);
            QCOMPARE(body(csv.bytes(), true).join(' ') + ' ' + formatMillis(c.firstMs) + ' ' +
                         formatMillis(c.lastMs),
                     expected);
        }
    }

    // The document read back: walk's bouts end by its group and at the end;
    // alarm's point at 2 ends at the next one, 2.05; a and shift-A at 5
    // make one annotation; groom never occurs and has no tier. A name with
    // markup characters and an accent comes back as it was.
    void eafDocumentReadBack() {
        const QByteArray scheme = "w <wälk>&\"q\" state loc\nr run state loc\na alarm point\n"
                                  "shift-A alarm point\ng groom state\n";
        Failure f;
        const auto document = eafDocument(
            coded("1 w; 2 a; 2.05 a; 3 r; 3 shift-A; 4 w; 5 a; 5 shift-A; 6 stop", {}, 0, scheme),
            "../v/good.mp4", "file:///x/v/good.mp4", &f);
        QVERIFY(document);
        QXmlStreamReader xml(*document);
        QHash<QString, QString> times;
        QString read;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            auto a = [&](const char* name) { return xml.attributes().value(name).toString(); };
            if (xml.name() == u"MEDIA_DESCRIPTOR")
                read += a("RELATIVE_MEDIA_URL") + ' ' + a("MIME_TYPE");
            else if (xml.name() == u"TIME_SLOT")
                times[a("TIME_SLOT_ID")] = a("TIME_VALUE");
            else if (xml.name() == u"TIER")
                read += "; " + a("TIER_ID") + ':';
            else if (xml.name() == u"ALIGNABLE_ANNOTATION")
                read += ' ' + times[a("TIME_SLOT_REF1")] + '-' + times[a("TIME_SLOT_REF2")];
            else if (xml.name() == u"ANNOTATION_VALUE")
                read += ' ' + xml.readElementText();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(read, "../v/good.mp4 video/mp4; <wälk>&\"q\": 1000-3000 w 4000-6000 w; run: "
                       "3000-4000 r; alarm: 2000-2050 a 2050-2150 a 3000-3100 shift-A "
                       "5000-5100 a shift-A");
        QVERIFY(!eafDocument(coded("1 q; 2 stop"), "", "", &f));
        QCOMPARE(f.text(), "t.txt: no behaviour of the scheme occurs");
        QVERIFY(!eafDocument(coded("1 a; 2 stop", {}, 1500), "", "", &f));
        QCOMPARE(f.text(), "t.txt:4: time -0.500 is before the video's start: ELAN has no "
                           "negative times");
    }

    // Each fault of a scheme is named with its line.
    void schemeErrors() {
        const QByteArray ok = "# comment\n\na walk state move\n";
        const std::pair<QByteArray, QString> rows[] = {
            {ok + "a run state move\n", "s.txt:4: key a is named twice"},
            {ok + "b bark point noise\n", "s.txt:4: point bark cannot have a group"},
            {"stop halt point\n", "s.txt:1: stop is a transport entry, not a key"},
            {ok + "\xff run state\n", "s.txt:4: not UTF-8 text"}};
        for (const auto& [scheme, message] : rows) {
            Failure f;
            QVERIFY2(!parseScheme("s.txt", scheme, &f), qPrintable(message));
            QCOMPARE(f.text(), message);
        }
    }

    // A checkpoint has no header; the layout needs two blanks on each side of
    // the clock and two decimals; a minus sign and a wide field are fine.
    // Other lines are notes; time going back is a warning.
    void transcriptLines() {
        Failure f;
        const auto t =
            parseTranscript("unsaved--2026.12.05-18.14.46--a--b--2.txt",
                            "   -1.00  18:00:00  a\n 1.5  18:00:01  b\n100000.00  18:00:02  c\r\n"
                            "    2.00 18:00:03  d\n\nfree text\n    1.00  18:00:04  e\n",
                            &f);
        QVERIFY(t);
        QCOMPARE(int(t->stamps.size()), 3);
        QStringList seen;
        for (const NoteLine& n : t->notes)
            seen << QStringLiteral("%1: %2").arg(n.line).arg(n.text);
        QCOMPARE(seen, QStringList({"2:  1.5  18:00:01  b", "4:     2.00 18:00:03  d",
                                    "5: ", "6: free text"}));
        QCOMPARE(t->warnings, QStringList{"unsaved--2026.12.05-18.14.46--a--b--2.txt:7: time goes "
                                          "back from 100000.000 to 1.000"});
        QCOMPARE(t->video, "a--b"); // from a journal's name
        QCOMPARE(parseTranscript("notes.txt", "    1.00  18:00:00  a\n", &f)->video, "");
        QVERIFY(!parseTranscript("t%2.txt", "99999999999.00  18:00:00  a\n", &f));
        QCOMPARE(f.text(), "t%2.txt:1: time out of range: 99999999999.00");
        QVERIFY(!parseTranscript("t.txt", "#\n# video_name v\nhello\n", &f));
        QCOMPARE(f.text(), "t.txt: not a transcript: no time-stamped line");
    }

    // Random bytes and broken UTF-8 through the readers and the analysis: no crash.
    void anyBytes() {
        QRandomGenerator random(13);
        const QByteArray alphabet = " 0123456789.:-\n\t#aws\xff\xc3";
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes(round % 3 ? "" : "    1.00  18:00:00  a\n    9.00  18:00:00  w\n");
            for (int n = int(random.bounded(2000)); n > 0; --n)
                bytes += round % 2 ? char(random.bounded(256)) : alphabet[int(random.bounded(22))];
            Failure f;
            const auto scheme = parseScheme("s", bytes, &f);
            const auto t = parseTranscript("t", bytes, &f);
            const auto span = t ? spanOf("t", t->firstMs, t->lastMs, {}, {}, &f) : std::nullopt;
            if (!span)
                continue;
            const Coding c = codeTranscript(*t, scheme.value_or(CodingScheme{}), t->lastMs);
            summarize(c, *span);
            intervalAgreement(c, c, *span, 1 + span->length() / 1000, &f);
            matchEvents(c, c, 500);
            summarizeBins(c, *span, 1 + span->length() / 7, &f);
            transitions({c, c}, {*span, *span});
            latencies(c, *span, referenceOf(c, *span, "w"), behaviourOrder({c}));
            eafDocument(c, "v", "file:///v", &f);
            mergeTranscripts({{*t, bytes}, {*t, bytes}});
        }
    }

    // keystamp-data: one message, the usage after a usage error (code 2), and
    // an output file written whole or not at all.
    void dataTool() {
        const QTemporaryDir temporary;
        const QString dir = temporary.path();
        QVERIFY(
            writeFile(dir + "/good.txt", transcript("0 play_x_1.00; 1 w; 3 a; 2 a; 4 w; 5 stop")));
        QVERIFY(writeFile(dir + "/scheme.txt", "w walk state\na alarm point\n"));
        QVERIFY(writeFile(dir + "/bad.txt", "w walk state\na alarm evt\n"));
        QVERIFY(writeFile(dir + "/out.csv", "old"));
        QVERIFY(writeFile(dir + "/other.txt", transcript("1 q").replace("good", "other")));
        const std::tuple<QString, int, QString> failures[] = {
            {"events @/missing.txt", 1, "@/missing.txt: no such file"},
            {"summary @/good.txt --scheme @/bad.txt", 1,
             "@/bad.txt:2: unknown kind evt (point or state)"},
            {"summary @/good.txt --from 1.2345", 1,
             "--from: not a number of seconds (at most three decimals): 1.2345"},
            {"summary @/good.txt --from 4 --to 3", 1,
             "@/good.txt: the span ends before it starts: from 4.000 to 3.000"},
            {"summary @/good.txt --bin 0", 1,
             "--bin: not a positive number of seconds (at most three decimals): 0"},
            {"events @/good.txt --lag 1s", 1,
             "--lag: not a number of seconds (at most three decimals): 1s"},
            {"latency @/good.txt --after z", 1,
             "--after: key z never occurs in the span of any file"},
            {"eaf @/other.txt --scheme @/scheme.txt", 1,
             "@/other.txt: no behaviour of the scheme occurs"},
            {"merge @/good.txt @/scheme.txt", 1,
             "@/scheme.txt: not a transcript: no time-stamped line"},
            {"merge @/good.txt", 2, "merge takes at least two files"},
            {"merge @/good.txt @/../" + QFileInfo(dir).fileName() + "/good.txt", 2,
             "@/../" + QFileInfo(dir).fileName() +
                 "/good.txt: is @/good.txt again; merge passes "
                 "of one video, each once"},
            {"merge @/good.txt @/other.txt", 2,
             "@/other.txt: names the video \"other\", @/good.txt names \"good\" (--force merges "
             "them anyway)"},
            {"events @/out.csv", 2,
             "-o: @/out.csv is an input; the output goes to a file of its own"},
            {"", 2, "no command"},
            {"events @/good.txt --fast", 2, "unknown option --fast"}};
        const QStringList before = entriesOf(dir);
        for (auto [arguments, code, message] : failures) {
            const auto [exitCode, err, out] = run(dir, arguments + " -o @/out.csv");
            QCOMPARE(exitCode, code);
            // Warnings about the input and Qt's own remarks may come first.
            const QStringList lines = err.split('\n', Qt::SkipEmptyParts);
            const qsizetype at = lines.indexOf(QRegularExpression("^keystamp-data: .*"));
            QVERIFY2(at >= 0, qPrintable(err));
            QCOMPARE(lines[at], "keystamp-data: " + message.replace("@", dir));
            QCOMPARE(lines.value(at + 1).startsWith("usage: keystamp-data"), code == 2);
            QCOMPARE(contentsOf(dir + "/out.csv"), QByteArray("old"));
            QCOMPARE(entriesOf(dir), before);
        }
        // A complete table replaces out.csv; time going back is a warning only.
        // walk 1-4 of the 5 s span; alarm twice: 24 a minute.
        const auto [exitCode, err, out] =
            run(dir, "summary @/good.txt --scheme @/scheme.txt -o @/out.csv");
        QCOMPARE(exitCode, 0);
        QCOMPARE(err, dir + "/good.txt:7: time goes back from 3.000 to 2.000\n");
        QVERIFY(out.isEmpty());
        QCOMPARE(contentsOf(dir + "/out.csv"),
                 QString("file,video,behaviour,kind,count,total_duration,mean_duration,proportion,"
                         "rate_per_min\r\n@/good.txt,good,walk,state,1,3.000,3.000,0.600,12.000\r\n"
                         "@/good.txt,good,alarm,point,2,,,,24.000\r\n")
                     .replace("@", dir)
                     .toUtf8());
        // A merge that every command reads: by time, good's w and other's q
        // at 1 s in input order, then good's a at 2 and 3 and w at 4 (no
        // scheme: each key its own point, in order of first appearance).
        QCOMPARE(std::get<0>(run(dir, "merge @/good.txt @/other.txt --force -o @/m.txt")), 0);
        QCOMPARE(body(std::get<2>(run(dir, "transitions @/m.txt --lag -1"))).join(' '),
                 QString("@/m.txt,w,q,1,1.000 @/m.txt,q,a,1,1.000 @/m.txt,a,w,1,0.500 "
                         "@/m.txt,a,a,1,0.500")
                     .replace("@", dir));
        // A picture of the session, 1000 pixels wide.
        QCOMPARE(std::get<0>(run(dir, "plot @/good.txt -o @/t.png")), 0);
        QCOMPARE(QImage(dir + "/t.png").width(), 1000);
        // Every key on one paused frame, or one line: a span of no length,
        // whose shares, rates and intervals are left undefined.
        QVERIFY(writeFile(dir + "/still.txt", transcript("1 w; 1 a; 1 w")));
        QVERIFY(writeFile(dir + "/one.txt", transcript("2 a")));
        for (const char* command :
             {"events @/one.txt", "bouts @/still.txt", "plot @/still.txt -o @/s.svg",
              "agree @/still.txt @/still.txt --match 1", "transitions @/one.txt"})
            QCOMPARE(std::get<0>(run(dir, QString::fromLatin1(command) + " --scheme @/scheme.txt")),
                     0);
        QCOMPARE(body(std::get<2>(run(dir, "summary @/still.txt --scheme @/scheme.txt"))),
                 QString("@/still.txt,good,walk,state,1,0.000,0.000,, @/still.txt,good,alarm,point,"
                         "1,,,,")
                     .replace("@", dir)
                     .split(' '));
        QCOMPARE(body(std::get<2>(run(dir, "agree @/still.txt @/one.txt --interval 1 --from 1 "
                                           "--to 1 --scheme @/scheme.txt"))),
                 QStringList({"walk,state,0,0,0,0,0,NA,NA", "alarm,point,0,0,0,0,0,NA,NA"}));
    }
};

QTEST_GUILESS_MAIN(Analysis)
#include "tst_analysis.moc"
