#include "support/test_helpers.h"

#include "platform/alert.h"
#include "session/state.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

AlertRecorder::AlertRecorder() {
    setAlertHandler([this](const QString& m, const QString& i) { alerts.emplace_back(m, i); });
}

AlertRecorder::~AlertRecorder() {
    setAlertHandler({});
}

void resetSession() {
    savedState() = stateDef();
}

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QProcessEnvironment traced(QProcessEnvironment env, const QString& dir, const QString& log) {
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(KEYSTAMP_TRACE_SHIM));
    env.insert(QStringLiteral("KEYSTAMP_TRACE_DIR"), dir);
    if (!log.isEmpty())
        env.insert(QStringLiteral("KEYSTAMP_TRACE_LOG"), log);
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               env.value(QStringLiteral("ASAN_OPTIONS")) + ":verify_asan_link_order=0");
    return env;
}
