#include "session/text_units.h"

#include <QTextBoundaryFinder>

#include <limits>

qsizetype graphemeCount(const QString& text, qsizetype limit) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (count < limit && finder.toNextBoundary() > 0)
        ++count;
    return count;
}

qsizetype graphemeCount(const QString& text) {
    return graphemeCount(text, std::numeric_limits<qsizetype>::max());
}

QString firstGrapheme(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    const qsizetype end = finder.toNextBoundary();
    return end > 0 ? text.left(end) : QString();
}
