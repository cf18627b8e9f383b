#include "session/line_times.h"

#include "analysis/transcript_reader.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

std::optional<double> writtenTime(QStringView line) {
    const std::optional<WrittenStamp> stamp = writtenStamp(line);
    bool ok = false;
    const double t = stamp ? stamp->time.toDouble(&ok) : 0.0;
    return ok ? std::optional(t) : std::nullopt;
}

namespace {
// Runs hold kRun lines, after a split up to twice as many; a run shorter
// than half that joins its neighbour.
constexpr std::size_t kRun = 256;
} // namespace

LineTimes::LineTimes(QTextDocument* document) : QObject(document), document_(document) {
    // A document reports its changes only once it has a layout.
    (void)document->documentLayout();
    connect(document, &QTextDocument::contentsChange, this, &LineTimes::changed);
    rebuild();
}

void LineTimes::rebuild() {
    std::vector<std::optional<double>> times;
    times.reserve(std::size_t(document_->blockCount()));
    for (QTextBlock b = document_->begin(); b.isValid(); b = b.next())
        times.push_back(writtenTime(b.text()));
    lines_ = long(times.size());
    runs_.assign(1, Run{std::move(times), {}, {}, true});
    settle(0);
    startsStale_ = indexStale_ = true;
}

void LineTimes::changed(int position, int, int added) {
    // The blocks from the one holding the change's start to the one holding
    // its end are read again; those before and after only move.
    const int count = document_->blockCount();
    const long delta = long(count) - lines_;
    const QTextBlock first = document_->findBlock(position);
    QTextBlock last = document_->findBlock(position + added);
    if (!last.isValid())
        last = document_->lastBlock();
    if (!first.isValid()) {
        rebuild();
        return;
    }
    const long f = first.blockNumber(), l = last.blockNumber();
    const long oldSpan = (l - f + 1) - delta;
    if (oldSpan < 0 || f + oldSpan > lines_) {
        rebuild();
        return;
    }
    std::vector<std::optional<double>> fresh;
    fresh.reserve(std::size_t(l - f + 1));
    for (QTextBlock b = first;; b = b.next()) {
        fresh.push_back(writtenTime(b.text()));
        if (b == last)
            break;
    }
    replace(f, oldSpan, std::move(fresh));
}

const std::vector<long>& LineTimes::starts() {
    if (startsStale_) {
        starts_.resize(runs_.size());
        long start = 0;
        for (std::size_t r = 0; r < runs_.size(); ++r) {
            starts_[r] = start;
            start += long(runs_[r].times.size());
        }
        startsStale_ = false;
    }
    return starts_;
}

std::pair<std::size_t, long> LineTimes::runOf(long line) {
    if (line >= lines_)
        return {runs_.size() - 1, long(runs_.back().times.size())};
    const std::vector<long>& at = starts();
    const std::size_t r =
        std::size_t(std::upper_bound(at.begin(), at.end(), line) - at.begin()) - 1;
    return {r, line - at[r]};
}

void LineTimes::replace(long first, long count, std::vector<std::optional<double>>&& fresh) {
    // The run of the first line keeps the lines before it, takes the fresh
    // ones and the rest of the run where the replaced lines end; the runs in
    // between go.
    const auto [r, at] = runOf(first);
    const auto [e, after] = runOf(first + count);
    std::vector<std::optional<double>>& times = runs_[r].times;
    if (r == e) {
        times.erase(times.begin() + at, times.begin() + after);
        times.insert(times.begin() + at, fresh.begin(), fresh.end());
    } else {
        const std::vector<std::optional<double>>& end = runs_[e].times;
        times.erase(times.begin() + at, times.end());
        times.insert(times.end(), fresh.begin(), fresh.end());
        times.insert(times.end(), end.begin() + after, end.end());
        runs_.erase(runs_.begin() + long(r) + 1, runs_.begin() + long(e) + 1);
    }
    runs_[r].stale = true;
    lines_ += long(fresh.size()) - count;
    settle(r);
    startsStale_ = indexStale_ = true;
}

void LineTimes::settle(std::size_t r) {
    if (runs_[r].times.size() < kRun / 2 && runs_.size() > 1) {
        // Joined to the next run, or the last one to the one before it.
        if (r + 1 == runs_.size())
            --r;
        std::vector<std::optional<double>>& times = runs_[r].times;
        const std::vector<std::optional<double>>& next = runs_[r + 1].times;
        times.insert(times.end(), next.begin(), next.end());
        runs_[r].stale = true;
        runs_.erase(runs_.begin() + long(r) + 1);
    }
    const std::size_t size = runs_[r].times.size();
    if (size <= 2 * kRun)
        return;
    // Runs of kRun lines, the last with the rest.
    std::vector<Run> pieces(size / kRun);
    const auto from = runs_[r].times.begin();
    for (std::size_t i = 0; i < pieces.size(); ++i)
        pieces[i].times.assign(from + long(i * kRun), i + 1 == pieces.size()
                                                          ? runs_[r].times.end()
                                                          : from + long((i + 1) * kRun));
    runs_.erase(runs_.begin() + long(r));
    runs_.insert(runs_.begin() + long(r), std::make_move_iterator(pieces.begin()),
                 std::make_move_iterator(pieces.end()));
}

void LineTimes::reindex() {
    if (!indexStale_)
        return;
    std::vector<std::optional<double>> least(runs_.size());
    for (std::size_t r = 0; r < runs_.size(); ++r) {
        Run& run = runs_[r];
        if (run.stale) {
            run.index = PlayheadLines(run.times);
            run.least.reset();
            for (const std::optional<double>& t : run.times) {
                if (t && (!run.least || *t < *run.least))
                    run.least = t;
            }
            run.stale = false;
        }
        least[r] = run.least;
    }
    runsByTime_ = PlayheadLines(least);
    indexStale_ = false;
}

long LineTimes::lineAt(double t) {
    // The last timed line not after t is in the last run whose least time
    // is not after t.
    reindex();
    const long r = runsByTime_.lineAt(t);
    if (r < 0)
        return -1;
    return starts()[std::size_t(r)] + runs_[std::size_t(r)].index.lineAt(t);
}

long LineTimes::firstTimedFrom(long line) {
    reindex();
    auto [r, at] = runOf(line);
    for (; r < runs_.size(); ++r, at = 0) {
        const std::vector<std::optional<double>>& times = runs_[r].times;
        if (!runs_[r].least)
            continue;
        for (std::size_t i = std::size_t(at); i < times.size(); ++i) {
            if (times[i])
                return starts()[r] + long(i);
        }
    }
    return lines_;
}

int LineTimes::insertionLine(double t) {
    // After the line found and the untimed lines below it; with none found,
    // before the first timed line; never after the empty block a final line
    // feed leaves.
    const long next = firstTimedFrom(lineAt(t) + 1);
    const long lines = lines_ - (document_->lastBlock().text().isEmpty() ? 1 : 0);
    return int(std::min(next, lines));
}

LineTimes& lineTimesOf(QTextDocument* document) {
    if (auto* times = document->findChild<LineTimes*>(QString(), Qt::FindDirectChildrenOnly))
        return *times;
    return *new LineTimes(document);
}
