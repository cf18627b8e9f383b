// The playback rate: reading a segment's label, applying the rate to a
// playing video only, and the transcript line that every choice leaves.
#include "session/state.h"
#include "support/logic_widgets.h"
#include "support/test_helpers.h"
#include "transport/rate.h"

#include <QtTest>

class TransportRate : public QObject {
    Q_OBJECT

private slots:
    void init() { resetSession(); }
    void cleanup() { resetSession(); }

    void labelsReadAsFloatValueReadsThem_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<float>("value");
        for (const char* r : {"0.1", "0.25", "0.5", "1", "2", "4", "8", "16"})
            QTest::newRow(r) << QString::fromLatin1(r) << std::stof(r);
        QTest::newRow("trailing text") << "2x" << 2.0f;
        QTest::newRow("leading blanks") << "  \t0.5 speed" << 0.5f;
        QTest::newRow("sign") << "-1.5" << -1.5f;
        QTest::newRow("plus") << "+3" << 3.0f;
        QTest::newRow("exponent") << "1e1x" << 10.0f;
        QTest::newRow("exponent without digits") << "2e" << 2.0f;
        QTest::newRow("exponent sign without digits") << "2e-x" << 2.0f;
        QTest::newRow("point only fraction") << ".75" << 0.75f;
        QTest::newRow("no number") << "fast" << 0.0f;
        QTest::newRow("empty") << "" << 0.0f;
        QTest::newRow("lone point") << "." << 0.0f;
        QTest::newRow("no hexadecimal") << "0x10" << 0.0f;
        QTest::newRow("comma is no point") << "1,5" << 1.0f;
        QTest::newRow("too large") << "1e99" << std::numeric_limits<float>::infinity();
    }
    void labelsReadAsFloatValueReadsThem() {
        QFETCH(QString, label);
        QFETCH(float, value);
        QCOMPARE(floatValue(label), value);
    }

    void everyChoiceIsStoredAndRecorded_data() {
        QTest::addColumn<int>("player"); // -1 none, 0 stopped, 1 playing
        QTest::addColumn<float>("rate");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("entry");
        QTest::newRow("playing") << 1 << 0.5f << "   83.20"
                                 << "rate_set_to_0.50";
        QTest::newRow("stopped") << 0 << 16.0f << "   83.20"
                                 << "rate_set_to_16.00";
        QTest::newRow("two decimals") << 1 << 0.333f << "   83.20"
                                      << "rate_set_to_0.33";
        QTest::newRow("zero stops") << 1 << 0.0f << "   83.20"
                                    << "rate_set_to_0.00";
        QTest::newRow("no player") << -1 << 2.0f << "   -1.00"
                                   << "rate_set_to_2.00";
    }
    void everyChoiceIsStoredAndRecorded() {
        QFETCH(int, player);
        QFETCH(float, rate);
        QFETCH(QString, time);
        QFETCH(QString, entry);
        LogicWidgets w;
        FakePlayer* fake = w.givePlayer(float(player > 0), 83.2);
        if (player < 0)
            savedState().playerView = nullptr;

        // The same rate twice is two lines; the full rate applies to a
        // playing video only.
        for (int n = 1; n <= 2; ++n) {
            setRate(rate);
            QCOMPARE(savedState().playAtRate, rate);
            const QStringList lines = w.lines();
            QCOMPARE(lines.size(), n);
            QVERIFY2(lines.last().startsWith(time + "  ") && lines.last().endsWith("  " + entry),
                     qPrintable(lines.last()));
            QCOMPARE(w.echo.text(), lines.last());
        }
        if (player >= 0)
            QCOMPARE(fake->rate(), player > 0 ? rate : 0.0f);
        if (player == 0)
            QVERIFY(fake->rateCalls.empty());
    }
};

QTEST_MAIN(TransportRate)
#include "tst_transport_rate.moc"
