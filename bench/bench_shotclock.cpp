// The shot clock against real time, on the real board in the Game layout with the shipped horn on
// a private PulseAudio server's null sink.
//
//   bench_shotclock [RUNS]          RUNS times (30 by default): the shot clock loaded with 1.0 s
//                                   and started at a random phase, by F7 alone and by the start
//                                   key with the game clock in turn; when the tick plays the horn
//                                   and when its sound begins at the sink's monitor, each after
//                                   the true expiry (the instant the run began plus 1 s).
//   bench_shotclock --agree [MINUTES]
//                                   the game for MINUTES of real time (10 by default, fractions
//                                   taken) while an operator, seeded, presses F5, F6, F7 or the
//                                   start key every 0.5 to 5 s: at every tick the game clock and
//                                   the shot clock as the tick read them; while both run, from
//                                   one tick to the next they must go down by as many tenths.
//
// The sound's onset is found at the sink's monitor as bench/SinkMonitor.h tells.
#include "bench/SinkMonitor.h"
#include "clock/modCount.h"
#include "game/Game.h"
#include "game/GameSettings.h"
#include "scoreboard/GameBoard.h"
#include "scoreboard/frmScoreboard.h"
#include "settings/GameSettingsStore.h"
#include "settings/SettingsStore.h"
#include "state/modBasketball.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <cstdio>
#include <optional>

namespace {

using bench::secondsNow;
using bench::waitMs;

constexpr qint16 GameSlot = 0;

void pressStartStop(frmScoreboard& board) {
    QTest::keyClick(&board, char(modBasketball::StartStopClockKey));
}

int expiry(frmScoreboard& board, int runs) {
    GameBoard& game = *board.gameBoard();
    for (int tries = 0; !game.mmcHorn()->isReady() && tries < 500; ++tries)
        waitMs(10);
    bench::Monitor monitor("bench_shotclock");
    if (!game.mmcHorn()->isReady() || !monitor.waitLive()) {
        std::fprintf(stderr, "bench_shotclock: the horn is not ready or the sink's monitor cannot be read\n");
        return 1;
    }

    bench::PlayWatch watch(board.tmrClock, game.mmcHorn());
    bench::ExpiryFigures figures;
    QRandomGenerator phase(17);
    figures.printHeader();
    for (int run = 0; run < runs; ++run) {
        game.dispatch(game::Action(game::Command::LoadShotClock, 0, Currency::fromSeconds(1)));
        waitMs(300 + int(phase.bounded(1000)));
        const bool alone = run % 2 == 0;
        watch.arm();
        if (alone)
            QTest::keyClick(&board, Qt::Key_F7);
        else
            pressStartStop(board);
        // The run's own start, as the counter took it: the true expiry is a second after it.
        const std::optional<qint64> startUs = modCount::RunStartUs(GameBoard::ShotSlot);
        if (!startUs) {
            std::fprintf(stderr, "bench_shotclock: the shot clock did not start\n");
            return 1;
        }
        const double expiresAt = double(*startUs) / 1e6 + 1.0;
        watch.waitPlayed(expiresAt + 2);
        if (!alone)
            pressStartStop(board);
        // The horn lasts a second: the next run starts in silence.
        waitMs(1200);
        const double playedAt = watch.playedAt();
        figures.add(expiresAt, playedAt, playedAt < 0 ? -1 : monitor.onsetAfter(playedAt),
                    alone ? "  F7" : "  start key");
    }
    figures.printSummary();
    return 0;
}

// The clocks as one tick read them.
struct TickRead {
    qint64 atUs = 0;
    Currency game;
    Currency shot;
    std::optional<qint64> gameRun;
    std::optional<qint64> shotRun;
};

// Both clocks ran the same runs all the way from one tick to the next, neither pinned at 0.
bool bothRanBetween(const TickRead& before, const TickRead& after) {
    return before.gameRun && before.shotRun && after.gameRun == before.gameRun &&
           after.shotRun == before.shotRun && *before.gameRun <= before.atUs &&
           *before.shotRun <= before.atUs && after.game > Currency() && after.shot > Currency();
}

int agree(frmScoreboard& board, double minutes) {
    struct Figures {
        int ticks = 0;
        int pairs = 0;
        int mismatches = 0;
        qint64 worstTenths = 0;
        double bothRanSeconds = 0;
    } f;
    std::optional<TickRead> last;
    QObject::connect(board.tmrClock, &QTimer::timeout, &board, [&] {
        const qint64 at = board.lastTickUs();
        const TickRead now{at, modCount::ReadCountAt(GameSlot, at),
                           modCount::ReadCountAt(GameBoard::ShotSlot, at), modCount::RunStartUs(GameSlot),
                           modCount::RunStartUs(GameBoard::ShotSlot)};
        ++f.ticks;
        if (last && bothRanBetween(*last, now)) {
            ++f.pairs;
            f.bothRanSeconds += double(now.atUs - last->atUs) / 1e6;
            const qint64 gameDown = (last->game - now.game).ticks() / Currency::TicksPerTenth;
            const qint64 shotDown = (last->shot - now.shot).ticks() / Currency::TicksPerTenth;
            if (gameDown != shotDown) {
                ++f.mismatches;
                f.worstTenths = std::max(f.worstTenths, std::abs(gameDown - shotDown));
                std::printf("tick %d: game clock %.1f -> %.1f, shot clock %.1f -> %.1f\n", f.ticks,
                            last->game.toDouble(), now.game.toDouble(), last->shot.toDouble(),
                            now.shot.toDouble());
            }
        }
        last = now;
    });

    // The operator: one of four keys at a random moment 0.5 to 5 s after the last. A game clock
    // that ran out is taken on to the next period (the interval, then the period), so play goes on.
    QRandomGenerator dice(17);
    const std::array<const char*, 4> names{"F5", "F6", "F7", "start/stop"};
    std::array<int, 4> pressed{};
    int periods = 0;
    QTimer operatorTimer;
    operatorTimer.setSingleShot(true);
    QObject::connect(&operatorTimer, &QTimer::timeout, &board, [&] {
        if (modCount::ReadCount(GameSlot) <= Currency() &&
            board.gameBoard()->game().state().phase == game::Phase::Playing) {
            QTest::keyClick(&board, Qt::Key_F10);
            QTest::keyClick(&board, Qt::Key_F10);
            ++periods;
        } else {
            const auto key = dice.bounded(4);
            ++pressed[key];
            if (key == 3)
                pressStartStop(board);
            else
                QTest::keyClick(&board, std::array{Qt::Key_F5, Qt::Key_F6, Qt::Key_F7}[key]);
        }
        operatorTimer.start(500 + int(dice.bounded(4500)));
    });

    const double began = secondsNow();
    pressStartStop(board);
    operatorTimer.start(500 + int(dice.bounded(4500)));
    waitMs(int(minutes * 60'000));
    operatorTimer.stop();
    const double seconds = secondsNow() - began;

    std::printf("keys: ");
    for (std::size_t i = 0; i < names.size(); ++i)
        std::printf("%s %d%s", names[i], pressed[i], i + 1 < names.size() ? ", " : "");
    std::printf("; periods ended %d\n", periods);
    std::printf("run %.1f s, both clocks running %.1f s of it\n", seconds, f.bothRanSeconds);
    std::printf("ticks: %d (%.2f a second)\n", f.ticks, f.ticks / seconds);
    std::printf("checked pairs of ticks: %d, a tenth or more apart: %d (worst %lld tenths)\n", f.pairs,
                f.mismatches, static_cast<long long>(f.worstTenths));
    return f.mismatches == 0 ? 0 : 2;
}

} // namespace

int main(int argc, char** argv) {
    // The store the board reads its game settings from, the bench's alone.
    QTemporaryDir folder;
    PulseServer server;
    if (!bench::startHeadlessWithSound(server, "bench_shotclock"))
        return 1;
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const bool agreeing = arguments.size() > 1 && arguments[1] == QLatin1String("--agree");
    const int first = agreeing ? 2 : 1;
    const bool given = arguments.size() > first;

    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    game::GameSettings settings;
    settings.layout = game::Layout::Game;
    settings.hornFile = QCoreApplication::applicationDirPath() + QStringLiteral("/horn.wav");
    if (modSettings::SaveGameSettings(settings) != modSettings::SaveResult::Saved) {
        std::fprintf(stderr, "bench_shotclock: cannot save the game settings in %s\n",
                     qPrintable(folder.path()));
        return 1;
    }
    modSettings::LoadSettings();
    frmScoreboard board;
    board.show();
    // The keys are the window's shortcuts: they act only while it is the active window.
    board.activateWindow();
    if (!QTest::qWaitForWindowActive(&board) || !board.gameBoard()->active()) {
        std::fprintf(stderr, "bench_shotclock: the Game board did not come up\n");
        return 1;
    }
    waitMs(1000);
    if (agreeing)
        return agree(board, given ? arguments[first].toDouble() : 10.0);
    return expiry(board, given ? std::max(1, arguments[first].toInt()) : 30);
}
