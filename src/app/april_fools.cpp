#include "app/april_fools.h"

#include "platform/date_format.h"

bool aprilFools() {
    return aprilFoolsAt(QDateTime::currentDateTime());
}

bool aprilFoolsAt(const QDateTime& when) {
    // "MddHH" reads 40100 to 40111 exactly on 1 April before noon. A locale
    // with other digits gives a text that does not parse: not the day.
    bool ok = false;
    const uint value = formatDate(when, QStringLiteral("MddHH")).toUInt(&ok, 10);
    return ok && value - 40100u <= 11u;
}
