// keystamp-data: turns Keystamp transcripts into behaviour data (CSV tables
// and timeline pictures) for scripts, R and Python.
#include "data_tool/commands.h"
#include "storage/file_writer.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void say(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
}

int fail(const QString& message) {
    say(QStringLiteral("keystamp-data: ") + message);
    return 1;
}

// Writes the whole output, to a file by way of a synced temporary that
// replaces it only once complete, or to standard output.
bool write(const QString& path, const QByteArray& bytes, QString* error) {
    if (path.isEmpty() || path == QLatin1String("-")) {
        QFile out;
        if (out.open(stdout, QIODevice::WriteOnly) && out.write(bytes) == bytes.size() &&
            out.flush())
            return true;
        *error = QStringLiteral("standard output: ") + out.errorString();
        return false;
    }
    QString why;
    if (writeReplacement(path, bytes, &why))
        return true;
    *error = path + QStringLiteral(": cannot write: ") + why;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    // Only plot draws, and it needs no display.
    const bool plot = argc > 1 && std::strcmp(argv[1], "plot") == 0;
    if (plot && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::unique_ptr<QCoreApplication> app = plot ? std::make_unique<QGuiApplication>(argc, argv)
                                                 : std::make_unique<QCoreApplication>(argc, argv);

    const QStringList arguments = app->arguments().mid(1);
    if (arguments.value(0) == QLatin1String("--help") ||
        arguments.value(0) == QLatin1String("-h")) {
        std::fputs(kHelp, stdout);
        std::fputs(kUsage, stdout);
        return 0;
    }
    Options options;
    QString usageError;
    if (!parseOptions(arguments, &options, &usageError)) {
        say(QStringLiteral("keystamp-data: ") + usageError);
        std::fputs(kUsage, stderr);
        return 2;
    }
    QByteArray output;
    QStringList warnings;
    Failure failure;
    const int status = runCommand(options, &output, &warnings, &failure);
    for (const QString& w : warnings)
        say(w);
    if (status == 2) {
        say(QStringLiteral("keystamp-data: ") + failure.text());
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (status != 0)
        return fail(failure.text());
    QString error;
    if (!write(options.output, output, &error))
        return fail(error);
    return 0;
}
