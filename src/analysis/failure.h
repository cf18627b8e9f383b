#pragma once

#include <QString>

// What went wrong with an input, and where: "FILE:LINE: what", or "FILE: what"
// when no line is to blame. Errors are values; nothing in this library throws.
struct Failure {
    QString file;
    int line = 0;
    QString what;

    QString text() const {
        return line > 0 ? QStringLiteral("%1:%2: %3").arg(file, QString::number(line), what)
                        : QStringLiteral("%1: %2").arg(file, what);
    }
};
