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
    QString from, to, interval, match, lag, bin, after;
    bool force = false; // merge: passes of differently named videos too
};

extern const char kUsage[];
extern const char kHelp[]; // the commands and options, with an example each

// Splits the arguments; a usage error (unknown command or option, a missing
// value or file, options the command does not take) gives its reason.
bool parseOptions(const QStringList& arguments, Options* options, QString* usageError);

// Runs the command; its output bytes, or the failure. Warnings about the
// input go to warnings. Returns the exit status: 0, 1 for bad data, 2 for a
// usage error found only once the files are known.
int runCommand(const Options& options, QByteArray* output, QStringList* warnings, Failure* failure);
