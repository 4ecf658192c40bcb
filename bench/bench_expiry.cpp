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
// The onset is found by a minimal finder of its own: the monitor is read in 5 ms blocks on a thread,
// each block's arrival noted; the soonest arrival less its place in the stream maps a sample to the
// monotonic clock, and the first sample above a threshold after the play is the onset.
#include "clock/modCount.h"
#include "scoreboard/frmScoreboard.h"
#include "settings/SettingsStore.h"
#include "state/modBasketball.h"
#include "tests/support/PulseServer.h"

#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <pulse/simple.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kRate = 44100;
constexpr std::size_t kBlock = kRate / 200;
constexpr int kLoud = 2000;

double secondsNow() {
    return std::chrono::duration<double>(SteadyClock::now().time_since_epoch()).count();
}

void waitMs(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Reads the null sink's monitor on a thread of its own and notes when each block arrived.
class Monitor {
public:
    Monitor() : m_thread([this] { run(); }) {}
    ~Monitor() {
        m_stop = true;
        m_thread.join();
    }
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    bool live() const { return m_live; }

    // The monotonic time, in seconds, at which the first loud sample after `after` was rendered;
    // a negative value when there is none.
    double onsetAfter(double after) {
        const std::lock_guard lock(m_mutex);
        if (m_starts.empty())
            return -1;
        const auto blockOf = [this](double at) {
            const auto guess = qsizetype((at - m_starts.front()) * kRate) / qsizetype(kBlock);
            return std::size_t(std::clamp<qsizetype>(guess, 0, qsizetype(m_starts.size()) - 1));
        };
        // Around a moment, the soonest arrival less its place gives when the stream's first sample
        // was rendered: a block arrives as soon as it is complete or later, never sooner.
        const auto streamStart = [this](std::size_t block) {
            const std::size_t from = block >= 200 ? block - 200 : 0;
            const std::size_t to = std::min(m_starts.size(), block + 200);
            return *std::min_element(m_starts.begin() + std::ptrdiff_t(from),
                                     m_starts.begin() + std::ptrdiff_t(to));
        };
        const double zero = streamStart(blockOf(after));
        const auto first = std::size_t(std::max(0.0, (after - zero - 0.05) * kRate));
        for (std::size_t i = first; i < m_samples.size(); ++i)
            if (std::abs(int(m_samples[i])) > kLoud)
                return zero + double(i) / kRate;
        return -1;
    }

private:
    void run() {
        const pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 1};
        pa_buffer_attr buffer{};
        buffer.maxlength = quint32(-1);
        buffer.fragsize = quint32(kBlock * sizeof(qint16));
        pa_simple* const source = pa_simple_new(nullptr, "bench_expiry", PA_STREAM_RECORD, "testsink.monitor",
                                                "monitor", &format, nullptr, &buffer, nullptr);
        if (!source)
            return;
        std::vector<qint16> block(kBlock);
        while (!m_stop && pa_simple_read(source, block.data(), block.size() * sizeof(qint16), nullptr) == 0) {
            const double now = secondsNow();
            const std::lock_guard lock(m_mutex);
            m_samples.insert(m_samples.end(), block.begin(), block.end());
            m_starts.push_back(now - double(m_samples.size()) / kRate);
            m_live = true;
        }
        pa_simple_free(source);
    }

    std::atomic<bool> m_stop = false;
    std::atomic<bool> m_live = false;
    std::mutex m_mutex;
    std::vector<qint16> m_samples;
    std::vector<double> m_starts;
    std::thread m_thread;
};

// Notes when the board's tick played the buzzer: connected after the board's own handler, it runs
// right after the tick.
struct PlayWatch {
    double playedAt = -1;
    int seen = 0;
};

void typeOnClock(frmScoreboard& board, const QString& keys) {
    QTest::keyClicks(board.pledTime[0], keys);
}

int expiry(frmScoreboard& board, int runs) {
    auto monitor = std::make_unique<Monitor>();
    for (int tries = 0; !monitor->live() && tries < 500; ++tries)
        waitMs(10);
    if (!monitor->live()) {
        std::fprintf(stderr, "bench_expiry: cannot record the sink's monitor\n");
        return 1;
    }
    waitMs(1000);

    PlayWatch watch;
    watch.seen = board.mmcBuzzer->playCount();
    QObject::connect(board.tmrClock, &QTimer::timeout, &board, [&] {
        if (board.mmcBuzzer->playCount() != watch.seen) {
            watch.seen = board.mmcBuzzer->playCount();
            watch.playedAt = secondsNow();
        }
    });

    std::vector<double> plays;
    std::vector<double> onsets;
    std::vector<double> devices;
    int early = 0;
    QRandomGenerator phase(16);
    std::printf("run  play after expiry (ms)  onset after expiry (ms)\n");
    for (int run = 0; run < runs; ++run) {
        typeOnClock(board, QStringLiteral("0.01\r"));
        waitMs(300 + int(phase.bounded(1000)));
        watch.playedAt = -1;
        QTest::keyClick(&board, char(modBasketball::StartStopClockKey));
        const double expiresAt = secondsNow() + 1.0;
        while (watch.playedAt < 0 && secondsNow() < expiresAt + 2)
            waitMs(1);
        waitMs(600);
        QTest::keyClick(&board, char(modBasketball::StartStopClockKey));
        if (watch.playedAt < 0) {
            std::printf("%3d  no play\n", run + 1);
            continue;
        }
        const double onset = monitor->onsetAfter(watch.playedAt);
        const double play = (watch.playedAt - expiresAt) * 1000;
        plays.push_back(play);
        if (onset > 0) {
            onsets.push_back((onset - expiresAt) * 1000);
            devices.push_back((onset - watch.playedAt) * 1000);
        }
        early += play < 0;
        std::printf("%3d  %8.1f  %8.1f\n", run + 1, play, onset > 0 ? (onset - expiresAt) * 1000 : -1.0);
    }
    const auto summary = [](const char* what, const std::vector<double>& values) {
        if (values.empty())
            return;
        std::printf("%-26s median %6.1f ms, earliest %6.1f ms, latest %6.1f ms (%zu runs)\n", what,
                    median(values), *std::min_element(values.begin(), values.end()),
                    *std::max_element(values.begin(), values.end()), values.size());
    };
    summary("play after expiry:", plays);
    summary("onset after expiry:", onsets);
    summary("onset after play:", devices);
    std::printf("played before the true expiry: %d of %zu\n", early, plays.size());
    // A block arrives once all of it was rendered, so the soonest arrivals place the stream; the
    // sink renders ahead in blocks of its own, which leaves the onset uncertain by a few ms.
    std::printf("(onsets placed on the monotonic clock to within about 5 ms, the monitor's block)\n");
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The sound server must be running before the application connects to any audio output.
    PulseServer server;
    if (!server.start()) {
        std::fprintf(stderr, "bench_expiry: %s\n", qPrintable(server.errorString()));
        return 1;
    }
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
