#include "sound/PulseOutput.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/proplist.h>
#include <pulse/scache.h>
#include <pulse/stream.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>
#include <pulse/volume.h>

#include <QThread>

#include <algorithm>

#include <unistd.h>

namespace {

// Pauses between attempts to reach a server that is gone: short at first, so that a restarted
// server is found again at once, then growing so that a missing one costs nothing.
constexpr int kFirstRetryMs = 50;
constexpr int kLongestRetryMs = 1000;
// How long the program's end waits for the server to drop the sound it holds for us.
constexpr int kFarewellMs = 500;

struct OperationUnref {
    void operator()(pa_operation* operation) const { pa_operation_unref(operation); }
};
using OperationPtr = std::unique_ptr<pa_operation, OperationUnref>;

struct ProplistFree {
    void operator()(pa_proplist* properties) const { pa_proplist_free(properties); }
};
using ProplistPtr = std::unique_ptr<pa_proplist, ProplistFree>;

// A request whose answer nobody waits for.
void forget(pa_operation* operation) {
    OperationPtr{operation};
}

pa_sample_format_t paFormat(SampleFormat format) {
    switch (format) {
    case SampleFormat::U8:
        return PA_SAMPLE_U8;
    case SampleFormat::S16:
        return PA_SAMPLE_S16LE;
    case SampleFormat::S24:
        return PA_SAMPLE_S24LE;
    case SampleFormat::S32:
        return PA_SAMPLE_S32LE;
    case SampleFormat::F32:
        return PA_SAMPLE_FLOAT32LE;
    }
    return PA_SAMPLE_INVALID;
}

PulseOutput* outputOf(void* self) {
    return static_cast<PulseOutput*>(self);
}

// Lets the owner's thread make requests while the loop's thread is between events.
class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop) : m_loop(loop) { pa_threaded_mainloop_lock(m_loop); }
    ~LoopLock() { pa_threaded_mainloop_unlock(m_loop); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* m_loop;
};

timeval msFromNow(int ms) {
    timeval when{};
    pa_gettimeofday(&when);
    pa_timeval_add(&when, pa_usec_t(std::max(ms, 0)) * PA_USEC_PER_MSEC);
    return when;
}

} // namespace

void PulseOutput::LoopFree::operator()(pa_threaded_mainloop* loop) const {
    // Ends the loop's thread first.
    pa_threaded_mainloop_free(loop);
}

void PulseOutput::ContextUnref::operator()(pa_context* context) const {
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_set_subscribe_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
}

void PulseOutput::StreamUnref::operator()(pa_stream* stream) const {
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

PulseOutput::PulseOutput(QObject* parent) : QObject(parent), m_loop(pa_threaded_mainloop_new()) {
    if (!m_loop) {
        return;
    }
    pa_threaded_mainloop_set_name(m_loop.get(), "buzzer-audio");
    {
        const LoopLock lock(m_loop.get());
        m_retryMs = kFirstRetryMs;
        connectContext();
    }
    if (pa_threaded_mainloop_start(m_loop.get()) < 0) {
        m_context.reset();
        m_loop.reset();
    }
}

PulseOutput::~PulseOutput() {
    if (!m_loop) {
        return;
    }
    // The server keeps a cached sound after its client has gone, so ours is taken back first;
    // a server that does not answer in time keeps it.
    OperationPtr removal;
    {
        const LoopLock lock(m_loop.get());
        killInput();
        m_upload.reset();
        if (m_context && !m_sample.isEmpty()) {
            removal.reset(pa_context_remove_sample(m_context.get(), m_sample.constData(), nullptr, nullptr));
        }
    }
    for (int waited = 0; removal && waited < kFarewellMs; waited += 5) {
        {
            const LoopLock lock(m_loop.get());
            if (pa_operation_get_state(removal.get()) != PA_OPERATION_RUNNING) {
                break;
            }
        }
        QThread::msleep(5);
    }
    // Once the loop's thread has ended no callback can run, so the rest needs no lock.
    pa_threaded_mainloop_stop(m_loop.get());
    removal.reset();
    pa_mainloop_api* const api = pa_threaded_mainloop_get_api(m_loop.get());
    for (pa_time_event* const event : {m_retry, m_deadline}) {
        if (event) {
            api->time_free(event);
        }
    }
    m_context.reset();
}

void PulseOutput::setSound(std::shared_ptr<const WaveSound> sound) {
    if (!m_loop) {
        return;
    }
    const LoopLock lock(m_loop.get());
    dropPlayback();
    forgetSample();
    m_sound = std::move(sound);
    upload();
}

bool PulseOutput::play(quint64 serial, int withinMs) {
    if (!m_loop) {
        return false;
    }
    const LoopLock lock(m_loop.get());
    // The sound under way is silenced only after the new one has been asked for: the server
    // handles the two requests one after the other, and the other way round a busy server could
    // leave a hole between the two sounds. An answer still to come for an earlier play is
    // silenced when it comes.
    const quint32 previous = std::exchange(m_input, PA_INVALID_INDEX);
    const bool wasIdle = m_playback == Playback::Idle;
    m_serial = serial;
    m_playback = Playback::Idle;
    clearDeadline();
    if (m_sound && withinMs > 0) {
        setDeadline(withinMs);
        if (contextReady() && !m_sample.isEmpty()) {
            askServer();
        } else {
            // The server is on its way or the sound is being handed over; a sound it refused is
            // offered once more.
            m_playback = Playback::Waiting;
            upload();
        }
    }
    m_input = previous;
    killInput();
    if (m_playback == Playback::Idle && !wasIdle) {
        // Nothing is under way any more.
        m_playback = Playback::Waiting;
        dropPlayback();
    }
    return m_playback != Playback::Idle;
}

bool PulseOutput::stop() {
    if (!m_loop) {
        return false;
    }
    const LoopLock lock(m_loop.get());
    return dropPlayback();
}

bool PulseOutput::isReady() const {
    if (!m_loop) {
        return false;
    }
    const LoopLock lock(m_loop.get());
    return contextReady() && !m_sample.isEmpty();
}

bool PulseOutput::contextReady() const {
    return m_context && pa_context_get_state(m_context.get()) == PA_CONTEXT_READY;
}

void PulseOutput::connectContext() {
    const ProplistPtr properties(pa_proplist_new());
    pa_proplist_sets(properties.get(), PA_PROP_APPLICATION_NAME, "Courtvane Standard");
    pa_proplist_sets(properties.get(), PA_PROP_APPLICATION_ID, "courtvane");
    m_context.reset(
        pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_loop.get()), nullptr, properties.get()));
    if (!m_context) {
        scheduleRetry();
        return;
    }
    pa_context_set_state_callback(
        m_context.get(), [](pa_context*, void* self) { outputOf(self)->onContextState(); }, this);
    pa_context_set_subscribe_callback(
        m_context.get(),
        [](pa_context*, pa_subscription_event_type_t event, uint32_t input, void* self) {
            if ((event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SINK_INPUT &&
                (event & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE) {
                outputOf(self)->onInputRemoved(input);
            }
        },
        this);
    // The desktop starts the server; one that we spawned ourselves would outlive the program.
    // A server that is not there usually fails the connection at once, through the state
    // callback, which has then dropped the context already.
    pa_context* const context = m_context.get();
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 &&
        m_context.get() == context) {
        dropContext();
    }
}

void PulseOutput::dropContext() {
    m_upload.reset();
    m_sample.clear();
    m_asked.clear();
    m_input = PA_INVALID_INDEX;
    if (m_playback == Playback::Asked || m_playback == Playback::Sounding) {
        // Cut off with the server.
        endPlayback(true);
    }
    m_context.reset();
    scheduleRetry();
}

void PulseOutput::scheduleRetry() {
    if (m_retry) {
        return;
    }
    const timeval when = msFromNow(m_retryMs);
    m_retry = pa_threaded_mainloop_get_api(m_loop.get())
                  ->time_new(
                      pa_threaded_mainloop_get_api(m_loop.get()), &when,
                      [](pa_mainloop_api* api, pa_time_event* event, const timeval*, void* self) {
                          PulseOutput* const output = outputOf(self);
                          api->time_free(event);
                          output->m_retry = nullptr;
                          if (!output->m_context) {
                              output->connectContext();
                          }
                      },
                      this);
    m_retryMs = std::min(2 * m_retryMs, kLongestRetryMs);
}

void PulseOutput::upload() {
    if (m_upload || !m_sound || !m_sample.isEmpty() || !contextReady()) {
        return;
    }
    pa_sample_spec sampleFormat{};
    sampleFormat.format = paFormat(m_sound->format);
    sampleFormat.rate = quint32(m_sound->sampleRate);
    sampleFormat.channels = quint8(m_sound->channels);
    pa_channel_map map{};
    if (!pa_sample_spec_valid(&sampleFormat) ||
        !pa_channel_map_init_extend(&map, sampleFormat.channels, PA_CHANNEL_MAP_WAVEEX)) {
        return;
    }
    m_uploading = QByteArray("courtvane-buzzer-") + QByteArray::number(::getpid()) + '-' +
                  QByteArray::number(++m_samples);
    const ProplistPtr properties(pa_proplist_new());
    pa_proplist_sets(properties.get(), PA_PROP_MEDIA_NAME, "Buzzer");
    m_upload.reset(pa_stream_new_with_proplist(m_context.get(), m_uploading.constData(), &sampleFormat, &map,
                                               properties.get()));
    if (!m_upload) {
        return;
    }
    m_uploaded = 0;
    pa_stream_set_state_callback(
        m_upload.get(), [](pa_stream*, void* self) { outputOf(self)->onUploadState(); }, this);
    pa_stream_set_write_callback(
        m_upload.get(),
        [](pa_stream*, std::size_t bytes, void* self) { outputOf(self)->onUploadWritable(bytes); }, this);
    if (pa_stream_connect_upload(m_upload.get(), std::size_t(m_sound->samples.size())) < 0) {
        m_upload.reset();
    }
}

void PulseOutput::forgetSample() {
    m_upload.reset();
    if (!m_sample.isEmpty() && contextReady()) {
        forget(pa_context_remove_sample(m_context.get(), m_sample.constData(), nullptr, nullptr));
    }
    m_sample.clear();
}

void PulseOutput::askServer() {
    // Told of sink inputs only while a playback is under way, to see ours end; between plays the
    // server has nothing to tell us.
    forget(pa_context_subscribe(m_context.get(), PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr));
    const ProplistPtr properties(pa_proplist_new());
    pa_proplist_sets(properties.get(), PA_PROP_MEDIA_NAME, "Buzzer");
    OperationPtr asked(pa_context_play_sample_with_proplist(
        m_context.get(), m_sample.constData(), nullptr, PA_VOLUME_INVALID, properties.get(),
        [](pa_context*, uint32_t input, void* self) { outputOf(self)->onPlaying(input); }, this));
    if (asked) {
        m_asked.push_back(m_serial);
        m_playback = Playback::Asked;
    } else {
        m_playback = Playback::Idle;
    }
}

void PulseOutput::killInput() {
    if (m_input != PA_INVALID_INDEX && m_context) {
        forget(pa_context_kill_sink_input(m_context.get(), m_input, nullptr, nullptr));
    }
    m_input = PA_INVALID_INDEX;
}

bool PulseOutput::dropPlayback() {
    const Playback was = std::exchange(m_playback, Playback::Idle);
    killInput();
    clearDeadline();
    if (was != Playback::Idle && contextReady()) {
        forget(pa_context_subscribe(m_context.get(), PA_SUBSCRIPTION_MASK_NULL, nullptr, nullptr));
    }
    return was == Playback::Asked || was == Playback::Sounding;
}

void PulseOutput::endPlayback(bool sounded) {
    if (m_playback == Playback::Idle) {
        return;
    }
    dropPlayback();
    const quint64 serial = m_serial;
    QMetaObject::invokeMethod(
        this, [this, serial, sounded] { emit finished(serial, sounded); }, Qt::QueuedConnection);
}

void PulseOutput::setDeadline(int ms) {
    const timeval when = msFromNow(ms);
    pa_mainloop_api* const api = pa_threaded_mainloop_get_api(m_loop.get());
    if (m_deadline) {
        api->time_restart(m_deadline, &when);
        return;
    }
    m_deadline = api->time_new(
        api, &when,
        [](pa_mainloop_api* loopApi, pa_time_event* event, const timeval*, void* self) {
            PulseOutput* const output = outputOf(self);
            loopApi->time_free(event);
            output->m_deadline = nullptr;
            output->onDeadline();
        },
        this);
}

void PulseOutput::clearDeadline() {
    if (m_deadline) {
        pa_threaded_mainloop_get_api(m_loop.get())->time_free(std::exchange(m_deadline, nullptr));
    }
}

void PulseOutput::onContextState() {
    switch (pa_context_get_state(m_context.get())) {
    case PA_CONTEXT_READY:
        m_retryMs = kFirstRetryMs;
        upload();
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        dropContext();
        break;
    case PA_CONTEXT_UNCONNECTED:
    case PA_CONTEXT_CONNECTING:
    case PA_CONTEXT_AUTHORIZING:
    case PA_CONTEXT_SETTING_NAME:
        break;
    }
}

void PulseOutput::onUploadState() {
    switch (pa_stream_get_state(m_upload.get())) {
    case PA_STREAM_TERMINATED:
        // The whole sound was handed over and the server keeps it.
        m_sample = m_uploading;
        m_upload.reset();
        if (m_playback == Playback::Waiting) {
            askServer();
        }
        break;
    case PA_STREAM_FAILED:
        m_upload.reset();
        if (m_playback == Playback::Waiting) {
            endPlayback(false);
        }
        break;
    case PA_STREAM_UNCONNECTED:
    case PA_STREAM_CREATING:
    case PA_STREAM_READY:
        break;
    }
}

void PulseOutput::onUploadWritable(std::size_t bytes) {
    const auto size = std::size_t(m_sound->samples.size());
    const std::size_t count = std::min(bytes, size - m_uploaded);
    if (count > 0 && pa_stream_write(m_upload.get(), m_sound->samples.constData() + m_uploaded, count,
                                     nullptr, 0, PA_SEEK_RELATIVE) == 0) {
        m_uploaded += count;
    }
    if (m_uploaded == size) {
        pa_stream_finish_upload(m_upload.get());
    }
}

void PulseOutput::onPlaying(quint32 input) {
    if (m_asked.empty()) {
        return;
    }
    const quint64 serial = m_asked.front();
    m_asked.pop_front();
    if (m_playback != Playback::Asked || serial != m_serial || !m_asked.empty()) {
        // Stopped, restarted or dropped since it was asked for.
        if (input != PA_INVALID_INDEX) {
            forget(pa_context_kill_sink_input(m_context.get(), input, nullptr, nullptr));
        }
        return;
    }
    if (input == PA_INVALID_INDEX) {
        // The server could not play what it held; it is handed over afresh for the next play.
        m_sample.clear();
        endPlayback(false);
        return;
    }
    clearDeadline();
    m_input = input;
    m_playback = Playback::Sounding;
}

void PulseOutput::onInputRemoved(quint32 input) {
    if (input == m_input && m_playback == Playback::Sounding) {
        m_input = PA_INVALID_INDEX;
        endPlayback(true);
    }
}

void PulseOutput::onDeadline() {
    if (m_playback == Playback::Waiting || m_playback == Playback::Asked) {
        // Better no buzz than a late one.
        endPlayback(false);
    }
}
