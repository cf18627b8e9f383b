#pragma once

#include "analysis/coding.h"
#include "analysis/failure.h"

#include <QByteArray>

#include <optional>

// The coding as an ELAN annotation document (EAF 3.0, UTF-8, times in
// milliseconds): one tier per behaviour that occurs, in the coding's order,
// each state bout an annotation from its start to its stop valued with the
// key that started it, each point event an annotation of kEafPointMs from its
// time. An annotation ends at the next one of its tier when that starts
// sooner, and events of one tier at the same millisecond make one
// annotation, their keys joined by spaces, so that a tier never overlaps
// itself. Pure values; any thread.

constexpr qint64 kEafPointMs = 100;

// mediaName: the video's path relative to the document ("" for none), and
// mediaUrl its absolute file URL.
// Fails when no behaviour occurs or a time is negative (ELAN has none).
std::optional<QByteArray> eafDocument(const Coding& coding, const QString& mediaName,
                                      const QString& mediaUrl, Failure* failure);
