#pragma once

#include <QString>

// User-perceived characters (extended grapheme clusters).
qsizetype graphemeCount(const QString& text);
QString firstGrapheme(const QString& text);
