#include "app/BoardJournal.h"

#include "clock/TimeSource.h"
#include "clock/modCount.h"
#include "scoreboard/GameBoard.h"
#include "scoreboard/frmScoreboard.h"
#include "scoreboard/modShowDigits.h"
#include "state/modBasketball.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

constexpr qint16 GameSlot = 0;
constexpr qint16 ShotSlot = 1;
constexpr qint32 CountDown = 0;

} // namespace

BoardJournal::BoardJournal(frmScoreboard* board, const QString& folder)
    : QObject(board), m_board(*board), m_journal(
                                           folder, [] { return Clock::source().monotonicMs(); },
                                           [] { return QDateTime::currentDateTimeUtc(); }, this) {
    offerTakeUp();
    GameBoard* const gameBoard = board->gameBoard();
    connect(gameBoard, &GameBoard::dispatched, &m_journal, &journal::Journal::action);
    connect(gameBoard, &GameBoard::settingsApplied, this, &BoardJournal::settingsApplied);
    // After the board's own tick: what the clocks and the displays show then is what it did.
    connect(board->tmrClock, &QTimer::timeout, this, &BoardJournal::noteBoard);
    for (const ControlGroup<PolyLED>* digits :
         {&board->pledHomeScore, &board->pledVisitorScore, &board->pledPeriod})
        for (PolyLED* digit : *digits)
            connect(digit, &PolyLED::KeyPress, this, &BoardJournal::noteBoard);
    for (Image* lamp : {board->imgBonusH, board->imgBonusV, board->imgPossH, board->imgPossV})
        connect(lamp, &Image::clicked, this, &BoardJournal::noteBoard);
    connect(board, &frmScoreboard::closing, this, &BoardJournal::closing);
    connect(&m_journal, &journal::Journal::turnedOff, this,
            [this](const QString& reason) { setState(tr("The journal is off: %1").arg(reason)); });
    setState(notKept());
    m_marks.setInterval(1000);
    connect(&m_marks, &QTimer::timeout, this, [this] { m_journal.mark(clocks()); });
    follow();
}

void BoardJournal::offerTakeUp() {
    const QString path = journal::currentJournal(m_journal.folder());
    if (!QFileInfo::exists(path))
        return;
    const journal::ReadResult read = journal::readJournalFile(path);
    const journal::Restored restored = journal::restore(read.events);
    if (!restored.unclean || !restored.inProgress)
        return;
    QMessageBox question(QMessageBox::Question, m_board.windowTitle(), tr("Take the game up again?"),
                         QMessageBox::Yes | QMessageBox::No, m_board.operatorWindow());
    QString details = tr("The program ended during a game: %1.").arg(journal::summary(restored));
    if (!read.dropped.isEmpty())
        details += u"\n"_qs + read.dropped;
    question.setInformativeText(details);
    question.setDefaultButton(QMessageBox::Yes);
    if (question.exec() == QMessageBox::Yes)
        takeUp(restored);
}

void BoardJournal::takeUp(const journal::Restored& r) {
    modBasketball::TitleText = r.title;
    modBasketball::HomeText = r.home;
    modBasketball::VisitorText = r.visitor;
    m_board.UpdateLabels();
    // The game's board and rules come back; the horn, the server and the journal stay as set now.
    const game::GameSettings& now = m_board.gameBoard()->settings();
    game::GameSettings settings = now;
    settings.layout = r.settings.layout;
    settings.preset = r.settings.preset;
    settings.rules = r.settings.rules;
    m_board.gameBoard()->applySettings(settings);
    if (m_board.gameBoard()->active()) {
        m_board.gameBoard()->takeUp(r.game, r.clocks);
    } else {
        modCount::StopCount(GameSlot);
        modCount::SetCount(r.clocks.game, CountDown, GameSlot);
        modShowDigits::ShowValue(m_board.pledHomeScore, r.scores[game::Home]);
        modShowDigits::ShowValue(m_board.pledVisitorScore, r.scores[game::Visitor]);
        modShowDigits::ShowValue(m_board.pledPeriod, r.period);
        m_board.LitPoss = qint16(r.possession);
        m_board.LitBonusH = r.bonus[game::Home] ? FlagTrue : FlagFalse;
        m_board.LitBonusV = r.bonus[game::Visitor] ? FlagTrue : FlagFalse;
        m_board.UpdatePoss();
        m_board.UpdateBonus();
        m_board.requestTick();
    }
    m_resume = true;
}

void BoardJournal::follow() {
    const bool wanted = m_board.gameBoard()->active() || m_board.gameBoard()->settings().journal;
    if (wanted == m_running)
        return;
    m_running = wanted;
    if (!wanted) {
        m_marks.stop();
        m_journal.endGame(clocks());
        setState(notKept());
        return;
    }
    if (m_resume)
        m_journal.resumeGame();
    else
        m_journal.startGame(startEvent());
    m_resume = false;
    m_names.clear();
    m_shown = {-1, -1, -1};
    m_lamps = {-1, -1, -1};
    m_clockRuns = {};
    if (m_journal.isOn())
        setState(tr("kept in %1").arg(QDir::toNativeSeparators(journal::currentJournal(m_journal.folder()))));
    noteBoard();
}

void BoardJournal::settingsApplied(bool newGame) {
    // The operator chose a new game: the last one ends cleanly and a new journal begins.
    if (newGame && m_running) {
        m_marks.stop();
        m_journal.startGame(startEvent());
        m_names.clear();
        m_clockRuns = {};
        noteBoard();
        return;
    }
    follow();
}

journal::Event BoardJournal::startEvent() const {
    journal::Event e;
    e.settings = m_board.gameBoard()->settings();
    e.scores = m_board.gameBoard()->active()
                   ? m_board.gameBoard()->game().state().score
                   : std::array<int, 2>{modShowDigits::ShownValue(m_board.pledHomeScore),
                                        modShowDigits::ShownValue(m_board.pledVisitorScore)};
    e.title = modBasketball::TitleText;
    e.home = modBasketball::HomeText;
    e.visitor = modBasketball::VisitorText;
    e.clocks = clocks();
    return e;
}

game::Clocks BoardJournal::clocks() const {
    return {modCount::ReadCount(GameSlot), modCount::ReadCount(ShotSlot)};
}

void BoardJournal::noteBoard() {
    if (!m_running)
        return;
    const game::Clocks now = clocks();
    for (const qint16 slot : {GameSlot, ShotSlot}) {
        const bool runs = modCount::IsCounting(slot);
        if (runs != m_clockRuns[slot])
            m_journal.clock(slot, runs, now);
        m_clockRuns[slot] = runs;
    }
    if (m_clockRuns[GameSlot] || m_clockRuns[ShotSlot]) {
        if (!m_marks.isActive())
            m_marks.start();
    } else {
        m_marks.stop();
    }
    const QStringList names{modBasketball::TitleText, modBasketball::HomeText, modBasketball::VisitorText};
    if (!m_names.isEmpty() && names != m_names)
        m_journal.names(names[0], names[1], names[2], now);
    m_names = names;
    // On the Game board the game's commands carry all of this.
    if (m_board.gameBoard()->active())
        return;
    const std::array<int, 3> shown{modShowDigits::ShownValue(m_board.pledHomeScore),
                                   modShowDigits::ShownValue(m_board.pledVisitorScore),
                                   modShowDigits::ShownValue(m_board.pledPeriod)};
    if (shown != m_shown)
        m_journal.board({shown[0], shown[1]}, shown[2], now);
    m_shown = shown;
    const std::array<int, 3> lamps{m_board.LitPoss, m_board.LitBonusH != FlagFalse,
                                   m_board.LitBonusV != FlagFalse};
    if (lamps != m_lamps)
        m_journal.lamps(lamps[0], {lamps[1] != 0, lamps[2] != 0}, now);
    m_lamps = lamps;
}

void BoardJournal::closing() {
    if (!m_running)
        return;
    noteBoard();
    // Closed during a game (asked, and answered Yes), the journal stays open for the next start to offer.
    if (gameInProgress(m_board.game())) {
        if (journal::JournalWriter* writer = m_journal.writer()) {
            writer->sync();
            writer->waitForSync();
        }
    } else
        m_journal.endGame(clocks());
    m_running = false;
}

QString BoardJournal::notKept() {
    return tr("not kept: the Standard board keeps one when the game settings ask");
}

void BoardJournal::setState(const QString& state) {
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT stateChanged(state);
}

void BoardJournal::exportGame(QWidget* parent) {
    const QString file = QFileDialog::getSaveFileName(
        parent, tr("Export the game"), QDir::home().filePath(u"game.csv"_qs),
        tr("CSV (*.csv);;JSON (*.json)"), nullptr, QFileDialog::DontUseNativeDialog);
    if (file.isEmpty())
        return;
    const QString problem = journal::exportRecord(journal::latestJournal(m_journal.folder()), file);
    if (!problem.isEmpty())
        QMessageBox::warning(parent, tr("Export the game"), problem);
}
