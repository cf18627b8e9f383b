#pragma once

#include "analysis/failure.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// A coding scheme gives keys their meaning after the fact. Each line other
// than blank lines and "#" comments is "KEY BEHAVIOUR KIND [GROUP]", fields
// split by spaces or tabs; KIND is "point" or "state"; states of one GROUP
// exclude each other; several keys may name one behaviour. Pure values; any
// thread.

enum class BehaviourKind { Point, State };

struct Behaviour {
    QString name;
    BehaviourKind kind = BehaviourKind::Point;
    QString group; // empty: none (always empty for points)
};

struct CodingScheme {
    bool given = false;                // false: every entry is its own point
    std::vector<Behaviour> behaviours; // in the order of the scheme
    QHash<QString, int> keys;          // entry -> index into behaviours
    QStringList groups;                // in order of first mention
};

// "play_x_<rate>", "stop" and "rate_set_to_<rate>": the transport's own lines.
bool isTransportEntry(QStringView entry);

// Reads a scheme from bytes; a duplicate key, an unknown kind, a point with a
// group, a transport entry as a key, a behaviour given two kinds or groups, a
// line that is not UTF-8 or has the wrong number of fields fails, naming the
// line.
std::optional<CodingScheme> parseScheme(const QString& file, const QByteArray& bytes,
                                        Failure* failure);

// Reads the scheme file at path.
std::optional<CodingScheme> readScheme(const QString& path, Failure* failure);
