#include "analysis/eaf.h"

#include "analysis/millis.h"

#include <QDateTime>
#include <QMimeDatabase>
#include <QUrl>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cstdint>
#include <map>

namespace {

// XML 1.0 has no place for most control characters; they become U+FFFD.
QString xmlText(QString text) {
    for (QChar& c : text)
        if ((c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') ||
            c.unicode() == 0xFFFE || c.unicode() == 0xFFFF)
            c = QChar::ReplacementCharacter;
    return text;
}

struct Annotation {
    qint64 start = 0, stop = 0; // stop <= start: a point, or a bout without length
    QString value;
    int line = 0;
};

} // namespace

std::optional<QByteArray> eafDocument(const Coding& coding, const QString& mediaName,
                                      const QString& mediaUrl, Failure* failure) {
    // Bouts follow the order of their start events, one each.
    std::map<int, std::vector<Annotation>> tiers;
    std::size_t bout = 0;
    for (const CodedEvent& e : coding.events) {
        if (e.type == EventType::Point)
            tiers[e.behaviour].push_back({e.ms, e.ms, e.entry, e.line});
        else if (e.type == EventType::Start)
            tiers[e.behaviour].push_back({e.ms, coding.bouts[bout++].stop, e.entry, e.line});
    }
    if (tiers.empty()) {
        *failure = {coding.file, 0, QStringLiteral("no behaviour of the scheme occurs")};
        return std::nullopt;
    }
    for (auto& [behaviour, list] : tiers) {
        std::stable_sort(list.begin(), list.end(), [](const Annotation& a, const Annotation& b) {
            return a.start < b.start;
        });
        if (list.front().start < 0) {
            *failure = {coding.file, list.front().line,
                        QStringLiteral("time %1 is before the video's start: ELAN has no "
                                       "negative times")
                            .arg(formatMillis(list.front().start))};
            return std::nullopt;
        }
        std::vector<Annotation> joined;
        for (const Annotation& a : list) {
            if (!joined.empty() && joined.back().start == a.start) {
                joined.back().value += QLatin1Char(' ') + a.value;
                joined.back().stop = qMax(joined.back().stop, a.stop);
            } else {
                joined.push_back(a);
            }
        }
        for (std::size_t i = 0; i < joined.size(); ++i) {
            Annotation& a = joined[i];
            if (a.stop <= a.start)
                a.stop = a.start + kEafPointMs;
            if (i + 1 < joined.size())
                a.stop = qMin(a.stop, joined[i + 1].start);
        }
        if (joined.back().stop > qint64(UINT32_MAX)) {
            *failure = {coding.file, joined.back().line,
                        QStringLiteral("time %1 is beyond what ELAN can hold")
                            .arg(formatMillis(joined.back().stop))};
            return std::nullopt;
        }
        list = std::move(joined);
    }

    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("ANNOTATION_DOCUMENT"));
    xml.writeAttribute(QStringLiteral("AUTHOR"), QString());
    xml.writeAttribute(QStringLiteral("DATE"),
                       QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    xml.writeAttribute(QStringLiteral("FORMAT"), QStringLiteral("3.0"));
    xml.writeAttribute(QStringLiteral("VERSION"), QStringLiteral("3.0"));
    const QString xsi = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");
    xml.writeNamespace(xsi, QStringLiteral("xsi"));
    xml.writeAttribute(xsi, QStringLiteral("noNamespaceSchemaLocation"),
                       QStringLiteral("http://www.mpi.nl/tools/elan/EAFv3.0.xsd"));

    int annotations = 0;
    for (const auto& entry : tiers)
        annotations += int(entry.second.size());
    xml.writeStartElement(QStringLiteral("HEADER"));
    xml.writeAttribute(QStringLiteral("MEDIA_FILE"), QString());
    xml.writeAttribute(QStringLiteral("TIME_UNITS"), QStringLiteral("milliseconds"));
    if (!mediaName.isEmpty()) {
        const QString mime =
            QMimeDatabase().mimeTypeForFile(mediaName, QMimeDatabase::MatchExtension).name();
        xml.writeEmptyElement(QStringLiteral("MEDIA_DESCRIPTOR"));
        xml.writeAttribute(QStringLiteral("MEDIA_URL"), xmlText(mediaUrl));
        xml.writeAttribute(QStringLiteral("MIME_TYPE"),
                           mime.startsWith(QLatin1String("video/")) ||
                                   mime.startsWith(QLatin1String("audio/"))
                               ? mime
                               : QStringLiteral("unknown"));
        const QString relative = QString::fromUtf8(QUrl::toPercentEncoding(mediaName, "/"));
        xml.writeAttribute(QStringLiteral("RELATIVE_MEDIA_URL"),
                           xmlText(relative.startsWith(QLatin1String("../"))
                                       ? relative
                                       : QStringLiteral("./") + relative));
    }
    xml.writeStartElement(QStringLiteral("PROPERTY"));
    xml.writeAttribute(QStringLiteral("NAME"), QStringLiteral("lastUsedAnnotationId"));
    xml.writeCharacters(QString::number(annotations));
    xml.writeEndElement();
    xml.writeEndElement(); // HEADER

    // Time boundaries in time order: ts1, ts2, ... ; each annotation has two of its own.
    std::vector<std::pair<qint64, int>> boundaries; // time, annotation * 2 + end
    int a = 0;
    for (const auto& entry : tiers)
        for (const Annotation& an : entry.second) {
            boundaries.push_back({an.start, 2 * a});
            boundaries.push_back({an.stop, 2 * a + 1});
            ++a;
        }
    std::stable_sort(boundaries.begin(), boundaries.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<int> slotOf(boundaries.size());
    xml.writeStartElement(QStringLiteral("TIME_ORDER"));
    for (std::size_t s = 0; s < boundaries.size(); ++s) {
        slotOf[std::size_t(boundaries[s].second)] = int(s) + 1;
        xml.writeEmptyElement(QStringLiteral("TIME_SLOT"));
        xml.writeAttribute(QStringLiteral("TIME_SLOT_ID"), QStringLiteral("ts%1").arg(s + 1));
        xml.writeAttribute(QStringLiteral("TIME_VALUE"), QString::number(boundaries[s].first));
    }
    xml.writeEndElement();

    a = 0;
    for (const auto& [behaviour, list] : tiers) {
        xml.writeStartElement(QStringLiteral("TIER"));
        xml.writeAttribute(QStringLiteral("LINGUISTIC_TYPE_REF"), QStringLiteral("default-lt"));
        xml.writeAttribute(QStringLiteral("TIER_ID"),
                           xmlText(coding.behaviours[std::size_t(behaviour)].name));
        for (const Annotation& an : list) {
            xml.writeStartElement(QStringLiteral("ANNOTATION"));
            xml.writeStartElement(QStringLiteral("ALIGNABLE_ANNOTATION"));
            xml.writeAttribute(QStringLiteral("ANNOTATION_ID"), QStringLiteral("a%1").arg(a + 1));
            xml.writeAttribute(QStringLiteral("TIME_SLOT_REF1"),
                               QStringLiteral("ts%1").arg(slotOf[std::size_t(2 * a)]));
            xml.writeAttribute(QStringLiteral("TIME_SLOT_REF2"),
                               QStringLiteral("ts%1").arg(slotOf[std::size_t(2 * a + 1)]));
            xml.writeTextElement(QStringLiteral("ANNOTATION_VALUE"), xmlText(an.value));
            xml.writeEndElement();
            xml.writeEndElement();
            ++a;
        }
        xml.writeEndElement();
    }
    xml.writeEmptyElement(QStringLiteral("LINGUISTIC_TYPE"));
    xml.writeAttribute(QStringLiteral("GRAPHIC_REFERENCES"), QStringLiteral("false"));
    xml.writeAttribute(QStringLiteral("LINGUISTIC_TYPE_ID"), QStringLiteral("default-lt"));
    xml.writeAttribute(QStringLiteral("TIME_ALIGNABLE"), QStringLiteral("true"));
    xml.writeEndElement(); // ANNOTATION_DOCUMENT
    xml.writeEndDocument();
    return bytes;
}
