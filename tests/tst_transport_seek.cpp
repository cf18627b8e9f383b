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

class TransportSeek : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> window;
    AVPlayerViewAcceptsDrop* view = nullptr;
    gotoController* field = nullptr;

    FakePlayer* givePlayer(float rate) {
        auto p = std::make_unique<FakePlayer>();
        FakePlayer* player = p.get();
        player->setRateSilently(rate);
        view->setPlayer(std::move(p));
        return player;
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
        QTest::newRow("point first") << ".5" << qint64(500);
        QTest::newRow("hexadecimal") << "0x10" << qint64(16000);
        QTest::newRow("negative") << "-1" << qint64(-1000);
        QTest::newRow("negative half") << "-0.0005" << qint64(0);
        QTest::newRow("negative rounds down") << "-1.0006" << qint64(-1001);
    }
    void acceptedTextsAndTheirMilliseconds() {
        QFETCH(QString, text);
        QFETCH(qint64, ms);
        FakePlayer* player = givePlayer(2.0f);
        seekToTime(text);
        QCOMPARE(player->rateCalls, std::vector<float>{0.0f});
        QCOMPARE(player->seeks, std::vector<std::int64_t>{ms});
    }

    void rejectedTextsLeaveThePlayerAlone_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("parses"); // a number, but no time to seek to
        QTest::newRow("empty") << "" << false;
        QTest::newRow("leading blank") << " 90" << false;
        QTest::newRow("trailing line feed") << "90\n" << false;
        QTest::newRow("minutes") << "1:30" << false;
        QTest::newRow("trailing letter") << "12s" << false;
        QTest::newRow("not ASCII digits") << QString::fromUtf8("\xef\xbc\x99\xef\xbc\x90") << false;
        QTest::newRow("nul inside") << QString(QStringLiteral("9") + QChar(0) + '0') << false;
        QTest::newRow("lone sign") << "-" << false;
        QTest::newRow("infinity") << "inf" << true;
        QTest::newRow("not a number") << "nan" << true;
        QTest::newRow("beyond 64 bits") << "1e16" << true;
    }
    void rejectedTextsLeaveThePlayerAlone() {
        QFETCH(QString, text);
        QFETCH(bool, parses);
        QCOMPARE(bool(parseGotoText(text)), parses);
        FakePlayer* player = givePlayer(1.0f);
        seekToTime(text);
        QVERIFY(parses || player->rateCalls.empty());
        QVERIFY(player->seeks.empty());
        // The largest that fit still go through.
        QCOMPARE(seekMilliseconds(9.2e15), std::optional<std::int64_t>(9200000000000000000LL));
    }

    void theFieldPausesSeeksOnceAndGivesTheKeysBack_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("end"); // a key, or 0 for a click on the player view
        QTest::addColumn<bool>("withPlayer");
        QTest::addColumn<qint64>("ms"); // -1: no seek
        QTest::newRow("Return") << "1,234.5" << int(Qt::Key_Return) << true << qint64(1234500);
        QTest::newRow("Tab") << "42" << int(Qt::Key_Tab) << true << qint64(42000);
        QTest::newRow("click on the view") << "7" << 0 << true << qint64(7000);
        QTest::newRow("no time") << "1:30" << int(Qt::Key_Enter) << true << qint64(-1);
        QTest::newRow("no player") << "5" << int(Qt::Key_Return) << false << qint64(-1);
    }
    void theFieldPausesSeeksOnceAndGivesTheKeysBack() {
        QFETCH(QString, text);
        QFETCH(int, end);
        QFETCH(bool, withPlayer);
        QFETCH(qint64, ms);
        FakePlayer* player = withPlayer ? givePlayer(1.0f) : nullptr;
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::mouseClick(field, Qt::LeftButton);
        QVERIFY(field->hasFocus());
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Left);
        if (end)
            QTest::keyClick(field, Qt::Key(end));
        else
            view->setFocus(Qt::MouseFocusReason);
        QCOMPARE(field->text(), text);
        QCOMPARE(field->cursorPosition(), text.size());
        QVERIFY(!field->hasSelectedText());
        // Keys typed now reach the player view, not the field.
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(view));
        if (!player)
            return;
        QCOMPARE(player->rate(), 0.0f);
        QCOMPARE(player->seeks,
                 ms < 0 ? std::vector<std::int64_t>{} : std::vector<std::int64_t>{ms});
    }
};

QTEST_MAIN(TransportSeek)
#include "tst_transport_seek.moc"
