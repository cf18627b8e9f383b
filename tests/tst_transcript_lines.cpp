// Transcript lines: layout, styling, the observer's cursor, and numbers that
// keep "." whatever the locale.
#include "platform/date_format.h"
#include "session/format.h"
#include "session/state.h"
#include "session/transcript.h"
#include "support/logic_widgets.h"

#include <QRandomGenerator>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

#include <clocale>
#include <cstdio>

class TranscriptLines : public QObject {
    Q_OBJECT

    std::unique_ptr<LogicWidgets> w;

private slots:
    void init() { w = std::make_unique<LogicWidgets>(); }
    void cleanup() { w.reset(); }

    void notesAppendOneLineFeed() {
        recordNote(QString());
        QCOMPARE(w->script.toPlainText(), QStringLiteral("\n"));
        recordNote(QStringLiteral("two\nlines"));
        QCOMPARE(w->script.toPlainText(), QStringLiteral("\ntwo\nlines\n"));
    }

    void notesAreStyledOverTheWholeLine() {
        recordNote(QStringLiteral("styled"));
        QTextCursor c(w->script.document());
        c.setPosition(3);
        const QTextCharFormat f = c.charFormat();
        QCOMPARE(f.font().pointSizeF(), 14.0);
        QVERIFY(QFontInfo(f.font()).fixedPitch());
        const QColor color = f.foreground().color();
        QCOMPARE(qRound(color.redF() * 100), 70);
        QCOMPARE(qRound(color.greenF() * 100), 30);
        QCOMPARE(qRound(color.blueF() * 100), 30);
        QCOMPARE(qRound(color.alphaF() * 100), 90);
    }

    void appendingKeepsTheObserversCursorAndSelection() {
        // An empty transcript has its cursor at the end, where lines arrive.
        recordNote(QStringLiteral("first"));
        QCOMPARE(w->script.textCursor().position(), 0);
        QTextCursor sel(w->script.document());
        sel.setPosition(1);
        sel.setPosition(4, QTextCursor::KeepAnchor);
        w->script.setTextCursor(sel);
        recordNote(QStringLiteral("second"));
        QCOMPARE(w->script.textCursor().anchor(), 1);
        QCOMPARE(w->script.textCursor().position(), 4);
        // A cursor standing at the very end stays there too.
        QTextCursor atEnd(w->script.document());
        atEnd.movePosition(QTextCursor::End);
        const int end = atEnd.position();
        w->script.setTextCursor(atEnd);
        recordNote(QStringLiteral("third"));
        QCOMPARE(w->script.textCursor().position(), end);
        QCOMPARE(w->script.toPlainText(), QStringLiteral("first\nsecond\nthird\n"));
    }

    void viewFollowsNewLinesOnlyFromItsEnd_data() {
        QTest::addColumn<bool>("scrolledUp");
        QTest::newRow("at the end: follows") << false;
        QTest::newRow("scrolled up: stays") << true;
    }
    void viewFollowsNewLinesOnlyFromItsEnd() {
        QFETCH(bool, scrolledUp);
        w->script.resize(300, 200);
        w->script.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w->script));
        QScrollBar* bar = w->script.verticalScrollBar();
        for (int i = 0; i < 500; ++i)
            recordNote(QStringLiteral("line %1").arg(i));
        QVERIFY(bar->maximum() > 400);
        QCOMPARE(bar->value(), bar->maximum());
        if (scrolledUp)
            bar->setValue(100);
        const QTextCursor cursor = w->script.textCursor();
        const int before = bar->value();
        recordNote(QStringLiteral("newest"));
        QCOMPARE(bar->value(), scrolledUp ? before : bar->maximum());
        QVERIFY(bar->value() != before || scrolledUp);
        QCOMPARE(w->script.textCursor(), cursor);
        // The last line is in view exactly when following.
        const QRect last =
            w->script.cursorRect(QTextCursor(w->script.document()->lastBlock().previous()));
        QCOMPARE(w->script.viewport()->rect().contains(last), !scrolledUp);
    }

    void lineTimeIsTheStampedTimeUntilTheLineIsEdited_data() {
        QTest::addColumn<QString>("typed"); // by the observer, before the recorded line
        QTest::addColumn<bool>("edit");     // of the recorded line
        QTest::addColumn<int>("line");
        QTest::addColumn<double>("time"); // NaN: none
        const double none = qQNaN();
        QTest::newRow("recorded") << QString() << false << 0 << 12.3456;
        QTest::newRow("recorded, then edited") << QString() << true << 0 << 12.35;
        QTest::newRow("typed with a time") << "   -3.50  10:00:00  z\n" << false << 0 << -3.5;
        QTest::newRow("typed without a time") << "note\n" << false << 0 << none;
        QTest::newRow("recorded into a typed line") << "note" << false << 0 << none;
        QTest::newRow("recorded after a typed line") << "note\n" << false << 1 << 12.3456;
    }
    void lineTimeIsTheStampedTimeUntilTheLineIsEdited() {
        QFETCH(QString, typed);
        QFETCH(bool, edit);
        QFETCH(int, line);
        QFETCH(double, time);
        QTextCursor cursor(w->script.document());
        cursor.insertText(typed);
        recordTimedNote(12.3456, QStringLiteral("a"));
        QTextBlock block = w->script.document()->findBlockByNumber(line);
        if (edit) {
            cursor.setPosition(block.position() + block.length() - 1);
            cursor.insertText(QStringLiteral("b"));
        }
        const std::optional<double> t = lineTime(block);
        QCOMPARE(t.has_value(), !qIsNaN(time));
        if (t)
            QCOMPARE(*t, time);
    }

    void undoDoesNotTakeBackRecordedLines() {
        styleTranscript(&w->script);
        recordNote(QStringLiteral("kept"));
        w->script.undo();
        QCOMPARE(w->script.toPlainText(), QStringLiteral("kept\n"));
    }

    void timedNoteLayout() {
        recordTimedNote(3.0, QStringLiteral("x"));
        const QString line = w->script.toPlainText().chopped(1);
        QCOMPARE(line.left(10), QStringLiteral("    3.00  "));
        QCOMPARE(line.mid(18), QStringLiteral("  x"));
        QCOMPARE(w->echo.text(), line);
        const QTime clock = QTime::fromString(line.mid(10, 8), QStringLiteral("HH:mm:ss"));
        QVERIFY(clock.isValid());
        QVERIFY(qAbs(clock.secsTo(QTime::currentTime())) <= 2 ||
                qAbs(clock.secsTo(QTime::currentTime())) >= 86398);
    }

    void negativeTimeStandsForThePlayer() {
        recordTimedNote(-1.0, QStringLiteral("x"));
        QVERIFY(w->script.toPlainText().startsWith(QStringLiteral("   -1.00  ")));
        w->givePlayer(0.0f, 83.2);
        recordTimedNote(-1.0, QStringLiteral("y"));
        QVERIFY(w->echo.text().startsWith(QStringLiteral("   83.20  ")));
        QVERIFY(w->echo.text().endsWith(QStringLiteral("  y")));
    }

    void listenerSeesEveryLine() {
        QStringList seen;
        setTranscriptListener([&](const QString& l) { seen << l; });
        recordNote(QStringLiteral("a"));
        recordTimedNote(1.0, QStringLiteral("b"));
        setTranscriptListener({});
        recordNote(QStringLiteral("c"));
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen.at(0), QStringLiteral("a"));
        QCOMPARE(seen.at(1), w->echo.text());
    }

    void fixedFormatsMatchPrintfInTheCLocale() {
        QCOMPARE(formatFixed(7.5, 2, 8), QStringLiteral("    7.50"));
        QCOMPARE(formatFixed(-2.5, 2, 8), QStringLiteral("   -2.50"));
        QCOMPARE(formatFixed(123456.78, 2, 8), QStringLiteral("123456.78"));
        QCOMPARE(formatFixed(-0.0001, 2, 8), QStringLiteral("   -0.00"));
        QCOMPARE(formatFixed(0.25f, 2), QStringLiteral("0.25"));
        auto* rng = QRandomGenerator::global();
        for (int i = 0; i < 2000; ++i) {
            const double v = (rng->generateDouble() - 0.5) * std::pow(10.0, rng->bounded(-3, 9));
            char expected[64];
            std::snprintf(expected, sizeof expected, "%8.2f", v);
            QCOMPARE(formatFixed(v, 2, 8), QString::fromLatin1(expected));
        }
    }

    void decimalPointIgnoresTheLocale() {
        const std::string previous = std::setlocale(LC_ALL, nullptr);
        QVERIFY2(std::setlocale(LC_ALL, "de_DE.UTF-8"), "de_DE.UTF-8 locale is not installed");
        char german[32];
        std::snprintf(german, sizeof german, "%.2f", 1.5);
        QCOMPARE(QString::fromLatin1(german), QStringLiteral("1,50")); // the locale took effect
        QCOMPARE(formatFixed(1.5, 2), QStringLiteral("1.50"));
        QCOMPARE(timeStampedLine(12.3456, QStringLiteral("14:03:09"), QStringLiteral("a")),
                 QStringLiteral("   12.35  14:03:09  a"));
        std::setlocale(LC_ALL, previous.c_str());
    }

    void datePatternsInLocaleAndZone() {
        // 18:14:46 on 5 December 2026 in Berlin.
        const QDateTime when =
            QDateTime::fromString(QStringLiteral("2026-12-05T17:14:46Z"), Qt::ISODate);
        const QString berlin = QStringLiteral("Europe/Berlin");
        QCOMPARE(formatDate(when, QStringLiteral("yyyy.MM.dd-HH.mm.ss"), QStringLiteral("en_US"),
                            berlin),
                 QStringLiteral("2026.12.05-18.14.46"));
        QCOMPARE(formatDate(when, QStringLiteral("EEEE, MMMM d, yyyy h:mm:ss a"),
                            QStringLiteral("en_US"), berlin),
                 QStringLiteral("Saturday, December 5, 2026 6:14:46 PM"));
        QCOMPARE(formatDate(when, QStringLiteral("EEEE, MMMM d"), QStringLiteral("de_DE"), berlin),
                 QStringLiteral("Samstag, Dezember 5"));
        QCOMPARE(formatDate(when, QStringLiteral("HH:mm:ss"), QStringLiteral("en_US"),
                            QStringLiteral("America/New_York")),
                 QStringLiteral("12:14:46"));
        QCOMPARE(formatDate(when, QStringLiteral("MddHH"), QStringLiteral("en_US"), berlin),
                 QStringLiteral("120518"));
        // The line's clock runs on 24 hours, in the local zone.
        for (const char* clock : {"09:05:07", "21:05:07"})
            QCOMPARE(clockText(QDateTime(QDate(2026, 12, 5), QTime::fromString(clock))),
                     QLatin1String(clock));
    }
};

QTEST_MAIN(TranscriptLines)
#include "tst_transcript_lines.moc"
