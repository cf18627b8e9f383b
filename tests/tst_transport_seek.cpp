// Seeking: the go-to grammar, milliseconds, the pause before every seek, and
// the go-to field handing the keys back to the player view.
#include "session/state.h"
#include "support/fake_player.h"
#include "support/test_helpers.h"
#include "transport/goto_controller.h"
#include "transport/player_view.h"
#include "transport/seek.h"

#include <QVBoxLayout>
#include <QtTest>

#include <cmath>

class TransportSeek : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> window;
    AVPlayerViewAcceptsDrop* view = nullptr;
    gotoController* field = nullptr;
    FakePlayer* player = nullptr;

    void givePlayer() {
        auto p = std::make_unique<FakePlayer>();
        player = p.get();
        view->setPlayer(std::move(p));
    }

private slots:
    void init() {
        resetSession();
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        view = new AVPlayerViewAcceptsDrop(window.get());
        field = new gotoController(window.get());
        layout->addWidget(view);
        layout->addWidget(field);
        savedState().playerView = view;
        savedState().gotoField = field;
        player = nullptr;
    }
    void cleanup() {
        window.reset();
        resetSession();
    }

    void acceptedTextsAndTheirMilliseconds_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("ms");
        QTest::newRow("90") << "90" << qint64(90000);
        QTest::newRow("12.3456") << "12.3456" << qint64(12346);
        QTest::newRow("0.0004") << "0.0004" << qint64(0);
        QTest::newRow("0.0005") << "0.0005" << qint64(1);
        QTest::newRow("1e2") << "1e2" << qint64(100000);
        QTest::newRow("thousands") << "1,234.5" << qint64(1234500);
        QTest::newRow("comma gone") << "1,5" << qint64(15000);
        QTest::newRow("plus") << "+2.5" << qint64(2500);
        QTest::newRow("point first") << ".5" << qint64(500);
        QTest::newRow("point last") << "7." << qint64(7000);
        QTest::newRow("hexadecimal") << "0x10" << qint64(16000);
        QTest::newRow("exponent sign") << "25E-1" << qint64(2500);
        QTest::newRow("negative") << "-1" << qint64(-1000);
        QTest::newRow("negative half") << "-0.0005" << qint64(0);
        QTest::newRow("negative rounds down") << "-1.0006" << qint64(-1001);
    }
    void acceptedTextsAndTheirMilliseconds() {
        QFETCH(QString, text);
        QFETCH(qint64, ms);
        const std::optional<double> seconds = parseGotoText(text);
        QVERIFY(seconds);
        QCOMPARE(seekMilliseconds(*seconds), std::optional<std::int64_t>(ms));

        givePlayer();
        player->setRateSilently(2.0f);
        seekToTime(text);
        QCOMPARE(player->rateCalls, std::vector<float>{0.0f});
        QCOMPARE(player->seeks, std::vector<std::int64_t>{ms});
    }

    void rejectedTextsLeaveThePlayerAlone_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("only commas") << ",,";
        QTest::newRow("leading blank") << " 90";
        QTest::newRow("trailing blank") << "90 ";
        QTest::newRow("trailing line feed") << "90\n";
        QTest::newRow("tab inside") << "9\t0";
        QTest::newRow("minutes") << "1:30";
        QTest::newRow("letters") << "abc";
        QTest::newRow("trailing letter") << "12s";
        QTest::newRow("two points") << "1.2.3";
        QTest::newRow("not ASCII digits") << QString::fromUtf8("\xef\xbc\x99\xef\xbc\x90");
        QTest::newRow("not ASCII after") << QString::fromUtf8("90\xc2\xa0");
        QTest::newRow("nul inside")
            << QString(QStringLiteral("9") + QChar(0) + QStringLiteral("0"));
        QTest::newRow("lone sign") << "-";
        QTest::newRow("lone exponent") << "e5";
    }
    void rejectedTextsLeaveThePlayerAlone() {
        QFETCH(QString, text);
        QVERIFY(!parseGotoText(text));
        givePlayer();
        player->setRateSilently(1.0f);
        seekToTime(text);
        QVERIFY(player->rateCalls.empty());
        QVERIFY(player->seeks.empty());
    }

    void numbersThatAreNoTimeAreNotSought_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("infinity") << "inf";
        QTest::newRow("minus infinity") << "-infinity";
        QTest::newRow("not a number") << "nan";
        QTest::newRow("beyond 64 bits") << "1e16";
        QTest::newRow("far beyond") << "1e400";
    }
    void numbersThatAreNoTimeAreNotSought() {
        QFETCH(QString, text);
        QVERIFY(parseGotoText(text)); // the grammar takes them
        givePlayer();
        seekToTime(text);
        QVERIFY(player->seeks.empty());
        // The largest that fit still go through.
        QCOMPARE(seekMilliseconds(9.2e15), std::optional<std::int64_t>(9200000000000000000LL));
    }

    void secondsRoundToTheNearestMillisecond() {
        givePlayer();
        player->setRateSilently(1.0f);
        // A hop to 1 s before the mark lands on -1000 ms, not -999.
        seekToTime(-1.0);
        seekToTime(0.0);
        seekToTime(2.0005);
        QCOMPARE(player->rateCalls, (std::vector<float>{0.0f, 0.0f, 0.0f}));
        QCOMPARE(player->seeks, (std::vector<std::int64_t>{-1000, 0, 2001}));
    }

    void withoutAPlayerNothingHappens() {
        seekToTime(5.0);
        seekToTime(QStringLiteral("5"));
        QVERIFY(!view->player());
    }

    void goToPausesKeepsTheTextAndGivesKeysToThePlayerView() {
        givePlayer();
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QCOMPARE(field->focusPolicy(), Qt::ClickFocus);
        QTest::mouseClick(field, Qt::LeftButton);
        QVERIFY(field->hasFocus());
        player->setRateSilently(1.0f);
        QTest::keyClicks(field, QStringLiteral("1,234.5"));
        QTest::keyClick(field, Qt::Key_Left);
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(player->rate(), 0.0f);
        QCOMPARE(player->seeks, std::vector<std::int64_t>{1234500});
        QCOMPARE(field->text(), QStringLiteral("1,234.5"));
        QCOMPARE(field->cursorPosition(), 7);
        QVERIFY(!field->hasSelectedText());
        QVERIFY(view->hasFocus());
        // Keys typed now reach the player view, not the field.
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(view));
    }

    void leavingTheFieldEndsTheEditingOnce() {
        givePlayer();
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::mouseClick(field, Qt::LeftButton);
        QTest::keyClicks(field, QStringLiteral("42"));
        // Tab and a click on the player view end it just as Return does.
        QTest::keyClick(field, Qt::Key_Tab);
        QCOMPARE(player->seeks, std::vector<std::int64_t>{42000});
        QVERIFY(view->hasFocus());
        QTest::mouseClick(field, Qt::LeftButton);
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("7"));
        view->setFocus(Qt::MouseFocusReason);
        QCOMPARE(player->seeks, (std::vector<std::int64_t>{42000, 7000}));
    }

    void aTextThatIsNoTimeStillPausesAndHandsOverTheKeys() {
        givePlayer();
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::mouseClick(field, Qt::LeftButton);
        player->setRateSilently(1.0f);
        QTest::keyClicks(field, QStringLiteral("1:30"));
        QTest::keyClick(field, Qt::Key_Enter);
        QCOMPARE(player->rate(), 0.0f);
        QVERIFY(player->seeks.empty());
        QCOMPARE(field->text(), QStringLiteral("1:30"));
        QVERIFY(view->hasFocus());
    }

    void withoutAPlayerTheFieldOnlyHandsOverTheKeys() {
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::mouseClick(field, Qt::LeftButton);
        QTest::keyClicks(field, QStringLiteral("5"));
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(view->hasFocus());
        QCOMPARE(field->text(), QStringLiteral("5"));
    }
};

QTEST_MAIN(TransportSeek)
#include "tst_transport_seek.moc"
