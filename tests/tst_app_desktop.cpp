// An install puts the program, its resources, the launcher entry and the
// metadata where desktops and the program look; moved, it runs on them and
// starts a second copy of itself.
#include "support/app_home.h"
#include "support/e2e_program.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

// Runs a tool to its end; its exit code (-1 if it did not end normally)
// and its output.
std::pair<int, QString> run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    const bool ended = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit;
    return {ended ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAll())};
}

// The files a process holds open.
QStringList openFiles(qint64 pid) {
    QStringList files;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System))
        files.append(QFileInfo(fds.filePath(fd)).symLinkTarget());
    return files;
}

} // namespace

class AppDesktop : public QObject {
    Q_OBJECT

private slots:
    void installPutsEverythingInPlace() {
        QTemporaryDir prefix;
        const QString build = QFileInfo(QStringLiteral(KEYSTAMP_BINARY)).absolutePath();
        const auto [code, output] =
            run(QStringLiteral("cmake"), {"--install", build, "--prefix", prefix.path()});
        QVERIFY2(code == 0, qPrintable(output));
        const QDir root(prefix.path());
        for (const char* file :
             {"share/keystamp/help/index.html", "share/keystamp/brushed-metal.jpg",
              "share/keystamp/movie.mp4", "share/applications/keystamp.desktop",
              "share/icons/hicolor/scalable/apps/keystamp.svg",
              "share/metainfo/org.keystamp.Keystamp.metainfo.xml"})
            QVERIFY2(QFileInfo::exists(root.filePath(QLatin1String(file))), file);
        QVERIFY(QFileInfo(root.filePath(QStringLiteral("bin/keystamp"))).isExecutable());
        QVERIFY(QFileInfo(root.filePath(QStringLiteral("bin/keystamp-data"))).isExecutable());

        // Moved elsewhere, the program finds its own tree's placeholder
        // and runs the stopwatch on it, with its icon.
        QTemporaryDir elsewhere;
        const QString moved = elsewhere.filePath(QStringLiteral("moved"));
        QVERIFY(QDir().rename(prefix.path(), moved));
        AppHome home;
        RunningProgram program(home.env(), moved + QStringLiteral("/bin/keystamp"));
        QVERIFY(program.start({}, QStringLiteral("^stopwatch")));
        const QString placeholder = moved + QStringLiteral("/share/keystamp/movie.mp4");
        QTRY_VERIFY_WITH_TIMEOUT(openFiles(program.pid()).contains(placeholder), 10000);
        QVERIFY(run("xprop", {"-id", program.window(), "_NET_WM_ICON"}).second.contains("Icon"));
        // New Player (the File menu's eighth command) starts a second copy;
        // both end by the termination signal, with nothing to save.
        QVERIFY(program.click(20, 10));
        QTest::qWait(300);
        QVERIFY(program.keys(QStringList(8, "Down") << "Return"));
        const QStringList windows = RunningProgram::waitForWindows(QStringLiteral("^stopwatch"), 2);
        QCOMPARE(windows.size(), 2);
        for (const QString& w : windows) {
            const qint64 pid =
                RunningProgram::xdotool({"getwindowpid", w}).value_or("0").toLongLong();
            QVERIFY(pid > 0);
            QCOMPARE(::kill(pid_t(pid), SIGTERM), 0);
        }
        QVERIFY(program.exitsCleanly());
        QVERIFY(RunningProgram::waitForWindows(QStringLiteral("^stopwatch"), 0).isEmpty());
        QVERIFY(home.transcriptFiles().isEmpty());
    }
};

QTEST_GUILESS_MAIN(AppDesktop)
#include "tst_app_desktop.moc"
