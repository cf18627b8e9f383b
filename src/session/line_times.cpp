#include "session/line_times.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

std::optional<double> writtenTime(QStringView line) {
    qsizetype i = 0;
    while (i < line.size() && line[i] == QLatin1Char(' '))
        ++i;
    const qsizetype start = i;
    if (i < line.size() && line[i] == QLatin1Char('-'))
        ++i;
    const auto digit = [&](qsizetype at) {
        return at < line.size() && line[at].isDigit() && line[at].unicode() < 128;
    };
    const qsizetype digits = i;
    while (digit(i))
        ++i;
    if (i == digits || i >= line.size() || line[i] != QLatin1Char('.') || !digit(i + 1) ||
        !digit(i + 2))
        return std::nullopt;
    const qsizetype end = i + 3;
    // "  HH:mm:ss", then two blanks or the end of the line.
    static const char clock[] = "  00:00:00";
    if (line.size() < end + 10)
        return std::nullopt;
    for (int k = 0; k < 10; ++k) {
        const QChar c = line[end + k];
        if (clock[k] == '0' ? !digit(end + k) : c != QLatin1Char(clock[k]))
            return std::nullopt;
    }
    const qsizetype after = end + 10;
    if (after != line.size() && (line.size() < after + 2 || line[after] != QLatin1Char(' ') ||
                                 line[after + 1] != QLatin1Char(' ')))
        return std::nullopt;
    bool ok = false;
    const double t = line.mid(start, end - start).toDouble(&ok);
    return ok ? std::optional(t) : std::nullopt;
}

LineTimes::LineTimes(QTextDocument* document) : QObject(document), document_(document) {
    // A document reports its changes only once it has a layout.
    (void)document->documentLayout();
    connect(document, &QTextDocument::contentsChange, this, &LineTimes::changed);
    rebuild();
}

void LineTimes::rebuild() {
    times_.clear();
    times_.reserve(std::size_t(document_->blockCount()));
    for (QTextBlock b = document_->begin(); b.isValid(); b = b.next())
        times_.push_back(writtenTime(b.text()));
    indexStale_ = true;
}

void LineTimes::changed(int position, int, int added) {
    // The blocks from the one holding the change's start to the one holding
    // its end are read again; those before and after only move.
    const int count = document_->blockCount();
    const long delta = long(count) - long(times_.size());
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
    if (oldSpan < 0 || f + oldSpan > long(times_.size())) {
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
    times_.erase(times_.begin() + f, times_.begin() + f + oldSpan);
    times_.insert(times_.begin() + f, fresh.begin(), fresh.end());
    indexStale_ = true;
}

const PlayheadLines& LineTimes::index() {
    if (indexStale_) {
        index_ = PlayheadLines(times_);
        indexStale_ = false;
    }
    return index_;
}

long LineTimes::lineAt(double t) {
    return index().lineAt(t);
}

int LineTimes::insertionLine(double t) {
    // An append is the common case: no index needed.
    long last = long(times_.size()) - 1;
    while (last >= 0 && !times_[std::size_t(last)])
        --last;
    if (last < 0)
        return int(times_.size()) - (document_->lastBlock().text().isEmpty() ? 1 : 0);
    long at = *times_[std::size_t(last)] <= t ? last : lineAt(t);
    // After the line found and the untimed lines below it; with none found,
    // before the first timed line.
    std::size_t next = std::size_t(at + 1);
    while (next < times_.size() && !times_[next])
        ++next;
    const int lines = int(times_.size()) - (document_->lastBlock().text().isEmpty() ? 1 : 0);
    return std::min(int(next), lines);
}

LineTimes& lineTimesOf(QTextDocument* document) {
    if (auto* times = document->findChild<LineTimes*>(QString(), Qt::FindDirectChildrenOnly))
        return *times;
    return *new LineTimes(document);
}
