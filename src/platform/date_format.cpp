#include "platform/date_format.h"

#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <memory>

namespace {

icu::UnicodeString toIcu(const QString& s) {
    return icu::UnicodeString(reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
}

QString fromIcu(const icu::UnicodeString& s) {
    return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
}

} // namespace

QString formatDate(const QDateTime& when, const QString& pattern, const QString& localeId,
                   const QString& zoneId) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale = localeId.isEmpty()
                                   ? icu::Locale::getDefault()
                                   : icu::Locale::createFromName(localeId.toUtf8().constData());
    icu::SimpleDateFormat formatter(toIcu(pattern), locale, status);
    if (U_FAILURE(status))
        return QString();
    if (!zoneId.isEmpty())
        formatter.adoptTimeZone(icu::TimeZone::createTimeZone(toIcu(zoneId)));
    icu::UnicodeString out;
    formatter.format(UDate(when.toMSecsSinceEpoch()), out);
    return fromIcu(out);
}

QString formatDate(const QDateTime& when, const QString& pattern) {
    return formatDate(when, pattern, QString(), QString());
}

QString clockText() {
    return formatDate(QDateTime::currentDateTime(), QStringLiteral("HH:mm:ss"));
}
