#include "support/saved_sessions.h"

#include "session/format.h"
#include "session/state.h"
#include "session/transcript.h"
#include "storage/transcript_file.h"

#include <QDir>

SavedSessions::SavedSessions() : widgets_(new SessionWidgets) {
    widgets_->loadItem();
    savedState().loadTime = QDateTime(QDate(2026, 12, 5), QTime(18, 14, 46), Qt::UTC);
}

SavedSessions::~SavedSessions() {
    delete widgets_;
}

QString SavedSessions::save(const QString& name, const QString& script) {
    savedState().vidBasename = name;
    for (const QString& item : script.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString line = item.trimmed();
        if (line.startsWith(QLatin1Char('#')))
            recordNote(line.mid(1));
        else
            recordNote(timeStampedLine(line.section(QLatin1Char(' '), 0, 0).toDouble(),
                                       QStringLiteral("18:15:00"),
                                       line.section(QLatin1Char(' '), 1)));
    }
    if (!saveAndClearScript())
        return QString();
    return home.sessionFile(name + QStringLiteral(".txt"));
}
