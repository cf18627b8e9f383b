#include "data_tool/commands.h"

#include "analysis/agreement.h"
#include "analysis/coding.h"
#include "analysis/millis.h"
#include "analysis/tables.h"
#include "analysis/timeline.h"

#include <QMap>

const char kUsage[] =
    "usage: keystamp-data events FILE... [--scheme S] [-o OUT]\n"
    "       keystamp-data bouts FILE... --scheme S [-o OUT]\n"
    "       keystamp-data summary FILE... [--scheme S] [--from T --to T] [-o OUT]\n"
    "       keystamp-data agree A B --interval W [--scheme S] [--from T --to T] [-o OUT]\n"
    "       keystamp-data agree A B --match W [--scheme S] [-o OUT]\n"
    "       keystamp-data plot FILE [--scheme S] -o OUT.svg|OUT.png\n";

bool parseOptions(const QStringList& args, Options* o, QString* error) {
    if (args.isEmpty() || args.first().startsWith(QLatin1Char('-'))) {
        *error = QStringLiteral("no command");
        return false;
    }
    o->command = args.first();
    const QMap<QString, QString*> valued{{"--scheme", &o->scheme},     {"-o", &o->output},
                                         {"--from", &o->from},         {"--to", &o->to},
                                         {"--interval", &o->interval}, {"--match", &o->match}};
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (valued.contains(a)) {
            if (i + 1 == args.size()) {
                *error = a + QStringLiteral(" needs a value");
                return false;
            }
            *valued[a] = args[++i];
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            *error = QStringLiteral("unknown option ") + a;
            return false;
        } else {
            o->files << a;
        }
    }
    const QString& c = o->command;
    const bool tables = c == "events" || c == "bouts" || c == "summary";
    const bool spans = c == "summary" || (c == "agree" && o->match.isEmpty());
    if (!tables && c != "agree" && c != "plot")
        *error = QStringLiteral("unknown command ") + c;
    else if (o->files.isEmpty() || (c == "agree" && o->files.size() != 2) ||
             (c == "plot" && o->files.size() != 1))
        *error = QStringLiteral("%1 takes %2")
                     .arg(c, c == "agree"  ? "two files"
                             : c == "plot" ? "one file"
                                           : "at least one file");
    else if (c == "bouts" && o->scheme.isEmpty())
        *error = QStringLiteral("bouts needs --scheme");
    else if (!spans && !(o->from.isEmpty() && o->to.isEmpty()))
        *error = QStringLiteral("--from and --to are for summary and agree --interval");
    else if (c == "agree" && o->interval.isEmpty() == o->match.isEmpty())
        *error = QStringLiteral("agree takes one of --interval and --match");
    else if (c != "agree" && !(o->interval.isEmpty() && o->match.isEmpty()))
        *error = QStringLiteral("--interval and --match are for agree");
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

} // namespace

bool runCommand(const Options& o, QByteArray* output, QStringList* warnings, Failure* failure) {
    std::optional<qint64> from, to, interval, match;
    if (!number("--from", o.from, &from, failure) || !number("--to", o.to, &to, failure) ||
        !number("--interval", o.interval, &interval, failure, Sign::Positive) ||
        !number("--match", o.match, &match, failure, Sign::NotNegative))
        return false;
    CodingScheme scheme;
    if (!o.scheme.isEmpty()) {
        std::optional<CodingScheme> read = readScheme(o.scheme, failure);
        if (!read)
            return false;
        scheme = std::move(*read);
    }
    std::vector<Transcript> transcripts;
    for (const QString& file : o.files) {
        std::optional<Transcript> t = readTranscript(file, failure);
        if (!t)
            return false;
        *warnings << t->warnings;
        transcripts.push_back(std::move(*t));
    }
    std::vector<Coding> codings;
    std::vector<Span> spans;
    for (const Transcript& t : transcripts) {
        std::optional<Span> span = spanOf(t.file, t.firstMs, t.lastMs, from, to, failure);
        if (!span)
            return false;
        spans.push_back(*span);
        codings.push_back(codeTranscript(t, scheme, qMax(span->to, t.lastMs)));
    }

    if (o.command == "events" || o.command == "bouts" || o.command == "summary") {
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
    } else if (o.command == "plot") {
        *output = timelinePicture(codings[0], spans[0], *pictureFormatOf(o.output));
    } else if (match) {
        *output = matchTable(matchEvents(codings[0], codings[1], *match));
    } else {
        const std::optional<Span> common = commonSpan(codings[0], codings[1], from, to, failure);
        if (!common)
            return false;
        const auto rows = intervalAgreement(codings[0], codings[1], *common, *interval, failure);
        if (!rows)
            return false;
        *output = intervalTable(*rows);
    }
    return true;
}
