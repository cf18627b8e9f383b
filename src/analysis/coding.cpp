#include "analysis/coding.h"

namespace {

EventType transportType(const QString& entry) {
    if (entry == QLatin1String("stop"))
        return EventType::Stop;
    return entry.startsWith(QLatin1String("play_x_")) ? EventType::Play : EventType::Rate;
}

// The open bout of each state behaviour (index into bouts, -1 when inactive).
struct OpenStates {
    std::vector<int> open;

    void close(Coding& c, int behaviour, qint64 at, BoutEnd how) {
        Bout& b = c.bouts[std::size_t(open[std::size_t(behaviour)])];
        b.stop = at; // before the start only when time went back: no duration
        b.ended = how;
        open[std::size_t(behaviour)] = -1;
    }
};

} // namespace

Coding codeTranscript(const Transcript& t, const CodingScheme& scheme, qint64 closeAt) {
    Coding c;
    c.file = t.file;
    c.video = t.video;
    c.behaviours = scheme.behaviours;
    c.groups = scheme.groups;
    c.firstMs = t.firstMs;
    c.lastMs = t.lastMs;
    c.events.reserve(t.stamps.size() + t.notes.size());
    QHash<QString, int> ownPoints; // without a scheme: entry -> behaviour
    OpenStates states{std::vector<int>(c.behaviours.size(), -1)};

    auto note = t.notes.begin();
    for (const StampedLine& s : t.stamps) {
        for (; note != t.notes.end() && note->line < s.line; ++note)
            c.events.push_back({note->line, false, 0, QString(), note->text});
        CodedEvent e{s.line, true, s.ms, s.clock, s.entry};
        if (isTransportEntry(s.entry)) {
            e.kind = RowKind::Transport;
            e.type = transportType(s.entry);
        } else if (!scheme.given) {
            if (s.entry.isEmpty()) {
                e.kind = RowKind::Unassigned;
            } else {
                auto it = ownPoints.find(s.entry);
                if (it == ownPoints.end()) {
                    it = ownPoints.insert(s.entry, int(c.behaviours.size()));
                    c.behaviours.push_back({s.entry, BehaviourKind::Point, QString()});
                }
                e.behaviour = *it;
                e.kind = RowKind::Point;
                e.type = EventType::Point;
            }
        } else if (const auto it = scheme.keys.find(s.entry); it == scheme.keys.end()) {
            e.kind = RowKind::Unassigned;
        } else {
            e.behaviour = *it;
            const Behaviour& b = c.behaviours[std::size_t(*it)];
            if (b.kind == BehaviourKind::Point) {
                e.kind = RowKind::Point;
                e.type = EventType::Point;
            } else if (states.open[std::size_t(*it)] >= 0) {
                e.kind = RowKind::State;
                e.type = EventType::Stop;
                states.close(c, *it, s.ms, BoutEnd::Key);
            } else {
                e.kind = RowKind::State;
                e.type = EventType::Start;
                // The group's active state stops at the same time, in a row of its own.
                for (std::size_t o = 0; o < c.behaviours.size() && !b.group.isEmpty(); ++o) {
                    if (int(o) == *it || states.open[o] < 0 || c.behaviours[o].group != b.group)
                        continue;
                    states.close(c, int(o), s.ms, BoutEnd::Group);
                    CodedEvent stop = e;
                    stop.behaviour = int(o);
                    stop.type = EventType::Stop;
                    c.events.push_back(stop);
                }
                states.open[std::size_t(*it)] = int(c.bouts.size());
                c.bouts.push_back({*it, s.ms, s.ms, BoutEnd::Span});
            }
        }
        c.events.push_back(e);
    }
    for (; note != t.notes.end(); ++note)
        c.events.push_back({note->line, false, 0, QString(), note->text});
    for (std::size_t b = 0; b < states.open.size(); ++b)
        if (states.open[b] >= 0)
            states.close(c, int(b), closeAt, BoutEnd::Span);
    return c;
}

QString kindName(RowKind kind) {
    switch (kind) {
    case RowKind::Point:
        return QStringLiteral("point");
    case RowKind::State:
        return QStringLiteral("state");
    case RowKind::Transport:
        return QStringLiteral("transport");
    case RowKind::Note:
        return QStringLiteral("note");
    case RowKind::Unassigned:
        break;
    }
    return QStringLiteral("unassigned");
}

QString kindName(BehaviourKind kind) {
    return kind == BehaviourKind::State ? QStringLiteral("state") : QStringLiteral("point");
}

QString eventName(EventType type) {
    switch (type) {
    case EventType::Point:
        return QStringLiteral("point");
    case EventType::Start:
        return QStringLiteral("start");
    case EventType::Stop:
        return QStringLiteral("stop");
    case EventType::Play:
        return QStringLiteral("play");
    case EventType::Rate:
        return QStringLiteral("rate");
    case EventType::None:
        break;
    }
    return QString();
}

QString endName(BoutEnd end) {
    switch (end) {
    case BoutEnd::Key:
        return QStringLiteral("key");
    case BoutEnd::Group:
        return QStringLiteral("group");
    case BoutEnd::Span:
        break;
    }
    return QStringLiteral("span");
}
