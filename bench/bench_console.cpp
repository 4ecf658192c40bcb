#include "bench/PaintCounter.h"
#include "clock/ClockShow.h"
#include "clock/modCount.h"
#include "console/frmConsole.h"
#include "scoreboard/frmScoreboard.h"
#include "scoreboard/modShowDigits.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <time.h>

// What the operator's console costs per change of the board beside what the board's own painting
// of that change costs, in one process on the offscreen platform or, with QT_QPA_PLATFORM=xcb, on
// an X server (the program's own case: xvfb-run -s "-screen 0 3840x1080x24"): the board at
// 1920x1080 with a console at 1366x768, hidden (it then copies nothing) or shown and copying the board. A
// change is one tick of the clock display (its last digit) or one score entry; each is painted to the end
// before the next. Microseconds of CPU time per change, medians of 11 blocks of 200 changes each
// way, and paint events per change. Run by hand: build/release/bin/bench_console.
namespace {

constexpr int Blocks = 11;
constexpr int PerBlock = 200;

double cpuUs() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

void settle() {
    // The board's update and the console's copy each take a turn of the loop.
    for (int turn = 0; turn < 3; ++turn)
        QCoreApplication::processEvents();
}

void watchAll(QWidget* widget, PaintCounter* counter) {
    widget->installEventFilter(counter);
    for (QWidget* child : widget->findChildren<QWidget*>())
        child->installEventFilter(counter);
}

struct Figures {
    double usPerChange;
    double boardPaints;
    double consolePaints;
};

// Blocks with the console hidden and shown take turns, so that a load that comes and goes on the
// machine weighs on both alike. Hidden, the console copies nothing: those blocks are the board's own
// cost.
std::pair<Figures, Figures> measure(frmScoreboard& board, QWidget& console,
                                    const std::function<void(int)>& change) {
    PaintCounter boardPaints;
    PaintCounter consolePaints;
    watchAll(&board, &boardPaints);
    watchAll(&console, &consolePaints);
    std::vector<double> blocks[2];
    int paints[2][2] = {};
    int step = 0;
    for (int block = 0; block < 2 * Blocks; ++block) {
        const int shown = block % 2;
        console.setVisible(shown == 1);
        settle();
        const int boardBefore = boardPaints.paints;
        const int consoleBefore = consolePaints.paints;
        const double start = cpuUs();
        for (int i = 0; i < PerBlock; ++i) {
            change(step++);
            settle();
        }
        blocks[shown].push_back((cpuUs() - start) / PerBlock);
        paints[shown][0] += boardPaints.paints - boardBefore;
        paints[shown][1] += consolePaints.paints - consoleBefore;
    }
    const double changes = double(Blocks) * PerBlock;
    Figures figures[2];
    for (int shown = 0; shown < 2; ++shown) {
        std::vector<double>& times = blocks[shown];
        std::nth_element(times.begin(), times.begin() + Blocks / 2, times.end());
        figures[shown] = {times[Blocks / 2], paints[shown][0] / changes, paints[shown][1] / changes};
    }
    return {figures[0], figures[1]};
}

} // namespace

int main(int argc, char* argv[]) {
    // Offscreen unless an X server is asked for (QT_QPA_PLATFORM=xcb), and then painted as the
    // program paints there, without X's shared memory.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication app(argc, argv);
    QTemporaryDir store;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, store.path());
    modSettings::LoadSettings();

    frmScoreboard board;
    board.tmrClock->stop();
    board.resize(1920, 1080);
    board.show();
    settle();

    const std::vector<std::pair<const char*, std::function<void(int)>>> changes{
        {"clock tick",
         [&board](int i) {
             modCount::ShowCount(Currency::fromSeconds(600 - i % 600), board.pledTime, board.shpTime);
         }},
        {"score entry", [&board](int i) { modShowDigits::ShowValue(board.pledHomeScore, i % 200); }},
    };

    frmConsole console(&board);
    console.resize(1366, 768);

    std::printf("%-12s %-16s %10s %12s %14s\n", "change", "console", "us/change", "board paints",
                "console paints");
    for (const auto& [name, change] : changes) {
        const auto [hidden, shown] = measure(board, console, change);
        std::printf("%-12s %-16s %10.1f %12.2f %14.2f\n", name, "hidden", hidden.usPerChange,
                    hidden.boardPaints, hidden.consolePaints);
        std::printf("%-12s %-16s %10.1f %12.2f %14.2f\n", name, "shown", shown.usPerChange, shown.boardPaints,
                    shown.consolePaints);
        std::printf("%-12s %-16s %10.1f   (%.0f%% of the board's own)\n", name, "console's share",
                    shown.usPerChange - hidden.usPerChange,
                    100 * (shown.usPerChange - hidden.usPerChange) / hidden.usPerChange);
    }
    return 0;
}
