#include "server/BoardState.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cstdlib>

namespace server {

namespace {

QJsonObject teamJson(const BoardState& state, int team) {
    return {{QStringLiteral("name"), state.names.at(std::size_t(team))},
            {QStringLiteral("score"), state.scores.at(std::size_t(team))},
            {QStringLiteral("fouls"), state.fouls.at(std::size_t(team))},
            {QStringLiteral("timeoutsLeft"), state.timeoutsLeft.at(std::size_t(team))}};
}

QJsonObject clockJson(const ClockState& clock) {
    return {{QStringLiteral("running"), clock.running},
            {QStringLiteral("remainingTenths"), clock.remaining.ticks() / Currency::TicksPerTenth},
            {QStringLiteral("remainingMs"), clock.remaining.ticks() / (Currency::TicksPerSecond / 1000)},
            {QStringLiteral("shown"), clock.shown},
            {QStringLiteral("timeOfDay"), clock.timeOfDay}};
}

QString possessionName(Possession possession) {
    switch (possession) {
    case Possession::Home:
        return QStringLiteral("home");
    case Possession::Visitor:
        return QStringLiteral("visitor");
    case Possession::None:
        break;
    }
    return QStringLiteral("none");
}

QJsonObject colorsJson(const BoardColors& colors) {
    return {{QStringLiteral("form"), colors.form},     {QStringLiteral("led"), colors.led},
            {QStringLiteral("time"), colors.time},     {QStringLiteral("score"), colors.score},
            {QStringLiteral("period"), colors.period}, {QStringLiteral("border"), colors.border},
            {QStringLiteral("home"), colors.home},     {QStringLiteral("visitor"), colors.visitor}};
}

// A clock running before and after that counted down as time passed, as it was before.
ClockState untimed(const ClockState& before, const ClockState& after, qint64 elapsedMs) {
    if (!before.running || !after.running)
        return after;
    const Currency expected = std::max(
        Currency(), before.remaining - Currency::fromTicks(elapsedMs * (Currency::TicksPerSecond / 1000)));
    const qint64 apart = (after.remaining - expected).ticks();
    return std::abs(apart) <= Currency::TicksPerTenth ? before : after;
}

} // namespace

bool changedBeyondTime(const BoardState& before, const BoardState& after) {
    BoardState moved = after;
    const qint64 elapsedMs = after.monotonicMs - before.monotonicMs;
    moved.gameClock = untimed(before.gameClock, after.gameClock, elapsedMs);
    moved.shotClock = untimed(before.shotClock, after.shotClock, elapsedMs);
    moved.monotonicMs = before.monotonicMs;
    return !(moved == before);
}

QJsonObject stateJson(const BoardState& state) {
    const QJsonObject lamps{{QStringLiteral("homeBonus"), state.bonus[0]},
                            {QStringLiteral("visitorBonus"), state.bonus[1]},
                            {QStringLiteral("possession"), possessionName(state.possession)}};
    return {{QStringLiteral("layout"),
             state.layout == Layout::Game ? QStringLiteral("game") : QStringLiteral("standard")},
            {QStringLiteral("title"), state.title},
            {QStringLiteral("colors"), colorsJson(state.colors)},
            {QStringLiteral("home"), teamJson(state, 0)},
            {QStringLiteral("visitor"), teamJson(state, 1)},
            {QStringLiteral("period"), state.period},
            {QStringLiteral("periodShown"), state.periodShown},
            {QStringLiteral("gameClock"), clockJson(state.gameClock)},
            {QStringLiteral("shotClock"), clockJson(state.shotClock)},
            {QStringLiteral("lamps"), lamps},
            {QStringLiteral("monotonicMs"), state.monotonicMs}};
}

QByteArray stateBody(const BoardState& state) {
    return QJsonDocument(stateJson(state)).toJson(QJsonDocument::Compact);
}

QByteArray stateRowsBody(const BoardState& state) {
    const QJsonObject nested = stateJson(state);
    QJsonObject row;
    for (const QString& team : {QStringLiteral("home"), QStringLiteral("visitor")}) {
        const QJsonObject values = nested.value(team).toObject();
        for (auto it = values.begin(); it != values.end(); ++it)
            row.insert(team + it.key().at(0).toUpper() + it.key().mid(1), it.value());
    }
    for (const QString& clock : {QStringLiteral("gameClock"), QStringLiteral("shotClock")}) {
        const QJsonObject values = nested.value(clock).toObject();
        row.insert(clock, values.value(QLatin1StringView("shown")));
        row.insert(clock + QLatin1StringView("Running"), values.value(QLatin1StringView("running")));
        row.insert(clock + QLatin1StringView("Tenths"), values.value(QLatin1StringView("remainingTenths")));
    }
    const QJsonObject lamps = nested.value(QLatin1StringView("lamps")).toObject();
    for (auto it = lamps.begin(); it != lamps.end(); ++it)
        row.insert(it.key(), it.value());
    for (const QString& key : {QStringLiteral("layout"), QStringLiteral("title"), QStringLiteral("period"),
                               QStringLiteral("periodShown")})
        row.insert(key, nested.value(key));
    return QJsonDocument(QJsonArray{row}).toJson(QJsonDocument::Compact);
}

} // namespace server
