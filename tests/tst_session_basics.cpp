// The session record, the transport symbols and the key-name table.
#include "session/key_names.h"
#include "session/state.h"

#include <QtTest>

#include <thread>

class SessionBasics : public QObject {
    Q_OBJECT
private slots:
    void freshStateHasDefaults() {
        const stateDef s;
        QCOMPARE(s.hopSize, 1000);
        QCOMPARE(s.hopList, (std::vector<std::int64_t>{100, 200, 500, 1000, 2000, 5000}));
        QCOMPARE(s.playAtRate, 1.0f);
        QCOMPARE(s.markTime, 0.0f);
        QCOMPARE(s.hopTotal, 0);
        QCOMPARE(s.resizesSinceLoad, 0);
        QCOMPARE(s.vidBasename, QStringLiteral("nil"));
        QVERIFY(!s.didFinishLaunching);
        QVERIFY(s.window == nullptr && s.script == nullptr && s.playerView == nullptr);
        QVERIFY(s.tbTextBlock.isNull() && s.codeDisplay.isNull());
        QVERIFY(qAbs(s.loadTime.secsTo(QDateTime::currentDateTime())) <= 1);
    }

    void hopTargetIsMarkPlusOffset() {
        stateDef s;
        s.markTime = 12.5f;
        s.hopTotal = -1500;
        QCOMPARE(s.hopTarget(), 11.0);
    }

    void savedStateIsOneInstanceAcrossThreads() {
        stateDef* seen[2] = {nullptr, nullptr};
        std::thread a([&] { seen[0] = &savedState(); });
        std::thread b([&] { seen[1] = &savedState(); });
        a.join();
        b.join();
        QCOMPARE(seen[0], seen[1]);
        QCOMPARE(seen[0], &savedState());
    }

    void tapeSymbolsDefaults() {
        const tapeSymbolsStruct& t = tapeSymbols();
        QCOMPARE(t.pause.size(), 3);
        QCOMPARE(t.pause, QStringLiteral("\u2759 \u2759"));
        QCOMPARE(t.home.size(), 2);
        QCOMPARE(t.back, QStringLiteral("\u25C0"));
        QCOMPARE(t.play, QStringLiteral("\u25B6"));
        QCOMPARE(t.dot, QStringLiteral("\u25CF"));
        QCOMPARE(t.eject, QStringLiteral("\u23CF"));
        const tapeSymbolsStruct custom(
            QStringLiteral("p"), QStringLiteral("pl"), QStringLiteral("b"), QStringLiteral("f"),
            QStringLiteral("r"), QStringLiteral("s"), QStringLiteral("e"), QStringLiteral("u"),
            QStringLiteral("d"), QStringLiteral("o"), QStringLiteral("h"));
        QCOMPARE(custom.play, QStringLiteral("pl"));
        QCOMPARE(custom.home, QStringLiteral("h"));
    }

    void keyNameTable() {
        // Every pair, written out apart from the table in the code.
        const QString pairs = QStringLiteral(
            "36 Return,48 Tab,49 Space,51 Delete,53 Escape,123 LeftArrow,124 RightArrow,"
            "125 DownArrow,126 UpArrow,115 Home,119 End,116 PageUp,121 PageDown,"
            "117 ForwardDelete,114 Help,122 F1,120 F2,99 F3,118 F4,96 F5,97 F6,98 F7,100 F8,"
            "101 F9,109 F10,103 F11,111 F12,105 F13,107 F14,113 F15,106 F16,64 F17,79 F18,"
            "80 F19,90 F20,43 Comma,47 Dot,44 Slash,50 backtick,18 1,29 zero,27 minus,39 apost,"
            "71 clear,81 kp_equals,75 kp_slash,67 kp_star,83 1,82 zero,65 Dot,78 kp_minus,"
            "69 kp_plus,76 kp_enter");
        QHash<std::uint16_t, QString> expected;
        for (const QString& pair : pairs.split(QLatin1Char(','))) {
            const QStringList codeAndName = pair.split(QLatin1Char(' '));
            expected.insert(std::uint16_t(codeAndName[0].toUInt()), codeAndName[1]);
        }
        QCOMPARE(expected.size(), 53);
        QCOMPARE(mapKeyCodeToName(), expected);
        QCOMPARE(keyName(49), std::optional<QString>(QStringLiteral("Space")));
        QVERIFY(!keyName(0));  // A
        QVERIFY(!keyName(84)); // keypad 2
    }
};

QTEST_GUILESS_MAIN(SessionBasics)
#include "tst_session_basics.moc"
