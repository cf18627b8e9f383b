#pragma once

#include "analysis/coding.h"
#include "analysis/failure.h"
#include "analysis/summary.h"

#include <QByteArray>
#include <QColor>
#include <QSize>

#include <optional>

class QPainter;

// The timeline picture of one coding: one row per behaviour (in the coding's
// order), states as bars, points as ticks, the stretches where the transport
// was stopped as faint bands, an axis in seconds and the video name as title.
// One drawing routine serves SVG and PNG. Needs a QGuiApplication (fonts);
// user-interface thread, or the only thread of a tool.

QSize timelineSize(const Coding& coding);

// The colour of a behaviour (an index into Coding::behaviours): eight hues
// that stay apart for the common kinds of colour blindness, then again.
QColor behaviourColour(int behaviour);

// The axis: the smallest of 1, 2, 5 times a power of ten milliseconds that
// gives at most ticks ticks over length, and a tick's label at that step.
qint64 axisTickStep(qint64 length, int ticks);
QString axisTickLabel(qint64 ms, qint64 step);

// Draws into a device of timelineSize(coding).
void paintTimeline(QPainter& painter, const Coding& coding, Span span);

enum class PictureFormat { Svg, Png };

// The picture as file bytes.
QByteArray timelinePicture(const Coding& coding, Span span, PictureFormat format);

// The format a file name asks for by its suffix (".svg", ".png"), if any.
std::optional<PictureFormat> pictureFormatOf(const QString& path);
