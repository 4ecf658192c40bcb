// The journal's cost and its worth: (a) the cost of an event and of a sync, and the syncs a running
// game asks for each second; (b) games killed with SIGKILL at a random moment, each restored from its
// journal and compared with the game the killed process had journaled. Run by hand, not by ctest:
//     build/default/bin/bench_journal [runs]        (default 1000)

#include "journal/Journal.h"
#include "journal/Restore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using game::Action;
using game::Command;

namespace {

// One step of a random game: an action of the game, or a clock's start, stop or mark.
struct Step {
    enum Kind { Act, ClockRun, ClockStop, Mark } kind;
    Action action{Command::Undo};
    game::Clocks clocks;
};

// The same seed gives the same steps, whatever the game made of the earlier ones.
class RandomGame {
public:
    explicit RandomGame(unsigned seed) : m_rng(seed) {}

    Step next() {
        m_clock = std::max<qint64>(0, m_clock - pick(0, 30));
        Step s{Step::Act,
               Action(Command::Undo),
               {Currency::fromTenths(m_clock), Currency::fromTenths(m_clock % 240)}};
        const int r = pick(0, 99);
        if (r < 8)
            s.kind = Step::ClockRun;
        else if (r < 16)
            s.kind = Step::ClockStop;
        else if (r < 30)
            s.kind = Step::Mark;
        else
            s.action = randomAction();
        if (m_clock == 0)
            m_clock = 6000;
        return s;
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }

    Action randomAction() {
        static constexpr Command Commands[] = {
            Command::HomeFoul,
            Command::VisitorFoul,
            Command::AddHomeScore,
            Command::AddVisitorScore,
            Command::AddHomeScore,
            Command::AddVisitorScore,
            Command::SetHomeScore,
            Command::HomeBonusClick,
            Command::HomeTimeout,
            Command::VisitorTimeout,
            Command::PossessionArrow,
            Command::SetPossession,
            Command::NextPeriod,
            Command::LoadGameClock,
            Command::ResetGameClock,
            Command::ShotClockFull,
            Command::ShotClockShort,
            Command::LoadShotClock,
            Command::Undo,
            Command::Undo,
            Command::Redo,
            Command::SetVisitorFouls,
        };
        const Command c = Commands[pick(0, std::size(Commands) - 1)];
        return Action(c, pick(0, 3), Currency::fromTenths(pick(0, 6000)));
    }

    std::mt19937 m_rng;
    qint64 m_clock = 6000;
};

journal::Event startEvent() {
    journal::Event e;
    e.settings.layout = game::Layout::Game;
    e.home = QStringLiteral("Home");
    e.visitor = QStringLiteral("Visitor");
    e.clocks = {Currency::fromSeconds(600), Currency::fromSeconds(24)};
    return e;
}

// Plays a random game into a journal until it is killed, now and then pausing as an operator would.
// Says on the pipe once the game has started, so that the kill falls within the game.
[[noreturn]] void playUntilKilled(const QString& folder, unsigned seed, int ready) {
    QElapsedTimer since;
    since.start();
    journal::Journal j(
        folder, [&since] { return since.elapsed(); }, [] { return QDateTime::currentDateTimeUtc(); });
    j.startGame(startEvent());
    if (write(ready, "s", 1) != 1)
        _exit(1);
    game::Game g;
    RandomGame random(seed);
    std::mt19937 pace(seed ^ 0x5a5a5a5au);
    for (;;) {
        const Step s = random.next();
        switch (s.kind) {
        case Step::Act:
            g.dispatch(s.action, s.clocks);
            j.action(s.action, s.clocks);
            break;
        case Step::ClockRun:
        case Step::ClockStop:
            j.clock(0, s.kind == Step::ClockRun, s.clocks);
            break;
        case Step::Mark:
            j.mark(s.clocks);
            break;
        }
        if (pace() % 16 == 0)
            usleep(pace() % 500);
    }
}

// Replays the first actions of the seed's game, as many as the journal kept.
game::Game replayed(unsigned seed, int actions) {
    game::Game g;
    RandomGame random(seed);
    while (actions > 0) {
        const Step s = random.next();
        if (s.kind == Step::Act) {
            g.dispatch(s.action, s.clocks);
            --actions;
        }
    }
    return g;
}

// Actions kept by the killed runs, to show that the kills fall all along a game.
qint64 keptTotal = 0;
int keptMost = 0;

bool killedRunRestores(unsigned seed, std::mt19937& rng) {
    QTemporaryDir dir;
    int ready[2];
    if (pipe(ready) != 0)
        return false;
    const pid_t child = fork();
    if (child == 0)
        playUntilKilled(dir.path(), seed, ready[1]);
    char started = 0;
    const bool began = read(ready[0], &started, 1) == 1;
    close(ready[0]);
    close(ready[1]);
    usleep(rng() % 30000);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const journal::ReadResult read = journal::readJournalFile(journal::currentJournal(dir.path()));
    int actions = 0;
    for (const journal::Event& e : read.events)
        actions += e.kind == journal::EventKind::Action;
    keptTotal += actions;
    keptMost = std::max(keptMost, actions);
    const journal::Restored r = journal::restore(read.events);
    game::Game expected = replayed(seed, actions);
    game::Game got = r.game;
    const game::Clocks now{Currency::fromSeconds(1), Currency::fromSeconds(1)};
    const bool equal = began && r.started && r.unclean && got.state() == expected.state() &&
                       got.undoDepth() == expected.undoDepth() && got.redoDepth() == expected.redoDepth() &&
                       (got.dispatch(Action(Command::Undo), now),
                        expected.dispatch(Action(Command::Undo), now), got.state() == expected.state());
    if (!equal)
        std::printf("seed %u: %d actions kept, restore differs (%s)\n", seed, actions,
                    qPrintable(read.dropped));
    return equal;
}

void measureCost() {
    QTemporaryDir dir;
    QElapsedTimer since;
    since.start();
    {
        journal::Journal j(
            dir.path(), [&since] { return since.elapsed(); }, [] { return QDateTime::currentDateTimeUtc(); });
        j.startGame(startEvent());
        constexpr int Events = 100'000;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < Events; ++i)
            j.action(Action(Command::AddHomeScore, 0), {Currency::fromTenths(i % 6000), Currency()});
        std::printf("cost per event: %.2f us (%d events, syncs %d, %lld bytes)\n",
                    t.nsecsElapsed() / 1e3 / Events, Events, j.writer()->syncCount(), j.writer()->size());
        constexpr int Syncs = 200;
        t.restart();
        for (int i = 0; i < Syncs; ++i) {
            j.mark({});
            j.writer()->sync();
            j.writer()->waitForSync();
        }
        std::printf("cost per sync: %.3f ms (event and fdatasync, %d syncs)\n",
                    t.nsecsElapsed() / 1e6 / Syncs, Syncs);
    }
    // A running game on a clock of its own: a mark a second, an action every 3 s, the clock stopped
    // every 40 s; what the writer syncs, over 20 minutes of play.
    qint64 ms = 0;
    journal::Journal j(
        dir.path() + QStringLiteral("/game"), [&ms] { return ms; },
        [] { return QDateTime::currentDateTimeUtc(); });
    j.startGame(startEvent());
    const int before = j.writer()->syncCount();
    constexpr int Seconds = 1200;
    for (int s = 0; s < Seconds; ++s) {
        for (int tenth = 0; tenth < 10; ++tenth, ms += 100) {
            if (tenth == 0)
                j.mark({});
            if (tenth == 3 && s % 3 == 0)
                j.action(Action(Command::AddHomeScore, 1), {});
            if (tenth == 5 && s % 40 == 0)
                j.clock(0, false, {});
            if (tenth == 6 && s % 40 == 0)
                j.clock(0, true, {});
        }
        // A second of play is far longer than a sync: the one started in it has ended.
        j.writer()->waitForSync();
        QCoreApplication::processEvents();
    }
    std::printf("syncs per second of a running game: %.2f (%d in %d s)\n",
                double(j.writer()->syncCount() - before) / Seconds, j.writer()->syncCount() - before,
                Seconds);
}

} // namespace

int main(int argc, char* argv[]) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 1000;
    // The children forked below go on in this application; without glib's dispatcher nothing of it
    // is shared with the parent but plain file handles.
    qputenv("QT_NO_GLIB", "1");
    const QCoreApplication app(argc, argv);
    measureCost();
    std::fflush(stdout);
    std::mt19937 rng(20);
    int equal = 0;
    for (int i = 0; i < runs; ++i)
        equal += killedRunRestores(unsigned(i + 1), rng);
    std::printf("actions kept at the kill: %.0f on average, %d at most\n",
                double(keptTotal) / std::max(runs, 1), keptMost);
    std::printf("%d of %d restored equal\n", equal, runs);
    return equal == runs ? 0 : 1;
}
