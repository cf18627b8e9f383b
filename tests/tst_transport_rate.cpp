// The playback rate: reading a segment's label, applying the rate to a
// playing video only, and the transcript line that every choice leaves.
#include "session/state.h"
#include "support/fake_player.h"
#include "support/test_helpers.h"
#include "transport/player_view.h"
#include "transport/rate.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QtTest>

#include <cmath>

class TransportRate : public QObject {
    Q_OBJECT

    std::unique_ptr<AVPlayerViewAcceptsDrop> view;
    std::unique_ptr<QPlainTextEdit> script;
    std::unique_ptr<QLabel> echo;
    FakePlayer* player = nullptr;

    QStringList lines() const {
        return script->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private slots:
    void init() {
        resetSession();
        view = std::make_unique<AVPlayerViewAcceptsDrop>();
        script = std::make_unique<QPlainTextEdit>();
        echo = std::make_unique<QLabel>();
        auto p = std::make_unique<FakePlayer>();
        player = p.get();
        view->setPlayer(std::move(p));
        savedState().playerView = view.get();
        savedState().script = script.get();
        savedState().codeDisplay = echo.get();
    }
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

    void aChoiceWhilePlayingTakesEffectAtOnce() {
        player->setRateSilently(1.0f);
        player->time = 83.2;
        setRate(0.5f);
        QCOMPARE(savedState().playAtRate, 0.5f);
        QCOMPARE(player->rate(), 0.5f);
        QCOMPARE(lines().size(), 1);
        QVERIFY(lines().last().startsWith(QStringLiteral("   83.20  ")));
        QVERIFY(lines().last().endsWith(QStringLiteral("  rate_set_to_0.50")));
        QCOMPARE(echo->text(), lines().last());
    }

    void aChoiceWhileStoppedIsStoredAndRecorded() {
        player->time = 4.0;
        setRate(16.0f);
        QCOMPARE(savedState().playAtRate, 16.0f);
        QVERIFY(player->rateCalls.empty());
        QCOMPARE(player->rate(), 0.0f);
        QCOMPARE(lines().size(), 1);
        QVERIFY(lines().last().startsWith(QStringLiteral("    4.00  ")));
        QVERIFY(lines().last().endsWith(QStringLiteral("rate_set_to_16.00")));
        // The same rate again is one more line.
        setRate(16.0f);
        QCOMPARE(lines().size(), 2);
    }

    void entriesRoundToTwoDecimalsWhileTheFullRateApplies() {
        player->setRateSilently(1.0f);
        setRate(0.25f);
        QVERIFY(lines().last().endsWith(QStringLiteral("rate_set_to_0.25")));
        setRate(0.333f);
        QVERIFY(lines().last().endsWith(QStringLiteral("rate_set_to_0.33")));
        QCOMPARE(player->rate(), 0.333f);
        QCOMPARE(savedState().playAtRate, 0.333f);
        // A label without a number gives 0: a playing video stops.
        setRate(floatValue(QStringLiteral("stop")));
        QCOMPARE(player->rate(), 0.0f);
        QVERIFY(lines().last().endsWith(QStringLiteral("rate_set_to_0.00")));
        QCOMPARE(rateEntry(0.1f), QStringLiteral("rate_set_to_0.10"));
    }

    void withoutAPlayerTheLineCarriesMinusOne() {
        savedState().playerView = nullptr;
        setRate(2.0f);
        QCOMPARE(savedState().playAtRate, 2.0f);
        QVERIFY(lines().last().startsWith(QStringLiteral("   -1.00  ")));
    }
};

QTEST_MAIN(TransportRate)
#include "tst_transport_rate.moc"
