// What the benchmarks of a sound's expiry share: the monotonic clock they measure on, a wait that
// keeps the event loop running, the null sink's monitor with its onset finder, a watch on the
// board's tick for a sound device's Play, and the figures of a series of expiries.
//
// The onset is found by a minimal finder of its own: the monitor is read in 5 ms blocks on a thread,
// each block's arrival noted; the soonest arrival less its place in the stream maps a sample to the
// monotonic clock, and the first sample above a threshold after the play is the onset.
#pragma once

#include "sound/SoundDevice.h"
#include "tests/support/PulseServer.h"

#include <QEventLoop>
#include <QTimer>

#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace bench {

inline constexpr int kRate = 44100;
inline constexpr std::size_t kBlock = kRate / 200;
inline constexpr int kLoud = 2000;

// Seconds on the steady clock, the line the clock source's monotonic time is read on.
inline double secondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

inline void waitMs(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Headless unless told otherwise, and with the private sound server running before the application
// connects to any audio output; false, having said why, when the server does not start.
inline bool startHeadlessWithSound(PulseServer& server, const char* bench) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (server.start())
        return true;
    std::fprintf(stderr, "%s: %s\n", bench, qPrintable(server.errorString()));
    return false;
}

inline double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Reads the null sink's monitor on a thread of its own and notes when each block arrived.
class Monitor {
public:
    explicit Monitor(const char* client) : m_client(client), m_thread([this] { run(); }) {}
    ~Monitor() {
        m_stop = true;
        m_thread.join();
    }
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    bool live() const { return m_live; }

    // Waits, up to 5 s, for the first blocks to arrive, then a second for the stream to settle.
    bool waitLive() {
        for (int tries = 0; !live() && tries < 500; ++tries)
            waitMs(10);
        if (!live())
            return false;
        waitMs(1000);
        return true;
    }

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
        pa_simple* const source = pa_simple_new(nullptr, m_client, PA_STREAM_RECORD, "testsink.monitor",
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

    const char* const m_client;
    std::atomic<bool> m_stop = false;
    std::atomic<bool> m_live = false;
    std::mutex m_mutex;
    std::vector<qint16> m_samples;
    std::vector<double> m_starts;
    std::thread m_thread;
};

// Notes when the board's tick played a sound device: connected after the board's own handler, it
// runs right after the tick.
class PlayWatch {
public:
    PlayWatch(QTimer* tick, const SoundDevice* device) : m_seen(device->playCount()) {
        QObject::connect(tick, &QTimer::timeout, tick, [this, device] {
            if (device->playCount() != m_seen) {
                m_seen = device->playCount();
                m_playedAt = secondsNow();
            }
        });
    }

    // Forgets the latest play, before a run.
    void arm() { m_playedAt = -1; }
    // When the tick played the device since arm(); negative while it has not.
    double playedAt() const { return m_playedAt; }

    // Waits for a play until `deadline`; true when one came.
    bool waitPlayed(double deadline) const {
        while (m_playedAt < 0 && secondsNow() < deadline)
            waitMs(1);
        return m_playedAt >= 0;
    }

private:
    int m_seen;
    double m_playedAt = -1;
};

// The figures of a series of expiries: each run's play and onset after the true expiry.
class ExpiryFigures {
public:
    void printHeader() const { std::printf("run  play after expiry (ms)  onset after expiry (ms)\n"); }

    // Takes a run whose true expiry, play and onset (negative: none) are on the monotonic line,
    // in seconds, and prints its line, ended by `note`.
    void add(double expiresAt, double playedAt, double onset, const char* note = "") {
        ++m_runs;
        if (playedAt < 0) {
            ++m_unplayed;
            std::printf("%3d  no play%s\n", m_runs, note);
            return;
        }
        const double play = (playedAt - expiresAt) * 1000;
        m_plays.push_back(play);
        m_earlyPlays += play < 0;
        if (onset > 0) {
            m_onsets.push_back((onset - expiresAt) * 1000);
            m_devices.push_back((onset - playedAt) * 1000);
            m_earlyOnsets += onset < expiresAt;
        } else {
            ++m_unheard;
        }
        std::printf("%3d  %8.1f  %8.1f%s\n", m_runs, play, onset > 0 ? (onset - expiresAt) * 1000 : -1.0,
                    note);
    }

    void printSummary() const {
        const auto summary = [](const char* what, const std::vector<double>& values) {
            if (values.empty())
                return;
            std::printf("%-26s median %6.1f ms, earliest %6.1f ms, latest %6.1f ms (%zu runs)\n", what,
                        median(values), *std::min_element(values.begin(), values.end()),
                        *std::max_element(values.begin(), values.end()), values.size());
        };
        summary("play after expiry:", m_plays);
        summary("onset after expiry:", m_onsets);
        summary("onset after play:", m_devices);
        std::printf("played before the true expiry: %d of %zu\n", m_earlyPlays, m_plays.size());
        std::printf("heard before the true expiry: %d of %zu\n", m_earlyOnsets, m_onsets.size());
        std::printf("not heard: %d of %d (no play: %d)\n", m_unheard + m_unplayed, m_runs, m_unplayed);
        // A block arrives once all of it was rendered, so the soonest arrivals place the stream; the
        // sink renders ahead in blocks of its own, which leaves the onset uncertain by a few ms.
        std::printf("(onsets placed on the monotonic clock to within about 5 ms, the monitor's block)\n");
    }

private:
    int m_runs = 0;
    std::vector<double> m_plays;
    std::vector<double> m_onsets;
    std::vector<double> m_devices;
    int m_earlyPlays = 0;
    int m_earlyOnsets = 0;
    int m_unheard = 0;
    int m_unplayed = 0;
};

} // namespace bench
