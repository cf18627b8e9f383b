#pragma once

#include <QString>

// User-perceived characters (extended grapheme clusters).
qsizetype graphemeCount(const QString& text);
// The same, counting no further than limit.
qsizetype graphemeCount(const QString& text, qsizetype limit);
QString firstGrapheme(const QString& text);
