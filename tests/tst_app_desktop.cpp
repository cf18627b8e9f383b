// Desktop integration: the launcher entry and the AppStream metadata pass
// their validators, and an install puts the program, its resources and
// those files where desktops and the program itself look for them.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int code = -1;
    QString output;
};

Run run(const QString& program, const QStringList& arguments, int timeoutMs = 120000) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    Run r;
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.code = p.exitCode();
    r.output = QString::fromLocal8Bit(p.readAll());
    return r;
}

const QString kDesktop = QStringLiteral(KEYSTAMP_SOURCE_DIR "/resources/desktop/");

} // namespace

class AppDesktop : public QObject {
    Q_OBJECT

private slots:
    void desktopEntryIsValid() {
        const Run r = run(QStringLiteral("desktop-file-validate"),
                          {kDesktop + QStringLiteral("keystamp.desktop")});
        QVERIFY2(r.code == 0 && !r.output.contains(QLatin1String("error")), qPrintable(r.output));
        QFile file(kDesktop + QStringLiteral("keystamp.desktop"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
        QVERIFY(lines.contains(QStringLiteral("Exec=keystamp %F")));
        QStringList types;
        for (const QString& line : lines) {
            if (line.startsWith(QLatin1String("MimeType=")))
                types = line.mid(9).split(';', Qt::SkipEmptyParts);
        }
        for (const char* type : {"video/mp4", "video/quicktime", "video/x-matroska", "video/webm"})
            QVERIFY2(types.contains(QLatin1String(type)), type);
    }

    void appstreamMetadataIsValid() {
        const Run r = run(QStringLiteral("appstreamcli"),
                          {QStringLiteral("validate"), QStringLiteral("--no-net"),
                           kDesktop + QStringLiteral("org.keystamp.Keystamp.metainfo.xml")});
        QVERIFY2(r.code == 0, qPrintable(r.output));
    }

    void installPutsEverythingInPlace() {
        QTemporaryDir prefix;
        const QString build = QFileInfo(QStringLiteral(KEYSTAMP_BINARY)).absolutePath();
        const Run r = run(QStringLiteral("cmake"), {QStringLiteral("--install"), build,
                                                    QStringLiteral("--prefix"), prefix.path()});
        QVERIFY2(r.code == 0, qPrintable(r.output));
        const QDir root(prefix.path());
        for (const char* file :
             {"bin/keystamp", "share/keystamp/help/index.html", "share/keystamp/brushed-metal.jpg",
              "share/keystamp/movie.mp4", "share/applications/keystamp.desktop",
              "share/icons/hicolor/scalable/apps/keystamp.svg",
              "share/metainfo/org.keystamp.Keystamp.metainfo.xml"})
            QVERIFY2(QFileInfo::exists(root.filePath(QLatin1String(file))), file);
        QVERIFY(QFileInfo(root.filePath(QStringLiteral("bin/keystamp"))).isExecutable());
        // The interface file is built into the program, not shipped.
        QVERIFY(!QFileInfo::exists(root.filePath(QStringLiteral("share/keystamp/mainwindow.ui"))));
    }
};

QTEST_GUILESS_MAIN(AppDesktop)
#include "tst_app_desktop.moc"
