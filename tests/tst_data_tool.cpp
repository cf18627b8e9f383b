// keystamp-data as a script runs it: real files, exit codes, messages, and
// an output file that is written whole or not at all.
#include "support/saved_sessions.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

struct Run {
    int code = -1;
    QString err;
    QByteArray out;
};

Run run(const QStringList& arguments) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the tool picks its own
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KEYSTAMP_DATA_TOOL), arguments);
    p.waitForFinished(30000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardError()), p.readAllStandardOutput()};
}

} // namespace

class DataTool : public QObject {
    Q_OBJECT
    std::optional<SavedSessions> sessions;
    QString dir, good;

    // The arguments with "@" standing for the test's folder.
    QStringList inDir(QStringList arguments) const {
        return arguments.replaceInStrings(QStringLiteral("@"), dir);
    }

private slots:
    void init() {
        sessions.emplace();
        good = sessions->save("good", "0 play_x_1.00; 1 w; 3 a; 2 a; 4 w; 5 stop");
        dir = QFileInfo(good).absolutePath();
        QVERIFY(writeFile(dir + "/scheme.txt", "w walk state\na alarm point\n"));
        QVERIFY(writeFile(dir + "/bad.txt", "w walk state\na alarm evt\n"));
        QVERIFY(writeFile(dir + "/notes.txt", "#\n# video_name v\njust words\n"));
        QVERIFY(writeFile(dir + "/out.csv", "old"));
        QFile::rename(good, dir + "/good.txt");
    }
    void cleanup() { sessions.reset(); }

    void failures_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing file") << QStringList{"events", "@/missing.txt"} << 1
                                      << "keystamp-data: @/missing.txt: no such file";
        QTest::newRow("bad scheme line")
            << QStringList{"summary", "@/good.txt", "--scheme", "@/bad.txt"} << 1
            << "keystamp-data: @/bad.txt:2: unknown kind evt (point or state)";
        QTest::newRow("no time-stamped line")
            << QStringList{"events", "@/good.txt", "@/notes.txt"} << 1
            << "keystamp-data: @/notes.txt: not a transcript: no time-stamped line";
        QTest::newRow("bad number")
            << QStringList{"summary", "@/good.txt", "--from", "1.2345"} << 1
            << "keystamp-data: --from: not a number of seconds (at most three decimals): 1.2345";
        QTest::newRow("empty span")
            << QStringList{"summary", "@/good.txt", "--from", "4", "--to", "4"} << 1
            << "keystamp-data: @/good.txt: empty span: from 4.000 to 4.000";
        QTest::newRow("span shorter than the interval")
            << QStringList{"agree", "@/good.txt", "@/good.txt", "--interval", "6"} << 1
            << "keystamp-data: @/good.txt and @/good.txt: the span of 5.000 s holds no whole "
               "interval of 6.000 s";
        QTest::newRow("no command") << QStringList{} << 2 << "keystamp-data: no command";
        QTest::newRow("agree with one file") << QStringList{"agree", "@/good.txt", "--match", "1"}
                                             << 2 << "keystamp-data: agree takes two files";
        QTest::newRow("bouts without scheme")
            << QStringList{"bouts", "@/good.txt"} << 2 << "keystamp-data: bouts needs --scheme";
        QTest::newRow("plot to text") << QStringList{"plot", "@/good.txt"} << 2
                                      << "keystamp-data: plot needs -o OUT.svg or -o OUT.png";
        QTest::newRow("unknown option") << QStringList{"events", "@/good.txt", "--fast"} << 2
                                        << "keystamp-data: unknown option --fast";
    }
    // One message, the usage after a usage error, and out.csv untouched.
    void failures() {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, message);
        const QStringList before = entriesOf(dir);
        const Run r = run(inDir(arguments << "-o"
                                          << "@/out.csv"));
        QCOMPARE(r.code, code);
        // Warnings about the input and Qt's own remarks may come first.
        const QStringList lines = r.err.split('\n', Qt::SkipEmptyParts);
        const qsizetype at = lines.indexOf(QRegularExpression("^keystamp-data: .*"));
        QVERIFY2(at >= 0, qPrintable(r.err));
        QCOMPARE(lines[at], message.replace("@", dir));
        QCOMPARE(lines.value(at + 1).startsWith("usage: keystamp-data"), code == 2);
        QCOMPARE(contentsOf(dir + "/out.csv"), QByteArray("old"));
        QCOMPARE(entriesOf(dir), before);
    }

    // A complete table replaces out.csv; time going back is a warning only.
    void tableToFile() {
        const Run r =
            run(inDir({"summary", "@/good.txt", "--scheme", "@/scheme.txt", "-o", "@/out.csv"}));
        QCOMPARE(r.code, 0);
        QCOMPARE(r.err, dir + "/good.txt:7: time goes back from 3.000 to 2.000\n");
        QVERIFY(r.out.isEmpty());
        // walk 1-4 of the 5 s span; alarm twice: 24 a minute.
        QCOMPARE(contentsOf(dir + "/out.csv"),
                 QString("file,video,behaviour,kind,count,total_duration,mean_duration,proportion,"
                         "rate_per_min\r\n@/good.txt,good,walk,state,1,3.000,3.000,0.600,12.000\r\n"
                         "@/good.txt,good,alarm,point,2,,,,24.000\r\n")
                     .replace("@", dir)
                     .toUtf8());
    }

    void pictures() {
        QCOMPARE(
            run(inDir({"plot", "@/good.txt", "--scheme", "@/scheme.txt", "-o", "@/t.svg"})).code,
            0);
        QXmlStreamReader xml(contentsOf(dir + "/t.svg"));
        QVERIFY(xml.readNextStartElement());
        QCOMPARE(xml.name(), QStringLiteral("svg"));
        while (!xml.atEnd())
            xml.readNext();
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(run(inDir({"plot", "@/good.txt", "-o", "@/t.png"})).code, 0);
        QCOMPARE(QImage(dir + "/t.png").width(), 1000);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("keystamp"));
    QApplication::setApplicationDisplayName(QStringLiteral("Keystamp"));
    DataTool test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_data_tool.moc"
