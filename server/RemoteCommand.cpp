#include "server/RemoteCommand.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
#include <array>

namespace server {

namespace {

using game::Command;

struct Allowed {
    QLatin1StringView name;
    std::optional<Command> command;
    bool takesPoints;
};

// Every command a client may send; the game clock's start and stop has no game command.
constexpr std::array<Allowed, 13> AllowList{{
    {QLatin1StringView("startStop"), std::nullopt, false},
    {QLatin1StringView("shotClockFull"), Command::ShotClockFull, false},
    {QLatin1StringView("shotClockShort"), Command::ShotClockShort, false},
    {QLatin1StringView("shotClockStartStop"), Command::ShotClockStartStop, false},
    {QLatin1StringView("addHomeScore"), Command::AddHomeScore, true},
    {QLatin1StringView("addVisitorScore"), Command::AddVisitorScore, true},
    {QLatin1StringView("homeFoul"), Command::HomeFoul, false},
    {QLatin1StringView("visitorFoul"), Command::VisitorFoul, false},
    {QLatin1StringView("homeTimeout"), Command::HomeTimeout, false},
    {QLatin1StringView("visitorTimeout"), Command::VisitorTimeout, false},
    {QLatin1StringView("nextPeriod"), Command::NextPeriod, false},
    {QLatin1StringView("undo"), Command::Undo, false},
    {QLatin1StringView("redo"), Command::Redo, false},
}};

ParsedCommand refused(const QString& error) {
    return {std::nullopt, error};
}

} // namespace

ParsedCommand parseCommand(const QByteArray& frame) {
    if (frame.size() > MaxFrameBytes)
        return refused(QStringLiteral("frame too long: at most %1 bytes").arg(MaxFrameBytes));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(frame, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return refused(QStringLiteral("malformed JSON: %1").arg(parseError.errorString()));
    if (!document.isObject())
        return refused(QStringLiteral("a command is a JSON object"));
    const QJsonObject object = document.object();
    const QJsonValue name = object.value(QLatin1StringView("command"));
    if (!name.isString())
        return refused(QStringLiteral("no \"command\" string"));

    const QString commandName = name.toString();
    const auto allowed = std::find_if(AllowList.begin(), AllowList.end(),
                                      [&](const Allowed& a) { return a.name == commandName; });
    if (allowed == AllowList.end())
        return refused(QStringLiteral("unknown command"));

    const QJsonValue value = object.value(QLatin1StringView("value"));
    if (!allowed->takesPoints) {
        if (!value.isUndefined())
            return refused(QStringLiteral("%1 takes no value").arg(commandName));
        if (!allowed->command)
            return {StartStopGameClock{}, {}};
        return {game::Action(*allowed->command), {}};
    }
    // toInt gives 0, never allowed, for anything but a whole number.
    const int points = value.toInt(0);
    if (points != -1 && (points < 1 || points > 3))
        return refused(QStringLiteral("%1 needs a value of -1, 1, 2 or 3").arg(commandName));
    return {game::Action(*allowed->command, points), {}};
}

QByteArray errorBody(const QString& error) {
    return QJsonDocument(QJsonObject{{QStringLiteral("error"), error}}).toJson(QJsonDocument::Compact);
}

} // namespace server
