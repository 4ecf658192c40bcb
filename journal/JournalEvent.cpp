#include "journal/JournalEvent.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <utility>

namespace journal {

namespace {

using game::Command;

constexpr std::array<std::pair<Command, const char*>, 23> CommandNames{{
    {Command::HomeFoul, "HomeFoul"},
    {Command::VisitorFoul, "VisitorFoul"},
    {Command::SetHomeFouls, "SetHomeFouls"},
    {Command::SetVisitorFouls, "SetVisitorFouls"},
    {Command::SetHomeScore, "SetHomeScore"},
    {Command::SetVisitorScore, "SetVisitorScore"},
    {Command::AddHomeScore, "AddHomeScore"},
    {Command::AddVisitorScore, "AddVisitorScore"},
    {Command::HomeBonusClick, "HomeBonusClick"},
    {Command::VisitorBonusClick, "VisitorBonusClick"},
    {Command::HomeTimeout, "HomeTimeout"},
    {Command::VisitorTimeout, "VisitorTimeout"},
    {Command::PossessionArrow, "PossessionArrow"},
    {Command::SetPossession, "SetPossession"},
    {Command::NextPeriod, "NextPeriod"},
    {Command::LoadGameClock, "LoadGameClock"},
    {Command::ResetGameClock, "ResetGameClock"},
    {Command::ShotClockFull, "ShotClockFull"},
    {Command::ShotClockShort, "ShotClockShort"},
    {Command::LoadShotClock, "LoadShotClock"},
    {Command::ShotClockStartStop, "ShotClockStartStop"},
    {Command::Undo, "Undo"},
    {Command::Redo, "Redo"},
}};

constexpr std::array<std::pair<EventKind, const char*>, 8> KindNames{{
    {EventKind::Start, "start"},
    {EventKind::Action, "action"},
    {EventKind::Clock, "clock"},
    {EventKind::Mark, "mark"},
    {EventKind::Names, "names"},
    {EventKind::Lamps, "lamps"},
    {EventKind::Board, "board"},
    {EventKind::End, "end"},
}};

const QString HeaderKey = QStringLiteral("courtvane-journal");

// A clock value in ten-thousandths of a second: exact, as the counter keeps it.
qint64 ticksOf(const QJsonValue& v, bool& ok) {
    if (!v.isDouble())
        ok = false;
    const double d = v.toDouble();
    if (d < -1e15 || d > 1e15 || d != static_cast<double>(static_cast<qint64>(d)))
        ok = false;
    return ok ? static_cast<qint64>(d) : 0;
}

int intOf(const QJsonValue& v, bool& ok, int low, int high) {
    if (!v.isDouble())
        ok = false;
    const double d = v.toDouble();
    if (!(d >= low && d <= high) || d != static_cast<double>(static_cast<int>(d)))
        ok = false;
    return ok ? static_cast<int>(d) : 0;
}

QString textOf(const QJsonValue& v, bool& ok) {
    if (!v.isString())
        ok = false;
    return v.toString();
}

bool boolOf(const QJsonValue& v, bool& ok) {
    if (!v.isBool())
        ok = false;
    return v.toBool();
}

} // namespace

QString commandName(Command command) {
    for (const auto& [c, name] : CommandNames)
        if (c == command)
            return QString::fromLatin1(name);
    return {};
}

std::optional<Command> commandNamed(const QString& name) {
    for (const auto& [c, n] : CommandNames)
        if (name == QLatin1String(n))
            return c;
    return std::nullopt;
}

QString kindName(EventKind kind) {
    for (const auto& [k, name] : KindNames)
        if (k == kind)
            return QString::fromLatin1(name);
    return {};
}

QByteArray headerLine() {
    return QJsonDocument(QJsonObject{{HeaderKey, Version}}).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<int> headerVersion(const QByteArray& line) {
    const QJsonObject o = QJsonDocument::fromJson(line).object();
    const QJsonValue v = o.value(HeaderKey);
    bool ok = true;
    const int version = intOf(v, ok, 1, 1'000'000);
    return ok ? std::optional<int>(version) : std::nullopt;
}

QByteArray eventLine(const Event& e) {
    QJsonObject o{
        {QStringLiteral("e"), kindName(e.kind)},
        {QStringLiteral("t"), e.monotonicMs},
        {QStringLiteral("w"), e.wall.toUTC().toString(Qt::ISODateWithMs)},
        {QStringLiteral("g"), e.clocks.game.ticks()},
        {QStringLiteral("s"), e.clocks.shot.ticks()},
    };
    switch (e.kind) {
    case EventKind::Start: {
        QJsonObject rules;
        for (const auto& [key, text] : game::writeGameSettings(e.settings))
            if (key != u"HornFile")
                rules.insert(key, text);
        o.insert(QStringLiteral("rules"), rules);
        o.insert(QStringLiteral("home"), e.scores[game::Home]);
        o.insert(QStringLiteral("visitor"), e.scores[game::Visitor]);
        [[fallthrough]];
    }
    case EventKind::Names:
        o.insert(QStringLiteral("title"), e.title);
        o.insert(QStringLiteral("homeName"), e.home);
        o.insert(QStringLiteral("visitorName"), e.visitor);
        break;
    case EventKind::Action:
        o.insert(QStringLiteral("command"), commandName(e.action.command));
        o.insert(QStringLiteral("value"), e.action.value);
        o.insert(QStringLiteral("clock"), e.action.clock.ticks());
        break;
    case EventKind::Clock:
        o.insert(QStringLiteral("slot"), e.slot);
        o.insert(QStringLiteral("running"), e.running);
        break;
    case EventKind::Lamps:
        o.insert(QStringLiteral("possession"), e.possession);
        o.insert(QStringLiteral("bonusHome"), e.bonus[game::Home]);
        o.insert(QStringLiteral("bonusVisitor"), e.bonus[game::Visitor]);
        break;
    case EventKind::Board:
        o.insert(QStringLiteral("home"), e.scores[game::Home]);
        o.insert(QStringLiteral("visitor"), e.scores[game::Visitor]);
        o.insert(QStringLiteral("period"), e.period);
        break;
    case EventKind::Mark:
    case EventKind::End:
        break;
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<Event> parseEvent(const QByteArray& line, bool* newer) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    bool ok = true;
    // A line may say it needs a newer reader; without the field it is of the header's version.
    if (o.contains(QStringLiteral("v"))) {
        const QJsonValue v = o.value(QStringLiteral("v"));
        if (v.isDouble() && v.toDouble() > Version && newer)
            *newer = true;
        intOf(v, ok, 1, Version);
        if (!ok)
            return std::nullopt;
    }
    Event e;
    const QString kind = textOf(o.value(QStringLiteral("e")), ok);
    bool known = false;
    for (const auto& [k, name] : KindNames)
        if (kind == QLatin1String(name)) {
            e.kind = k;
            known = true;
        }
    if (!known)
        return std::nullopt;
    const auto value = [&o](const char* key) { return o.value(QLatin1String(key)); };
    e.monotonicMs = ticksOf(value("t"), ok);
    e.wall = QDateTime::fromString(textOf(value("w"), ok), Qt::ISODateWithMs);
    if (!e.wall.isValid())
        ok = false;
    e.clocks.game = Currency::fromTicks(ticksOf(value("g"), ok));
    e.clocks.shot = Currency::fromTicks(ticksOf(value("s"), ok));
    switch (e.kind) {
    case EventKind::Start: {
        const QJsonObject rules = value("rules").toObject();
        if (!value("rules").isObject())
            ok = false;
        QHash<QString, QString> stored;
        for (auto it = rules.begin(); it != rules.end(); ++it)
            stored.insert(it.key(), textOf(it.value(), ok));
        e.settings = game::readGameSettings(stored);
        e.scores = {intOf(value("home"), ok, 0, game::MaxScore),
                    intOf(value("visitor"), ok, 0, game::MaxScore)};
        [[fallthrough]];
    }
    case EventKind::Names:
        e.title = textOf(value("title"), ok);
        e.home = textOf(value("homeName"), ok);
        e.visitor = textOf(value("visitorName"), ok);
        break;
    case EventKind::Action: {
        const std::optional<Command> command = commandNamed(textOf(value("command"), ok));
        if (!command)
            ok = false;
        e.action =
            game::Action(command.value_or(Command::Undo), intOf(value("value"), ok, -1'000'000, 1'000'000),
                         Currency::fromTicks(ticksOf(value("clock"), ok)));
        break;
    }
    case EventKind::Clock:
        e.slot = intOf(value("slot"), ok, 0, 1);
        e.running = boolOf(value("running"), ok);
        break;
    case EventKind::Lamps:
        e.possession = intOf(value("possession"), ok, 0, 2);
        e.bonus = {boolOf(value("bonusHome"), ok), boolOf(value("bonusVisitor"), ok)};
        break;
    case EventKind::Board:
        e.scores = {intOf(value("home"), ok, 0, game::MaxScore),
                    intOf(value("visitor"), ok, 0, game::MaxScore)};
        e.period = intOf(value("period"), ok, 0, 99);
        break;
    case EventKind::Mark:
    case EventKind::End:
        break;
    }
    return ok ? std::optional<Event>(e) : std::nullopt;
}

} // namespace journal
