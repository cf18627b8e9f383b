#include "data_tool/commands.h"

#include "analysis/agreement.h"
#include "analysis/coding.h"
#include "analysis/eaf.h"
#include "analysis/latency.h"
#include "analysis/merge.h"
#include "analysis/millis.h"
#include "analysis/sequences.h"
#include "analysis/tables.h"
#include "analysis/timeline.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QMimeDatabase>
#include <QUrl>

const char kUsage[] =
    "usage: keystamp-data events FILE... [--scheme S] [-o OUT]\n"
    "       keystamp-data bouts FILE... --scheme S [-o OUT]\n"
    "       keystamp-data summary FILE... [--scheme S] [--from T --to T] [--bin W] [-o OUT]\n"
    "       keystamp-data transitions FILE... [--scheme S] [--from T --to T] [-o OUT]\n"
    "       keystamp-data latency FILE... [--scheme S] [--from T --to T] [--after KEY] [-o OUT]\n"
    "       keystamp-data agree A B --interval W [--scheme S] [--from T --to T] [-o OUT]\n"
    "       keystamp-data agree A B --match W [--scheme S] [-o OUT]\n"
    "       keystamp-data plot FILE [--scheme S] -o OUT.svg|OUT.png\n"
    "       keystamp-data eaf FILE --scheme S [-o OUT.eaf]\n"
    "       keystamp-data merge A B... [--force] [-o OUT.txt]\n"
    "       (every command but merge also takes --lag S)\n";

const char kHelp[] =
    "keystamp-data: behaviour data from Keystamp transcripts.\n\n"
    "Commands (tables are CSV on standard output, or in OUT with -o):\n"
    "  events       every line of each file, coded: keystamp-data events s.txt --scheme c.txt\n"
    "  bouts        every stretch of a state: keystamp-data bouts s.txt --scheme c.txt\n"
    "  summary      count, total and mean duration, proportion and rate of each behaviour\n"
    "               in the span; --bin W: the same for each W seconds of it (mean left\n"
    "               empty): keystamp-data summary s.txt --scheme c.txt --bin 60\n"
    "  transitions  how often each onset (a point, or a state's start) follows another, per\n"
    "               file and, for two or more files, pooled as \"all\":\n"
    "               keystamp-data transitions a.txt b.txt --scheme c.txt\n"
    "  latency      seconds from the span's start (or from the first KEY with --after KEY)\n"
    "               to each behaviour's first onset; empty when there is none:\n"
    "               keystamp-data latency s.txt --scheme c.txt --after s\n"
    "  agree        interval-by-interval agreement and kappa of two observers, or matched\n"
    "               events: keystamp-data agree a.txt b.txt --interval 1 --scheme c.txt\n"
    "  plot         a timeline picture: keystamp-data plot s.txt --scheme c.txt -o t.svg\n"
    "  eaf          an ELAN document, one tier per behaviour that occurs: states from start\n"
    "               to stop, points 0.1 s long or up to the next annotation of their tier\n"
    "               when that comes sooner; events of one tier at the same millisecond make\n"
    "               one annotation. The video is looked up beside the transcript:\n"
    "               keystamp-data eaf s.txt --scheme c.txt -o s.eaf\n"
    "  merge        one transcript from passes over one video, lines verbatim, in time\n"
    "               order: keystamp-data merge pass1.txt pass2.txt -o both.txt\n\n"
    "Options:\n"
    "  --scheme S   coding scheme: lines KEY BEHAVIOUR point|state [GROUP]\n"
    "  --from T, --to T  the span in seconds (default: first to last time-stamped line)\n"
    "  --bin W      summary per bin of W seconds; the last bin ends at the span's end\n"
    "  --after KEY  latency from the first line of KEY at or after the span's start\n"
    "  --lag S      read every time as time minus S seconds (S may be negative)\n"
    "  --force      merge passes that name different videos\n"
    "  -o OUT       write OUT whole, or leave it as it was; never one of the inputs\n\n"
    "Reading the tables (an empty latency reads as NA in R, NaN in pandas):\n"
    "  R       tr <- read.csv(\"transitions.csv\")\n"
    "          xtabs(count ~ from + to, subset(tr, file == \"all\"))\n"
    "          lat <- read.csv(\"latency.csv\"); aggregate(latency ~ behaviour, lat, median)\n"
    "  pandas  tr = pandas.read_csv(\"transitions.csv\")\n"
    "          tr[tr.file == \"all\"].pivot(index=\"from\", columns=\"to\", "
    "values=\"probability\")\n"
    "          bins = pandas.read_csv(\"bins.csv\")\n"
    "          bins.pivot_table(index=\"bin_start\", columns=\"behaviour\", "
    "values=\"proportion\")\n\n"
    "Exit status: 0 done, 1 bad data (the message names the file and line), 2 usage.\n\n";

bool parseOptions(const QStringList& args, Options* o, QString* error) {
    if (args.isEmpty() || args.first().startsWith(QLatin1Char('-'))) {
        *error = QStringLiteral("no command");
        return false;
    }
    o->command = args.first();
    const QMap<QString, QString*> valued{
        {"--scheme", &o->scheme}, {"-o", &o->output},           {"--from", &o->from},
        {"--to", &o->to},         {"--interval", &o->interval}, {"--match", &o->match},
        {"--lag", &o->lag},       {"--bin", &o->bin},           {"--after", &o->after}};
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (valued.contains(a)) {
            if (i + 1 == args.size()) {
                *error = a + QStringLiteral(" needs a value");
                return false;
            }
            *valued[a] = args[++i];
        } else if (a == QLatin1String("--force")) {
            o->force = true;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            *error = QStringLiteral("unknown option ") + a;
            return false;
        } else {
            o->files << a;
        }
    }
    const QString& c = o->command;
    const bool tables =
        c == "events" || c == "bouts" || c == "summary" || c == "transitions" || c == "latency";
    const bool spans = c == "summary" || c == "transitions" || c == "latency" ||
                       (c == "agree" && o->match.isEmpty());
    const bool one = c == "plot" || c == "eaf";
    if (!tables && c != "agree" && !one && c != "merge")
        *error = QStringLiteral("unknown command ") + c;
    else if (o->files.isEmpty() || (c == "agree" && o->files.size() != 2) ||
             (one && o->files.size() != 1) || (c == "merge" && o->files.size() < 2))
        *error = QStringLiteral("%1 takes %2")
                     .arg(c, c == "agree"   ? "two files"
                             : one          ? "one file"
                             : c == "merge" ? "at least two files"
                                            : "at least one file");
    else if ((c == "bouts" || c == "eaf") && o->scheme.isEmpty())
        *error = c + QStringLiteral(" needs --scheme");
    else if (!spans && !(o->from.isEmpty() && o->to.isEmpty()))
        *error = QStringLiteral(
            "--from and --to are for summary, transitions, latency and agree --interval");
    else if (c == "agree" && o->interval.isEmpty() == o->match.isEmpty())
        *error = QStringLiteral("agree takes one of --interval and --match");
    else if (c != "agree" && !(o->interval.isEmpty() && o->match.isEmpty()))
        *error = QStringLiteral("--interval and --match are for agree");
    else if (c != "summary" && !o->bin.isEmpty())
        *error = QStringLiteral("--bin is for summary");
    else if (c != "latency" && !o->after.isEmpty())
        *error = QStringLiteral("--after is for latency");
    else if (c != "merge" && o->force)
        *error = QStringLiteral("--force is for merge");
    else if (c == "merge" && !(o->scheme.isEmpty() && o->lag.isEmpty()))
        *error = QStringLiteral("merge copies lines verbatim: --scheme and --lag are for the "
                                "commands that read the merged file");
    else if (c == "plot" && !pictureFormatOf(o->output))
        *error = QStringLiteral("plot needs -o OUT.svg or -o OUT.png");
    return error->isEmpty();
}

namespace {

enum class Sign { Any, NotNegative, Positive };

// A number option: nothing when not given, a failure when not a number of
// the sign asked for.
bool number(const QString& name, const QString& text, std::optional<qint64>* value,
            Failure* failure, Sign sign = Sign::Any) {
    if (text.isEmpty())
        return true;
    *value = parseMillis(text);
    if (!*value || (sign == Sign::Positive && **value <= 0) ||
        (sign == Sign::NotNegative && **value < 0)) {
        *failure = {name, 0,
                    QStringLiteral("not a %1number of seconds (at most three decimals): %2")
                        .arg(sign == Sign::Positive      ? "positive "
                             : sign == Sign::NotNegative ? "non-negative "
                                                         : "",
                             text)};
        return false;
    }
    return true;
}

// The one file that two names lead to, if they do.
bool sameFile(const QString& a, const QString& b) {
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

// -o naming an input would replace it with the output; a usage error.
bool overwritesInput(const Options& o, Failure* failure) {
    QStringList inputs = o.files;
    if (!o.scheme.isEmpty())
        inputs << o.scheme;
    for (const QString& input : inputs)
        if (!o.output.isEmpty() && o.output != QLatin1String("-") && sameFile(o.output, input)) {
            *failure = {QStringLiteral("-o"), 0,
                        QStringLiteral("%1 is an input; the output goes to a file of its own")
                            .arg(o.output)};
            return true;
        }
    return false;
}

int merge(const Options& o, QByteArray* output, QStringList* warnings, Failure* failure) {
    for (qsizetype i = 0; i < o.files.size(); ++i)
        for (qsizetype j = 0; j < i; ++j)
            if (sameFile(o.files[i], o.files[j])) {
                *failure = {o.files[i], 0,
                            QStringLiteral("is %1 again; merge passes of one video, each once")
                                .arg(o.files[j])};
                return 2;
            }
    std::vector<MergeInput> inputs;
    for (const QString& file : o.files) {
        const std::optional<QByteArray> bytes = readWholeFile(file, failure);
        if (!bytes)
            return 1;
        std::optional<Transcript> t = parseTranscript(file, *bytes, failure);
        if (!t)
            return 1;
        *warnings << t->warnings;
        if (!o.force && !inputs.empty() && t->video != inputs.front().transcript.video) {
            *failure = {file, 0,
                        QStringLiteral("names the video \"%1\", %2 names \"%3\" (--force merges "
                                       "them anyway)")
                            .arg(t->video, inputs.front().transcript.file,
                                 inputs.front().transcript.video)};
            return 2;
        }
        inputs.push_back({std::move(*t), *bytes});
    }
    *output = mergeTranscripts(inputs);
    return 0;
}

// The video of a transcript for ELAN: a file beside the transcript whose name
// without extension is the video's name, as a path relative to the document.
std::pair<QString, QString> mediaOf(const Coding& c, const QString& output, QStringList* warnings) {
    if (c.video.isEmpty()) {
        *warnings << c.file + QStringLiteral(": names no video; the document has none");
        return {};
    }
    const QDir outDir =
        QFileInfo(output.isEmpty() || output == QLatin1String("-") ? QStringLiteral("x") : output)
            .absoluteDir();
    const QDir beside = QFileInfo(c.file).absoluteDir();
    const QMimeDatabase mime;
    for (const QFileInfo& f :
         beside.entryInfoList({c.video + QStringLiteral(".*")}, QDir::Files, QDir::Name)) {
        const QString type = mime.mimeTypeForFile(f, QMimeDatabase::MatchExtension).name();
        if (f.completeBaseName() == c.video &&
            (type.startsWith(QLatin1String("video/")) || type.startsWith(QLatin1String("audio/"))))
            return {outDir.relativeFilePath(f.absoluteFilePath()),
                    QUrl::fromLocalFile(f.absoluteFilePath()).toString()};
    }
    *warnings << QStringLiteral("%1: no video named %2 beside it; ELAN will ask for it")
                     .arg(c.file, c.video);
    return {c.video, QUrl::fromLocalFile(outDir.filePath(c.video)).toString()};
}

} // namespace

int runCommand(const Options& o, QByteArray* output, QStringList* warnings, Failure* failure) {
    if (overwritesInput(o, failure))
        return 2;
    if (o.command == "merge")
        return merge(o, output, warnings, failure);
    std::optional<qint64> from, to, interval, match, lag, bin;
    if (!number("--from", o.from, &from, failure) || !number("--to", o.to, &to, failure) ||
        !number("--interval", o.interval, &interval, failure, Sign::Positive) ||
        !number("--match", o.match, &match, failure, Sign::NotNegative) ||
        !number("--lag", o.lag, &lag, failure) ||
        !number("--bin", o.bin, &bin, failure, Sign::Positive))
        return 1;
    CodingScheme scheme;
    if (!o.scheme.isEmpty()) {
        std::optional<CodingScheme> read = readScheme(o.scheme, failure);
        if (!read)
            return 1;
        scheme = std::move(*read);
    }
    std::vector<Transcript> transcripts;
    for (const QString& file : o.files) {
        std::optional<Transcript> t = readTranscript(file, failure);
        if (!t)
            return 1;
        *warnings << t->warnings;
        if (lag)
            applyLag(*t, *lag);
        transcripts.push_back(std::move(*t));
    }
    std::vector<Coding> codings;
    std::vector<Span> spans;
    for (const Transcript& t : transcripts) {
        // An ELAN document needs no span: one stamped line is enough.
        std::optional<Span> span = o.command == "eaf"
                                       ? Span{t.firstMs, t.lastMs}
                                       : spanOf(t.file, t.firstMs, t.lastMs, from, to, failure);
        if (!span)
            return 1;
        spans.push_back(*span);
        codings.push_back(codeTranscript(t, scheme, qMax(span->to, t.lastMs)));
    }

    if (o.command == "summary" && bin) {
        CsvWriter csv = binnedSummaryTable();
        for (std::size_t i = 0; i < codings.size(); ++i) {
            const auto bins = summarizeBins(codings[i], spans[i], *bin, failure);
            if (!bins)
                return 1;
            appendBinnedSummary(csv, codings[i], *bins);
        }
        *output = csv.bytes();
    } else if (o.command == "events" || o.command == "bouts" || o.command == "summary") {
        CsvWriter csv = o.command == "events"  ? eventsTable()
                        : o.command == "bouts" ? boutsTable()
                                               : summaryTable();
        for (std::size_t i = 0; i < codings.size(); ++i) {
            if (o.command == "events")
                appendEvents(csv, codings[i]);
            else if (o.command == "bouts")
                appendBouts(csv, codings[i]);
            else
                appendSummary(csv, codings[i], spans[i]);
        }
        *output = csv.bytes();
    } else if (o.command == "transitions") {
        *output = transitionTable(transitions(codings, spans));
    } else if (o.command == "latency") {
        const QStringList order = behaviourOrder(codings);
        CsvWriter csv = latencyTable();
        bool anyReference = false;
        for (std::size_t i = 0; i < codings.size(); ++i) {
            const std::optional<qint64> reference = referenceOf(codings[i], spans[i], o.after);
            if (!reference)
                *warnings << QStringLiteral("%1: no line of key %2 at or after %3")
                                 .arg(codings[i].file, o.after, formatMillis(spans[i].from));
            anyReference = anyReference || reference;
            appendLatencies(csv, latencies(codings[i], spans[i], reference, order));
        }
        if (!anyReference) {
            *failure = {QStringLiteral("--after"), 0,
                        QStringLiteral("key %1 never occurs in the span of any file").arg(o.after)};
            return 1;
        }
        *output = csv.bytes();
    } else if (o.command == "eaf") {
        const auto [name, url] = mediaOf(codings[0], o.output, warnings);
        const std::optional<QByteArray> document = eafDocument(codings[0], name, url, failure);
        if (!document)
            return 1;
        *output = *document;
    } else if (o.command == "plot") {
        *output = timelinePicture(codings[0], spans[0], *pictureFormatOf(o.output));
    } else if (match) {
        *output = matchTable(matchEvents(codings[0], codings[1], *match));
    } else {
        const std::optional<Span> common = commonSpan(codings[0], codings[1], from, to, failure);
        if (!common)
            return 1;
        const auto rows = intervalAgreement(codings[0], codings[1], *common, *interval, failure);
        if (!rows)
            return 1;
        *output = intervalTable(*rows);
    }
    return 0;
}
