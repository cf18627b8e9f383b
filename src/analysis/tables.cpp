#include "analysis/tables.h"

#include "analysis/millis.h"

namespace {

QString number(qint64 n) {
    return QString::number(n);
}

} // namespace

CsvWriter eventsTable() {
    return CsvWriter(
        {"file", "video", "line", "time", "clock", "entry", "behaviour", "kind", "event"});
}

void appendEvents(CsvWriter& csv, const Coding& c) {
    for (const CodedEvent& e : c.events)
        csv.row({c.file, c.video, number(e.line), e.timed ? formatMillis(e.ms) : QString(), e.clock,
                 e.entry,
                 e.behaviour >= 0 ? c.behaviours[std::size_t(e.behaviour)].name : QString(),
                 kindName(e.kind), eventName(e.type)});
}

CsvWriter boutsTable() {
    return CsvWriter({"file", "video", "behaviour", "start", "stop", "duration", "ended"});
}

void appendBouts(CsvWriter& csv, const Coding& c) {
    for (const Bout& b : c.bouts)
        csv.row({c.file, c.video, c.behaviours[std::size_t(b.behaviour)].name,
                 formatMillis(b.start), formatMillis(b.stop), formatMillis(b.duration()),
                 endName(b.ended)});
}

CsvWriter summaryTable() {
    return CsvWriter({"file", "video", "behaviour", "kind", "count", "total_duration",
                      "mean_duration", "proportion", "rate_per_min"});
}

namespace {

// behaviour,kind,count,total_duration,mean_duration,proportion,rate_per_min
// after the given leading fields.
void appendSummaryRows(CsvWriter& csv, const Coding& c, const QStringList& lead,
                       const std::vector<SummaryRow>& rows, Span span, bool mean) {
    const double minutes = double(span.length()) / 60000.0;
    const bool timed = span.length() > 0; // a span of no length defines no share or rate
    for (const SummaryRow& r : rows) {
        const Behaviour& b = c.behaviours[std::size_t(r.behaviour)];
        const bool state = b.kind == BehaviourKind::State;
        csv.row(lead + QStringList{b.name, kindName(b.kind), number(r.count),
                                   state ? formatMillis(r.totalMs) : QString(),
                                   state && mean && r.count > 0
                                       ? formatRatio(double(r.totalMs) / 1000.0 / r.count)
                                       : QString(),
                                   state && timed
                                       ? formatRatio(double(r.totalMs) / double(span.length()))
                                       : QString(),
                                   timed ? formatRatio(r.count / minutes) : QString()});
    }
}

} // namespace

void appendSummary(CsvWriter& csv, const Coding& c, Span span) {
    appendSummaryRows(csv, c, {c.file, c.video}, summarize(c, span), span, true);
}

CsvWriter binnedSummaryTable() {
    return CsvWriter({"file", "video", "bin_start", "bin_end", "behaviour", "kind", "count",
                      "total_duration", "mean_duration", "proportion", "rate_per_min"});
}

void appendBinnedSummary(CsvWriter& csv, const Coding& c, const std::vector<SummaryBin>& bins) {
    for (const SummaryBin& bin : bins)
        appendSummaryRows(csv, c,
                          {c.file, c.video, formatMillis(bin.span.from), formatMillis(bin.span.to)},
                          bin.rows, bin.span, false);
}

QByteArray transitionTable(const std::vector<TransitionRow>& rows) {
    CsvWriter csv({"file", "from", "to", "count", "probability"});
    for (const TransitionRow& r : rows)
        csv.row({r.file, r.from, r.to, number(r.count),
                 formatRatio(double(r.count) / double(r.outOfFrom))});
    return csv.bytes();
}

CsvWriter latencyTable() {
    return CsvWriter({"file", "video", "behaviour", "kind", "latency"});
}

void appendLatencies(CsvWriter& csv, const std::vector<LatencyRow>& rows) {
    for (const LatencyRow& r : rows)
        csv.row({r.file, r.video, r.behaviour, kindName(r.kind),
                 r.latency ? formatMillis(*r.latency) : QString()});
}

QByteArray intervalTable(const std::vector<IntervalRow>& rows) {
    CsvWriter csv(
        {"unit", "kind", "intervals", "both", "only_a", "only_b", "neither", "agreement", "kappa"});
    for (const IntervalRow& r : rows) {
        const bool group = r.kind == QLatin1String("group");
        auto count = [group](qint64 n) { return group ? QString() : number(n); };
        csv.row({r.unit, r.kind, number(r.intervals), count(r.both), count(r.onlyA), count(r.onlyB),
                 count(r.neither), r.agreement ? formatRatio(*r.agreement) : QStringLiteral("NA"),
                 r.kappa ? formatRatio(*r.kappa) : QStringLiteral("NA")});
    }
    return csv.bytes();
}

QByteArray matchTable(const std::vector<MatchRow>& rows) {
    CsvWriter csv({"behaviour", "matched", "only_a", "only_b", "agreement"});
    for (const MatchRow& r : rows) {
        const bool none = r.matched + r.onlyA + r.onlyB == 0;
        csv.row({r.behaviour, number(r.matched), number(r.onlyA), number(r.onlyB),
                 none ? QStringLiteral("NA") : formatRatio(r.agreement())});
    }
    return csv.bytes();
}
