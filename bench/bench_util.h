#pragma once

// Small helpers shared by the bench programs: monotonic time, order
// statistics and one JSON object per result line on standard output, which
// the runner collects.

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

namespace bench {

// Seconds on the monotonic clock (the same clock as Python's time.monotonic()).
inline double monotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The p-th percentile (0..100) by nearest rank; NaN for no samples.
inline double percentile(std::vector<double> samples, double p) {
    if (samples.empty())
        return std::nan("");
    std::sort(samples.begin(), samples.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * double(samples.size())));
    return samples[std::clamp<std::size_t>(rank, 1, samples.size()) - 1];
}

// Milliseconds from t0 (monotonicSeconds()) to now.
inline double msSince(double t0) {
    return (monotonicSeconds() - t0) * 1000.0;
}

inline double median(const std::vector<double>& samples) {
    return percentile(samples, 50.0);
}

// Prints one result as a single JSON line and flushes, so that a result
// survives a later crash of the program.
inline void emitResult(const QJsonObject& result) {
    const QByteArray line = QJsonDocument(result).toJson(QJsonDocument::Compact);
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Points HOME and the XDG folders into home, so that the journal and the
// transcript files stay away from the user's own Documents. Call before the
// application object is made.
inline void useTemporaryHome(const QTemporaryDir& home) {
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DOCUMENTS_DIR", (home.path() + QStringLiteral("/Documents")).toLocal8Bit());
}

} // namespace bench
