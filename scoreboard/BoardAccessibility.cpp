#include "scoreboard/BoardAccessibility.h"

#include "clock/modCount.h"
#include "platform/Accessible.h"
#include "scoreboard/GameBoard.h"
#include "scoreboard/frmScoreboard.h"

#include <QAccessible>

namespace {

// The count the game clock runs on.
constexpr qint16 GameSlot = 0;

QString displayReading(const ControlGroup<PolyLED>& unitsFirst) {
    QList<qint16> captions;
    for (const PolyLED* element : unitsFirst)
        captions.prepend(element->caption());
    return BoardReading::digits(captions);
}

// A dot of the clock shows when its fill stands out from the frame it sits on.
bool dotShows(const frmScoreboard& board, int dot) {
    return board.shpTime[dot]->fillColor() != board.picTime->backColor();
}

std::array<qint16, 4> clockDigits(const frmScoreboard& board) {
    std::array<qint16, 4> captions{};
    for (int i = 0; i < board.pledTime.Count(); ++i)
        captions.at(std::size_t(i)) = board.pledTime[i]->caption();
    return captions;
}

// The time of day, up to 23:59, or a game clock of up to 99:59.
constexpr int MaxClockSeconds = 23 * 3600 + 59 * 60;

std::optional<int> clockSeconds(const frmScoreboard& board) {
    return BoardReading::clockSeconds(clockDigits(board), dotShows(board, 0) && dotShows(board, 1),
                                      board.ClockTime);
}

// The board's own window leaves out its drawn decoration.
QAccessibleInterface* boardFactory(const QString& key, QObject* object) {
    if (key == QLatin1String("frmScoreboard") && object && object->isWidgetType())
        return Accessible::formInterface(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

QString BoardAccessibility::clockReading(const frmScoreboard& board) {
    return BoardReading::clock(clockDigits(board), dotShows(board, 0), dotShows(board, 1));
}

void BoardAccessibility::install() {
    Accessible::install();
    static const bool installed = [] {
        QAccessible::installFactory(boardFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

BoardAccessibility::BoardAccessibility(frmScoreboard* board) : QObject(board), m_board(*board) {
    install();
    const frmScoreboard& shown = *board;
    const auto readingOf = [](const ControlGroup<PolyLED>& display) {
        return [&display] { return displayReading(display); };
    };
    m_readings = {
        // The clock is worth its seconds, so that a screen reader hears a new time as a new value.
        new AccessibleReading(
            board->picTime, clockName(), [&shown] { return clockReading(shown); },
            [&shown] { return clockSeconds(shown); }, 0, MaxClockSeconds),
        new AccessibleReading(board->picHomeScore, tr("Home score"), readingOf(board->pledHomeScore), 0,
                              frmScoreboard::MaxScore),
        new AccessibleReading(board->picVisitorScore, tr("Visitor score"), readingOf(board->pledVisitorScore),
                              0, frmScoreboard::MaxScore),
        // The Game board's period reads "overtime 1" once past the last period.
        new AccessibleReading(
            board->pledPeriod[0], tr("Period"),
            [&shown, digits = readingOf(board->pledPeriod)] {
                const GameBoard* game = shown.gameBoard();
                return game && game->active() ? game->periodReading() : digits();
            },
            0, frmScoreboard::MaxPeriod),
    };
    for (qsizetype i = 0; i < m_readings.size(); ++i)
        m_shown.append(shownOn(i));

    m_toggles = {
        new AccessibleToggle(board->imgPossH, [&shown] { return shown.LitPoss == 1; }),
        new AccessibleToggle(board->imgPossV, [&shown] { return shown.LitPoss == 2; }),
        new AccessibleToggle(board->imgBonusH, [&shown] { return shown.LitBonusH == FlagTrue; }),
        new AccessibleToggle(board->imgBonusV, [&shown] { return shown.LitBonusV == FlagTrue; }),
    };
    const QStringList lampNames{tr("Home possession"), tr("Visitor possession"), tr("Home bonus"),
                                tr("Visitor bonus")};
    for (qsizetype i = 0; i < m_toggles.size(); ++i)
        m_toggles[i]->area()->setAccessibleName(lampNames[i]);

    // Connected after the board's own handlers, so the announcement follows the change: a key
    // typed on a display enters a score, a click switches a lamp. The tick announces the clock.
    for (const ControlGroup<PolyLED>* display :
         {&board->pledTime, &board->pledHomeScore, &board->pledVisitorScore, &board->pledPeriod})
        for (PolyLED* element : *display)
            connect(element, &PolyLED::KeyPress, this, &BoardAccessibility::announce);
    for (Image* area : {board->imgPossH, board->imgPossV, board->imgBonusH, board->imgBonusV})
        connect(area, &Image::clicked, this, &BoardAccessibility::announce);
}

BoardAccessibility::Shown BoardAccessibility::shownOn(qsizetype display) const {
    static constexpr std::array displays{&frmScoreboard::pledTime, &frmScoreboard::pledHomeScore,
                                         &frmScoreboard::pledVisitorScore, &frmScoreboard::pledPeriod};
    const ControlGroup<PolyLED>& digits = m_board.*displays.at(std::size_t(display));
    Shown shown;
    for (int i = 0; i < digits.Count() && i < int(shown.digits.size()); ++i)
        shown.digits.at(std::size_t(i)) = digits[i]->caption();
    if (&digits == &m_board.pledTime)
        for (int dot = 0; dot < 2; ++dot)
            shown.dots.at(std::size_t(dot)) = dotShows(m_board, dot);
    return shown;
}

QString BoardAccessibility::clockName() const {
    return m_board.ClockTime ? tr("Time of day") : tr("Game clock");
}

void BoardAccessibility::announce() {
    // A running clock is read when the listener asks for it: told at every change, it would be
    // spoken tenth by tenth. What the operator does to it shows on a stopped game clock, or
    // switches it to the time of day and back, which is told with the first time shown after it.
    const QString clock = clockName();
    if (clock != m_readings[0]->display()->accessibleName()) {
        m_readings[0]->display()->setAccessibleName(clock);
        m_clockSwitched = true;
    }
    const bool clockRuns = m_board.ClockTime || modCount::IsCounting(GameSlot);
    for (qsizetype i = 0; i < m_readings.size(); ++i) {
        const Shown shown = shownOn(i);
        if (shown == m_shown[i])
            continue;
        m_shown[i] = shown;
        if (i > 0 || !clockRuns || m_clockSwitched)
            m_readings[i]->announce();
        else
            m_readings[i]->remember();
        if (i == 0)
            m_clockSwitched = false;
    }
    for (AccessibleToggle* toggle : std::as_const(m_toggles))
        toggle->announce();
}
