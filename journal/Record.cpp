#include "journal/Record.h"

#include "game/Periods.h"
#include "journal/Restore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

namespace journal {

namespace {

struct Row {
    QString wall;
    QString period;
    QString clock;
    QString event;
    QString team;
    QString value;
    std::array<int, 2> score{};
};

struct Totals {
    QList<Row> rows;
    // The score at the last event of each period, by the period's number.
    QMap<int, std::array<int, 2>> scoreAtEnd;
    std::array<int, 2> fouls{};
    std::array<int, 2> timeouts{};
    Restored last;
};

QString teamOf(game::Command c, int value) {
    const QString name = commandName(c);
    if (c == game::Command::SetPossession)
        return value == 1 ? QStringLiteral("Home") : value == 2 ? QStringLiteral("Visitor") : QString();
    if (name.contains(u"Home"))
        return QStringLiteral("Home");
    if (name.contains(u"Visitor"))
        return QStringLiteral("Visitor");
    return {};
}

QString valueOf(const game::Action& a) {
    using game::Command;
    switch (a.command) {
    case Command::SetHomeFouls:
    case Command::SetVisitorFouls:
    case Command::SetHomeScore:
    case Command::SetVisitorScore:
    case Command::AddHomeScore:
    case Command::AddVisitorScore:
        return QString::number(a.value);
    case Command::LoadGameClock:
    case Command::LoadShotClock:
        return clockText(a.clock);
    default:
        return {};
    }
}

QString periodLabel(const Restored& r) {
    return r.settings.layout == game::Layout::Game ? game::periodText(r.settings.rules, r.period)
                                                   : QString::number(r.period);
}

// Replays the journal one event at a time, as restore does, and notes what each event did.
Totals walk(const QList<Event>& events) {
    Totals t;
    for (const Event& e : events) {
        if (e.kind == EventKind::Start)
            t = Totals();
        const bool wasStarted = t.last.started;
        const game::GameState before = t.last.game.state();
        replay(t.last, e);
        const Restored& r = t.last;
        if (!r.started)
            continue;
        Row row{e.wall.toUTC().toString(Qt::ISODateWithMs),
                periodLabel(r),
                clockText(e.clocks.game),
                kindName(e.kind),
                {},
                {},
                r.scores};
        switch (e.kind) {
        case EventKind::Action:
            row.event = commandName(e.action.command);
            row.team = teamOf(e.action.command, e.action.value);
            row.value = valueOf(e.action);
            break;
        case EventKind::Clock:
            row.event = QStringLiteral("%1 %2").arg(
                e.slot == 0 ? QStringLiteral("game clock") : QStringLiteral("shot clock"),
                e.running ? QStringLiteral("start") : QStringLiteral("stop"));
            break;
        case EventKind::Lamps:
            row.value = QStringLiteral("possession %1, bonus %2 %3")
                            .arg(e.possession)
                            .arg(e.bonus[0] ? 1 : 0)
                            .arg(e.bonus[1] ? 1 : 0);
            break;
        default:
            break;
        }
        t.rows.append(row);
        t.scoreAtEnd[r.period] = r.scores;
        // Counted within a period: a new period's fresh counts are no fouls given back.
        if (e.kind == EventKind::Action && wasStarted && before.period == r.game.state().period &&
            before.phase == r.game.state().phase) {
            for (int team : {game::Home, game::Visitor}) {
                t.fouls[team] += r.game.state().fouls[team] - before.fouls[team];
                t.timeouts[team] += before.timeoutsLeft[team] - r.game.state().timeoutsLeft[team];
            }
        }
    }
    return t;
}

QString csvField(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n'))
        return text;
    return u'"' + QString(text).replace(u"\""_qs, u"\"\""_qs) + u'"';
}

QList<std::pair<int, std::array<int, 2>>> byPeriod(const Totals& t) {
    QList<std::pair<int, std::array<int, 2>>> periods;
    std::array<int, 2> previous{};
    for (auto it = t.scoreAtEnd.cbegin(); it != t.scoreAtEnd.cend() && it.key() <= t.last.period; ++it) {
        periods.append({it.key(), {it.value()[0] - previous[0], it.value()[1] - previous[1]}});
        previous = it.value();
    }
    return periods;
}

} // namespace

QByteArray recordCsv(const QList<Event>& events) {
    QString out = QStringLiteral("wall time,period,game clock,event,team,value,home score,visitor score\n");
    for (const Row& row : walk(events).rows)
        out += QStringList{row.wall,
                           row.period,
                           row.clock,
                           csvField(row.event),
                           row.team,
                           csvField(row.value),
                           QString::number(row.score[0]),
                           QString::number(row.score[1])}
                   .join(u',') +
               u'\n';
    return out.toUtf8();
}

QByteArray recordJson(const QList<Event>& events) {
    const Totals t = walk(events);
    QJsonArray rows;
    for (const Row& row : t.rows)
        rows.append(QJsonObject{{QStringLiteral("wall"), row.wall},
                                {QStringLiteral("period"), row.period},
                                {QStringLiteral("gameClock"), row.clock},
                                {QStringLiteral("event"), row.event},
                                {QStringLiteral("team"), row.team},
                                {QStringLiteral("value"), row.value},
                                {QStringLiteral("home"), row.score[0]},
                                {QStringLiteral("visitor"), row.score[1]}});
    QJsonArray periods;
    for (const auto& [period, score] : byPeriod(t)) {
        Restored at = t.last;
        at.period = period;
        periods.append(QJsonObject{{QStringLiteral("period"), periodLabel(at)},
                                   {QStringLiteral("home"), score[0]},
                                   {QStringLiteral("visitor"), score[1]}});
    }
    const auto team = [&t](int side, const QString& name) {
        return QJsonObject{{QStringLiteral("name"), name},
                           {QStringLiteral("score"), t.last.scores[side]},
                           {QStringLiteral("fouls"), t.fouls[side]},
                           {QStringLiteral("timeouts"), t.timeouts[side]}};
    };
    const QJsonObject doc{
        {QStringLiteral("title"), t.last.title},
        {QStringLiteral("events"), rows},
        {QStringLiteral("scoreByPeriod"), periods},
        {QStringLiteral("home"), team(game::Home, t.last.home)},
        {QStringLiteral("visitor"), team(game::Visitor, t.last.visitor)},
    };
    return QJsonDocument(doc).toJson(QJsonDocument::Indented);
}

QByteArray record(const QList<Event>& events, const QString& fileName) {
    return fileName.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? recordCsv(events)
                                                                          : recordJson(events);
}

} // namespace journal
