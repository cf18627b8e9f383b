#include "analysis/merge.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <tuple>

namespace {

// The lines of a file as the reader counts them: split at line feeds, the
// empty rest after a final line feed not a line.
QList<QByteArray> linesOf(const QByteArray& bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

struct Unit {
    qint64 ms = 0;
    std::size_t input = 0;
    int line = 0;
    QByteArray text; // the stamped line and the untimed lines after it
};

} // namespace

QByteArray mergeTranscripts(const std::vector<MergeInput>& inputs) {
    QByteArray header, lead;
    QStringList names;
    std::vector<Unit> units;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const Transcript& t = inputs[i].transcript;
        names << QFileInfo(t.file).fileName();
        const QList<QByteArray> lines = linesOf(inputs[i].bytes);
        QHash<int, qint64> stamped;
        for (const StampedLine& s : t.stamps)
            stamped.insert(s.line, s.ms);
        QHash<int, bool> notes;
        for (const NoteLine& n : t.notes)
            notes.insert(n.line, true);
        for (int n = 1; n <= int(lines.size()); ++n) {
            const QByteArray& line = lines[n - 1];
            if (const auto it = stamped.constFind(n); it != stamped.constEnd())
                units.push_back({*it, i, n, line + '\n'});
            else if (!units.empty() && units.back().input == i)
                units.back().text += line + '\n';
            else if (notes.contains(n))
                lead += line + '\n';
            else if (i == 0) // a header line
                header += line + '\n';
        }
    }
    std::stable_sort(units.begin(), units.end(), [](const Unit& a, const Unit& b) {
        return std::tie(a.ms, a.input, a.line) < std::tie(b.ms, b.input, b.line);
    });
    QByteArray out =
        header + "# merged_from " + names.join(QStringLiteral(", ")).toUtf8() + '\n' + lead;
    for (const Unit& u : units)
        out += u.text;
    return out;
}
