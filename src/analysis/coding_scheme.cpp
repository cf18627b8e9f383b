#include "analysis/coding_scheme.h"

#include "analysis/transcript_reader.h"

#include <QRegularExpression>
#include <QStringDecoder>

bool isTransportEntry(QStringView entry) {
    return entry == QLatin1String("stop") || entry.startsWith(QLatin1String("play_x_")) ||
           entry.startsWith(QLatin1String("rate_set_to_"));
}

namespace {

// Checks one line's fields and adds them to the scheme; the reason when not.
QString addLine(CodingScheme& scheme, const QStringList& fields) {
    if (fields.size() < 3 || fields.size() > 4)
        return QStringLiteral("expected KEY BEHAVIOUR KIND [GROUP], found %1 field(s)")
            .arg(fields.size());
    const QString& key = fields[0];
    const QString& name = fields[1];
    const QString& kindText = fields[2];
    const QString group = fields.value(3);
    if (isTransportEntry(key))
        return QStringLiteral("%1 is a transport entry, not a key").arg(key);
    if (scheme.keys.contains(key))
        return QStringLiteral("key %1 is named twice").arg(key);
    BehaviourKind kind;
    if (kindText == QLatin1String("point"))
        kind = BehaviourKind::Point;
    else if (kindText == QLatin1String("state"))
        kind = BehaviourKind::State;
    else
        return QStringLiteral("unknown kind %1 (point or state)").arg(kindText);
    if (kind == BehaviourKind::Point && !group.isEmpty())
        return QStringLiteral("point %1 cannot have a group").arg(name);
    int index = -1;
    for (std::size_t i = 0; i < scheme.behaviours.size(); ++i)
        if (scheme.behaviours[i].name == name)
            index = int(i);
    if (index < 0) {
        scheme.behaviours.push_back({name, kind, group});
        index = int(scheme.behaviours.size()) - 1;
        if (!group.isEmpty() && !scheme.groups.contains(group))
            scheme.groups << group;
    } else if (scheme.behaviours[index].kind != kind || scheme.behaviours[index].group != group) {
        return QStringLiteral("behaviour %1 was given another kind or group before").arg(name);
    }
    scheme.keys.insert(key, index);
    return QString();
}

} // namespace

std::optional<CodingScheme> parseScheme(const QString& file, const QByteArray& bytes,
                                        Failure* failure) {
    static const QRegularExpression blanks(QStringLiteral("[ \t]+"));
    CodingScheme scheme;
    scheme.given = true;
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString line = utf8(lines[i]);
        if (utf8.hasError()) {
            *failure = {file, int(i + 1), QStringLiteral("not UTF-8 text")};
            return std::nullopt;
        }
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        const QString reason = addLine(scheme, trimmed.split(blanks, Qt::SkipEmptyParts));
        if (!reason.isEmpty()) {
            *failure = {file, int(i + 1), reason};
            return std::nullopt;
        }
    }
    return scheme;
}

std::optional<CodingScheme> readScheme(const QString& path, Failure* failure) {
    const std::optional<QByteArray> bytes = readWholeFile(path, failure);
    if (!bytes)
        return std::nullopt;
    return parseScheme(path, *bytes, failure);
}
