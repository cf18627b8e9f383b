#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

// Where a line recorded at video time t goes among count lines whose times
// timeAt(i) gives (nullopt for a line without a time: a note the observer
// typed). The place is after the last timed line whose time is not after t,
// and after the untimed lines that follow it, so that notes stay with the
// line they were typed under and a second pass interleaves with the first;
// with no such line, before the first timed line; with no timed line at all,
// at the end. Lines whose times go backwards are not sorted: only the new
// line is placed. Scans from the end, so an append costs one look.
std::size_t insertionIndex(std::size_t count,
                           const std::function<std::optional<double>(std::size_t)>& timeAt,
                           double t);

// The line at the playhead: the last timed line whose time is not after t.
// Built once from the lines' times (nullopt for an untimed line), it answers
// each time in O(log n), also when the times go backwards.
class PlayheadLines {
public:
    PlayheadLines() = default;
    explicit PlayheadLines(const std::vector<std::optional<double>>& times);
    // The line's index, or -1 when no timed line is not after t.
    long lineAt(double t) const;

private:
    std::vector<double> suffixMin_; // the least time from each line on
};
