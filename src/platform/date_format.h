#pragma once

#include <QDateTime>
#include <QString>

// Formats an instant with a Unicode (UTS #35) date pattern through ICU, in the
// user's locale (from the environment) and local time zone. Safe to call from
// any thread.
QString formatDate(const QDateTime& when, const QString& pattern);

// The same in the named ICU locale (for example "de_DE") and time zone (an
// Olson id such as "Europe/Berlin"); an empty name stands for the user's own.
QString formatDate(const QDateTime& when, const QString& pattern, const QString& localeId,
                   const QString& zoneId);

// The wall-clock time of when (by default now) as "HH:mm:ss", 24-hour.
QString clockText(const QDateTime& when = QDateTime::currentDateTime());
