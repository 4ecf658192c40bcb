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
// of that change costs, in one process on the offscreen platform: the board at 1920x1080 alone,
// then with a console at 1366x768 copying it. A change is one tick of the clock display (its last
// digit) or one score entry; each is painted to the end before the next. Microseconds of CPU time
// per change, medians of 11 blocks of 200 changes, and paint events per change. Run by hand:
// build/release/bin/bench_console.
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

Figures measure(frmScoreboard& board, QWidget* console, const std::function<void(int)>& change) {
    PaintCounter boardPaints;
    PaintCounter consolePaints;
    watchAll(&board, &boardPaints);
    if (console)
        watchAll(console, &consolePaints);
    std::vector<double> blocks;
    int step = 0;
    for (int block = 0; block < Blocks; ++block) {
        const double start = cpuUs();
        for (int i = 0; i < PerBlock; ++i) {
            change(step++);
            settle();
        }
        blocks.push_back((cpuUs() - start) / PerBlock);
    }
    std::nth_element(blocks.begin(), blocks.begin() + Blocks / 2, blocks.end());
    const double changes = double(Blocks) * PerBlock;
    return {blocks[Blocks / 2], boardPaints.paints / changes, consolePaints.paints / changes};
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
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

    std::printf("%-12s %-22s %10s %12s %14s\n", "change", "setting", "us/change", "board paints",
                "console paints");
    std::vector<Figures> alone;
    for (const auto& [name, change] : changes) {
        alone.push_back(measure(board, nullptr, change));
        std::printf("%-12s %-22s %10.1f %12.2f %14s\n", name, "board alone", alone.back().usPerChange,
                    alone.back().boardPaints, "-");
    }

    auto* console = new frmConsole(&board);
    console->resize(1366, 768);
    console->show();
    settle();
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const Figures both = measure(board, console, changes[i].second);
        std::printf("%-12s %-22s %10.1f %12.2f %14.2f\n", changes[i].first, "board and console",
                    both.usPerChange, both.boardPaints, both.consolePaints);
        std::printf("%-12s %-22s %10.1f   (%.0f%% of the board's own)\n", changes[i].first, "console's share",
                    both.usPerChange - alone[i].usPerChange,
                    100 * (both.usPerChange - alone[i].usPerChange) / alone[i].usPerChange);
    }
    delete console;
    return 0;
}
