#include "storage/data_export.h"

#include "analysis/tables.h"
#include "analysis/timeline.h"
#include "platform/alert.h"
#include "platform/date_format.h"
#include "session/state.h"
#include "storage/storage_folder.h"
#include "storage/transcript_file.h"
#include "transport/player_view.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <utility>
#include <vector>

namespace {

QStringList fail(const QString& why) {
    showAlert(QStringLiteral("Export Data"),
              QStringLiteral("The data could not be exported:\n%1").arg(why));
    return {};
}

} // namespace

QStringList exportData() {
    const stateDef& state = savedState();
    const QString stem = transcriptStem(formatDate(state.loadTime, kLoadStampPattern),
                                        namePartOf(state.vidBasename));
    // Read as the transcript file will be, header and all.
    const bool hasItem = state.playerView && state.playerView->player() &&
                         state.playerView->player()->hasCurrentItem();
    const QString content = transcriptHeader(formatDate(state.loadTime, kHeaderDatePattern),
                                             videoNameOf(state.vidBasename, hasItem)) +
                            transcriptText();
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
    for (const auto& [suffix, bytes] : files) {
        QSaveFile file(folder.filePath(stem + suffix));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            return fail(QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
        written << file.fileName();
    }
    return written;
}
