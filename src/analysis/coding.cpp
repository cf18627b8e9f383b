#include "analysis/coding.h"

namespace {

EventType transportType(const QString& entry) {
    if (entry == QLatin1String("stop"))
        return EventType::Stop;
    return entry.startsWith(QLatin1String("play_x_")) ? EventType::Play : EventType::Rate;
}

} // namespace

Coder::Coder(const CodingScheme& scheme)
    : given_(scheme.given), keys_(scheme.keys), open_(scheme.behaviours.size(), -1) {
    c_.behaviours = scheme.behaviours;
    c_.groups = scheme.groups;
}

void Coder::close(int behaviour, qint64 at, BoutEnd how) {
    Bout& b = c_.bouts[std::size_t(open_[std::size_t(behaviour)])];
    b.stop = at; // before the start only when time went back: no duration
    b.ended = how;
    open_[std::size_t(behaviour)] = -1;
}

void Coder::addNote(const NoteLine& note) {
    c_.events.push_back({note.line, false, 0, QString(), note.text});
}

void Coder::addStamp(const StampedLine& s) {
    c_.firstMs = stamped_ ? qMin(c_.firstMs, s.ms) : s.ms;
    c_.lastMs = stamped_ ? qMax(c_.lastMs, s.ms) : s.ms;
    stamped_ = true;
    CodedEvent e{s.line, true, s.ms, s.clock, s.entry};
    if (isTransportEntry(s.entry)) {
        e.kind = RowKind::Transport;
        e.type = transportType(s.entry);
    } else if (!given_) {
        if (s.entry.isEmpty()) {
            e.kind = RowKind::Unassigned;
        } else {
            auto it = ownPoints_.find(s.entry);
            if (it == ownPoints_.end()) {
                it = ownPoints_.insert(s.entry, int(c_.behaviours.size()));
                c_.behaviours.push_back({s.entry, BehaviourKind::Point, QString()});
                open_.push_back(-1);
            }
            e.behaviour = *it;
            e.kind = RowKind::Point;
            e.type = EventType::Point;
        }
    } else if (const auto it = keys_.constFind(s.entry); it == keys_.constEnd()) {
        e.kind = RowKind::Unassigned;
    } else {
        e.behaviour = *it;
        const Behaviour& b = c_.behaviours[std::size_t(*it)];
        if (b.kind == BehaviourKind::Point) {
            e.kind = RowKind::Point;
            e.type = EventType::Point;
        } else if (open_[std::size_t(*it)] >= 0) {
            e.kind = RowKind::State;
            e.type = EventType::Stop;
            close(*it, s.ms, BoutEnd::Key);
        } else {
            e.kind = RowKind::State;
            e.type = EventType::Start;
            // The group's active state stops at the same time, in a row of its own.
            for (std::size_t o = 0; o < c_.behaviours.size() && !b.group.isEmpty(); ++o) {
                if (int(o) == *it || open_[o] < 0 || c_.behaviours[o].group != b.group)
                    continue;
                close(int(o), s.ms, BoutEnd::Group);
                CodedEvent stop = e;
                stop.behaviour = int(o);
                stop.type = EventType::Stop;
                c_.events.push_back(stop);
            }
            open_[std::size_t(*it)] = int(c_.bouts.size());
            c_.bouts.push_back({*it, s.ms, s.ms, BoutEnd::Span});
        }
    }
    c_.events.push_back(e);
}

Coding Coder::finish(qint64 closeAt) && {
    for (std::size_t b = 0; b < open_.size(); ++b)
        if (open_[b] >= 0)
            close(int(b), closeAt, BoutEnd::Span);
    return std::move(c_);
}

Coding codeTranscript(const Transcript& t, const CodingScheme& scheme, qint64 closeAt) {
    Coder coder(scheme);
    auto note = t.notes.begin();
    for (const StampedLine& s : t.stamps) {
        for (; note != t.notes.end() && note->line < s.line; ++note)
            coder.addNote(*note);
        coder.addStamp(s);
    }
    for (; note != t.notes.end(); ++note)
        coder.addNote(*note);
    Coding c = std::move(coder).finish(closeAt);
    c.file = t.file;
    c.video = t.video;
    c.firstMs = t.firstMs;
    c.lastMs = t.lastMs;
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
