// The game clock against real time, on the real board with its buzzer on a private PulseAudio
// server's null sink.
//
//   bench_expiry [RUNS]             RUNS times (30 by default): the clock loaded with 1.0 s by
//                                   the clock entry and started at a random phase; when the tick
//                                   plays the buzzer and when the sound begins at the sink's
//                                   monitor, each after the true expiry (the start key plus 1 s).
//   bench_expiry --late [SECONDS [HOGS [same]]]
//                                   a clock of 59 s in the tenths form for SECONDS (30 by
//                                   default, at most 58) beside HOGS CPU hogs (4 by default: `yes`
//                                   into /dev/null, started and ended here): how long after each
//                                   tenth's true boundary the tick shows it. The hogs run in a
//                                   session of their own, as other programs do, so that the
//                                   scheduler groups them apart; "same" keeps them in the bench's.
//
// The sound's onset is found at the sink's monitor as bench/SinkMonitor.h tells.
#include "bench/SinkMonitor.h"
#include "clock/modCount.h"
#include "scoreboard/frmScoreboard.h"
#include "settings/SettingsStore.h"
#include "state/modBasketball.h"

#include <QApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using bench::secondsNow;
using bench::waitMs;

void typeOnClock(frmScoreboard& board, const QString& keys) {
    QTest::keyClicks(board.pledTime[0], keys);
}

int expiry(frmScoreboard& board, int runs) {
    bench::Monitor monitor("bench_expiry");
    if (!monitor.waitLive()) {
        std::fprintf(stderr, "bench_expiry: cannot record the sink's monitor\n");
        return 1;
    }

    bench::PlayWatch watch(board.tmrClock, board.mmcBuzzer);
    bench::ExpiryFigures figures;
    QRandomGenerator phase(16);
    figures.printHeader();
    for (int run = 0; run < runs; ++run) {
        typeOnClock(board, QStringLiteral("0.01\r"));
        waitMs(300 + int(phase.bounded(1000)));
        watch.arm();
        QTest::keyClick(&board, char(modBasketball::StartStopClockKey));
        const double expiresAt = secondsNow() + 1.0;
        watch.waitPlayed(expiresAt + 2);
        waitMs(600);
        QTest::keyClick(&board, char(modBasketball::StartStopClockKey));
        const double playedAt = watch.playedAt();
        figures.add(expiresAt, playedAt, playedAt < 0 ? -1 : monitor.onsetAfter(playedAt));
    }
    figures.printSummary();
    return 0;
}

// The tenths form's value shown on the clock display, in tenths; -1 in the minutes form.
int shownTenths(const frmScoreboard& board) {
    if (board.shpTime[0]->fillColor() == modBasketball::BorderColor)
        return -1;
    const auto digit = [&board](int i) { return std::max<int>(0, board.pledTime[i]->caption()); };
    return (digit(0) * 10 + digit(1)) * 10 + digit(2);
}

int lateness(frmScoreboard& board, int seconds, int hogCount, bool sameSession) {
    std::vector<std::unique_ptr<QProcess>> hogs;
    for (int i = 0; i < hogCount; ++i) {
        auto hog = std::make_unique<QProcess>();
        hog->setStandardOutputFile(QProcess::nullDevice());
        if (!sameSession)
            hog->setChildProcessModifier([] { setsid(); });
        hog->start(QStringLiteral("yes"), {});
        if (!hog->waitForStarted()) {
            std::fprintf(stderr, "bench_expiry: cannot start yes\n");
            return 1;
        }
        hogs.push_back(std::move(hog));
    }
    waitMs(500);

    typeOnClock(board, QStringLiteral("0.59\r"));
    waitMs(200);
    const int limit = 590;
    double startedAt = 0;
    int last = limit;
    int missed = 0;
    std::vector<double> late;
    QObject::connect(board.tmrClock, &QTimer::timeout, &board, [&] {
        const int shown = shownTenths(board);
        if (shown < 0 || shown == last || startedAt == 0)
            return;
        const double boundary = startedAt + (limit - shown) * 0.1;
        late.push_back((secondsNow() - boundary) * 1000);
        missed += last - shown - 1;
        last = shown;
    });
    const double before = secondsNow();
    QTest::keyClick(&board, char(modBasketball::StartStopClockKey));
    startedAt = (before + secondsNow()) / 2;
    waitMs(std::min(seconds, 58) * 1000);
    QTest::keyClick(&board, char(modBasketball::StartStopClockKey));
    for (const auto& hog : hogs) {
        hog->kill();
        hog->waitForFinished();
    }

    std::sort(late.begin(), late.end());
    if (late.empty()) {
        std::fprintf(stderr, "bench_expiry: no tenth was shown\n");
        return 1;
    }
    const auto over = std::count_if(late.begin(), late.end(), [](double ms) { return ms > 5; });
    std::printf("tenths shown: %zu, skipped: %d, shown over 5 ms late: %td\n", late.size(), missed, over);
    std::printf(
        "lateness after the boundary: median %.1f ms, 99th %.1f ms, worst %.1f ms, earliest %.1f ms\n",
        late[late.size() / 2], late[late.size() * 99 / 100], late.back(), late.front());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    PulseServer server;
    if (!bench::startHeadlessWithSound(server, "bench_expiry"))
        return 1;
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const bool late = arguments.size() > 1 && arguments[1] == QLatin1String("--late");
    const int first = late ? 2 : 1;
    const int count = arguments.size() > first ? arguments[first].toInt() : 30;
    const int hogCount = arguments.size() > first + 1 ? arguments[first + 1].toInt() : 4;
    const bool sameSession = arguments.size() > first + 2 && arguments[first + 2] == QLatin1String("same");

    QTemporaryDir folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    modSettings::LoadSettings();
    const QString horn = folder.filePath(QStringLiteral("horn.wav"));
    if (!writeToneWave(horn, {{440, 0.4}})) {
        std::fprintf(stderr, "bench_expiry: cannot write %s\n", qPrintable(horn));
        return 1;
    }
    modBasketball::BuzzerFile = horn;
    frmScoreboard board;
    board.show();
    if (!QTest::qWaitForWindowExposed(&board))
        return 1;
    waitMs(1000);
    return late ? lateness(board, count, hogCount, sameSession) : expiry(board, std::max(1, count));
}
