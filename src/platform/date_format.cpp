#include "platform/date_format.h"

#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <map>
#include <memory>
#include <tuple>

namespace {

icu::UnicodeString toIcu(const QString& s) {
    return icu::UnicodeString(reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
}

QString fromIcu(const icu::UnicodeString& s) {
    return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
}

// Making a formatter costs far more than using one, and a line is stamped on
// every key press: each thread keeps the formatters it has made. The user's
// locale and zone are read once per formatter, as ICU reads its defaults once.
const icu::SimpleDateFormat* formatterFor(const QString& pattern, const QString& localeId,
                                          const QString& zoneId) {
    using Key = std::tuple<QString, QString, QString>;
    thread_local std::map<Key, std::unique_ptr<icu::SimpleDateFormat>> cache;
    const Key key{pattern, localeId, zoneId};
    auto it = cache.find(key);
    if (it != cache.end())
        return it->second.get();

    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale = localeId.isEmpty()
                                   ? icu::Locale::getDefault()
                                   : icu::Locale::createFromName(localeId.toUtf8().constData());
    auto formatter = std::make_unique<icu::SimpleDateFormat>(toIcu(pattern), locale, status);
    if (U_FAILURE(status))
        return nullptr;
    if (!zoneId.isEmpty())
        formatter->adoptTimeZone(icu::TimeZone::createTimeZone(toIcu(zoneId)));
    return cache.emplace(key, std::move(formatter)).first->second.get();
}

} // namespace

QString formatDate(const QDateTime& when, const QString& pattern, const QString& localeId,
                   const QString& zoneId) {
    const icu::SimpleDateFormat* formatter = formatterFor(pattern, localeId, zoneId);
    if (!formatter)
        return QString();
    icu::UnicodeString out;
    formatter->format(UDate(when.toMSecsSinceEpoch()), out);
    return fromIcu(out);
}

QString formatDate(const QDateTime& when, const QString& pattern) {
    return formatDate(when, pattern, QString(), QString());
}

QString clockText(const QDateTime& when) {
    return formatDate(when, QStringLiteral("HH:mm:ss"));
}
