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
        const auto& table = mapKeyCodeToName();
        QCOMPARE(table.size(), 53);
        QCOMPARE(keyName(49), std::optional<QString>(QStringLiteral("Space")));
        QCOMPARE(keyName(36), std::optional<QString>(QStringLiteral("Return")));
        QCOMPARE(keyName(83), keyName(18));
        QCOMPARE(keyName(18), std::optional<QString>(QStringLiteral("1")));
        QCOMPARE(keyName(65), keyName(47));
        QCOMPARE(keyName(65), std::optional<QString>(QStringLiteral("Dot")));
        QCOMPARE(keyName(82), std::optional<QString>(QStringLiteral("zero")));
        QVERIFY(!keyName(0));  // A
        QVERIFY(!keyName(84)); // keypad 2
        // Every name is one of the documented spellings; the three shared names
        // are the only repeats.
        QMap<QString, int> uses;
        for (const QString& name : table)
            ++uses[name];
        for (auto it = uses.cbegin(); it != uses.cend(); ++it) {
            const bool shared = it.key() == QLatin1String("1") ||
                                it.key() == QLatin1String("zero") ||
                                it.key() == QLatin1String("Dot");
            QCOMPARE(it.value(), shared ? 2 : 1);
        }
    }
};

QTEST_GUILESS_MAIN(SessionBasics)
#include "tst_session_basics.moc"
