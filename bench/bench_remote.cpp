// The board served to browsers, on the real board in the Game layout with real time.
//
//   bench_remote --latency [CHANGES]
//                     CHANGES times (200 by default) a score typed on the board (Enter pressed on
//                     the home score's display) until the overlay's page in headless Chromium shows
//                     it: median, 99th percentile and worst, in ms. The page reports each change of
//                     its home score through a DevTools binding, so the figure includes the way back
//                     from Chromium: it is an upper bound.
//   bench_remote --flood [SECONDS]
//                     the same with one client that sends frames as fast as it can (malformed ones,
//                     then unpaired commands, as a hostile page would).
//   bench_remote --clients [CLIENTS [SECONDS [ROUNDS]]]
//                     ROUNDS times (5 by default) the game clock in the tenths form for SECONDS (20 by
//                     default) with no client, then with CLIENTS WebSocket clients (50 by default) in a
//                     process of their own reading /ws: the tick's lateness after each tenth (median,
//                     99th, worst) and the CPU time per second of game of the program and of its
//                     board's thread, with none and with the clients, each round and their median.
#include "bench/SinkMonitor.h"
#include "clock/modCount.h"
#include "remote/BoardLink.h"
#include "scoreboard/GameBoard.h"
#include "scoreboard/frmScoreboard.h"
#include "server/StateServer.h"
#include "settings/GameSettingsStore.h"
#include "settings/SettingsStore.h"
#include "state/modBasketball.h"
#include "tests/support/Devtools.h"

#include <QApplication>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using bench::secondsNow;
using bench::waitMs;

double cpuSeconds(int who = RUSAGE_SELF) {
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void printSpread(const char* what, std::vector<double> ms) {
    if (ms.empty()) {
        std::printf("%s: no figures\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%s: n %zu, median %.1f ms, 99th %.1f ms, worst %.1f ms\n", what, ms.size(),
                ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 99 / 100)], ms.back());
}

// The tenths form's value shown on the clock display, in tenths; -1 in the minutes form.
int shownTenths(const frmScoreboard& board) {
    if (board.shpTime[0]->fillColor() == modBasketball::BorderColor)
        return -1;
    const auto digit = [&board](int i) { return std::max<int>(0, board.pledTime[i]->caption()); };
    return (digit(0) * 10 + digit(1)) * 10 + digit(2);
}

struct ClockRun {
    // How late each tenth was shown, in ms.
    std::vector<double> late;
    // CPU time per second of game, in ms: the whole program's, and its board's thread's alone.
    double programMs = 0;
    double boardThreadMs = 0;
};

// The clock run for seconds in the tenths form: how late each tenth was shown and the CPU it took.
ClockRun runClock(frmScoreboard& board, int seconds) {
    QTest::keyClicks(board.pledTime[0], QStringLiteral("0.59\r"));
    waitMs(300);
    const int limit = 590;
    double startedAt = 0;
    int last = limit;
    ClockRun run;
    const auto connection = QObject::connect(board.tmrClock, &QTimer::timeout, &board, [&] {
        const int shown = shownTenths(board);
        if (shown < 0 || shown == last || startedAt == 0)
            return;
        run.late.push_back((secondsNow() - (startedAt + (limit - shown) * 0.1)) * 1000);
        last = shown;
    });
    const double cpuBefore = cpuSeconds();
    const double threadBefore = cpuSeconds(RUSAGE_THREAD);
    const double before = secondsNow();
    QTest::keyClick(&board, char(modBasketball::StartStopClockKey));
    startedAt = (before + secondsNow()) / 2;
    waitMs(std::min(seconds, 58) * 1000);
    QTest::keyClick(&board, char(modBasketball::StartStopClockKey));
    const double wall = secondsNow() - before;
    run.programMs = (cpuSeconds() - cpuBefore) / wall * 1000;
    run.boardThreadMs = (cpuSeconds(RUSAGE_THREAD) - threadBefore) / wall * 1000;
    QObject::disconnect(connection);
    return run;
}

// Rounds of the clock run with no client, then with the clients of a process started for the round:
// the machine's other work moves the CPU figures from one run to the next, so each round compares
// runs next to each other.
int clients(frmScoreboard& board, quint16 port, int count, int seconds, int rounds, bool flood) {
    std::vector<double> lateAlone, lateServing, programAlone, programServing, threadAlone, threadServing,
        ratios;
    remote::BoardLink* link = board.findChild<remote::BoardLink*>();
    const char* serving = flood ? "with a flooding client" : "with clients";
    for (int round = 1; round <= rounds; ++round) {
        const ClockRun alone = runClock(board, seconds);
        QProcess readers;
        readers.setProcessChannelMode(QProcess::ForwardedChannels);
        readers.start(QCoreApplication::applicationFilePath(),
                      {flood ? QStringLiteral("--flooder") : QStringLiteral("--readers"),
                       QString::number(port), QString::number(flood ? seconds + 2 : count)});
        if (!readers.waitForStarted())
            return 1;
        for (int waited = 0; link->server()->clientCount() < count && waited < 100; ++waited)
            waitMs(50);
        const int connected = link->server()->clientCount();
        const ClockRun served = runClock(board, seconds);
        if (!flood || !readers.waitForFinished(10'000))
            readers.kill();
        readers.waitForFinished();
        for (int waited = 0; link->server()->clientCount() > 0 && waited < 100; ++waited)
            waitMs(50);
        std::printf("round %d: clients connected %d; CPU per second of game, program %.1f / %.1f ms (%+.0f "
                    "%%), board's thread %.1f / %.1f ms\n",
                    round, connected, alone.programMs, served.programMs,
                    (served.programMs / alone.programMs - 1) * 100, alone.boardThreadMs,
                    served.boardThreadMs);
        std::fflush(stdout);
        lateAlone.insert(lateAlone.end(), alone.late.begin(), alone.late.end());
        lateServing.insert(lateServing.end(), served.late.begin(), served.late.end());
        programAlone.push_back(alone.programMs);
        programServing.push_back(served.programMs);
        threadAlone.push_back(alone.boardThreadMs);
        threadServing.push_back(served.boardThreadMs);
        ratios.push_back(served.programMs / alone.programMs);
    }
    printSpread("tick lateness, no client", lateAlone);
    printSpread(qPrintable(QStringLiteral("tick lateness, %1").arg(QString::fromLatin1(serving))),
                lateServing);
    std::printf("median over %d rounds: program CPU %.1f / %.1f ms per second of game (median of the "
                "rounds' changes %+.0f %%), board's thread %.1f / %.1f ms\n",
                rounds, median(programAlone), median(programServing), (median(ratios) - 1) * 100,
                median(threadAlone), median(threadServing));
    return 0;
}

// A client of its own process that sends frames as fast as its socket takes them for the seconds
// given, opening a new connection whenever the server closes one, then says how much it sent.
int flooder(quint16 port, int seconds) {
    QWebSocket socket;
    const QUrl url(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port));
    qint64 sent = 0;
    int connections = 0;
    QTimer burst;
    burst.setInterval(0);
    QObject::connect(&burst, &QTimer::timeout, &socket, [&] {
        if (socket.state() != QAbstractSocket::ConnectedState || socket.bytesToWrite() > 1 << 20)
            return;
        for (int i = 0; i < 200; ++i, ++sent)
            socket.sendTextMessage(sent % 2 ? QStringLiteral(R"({"command": "addHomeScore", "value": 2})")
                                            : QStringLiteral("{not json"));
    });
    QObject::connect(&socket, &QWebSocket::connected, &socket, [&] { ++connections; });
    QObject::connect(&socket, &QWebSocket::disconnected, &socket,
                     [&] { QTimer::singleShot(10, &socket, [&] { socket.open(url); }); });
    socket.open(url);
    burst.start();
    QTimer::singleShot(seconds * 1000, QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();
    std::printf("flooder: %lld frames sent over %d connections\n", sent, connections);
    return 0;
}

// The clients' own process: count WebSockets that read /ws until killed.
int readers(quint16 port, int count) {
    std::vector<std::unique_ptr<QWebSocket>> sockets;
    qint64 messages = 0;
    for (int i = 0; i < count; ++i) {
        auto socket = std::make_unique<QWebSocket>();
        QObject::connect(socket.get(), &QWebSocket::textMessageReceived, [&messages] { ++messages; });
        socket->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port)));
        sockets.push_back(std::move(socket));
    }
    return QCoreApplication::exec();
}

int latency(frmScoreboard& board, quint16 port, int changes) {
    Devtools browser;
    if (!browser.isReady()) {
        std::fprintf(stderr, "bench_remote: cannot start Chromium\n");
        return 1;
    }
    QString seen;
    browser.onEvent([&seen](const QString& method, const QJsonObject& params) {
        if (method == u"Runtime.bindingCalled")
            seen = params.value(u"payload").toString();
    });
    const QString seenScript =
        QStringLiteral("new MutationObserver(() => seen(document.getElementById('home-score').textContent))"
                       ".observe(document.getElementById('home-score'), {subtree: true, childList: true, "
                       "characterData: true}); true");
    if (!browser.navigate(QStringLiteral("http://127.0.0.1:%1/overlay").arg(port)) ||
        browser.call(QStringLiteral("Runtime.addBinding"), {{QStringLiteral("name"), QStringLiteral("seen")}})
            .contains(u"error") ||
        !browser.evaluate(seenScript).toBool()) {
        std::fprintf(stderr, "bench_remote: cannot watch the overlay\n");
        return 1;
    }
    std::vector<double> ms;
    for (int i = 0; i < changes; ++i) {
        const QString score = QString::number(1 + i % 150);
        QTest::keyClicks(board.pledHomeScore[0], score);
        waitMs(20);
        const double before = secondsNow();
        QTest::keyClick(board.pledHomeScore[0], Qt::Key_Return);
        while (seen != score && secondsNow() - before < 5)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (seen != score) {
            std::fprintf(stderr, "bench_remote: the overlay never showed %s\n", qPrintable(score));
            return 1;
        }
        ms.push_back((secondsNow() - before) * 1000);
        waitMs(20);
    }
    printSpread("key to overlay", ms);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const QStringList arguments = [&] {
        QStringList list;
        for (int i = 0; i < argc; ++i)
            list << QString::fromLocal8Bit(argv[i]);
        return list;
    }();
    if (arguments.value(1) == u"--flooder") {
        QCoreApplication app(argc, argv);
        return flooder(quint16(arguments.value(2).toUInt()), arguments.value(3).toInt());
    }
    if (arguments.value(1) == u"--readers") {
        QCoreApplication app(argc, argv);
        return readers(quint16(arguments.value(2).toUInt()), arguments.value(3).toInt());
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    game::GameSettings settings;
    settings.layout = game::Layout::Game;
    settings.hornFile.clear();
    modSettings::SaveGameSettings(settings);
    modSettings::LoadSettings();
    modBasketball::BuzzerFile.clear();

    frmScoreboard board;
    auto* link = new remote::BoardLink(&board);
    link->serveOnPort(0);
    board.show();
    if (!QTest::qWaitForWindowExposed(&board) || !link->server())
        return 1;
    waitMs(500);
    const bool latencyMode = arguments.value(1) == u"--latency";
    if (arguments.value(1) == u"--flood")
        return clients(board, link->port(), 1, arguments.size() > 2 ? arguments[2].toInt() : 20, 1, true);
    if (latencyMode || arguments.value(1) != u"--clients")
        return latency(board, link->port(), arguments.size() > 2 ? arguments[2].toInt() : 200);
    return clients(board, link->port(), arguments.size() > 2 ? arguments[2].toInt() : 50,
                   arguments.size() > 3 ? arguments[3].toInt() : 20,
                   arguments.size() > 4 ? arguments[4].toInt() : 5, false);
}
