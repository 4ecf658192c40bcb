#include "remote/BoardReader.h"

#include "clock/modCount.h"
#include "game/Periods.h"
#include "scoreboard/BoardAccessibility.h"
#include "scoreboard/GameBoard.h"
#include "scoreboard/frmScoreboard.h"
#include "scoreboard/modShowDigits.h"
#include "state/modBasketball.h"

namespace remote {

namespace {

constexpr qint16 GameSlot = 0;
constexpr qint64 TenthUs = 100'000;

// The latest instant at or before now at which a tenth of the running slot fell due.
std::optional<qint64> lastTenthUs(qint16 slot, qint64 nowUs) {
    const std::optional<qint64> start = modCount::RunStartUs(slot);
    if (!start || nowUs < *start)
        return std::nullopt;
    return *start + (nowUs - *start) / TenthUs * TenthUs;
}

QString colorText(Colour colour) {
    return toQColor(colour).name();
}

// A clock at the instant now: a running one to the microsecond, so that a page counting on from it
// reaches each tenth when the board does.
server::ClockState clockAt(qint16 slot, qint64 nowUs, const QString& shown) {
    const bool running = modCount::IsCounting(slot) != FlagFalse;
    const std::optional<qint64> tenth = running ? lastTenthUs(slot, nowUs) : std::nullopt;
    if (!tenth)
        return {running, modCount::ReadCountAt(slot, nowUs), shown};
    const Currency sinceTenth = Currency::fromTicks((nowUs - *tenth) * Currency::TicksPerSecond / 1'000'000);
    return {true, std::max(Currency(), modCount::ReadCountAt(slot, *tenth) - sinceTenth), shown};
}

} // namespace

server::BoardState boardState(const frmScoreboard& board, qint64 nowUs) {
    const GameBoard& gameBoard = *board.gameBoard();
    const bool gameLayout = gameBoard.active();

    server::BoardState s;
    s.layout = gameLayout ? server::Layout::Game : server::Layout::Standard;
    s.title = modBasketball::TitleText;
    s.colors = {colorText(modBasketball::FormBack),    colorText(modBasketball::LEDBack),
                colorText(modBasketball::TimeColor),   colorText(modBasketball::ScoreColor),
                colorText(modBasketball::PeriodColor), colorText(modBasketball::BorderColor),
                colorText(modBasketball::HomeColor),   colorText(modBasketball::VisitorColor)};
    s.names = {modBasketball::HomeText, modBasketball::VisitorText};
    s.scores = {modShowDigits::ShownValue(board.pledHomeScore),
                modShowDigits::ShownValue(board.pledVisitorScore)};
    s.bonus = {board.LitBonusH != FlagFalse, board.LitBonusV != FlagFalse};
    s.possession = board.LitPoss == 1   ? server::Possession::Home
                   : board.LitPoss == 2 ? server::Possession::Visitor
                                        : server::Possession::None;
    s.gameClock = clockAt(GameSlot, nowUs, BoardAccessibility::clockReading(board));
    // The time of day on the clock display: pages show it as it is, whatever the game clock does.
    s.gameClock.timeOfDay = board.ClockTime != FlagFalse;
    if (gameLayout) {
        const game::GameState& g = gameBoard.game().state();
        s.fouls = g.fouls;
        s.timeoutsLeft = g.timeoutsLeft;
        s.period = g.period;
        s.periodShown = game::periodText(gameBoard.settings().rules, g.period);
        s.shotClock = clockAt(GameBoard::ShotSlot, nowUs, gameBoard.shotFace());
    } else {
        s.period = modShowDigits::ShownValue(board.pledPeriod);
        s.periodShown = QString::number(s.period);
    }
    s.monotonicMs = nowUs / 1000;
    return s;
}

} // namespace remote
