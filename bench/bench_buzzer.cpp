// Plays the buzzer 200 times through a private PulseAudio server with a null sink, at intervals
// from a held key's 30 ms to 3 s, with four CPU hogs running, restarts the server half-way, and
// checks the sink's monitor: how many plays were heard in full, the longest gap inside a sound and
// how soon each sound began. Before that, with the device open and ready but silent, it counts the
// wake-ups (context switches of all threads) of the program and of the server over 60 s.
//
// Usage: bench_buzzer [plays [idle seconds [hogs]]], e.g. bench_buzzer 40 10 0 for a quick look.
//
// A play is heard in full when the monitor shows the file from its first sample on (but for what
// the monitor cannot show of a sound started by rewinding the sink, see hiddenStart), for the
// file's whole length or, when a later play restarted it, up to that restart. A play that the
// device takes as the same press as one less than 200 ms before (and so leaves the sound going)
// is heard when that sound is. The bench file is noise, so its start is found to the sample.
#include "sound/SoundDevice.h"
#include "tests/support/PulseServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <pulse/simple.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRate = 44100;
constexpr double kFileSeconds = 1.5;
constexpr int kPlays = 200;
constexpr int kIdleSeconds = 60;
constexpr int kHogs = 4;
// A gap inside a sound longer than this is heard.
constexpr double kGapTarget = 0.005;
constexpr double kSamePressSeconds = 0.2;
constexpr double kLatencyTarget = 0.030;
// A sample matches the file when it is this close to it (the path to the sink is a plain copy).
constexpr int kTolerance = 256;
// Intervals between plays, in ms, taken in turn: held-key bursts, restarts during the sound,
// plays after the sound has ended.
constexpr int kIntervals[] = {3000, 30,   30,   30, 30,  30,  30,   30, 30,  250,
                              600,  1600, 2500, 60, 120, 900, 3000, 30, 400, 1800};

double since(Clock::time_point start, Clock::time_point when) {
    return std::chrono::duration<double>(when - start).count();
}

void waitMs(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Voluntary and involuntary context switches of all threads of this process, those that ended
// included: how often it woke up.
long long ownSwitches() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw + usage.ru_nivcsw;
}

// The same for all present threads of another process.
long long switchesOf(qint64 pid) {
    long long total = 0;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks + u'/' + task + QStringLiteral("/status"));
        if (!status.open(QIODevice::ReadOnly)) {
            continue;
        }
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:") ||
                line.startsWith("nonvoluntary_ctxt_switches:")) {
                total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
            }
        }
    }
    return total;
}

// Processes that keep every core busy, started and ended by their process ids.
class CpuHogs {
public:
    explicit CpuHogs(int count) {
        for (int i = 0; i < count; ++i) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                const int devNull = ::open("/dev/null", O_WRONLY);
                ::dup2(devNull, STDOUT_FILENO);
                ::execlp("yes", "yes", static_cast<char*>(nullptr));
                ::_exit(127);
            }
            if (pid > 0) {
                m_pids.push_back(pid);
            }
        }
    }
    ~CpuHogs() {
        for (const pid_t pid : m_pids) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }
    CpuHogs(const CpuHogs&) = delete;
    CpuHogs& operator=(const CpuHogs&) = delete;

private:
    std::vector<pid_t> m_pids;
};

// Records the null sink's monitor on a thread of its own, in blocks of 5 ms, and notes when each
// block arrived. Each connection to the server is one segment; the recorder connects again after
// the server was restarted.
class MonitorRecorder {
public:
    static constexpr std::size_t kBlock = kRate / 200;
    struct Segment {
        std::vector<qint16> samples;
        // Per block: its arrival, less its place in the segment; so the time, in seconds after the
        // bench's start, at which the segment's first sample would have been rendered.
        std::vector<double> starts;

        // The sink renders a block at once, so a block arrives as soon as its first sample is
        // rendered, or a little later: the soonest arrival around a moment gives the segment's start
        // there. Taken within half a second either side, as the monitor gains or loses a little
        // at every rewind.
        double startNear(double seconds) const {
            const auto guess = qsizetype((seconds - starts.back()) * kRate) / qsizetype(kBlock);
            const std::size_t middle =
                std::size_t(std::clamp<qsizetype>(guess, 0, qsizetype(starts.size()) - 1));
            const auto from = starts.begin() + std::ptrdiff_t(middle >= 100 ? middle - 100 : 0);
            const auto to = starts.begin() + std::ptrdiff_t(std::min(starts.size(), middle + 100));
            return *std::min_element(from, to) + double(kBlock) / kRate;
        }
        // The sample rendered at that moment, -1 when the segment does not reach it.
        qsizetype sampleAt(double seconds) const {
            if (starts.empty()) {
                return -1;
            }
            const auto at = qsizetype(std::lround((seconds - startNear(seconds)) * kRate));
            return at >= 0 && at < qsizetype(samples.size()) ? at : -1;
        }
    };

    explicit MonitorRecorder(Clock::time_point zero) : m_zero(zero) {
        m_thread = std::thread([this] { run(); });
    }
    ~MonitorRecorder() { finish(); }
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    void finish() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    // True once the present connection has delivered the monitor at a steady pace for half a
    // second; until then the server may still be settling the sink's timing.
    bool steady() {
        const std::lock_guard lock(m_mutex);
        constexpr std::size_t span = 100;
        if (!m_live || m_segments.back().starts.size() < span) {
            return false;
        }
        const auto last = m_segments.back().starts.end();
        const auto [low, high] = std::minmax_element(last - span, last);
        return *high - *low < 0.005;
    }
    std::vector<Segment> segments() {
        const std::lock_guard lock(m_mutex);
        return m_segments;
    }

private:
    void run() {
        const pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 1};
        pa_buffer_attr buffer{};
        buffer.maxlength = quint32(-1);
        buffer.fragsize = quint32(pa_usec_to_bytes(5 * PA_USEC_PER_MSEC, &format));
        std::vector<qint16> block(kBlock);
        while (!m_stop) {
            pa_simple* const source =
                pa_simple_new(nullptr, "bench_buzzer", PA_STREAM_RECORD, "testsink.monitor", "monitor",
                              &format, nullptr, &buffer, nullptr);
            if (!source) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                continue;
            }
            {
                const std::lock_guard lock(m_mutex);
                m_segments.emplace_back();
            }
            while (!m_stop &&
                   pa_simple_read(source, block.data(), block.size() * sizeof(qint16), nullptr) == 0) {
                const double now = since(m_zero, Clock::now());
                const std::lock_guard lock(m_mutex);
                Segment& segment = m_segments.back();
                segment.samples.insert(segment.samples.end(), block.begin(), block.end());
                segment.starts.push_back(now - double(segment.samples.size()) / kRate);
                m_live = true;
            }
            {
                const std::lock_guard lock(m_mutex);
                m_live = false;
            }
            pa_simple_free(source);
        }
    }

    Clock::time_point m_zero;
    std::atomic<bool> m_stop = false;
    bool m_live = false;
    std::mutex m_mutex;
    std::vector<Segment> m_segments;
    std::thread m_thread;
};

struct Play {
    double at = 0;        // seconds after the bench's start
    int interval = 0;     // ms until the next play
    int segment = -1;     // the recording it fell in
    qsizetype sample = 0; // the sample rendered as it was given
    qsizetype onset = -1; // sample where the file's start was found, -1 when none of its own
    qsizetype cut = 0;    // samples of the file heard from its start
    qsizetype hidden = 0; // samples at its start that the monitor could not show
    double gap = 0;       // the longest stretch inside its sound that did not show the file, seconds
    double hole = 0;      // the longest stretch of it that was silent, seconds
    bool heard = false;
};

bool matchesAt(const std::vector<qint16>& recording, const QList<qint16>& file, qsizetype at, qsizetype from,
               qsizetype count, double share) {
    if (at < 0 || at + count > qsizetype(recording.size()) || from + count > file.size()) {
        return false;
    }
    qsizetype close = 0;
    for (qsizetype i = 0; i < count; ++i) {
        close += std::abs(int(recording[std::size_t(at + i)]) - int(file[from + i])) <= kTolerance;
    }
    return double(close) >= share * double(count);
}

// A sound that the server starts at once rewinds the sink and begins in the part of its buffer that
// was rendered already; the output plays it from its first sample, but the monitor has passed that
// part on (at most one 5 ms block of it, silence or the sound being restarted) and shows the sound
// from where it goes on. How many samples at the onset the monitor could not show for that reason.
qsizetype hiddenStart(const std::vector<qint16>& recording, const QList<qint16>& file, qsizetype onset) {
    constexpr qsizetype most = qsizetype(MonitorRecorder::kBlock) + kRate / 1000;
    for (qsizetype hidden = 0; hidden <= most; ++hidden) {
        if (matchesAt(recording, file, onset + hidden, hidden, kRate / 1000, 0.95)) {
            return hidden;
        }
    }
    return 0;
}

// Where the stretch [onset + skip, onset + length) first fails to show the file, checked 10 ms at a
// time so that a gap or a jump anywhere shows; length when it never does.
qsizetype firstMismatch(const std::vector<qint16>& recording, const QList<qint16>& file, qsizetype onset,
                        qsizetype skip, qsizetype length) {
    constexpr qsizetype window = kRate / 100;
    for (qsizetype from = skip; from + window <= length; from += window) {
        if (!matchesAt(recording, file, onset + from, from, window, 0.98)) {
            return from;
        }
    }
    return length;
}

// The longest run of 1 ms windows in [onset + skip, onset + length) that do not show the file, in
// seconds: a hole in the sound, a jump within it, or another sound mixed in.
double longestGap(const std::vector<qint16>& recording, const QList<qint16>& file, qsizetype onset,
                  qsizetype skip, qsizetype length) {
    constexpr qsizetype window = kRate / 1000;
    qsizetype run = 0;
    qsizetype longest = 0;
    for (qsizetype from = skip; from + window <= length; from += window) {
        run = matchesAt(recording, file, onset + from, from, window, 0.9) ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return double(longest * window) / kRate;
}

// The longest run of 1 ms windows in [onset + skip, onset + length) that are silent where the file
// is not, in seconds: a hole in the sound.
double longestHole(const std::vector<qint16>& recording, const QList<qint16>& file, qsizetype onset,
                   qsizetype skip, qsizetype length) {
    constexpr qsizetype window = kRate / 1000;
    const auto energy = [](auto&& sampleAt) {
        double sum = 0;
        for (qsizetype i = 0; i < window; ++i) {
            sum += double(sampleAt(i)) * sampleAt(i);
        }
        return sum;
    };
    qsizetype run = 0;
    qsizetype longest = 0;
    for (qsizetype from = skip;
         from + window <= length && onset + from + window <= qsizetype(recording.size()); from += window) {
        const double heard = energy([&](qsizetype i) { return recording[std::size_t(onset + from + i)]; });
        const double meant = energy([&](qsizetype i) { return file[from + i]; });
        run = heard < meant / 16 ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return double(longest * window) / kRate;
}

} // namespace

int main(int argc, char** argv) {
    PulseServer server;
    if (!server.start()) {
        std::fprintf(stderr, "bench_buzzer: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    QCoreApplication app(argc, argv);
    // A shorter run for a quick look: bench_buzzer 40.
    const int count = argc > 1 ? std::max(2, std::atoi(argv[1])) : kPlays;
    const int idleSeconds = argc > 2 ? std::max(0, std::atoi(argv[2])) : kIdleSeconds;
    const int hogCount = argc > 3 ? std::max(0, std::atoi(argv[3])) : kHogs;
    const int restartAfter = count / 2;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("noise.wav"));
    QList<qint16> file(qsizetype(kFileSeconds * kRate));
    QRandomGenerator noise(2024);
    for (qint16& sample : file) {
        sample = qint16(noise.bounded(-16000, 16000));
    }
    if (!writePcmWave(path, file, kRate)) {
        std::fprintf(stderr, "bench_buzzer: cannot write %s\n", qPrintable(path));
        return 1;
    }

    SoundDevice device;
    // What the board does at the end of every playback.
    QObject::connect(&device, &SoundDevice::Done, &device, [&device] {
        device.setCommand(QStringLiteral("Stop"));
        device.setCommand(QStringLiteral("Prev"));
    });
    device.setFileName(path);
    device.setCommand(QStringLiteral("Open"));
    QElapsedTimer settle;
    settle.start();
    while (!(device.isLoaded() && device.property("Ready").toBool()) && settle.elapsed() < 10000) {
        waitMs(20);
    }

    // Open, ready and silent, nobody else connected to the server: what does it cost?
    if (idleSeconds > 0) {
        waitMs(1000);
        const qint64 serverPid = server.daemonPid();
        const long long ownBefore = ownSwitches();
        const long long serverBefore = switchesOf(serverPid);
        waitMs(idleSeconds * 1000);
        const double own = double(ownSwitches() - ownBefore) / idleSeconds;
        const double served = double(switchesOf(serverPid) - serverBefore) / idleSeconds;
        std::printf("bench_buzzer: idle for %d s with the file open: program %.2f wake-ups/s, server %.2f "
                    "wake-ups/s\n",
                    idleSeconds, own, served);
    }

    const CpuHogs hogs(hogCount);
    const Clock::time_point zero = Clock::now();
    MonitorRecorder recorder(zero);
    settle.start();
    while (!recorder.steady() && settle.elapsed() < 10000) {
        waitMs(20);
    }
    waitMs(500);

    std::vector<Play> plays;
    double recovery = -1;
    for (int i = 0; i < count; ++i) {
        Play play;
        play.interval = kIntervals[i % std::size(kIntervals)];
        play.at = since(zero, Clock::now());
        device.setCommand(QStringLiteral("Play"));
        plays.push_back(play);
        if (i + 1 == restartAfter) {
            // The server goes away once the sound is over, and comes back half a second later.
            waitMs(int(kFileSeconds * 1000) + 200);
            server.stopDaemon();
            waitMs(500);
            if (!server.start()) {
                std::fprintf(stderr, "bench_buzzer: %s\n", qPrintable(server.errorString()));
                return 1;
            }
            QElapsedTimer back;
            back.start();
            // A device that tells when it is ready is timed; any other is given three seconds.
            const bool tells = device.property("Ready").isValid();
            while (back.elapsed() < 5000 &&
                   (tells ? !device.property("Ready").toBool() : back.elapsed() < 3000)) {
                waitMs(5);
            }
            recovery = tells && device.property("Ready").toBool() ? double(back.elapsed()) / 1000 : -1;
            while (!recorder.steady() && back.elapsed() < 10000) {
                waitMs(5);
            }
            waitMs(200);
        } else {
            waitMs(play.interval);
        }
    }
    waitMs(int(kFileSeconds * 1000) + 500);
    recorder.finish();

    // Each play's place in the monitor: the segment that was recording, and the sample rendered
    // as the play was given.
    const std::vector<MonitorRecorder::Segment> segments = recorder.segments();
    for (Play& play : plays) {
        for (std::size_t s = 0; s < segments.size(); ++s) {
            if (const qsizetype at = segments[s].sampleAt(play.at); at >= 0) {
                play.segment = int(s);
                play.sample = at;
            }
        }
    }
    const auto sameSegment = [&plays](std::size_t i, std::size_t j) {
        return j < plays.size() && plays[j].segment == plays[i].segment;
    };

    // Each play's own start of the file: the first one after the play and after the start that
    // an earlier play took, within 150 ms and before the next play, allowing for the few
    // milliseconds by which the clocks are known. It is found by the file's samples 10 ms in, so
    // that a start whose first samples were lost is still found and shows as not heard in full.
    constexpr qsizetype probe = 64;
    constexpr qsizetype probeAt = kRate / 100;
    constexpr qsizetype slack = kRate / 200;
    qsizetype claimed = -1;
    for (std::size_t i = 0; i < plays.size(); ++i) {
        if (plays[i].segment < 0) {
            continue;
        }
        if (i == 0 || !sameSegment(i - 1, i)) {
            claimed = -1;
        }
        const std::vector<qint16>& recording = segments[std::size_t(plays[i].segment)].samples;
        const qsizetype from = std::max(claimed + 1, plays[i].sample - slack);
        qsizetype to =
            std::min(plays[i].sample + qsizetype(0.15 * kRate), qsizetype(recording.size()) - probeAt);
        if (sameSegment(i, i + 1)) {
            to = std::min(to, plays[i + 1].sample - slack);
        }
        for (qsizetype at = std::max<qsizetype>(from, 0); at < to; ++at) {
            if (std::abs(int(recording[std::size_t(at + probeAt)]) - int(file[probeAt])) <= kTolerance &&
                matchesAt(recording, file, at + probeAt, probeAt, probe, 0.95)) {
                plays[i].onset = claimed = at;
                break;
            }
        }
    }
    std::vector<double> latencies;
    std::vector<double> seen;
    std::size_t lastStarter = plays.size();
    for (std::size_t i = 0; i < plays.size(); ++i) {
        if (plays[i].onset < 0) {
            // Heard when it joined, as the same press, a sound that was heard itself.
            plays[i].heard = lastStarter < plays.size() && plays[lastStarter].heard &&
                             plays[i].at - plays[lastStarter].at < kSamePressSeconds;
            continue;
        }
        qsizetype span = file.size();
        for (std::size_t j = i + 1; sameSegment(i, j); ++j) {
            if (plays[j].onset >= 0) {
                // The last few milliseconds before a restart may already be cut.
                span = std::min(span, plays[j].onset - plays[i].onset - slack);
                break;
            }
        }
        const std::vector<qint16>& recording = segments[std::size_t(plays[i].segment)].samples;
        plays[i].hidden = hiddenStart(recording, file, plays[i].onset);
        plays[i].cut = firstMismatch(recording, file, plays[i].onset, plays[i].hidden, span);
        plays[i].gap = longestGap(recording, file, plays[i].onset, plays[i].hidden, span);
        plays[i].hole = longestHole(recording, file, plays[i].onset, plays[i].hidden, span);
        plays[i].heard = plays[i].cut == span;
        latencies.push_back(double(plays[i].onset - plays[i].sample) / kRate);
        seen.push_back(double(plays[i].onset + plays[i].hidden - plays[i].sample) / kRate);
        lastStarter = i;
    }

    // By loudness alone, for a device whose path to the sink changes the samples (resampling,
    // mixing in floating point), where the sample-exact test above cannot judge: a play sounds
    // through when sound begins within 150 ms (or is going on) and lasts, 10 ms after 10 ms, to
    // the file's end or the next play.
    double fileEnergy = 0;
    for (const qint16 sample : file) {
        fileEnergy += double(sample) * sample;
    }
    const double quietBelow = fileEnergy / double(file.size()) / 16;
    const auto loud = [quietBelow](const std::vector<qint16>& recording, qsizetype at, qsizetype length) {
        if (at < 0 || at + length > qsizetype(recording.size())) {
            return false;
        }
        double energy = 0;
        for (qsizetype k = at; k < at + length; ++k) {
            energy += double(recording[std::size_t(k)]) * recording[std::size_t(k)];
        }
        return energy / double(length) > quietBelow;
    };
    int soundedThrough = 0;
    std::vector<double> levelLatencies;
    for (std::size_t i = 0; i < plays.size(); ++i) {
        if (plays[i].segment < 0) {
            continue;
        }
        const std::vector<qint16>& recording = segments[std::size_t(plays[i].segment)].samples;
        constexpr qsizetype window = kRate / 100;
        qsizetype start = -1;
        for (qsizetype at = plays[i].sample - slack; at < plays[i].sample + qsizetype(0.15 * kRate);
             at += kRate / 1000) {
            if (loud(recording, at, window / 2)) {
                start = at;
                break;
            }
        }
        if (start < 0) {
            continue;
        }
        if (!loud(recording, plays[i].sample - 3 * window, 2 * window)) {
            levelLatencies.push_back(double(start - plays[i].sample) / kRate);
        }
        qsizetype end = start + file.size() - window;
        if (sameSegment(i, i + 1)) {
            end = std::min(end, plays[i + 1].sample);
        }
        bool through = true;
        for (qsizetype at = start; at + window <= end && through; at += window) {
            through = loud(recording, at, window);
        }
        soundedThrough += through;
    }

    const auto heard = std::count_if(plays.begin(), plays.end(), [](const Play& play) { return play.heard; });
    std::printf("bench_buzzer: %d plays of a %.1f s file with %d CPU hogs, server restarted after play %d\n",
                count, kFileSeconds, hogCount, restartAfter);
    std::printf("  heard in full: %d of %d (%zu started the sound, %d joined one as the same press)\n",
                int(heard), count, latencies.size(), int(count - std::ssize(latencies)));
    if (!latencies.empty()) {
        std::sort(latencies.begin(), latencies.end());
        const auto late = std::count_if(latencies.begin(), latencies.end(),
                                        [](double latency) { return latency >= kLatencyTarget; });
        std::printf("  onset latency: median %.1f ms, worst %.1f ms, %d at or over %.0f ms\n",
                    1000 * latencies[latencies.size() / 2], 1000 * latencies.back(), int(late),
                    1000 * kLatencyTarget);
    }
    if (!seen.empty()) {
        std::sort(seen.begin(), seen.end());
        std::printf("  first sample seen in the monitor: median %.1f ms, worst %.1f ms\n",
                    1000 * seen[seen.size() / 2], 1000 * seen.back());
    }
    qsizetype mostHidden = 0;
    const auto partlyHidden = std::count_if(plays.begin(), plays.end(), [&mostHidden](const Play& play) {
        mostHidden = std::max(mostHidden, play.hidden);
        return play.hidden > 0;
    });
    std::printf("  started in what the monitor had passed on: %d plays, up to %.1f ms of their start\n",
                int(partlyHidden), 1000.0 * double(mostHidden) / kRate);
    double worstGap = 0;
    const auto gapped = std::count_if(plays.begin(), plays.end(), [&worstGap](const Play& play) {
        worstGap = std::max(worstGap, play.gap);
        return play.gap > kGapTarget;
    });
    std::printf("  stretches inside a sound that did not show the file: %d plays with one over %.0f ms, "
                "longest %.0f ms\n",
                int(gapped), 1000 * kGapTarget, 1000 * worstGap);
    double worstHole = 0;
    const auto holed = std::count_if(plays.begin(), plays.end(), [&worstHole](const Play& play) {
        worstHole = std::max(worstHole, play.hole);
        return play.hole > kGapTarget;
    });
    std::printf("  of them silent (holes): %d plays with one over %.0f ms, longest %.0f ms\n", int(holed),
                1000 * kGapTarget, 1000 * worstHole);
    std::printf("  by loudness alone: %d of %d sounded through", soundedThrough, count);
    if (!levelLatencies.empty()) {
        std::sort(levelLatencies.begin(), levelLatencies.end());
        std::printf("; from silence, sound began after median %.1f ms, worst %.1f ms (%zu plays)",
                    1000 * levelLatencies[levelLatencies.size() / 2], 1000 * levelLatencies.back(),
                    levelLatencies.size());
    }
    std::printf("\n");
    if (recovery >= 0) {
        std::printf("  ready again %.2f s after the server came back\n", recovery);
    }
    int shown = 0;
    for (std::size_t i = 0; i < plays.size() && shown < 20; ++i) {
        if (!plays[i].heard) {
            if (plays[i].onset < 0) {
                std::printf("  not heard: play %zu at %.2f s, next after %d ms, no start of its own\n", i + 1,
                            plays[i].at, plays[i].interval);
            } else {
                std::printf(
                    "  not heard: play %zu at %.2f s, next after %d ms, wrong from %.3f s into the file\n",
                    i + 1, plays[i].at, plays[i].interval, double(plays[i].cut) / kRate);
            }
            ++shown;
        }
    }
    return heard == count ? 0 : 2;
}
