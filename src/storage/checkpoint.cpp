#include "storage/checkpoint.h"

#include "platform/alert.h"
#include "platform/date_format.h"
#include "session/state.h"
#include "storage/file_writer.h"
#include "storage/storage_folder.h"
#include "storage/transcript_file.h"

#include <QSet>

namespace {

// The checkpoint files the current session wrote, which its later
// checkpoints may replace.
struct SessionCheckpoints {
    QDateTime loadTime;
    QString vidBasename;
    QSet<QString> paths;
};

SessionCheckpoints& written() {
    static SessionCheckpoints files;
    return files;
}

QString checkpointStem(const QString& loadStamp, const QString& namePart,
                       const QString& checkpointTime) {
    return transcriptStem(loadStamp, namePart) + QStringLiteral("--checkpoint-at--") +
           checkpointTime;
}

QString checkpointFailureText() {
    return QStringLiteral("There was a problem while writing a file.\n"
                          "Short term, consider saving your work\n"
                          " by printing or by copy & paste.\n\n"
                          "After that, test that files can be created\n"
                          "in the Documents folder.");
}

} // namespace

QString checkpointFileName(const QString& loadStamp, const QString& namePart,
                           const QString& checkpointTime) {
    return checkpointStem(loadStamp, namePart, checkpointTime) + QStringLiteral(".txt");
}

void checkpointFile() {
    const stateDef& state = savedState();
    const QString stamp = formatDate(state.loadTime, kLoadStampPattern);
    const QString time = formatDate(QDateTime::currentDateTime(), QStringLiteral("HH.mm.ss"));
    const QString stem = checkpointStem(stamp, namePartOf(state.vidBasename), time);
    const QString text = transcriptText();
    const QString folder = storageURL().toLocalFile();

    SessionCheckpoints& own = written();
    if (own.loadTime != state.loadTime || own.vidBasename != state.vidBasename)
        own = SessionCheckpoints{state.loadTime, state.vidBasename, {}};

    const QString path = writeWithoutClobbering(folder, stem, text.toUtf8(), own.paths);
    if (path.isEmpty()) {
        showAlert(QStringLiteral("Data Save"), checkpointFailureText());
        return;
    }
    own.paths.insert(path);
    countSuccessfulSave();
}

void forgetCheckpoints() {
    written() = SessionCheckpoints{};
}
