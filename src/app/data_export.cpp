#include "app/data_export.h"

#include "analysis/tables.h"
#include "analysis/timeline.h"
#include "platform/alert.h"
#include "session/state.h"
#include "storage/disk_worker.h"
#include "storage/file_writer.h"
#include "storage/storage_folder.h"
#include "storage/transcript_file.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>

#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

QString failureText(const QString& why) {
    return QStringLiteral("The data could not be exported:\n%1").arg(why);
}

QStringList fail(const QString& why) {
    showAlert(QStringLiteral("Export Data"), failureText(why));
    return {};
}

// On the disk worker: publishes the staged files in order until one fails;
// the ones after it are dropped. The failure, if any, comes back.
DiskWorker::Result publishAll(const std::vector<StagedFile>& staged) {
    for (std::size_t i = 0; i < staged.size(); ++i) {
        if (publishStaged(staged[i]).published)
            continue;
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        for (std::size_t j = i + 1; j < staged.size(); ++j) {
            ::close(staged[j].fd);
            ::unlink(QFile::encodeName(staged[j].temporary).constData());
        }
        return [path = staged[i].path, why] {
            if (QLabel* status = savedState().tbTextBlock)
                status->setText(QStringLiteral("Export Data: %1 could not be written")
                                    .arg(QFileInfo(path).fileName()));
            showLateAlert(QStringLiteral("Export Data"),
                          failureText(QStringLiteral("%1: %2").arg(path, why)));
        };
    }
    return {};
}

} // namespace

QStringList exportData() {
    // Read as the transcript file will be, header and all.
    const SessionFiles names = currentSessionFiles();
    const QString& stem = names.stem;
    const QString content = names.header + transcriptText();
    QString problem;
    if (!makeStorageFolder(&problem))
        return fail(problem);
    const QDir folder(storageFolderPath());

    Failure failure;
    const std::optional<Transcript> transcript =
        parseTranscript(stem + QStringLiteral(".txt"), content.toUtf8(), &failure);
    if (!transcript)
        return fail(failure.text());
    CodingScheme scheme;
    const QString schemePath = folder.filePath(kCodingSchemeFileName);
    if (QFileInfo::exists(schemePath)) {
        std::optional<CodingScheme> read = readScheme(schemePath, &failure);
        if (!read)
            return fail(failure.text());
        scheme = std::move(*read);
    }
    const std::optional<Span> span =
        spanOf(transcript->file, transcript->firstMs, transcript->lastMs, {}, {}, &failure);
    if (!span)
        return fail(failure.text());

    const Coding coding = codeTranscript(*transcript, scheme, span->to);
    CsvWriter events = eventsTable(), bouts = boutsTable(), summary = summaryTable();
    appendEvents(events, coding);
    appendBouts(bouts, coding);
    appendSummary(summary, coding, *span);
    CsvWriter latency = latencyTable();
    appendLatencies(latency, latencies(coding, *span, span->from, behaviourOrder({coding})));
    const std::vector<std::pair<QString, QByteArray>> files{
        {QStringLiteral("--events.csv"), events.bytes()},
        {QStringLiteral("--bouts.csv"), bouts.bytes()},
        {QStringLiteral("--summary.csv"), summary.bytes()},
        {QStringLiteral("--transitions.csv"), transitionTable(transitions({coding}, {*span}))},
        {QStringLiteral("--latency.csv"), latency.bytes()},
        {QStringLiteral("--timeline.svg"), timelinePicture(coding, *span, PictureFormat::Svg)}};
    QStringList written;
    std::vector<StagedFile> staged;
    for (const auto& [suffix, bytes] : files) {
        const QString path = folder.filePath(stem + suffix);
        staged.push_back(stageReplacement(path, bytes));
        if (staged.back().path.isEmpty()) {
            const QString why = QString::fromLocal8Bit(std::strerror(errno));
            staged.pop_back();
            for (const StagedFile& s : staged) {
                ::close(s.fd);
                QFile::remove(s.temporary);
            }
            return fail(QStringLiteral("%1: %2").arg(path, why));
        }
        written << path;
    }
    diskWorker().postWithResult([staged] { return publishAll(staged); });
    return written;
}
