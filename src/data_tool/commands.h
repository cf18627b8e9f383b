#pragma once

#include "analysis/failure.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The commands of keystamp-data over the analysis library. Main thread only.

struct Options {
    QString command;
    QStringList files;
    QString scheme, output;
    // As typed; read as numbers when the command runs.
    QString from, to, interval, match;
};

extern const char kUsage[];

// Splits the arguments; a usage error (unknown command or option, a missing
// value or file, options the command does not take) gives its reason.
bool parseOptions(const QStringList& arguments, Options* options, QString* usageError);

// Runs the command; its output bytes, or the failure. Warnings about the
// input go to warnings.
bool runCommand(const Options& options, QByteArray* output, QStringList* warnings,
                Failure* failure);
