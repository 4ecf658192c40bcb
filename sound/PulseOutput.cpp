#include "PulseOutput.h"

#include <pulse/context.h>
#include <pulse/proplist.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <algorithm>

namespace {

// How far ahead of the output the stream is fed: enough to ride out a busy machine without running
// dry. It does not delay a "Play": its sound is written over the queue, and the server rewinds the
// output to play it at once.
constexpr pa_usec_t kTargetLatencyUs = 100 * PA_USEC_PER_MSEC;
// Pauses between attempts to reach a server that is gone: short at first, so that a restarted
// server is found again at once, then growing so that a missing one costs nothing.
constexpr int kFirstRetryMs = 50;
constexpr int kLongestRetryMs = 1000;

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

void forget(pa_operation* operation) {
    if (operation) {
        pa_operation_unref(operation);
    }
}

} // namespace

PulseOutput::PulseOutput(QObject* parent) : QObject(parent), m_loop(pa_threaded_mainloop_new()) {
    if (!m_loop) {
        return;
    }
    pa_threaded_mainloop_set_name(m_loop, "buzzer-audio");
    {
        const LoopLock lock(m_loop);
        m_retryMs = kFirstRetryMs;
        connectContext();
    }
    if (pa_threaded_mainloop_start(m_loop) < 0) {
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
    }
}

PulseOutput::~PulseOutput() {
    if (!m_loop) {
        return;
    }
    // Once the loop's thread has ended no callback can run, so the rest needs no lock.
    pa_threaded_mainloop_stop(m_loop);
    dropStream();
    if (m_retry) {
        pa_threaded_mainloop_get_api(m_loop)->time_free(m_retry);
    }
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
    }
    pa_threaded_mainloop_free(m_loop);
}

void PulseOutput::setSound(std::shared_ptr<const WaveSound> sound) {
    if (!m_loop) {
        return;
    }
    const LoopLock lock(m_loop);
    m_playback = Playback::Idle;
    dropStream();
    m_sound = std::move(sound);
    createStream();
}

bool PulseOutput::play(quint64 serial) {
    if (!m_loop) {
        return false;
    }
    const LoopLock lock(m_loop);
    m_serial = serial;
    if (m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY) {
        startSounding();
        return true;
    }
    // A stream on its way (just after the sound was set or the server answered) plays the sound
    // when it is ready, a few milliseconds from now.
    const bool onItsWay = m_stream
                              ? pa_stream_get_state(m_stream) == PA_STREAM_CREATING
                              : m_sound && m_context && pa_context_get_state(m_context) != PA_CONTEXT_READY;
    m_playback = onItsWay ? Playback::Waiting : Playback::Idle;
    return onItsWay;
}

bool PulseOutput::stop() {
    if (!m_loop) {
        return false;
    }
    const LoopLock lock(m_loop);
    const bool sounding = m_playback == Playback::Sounding;
    m_playback = Playback::Idle;
    if (sounding && m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY) {
        forget(pa_stream_flush(m_stream, nullptr, nullptr));
        writeSilence(m_lead);
    }
    return sounding;
}

bool PulseOutput::isReady() const {
    if (!m_loop) {
        return false;
    }
    const LoopLock lock(m_loop);
    return m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY;
}

void PulseOutput::connectContext() {
    pa_proplist* const properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Courtvane Standard");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "courtvane");
    m_context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_loop), nullptr, properties);
    pa_proplist_free(properties);
    if (!m_context) {
        scheduleRetry();
        return;
    }
    pa_context* const context = m_context;
    pa_context_set_state_callback(context, &PulseOutput::onContextState, this);
    // The desktop starts the server; one that we spawned ourselves would outlive the program.
    // A server that is not there usually fails the connection at once, through the state
    // callback, which has then dropped the context already.
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 && m_context == context) {
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_unref(context);
        m_context = nullptr;
        scheduleRetry();
    }
}

void PulseOutput::createStream() {
    if (m_stream || !m_sound || !m_context || pa_context_get_state(m_context) != PA_CONTEXT_READY) {
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
    pa_proplist* const properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_MEDIA_NAME, "Buzzer");
    m_stream = pa_stream_new_with_proplist(m_context, "Buzzer", &sampleFormat, &map, properties);
    pa_proplist_free(properties);
    if (!m_stream) {
        return;
    }
    pa_stream_set_state_callback(m_stream, &PulseOutput::onStreamState, this);
    pa_stream_set_write_callback(m_stream, &PulseOutput::onWritable, this);

    m_lead = pa_usec_to_bytes(kTargetLatencyUs, &sampleFormat);
    // Unsigned 8-bit samples are silent at their middle value, all others at zero.
    m_silence = QByteArray(qsizetype(m_lead), m_sound->format == SampleFormat::U8 ? '\x80' : '\0');
    pa_buffer_attr buffer{};
    buffer.maxlength = quint32(-1);
    buffer.tlength = quint32(m_lead);
    buffer.prebuf = quint32(-1);
    buffer.minreq = quint32(-1);
    buffer.fragsize = quint32(-1);
    // The stream stays connected and running between playbacks, fed with silence: a "Play" then
    // needs no set-up, and the server never sees the stream run dry or wake up from a pause, which
    // would cost the first milliseconds of the sound as it catches up.
    if (pa_stream_connect_playback(m_stream, nullptr, &buffer, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) <
        0) {
        dropStream();
        scheduleRetry();
    }
}

void PulseOutput::dropStream() {
    if (pa_stream* const stream = std::exchange(m_stream, nullptr)) {
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_set_write_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
    }
}

void PulseOutput::scheduleRetry() {
    if (m_retry) {
        return;
    }
    timeval when{};
    pa_gettimeofday(&when);
    pa_timeval_add(&when, pa_usec_t(m_retryMs) * PA_USEC_PER_MSEC);
    m_retry = pa_threaded_mainloop_get_api(m_loop)->time_new(pa_threaded_mainloop_get_api(m_loop), &when,
                                                             &PulseOutput::onRetry, this);
    m_retryMs = std::min(2 * m_retryMs, kLongestRetryMs);
}

void PulseOutput::startSounding() {
    m_playback = Playback::Sounding;
    m_position = 0;
    m_after = 0;
    // The sound is written over whatever is queued, from where the output reads next, so that it
    // begins at once; twice the buffer, so that it covers all of the queue. Dropping the queue
    // first instead would leave the stream empty for a moment, which cost some sounds their
    // first milliseconds.
    m_fromReadIndex = true;
    feed(2 * m_lead);
}

void PulseOutput::feed(std::size_t bytes) {
    if (m_playback == Playback::Sounding) {
        const auto size = std::size_t(m_sound->samples.size());
        const std::size_t count = std::min(bytes, size - m_position);
        if (count > 0 &&
            pa_stream_write(m_stream, m_sound->samples.constData() + m_position, count, nullptr, 0,
                            std::exchange(m_fromReadIndex, false) ? PA_SEEK_RELATIVE_ON_READ
                                                                  : PA_SEEK_RELATIVE) == 0) {
            m_position += count;
            bytes -= count;
        }
        if (m_position == size) {
            m_after += bytes;
            if (m_after >= m_lead) {
                endPlayback();
            }
        }
    }
    writeSilence(bytes);
}

void PulseOutput::writeSilence(std::size_t bytes) {
    while (bytes > 0) {
        const std::size_t count = std::min(bytes, std::size_t(m_silence.size()));
        if (pa_stream_write(m_stream, m_silence.constData(), count, nullptr, 0, PA_SEEK_RELATIVE) != 0) {
            return;
        }
        bytes -= count;
    }
}

void PulseOutput::endPlayback() {
    const Playback ended = std::exchange(m_playback, Playback::Idle);
    if (ended == Playback::Idle) {
        return;
    }
    const quint64 serial = m_serial;
    const bool sounded = ended == Playback::Sounding;
    QMetaObject::invokeMethod(
        this, [this, serial, sounded] { emit finished(serial, sounded); }, Qt::QueuedConnection);
}

void PulseOutput::onContextState(pa_context* context, void* self) {
    PulseOutput* const output = outputOf(self);
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        output->m_retryMs = kFirstRetryMs;
        output->createStream();
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        output->dropStream();
        output->endPlayback();
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_unref(context);
        output->m_context = nullptr;
        output->scheduleRetry();
        break;
    case PA_CONTEXT_UNCONNECTED:
    case PA_CONTEXT_CONNECTING:
    case PA_CONTEXT_AUTHORIZING:
    case PA_CONTEXT_SETTING_NAME:
        break;
    }
}

void PulseOutput::onStreamState(pa_stream* stream, void* self) {
    PulseOutput* const output = outputOf(self);
    switch (pa_stream_get_state(stream)) {
    case PA_STREAM_READY:
        if (output->m_playback == Playback::Waiting) {
            output->startSounding();
        }
        break;
    case PA_STREAM_FAILED:
    case PA_STREAM_TERMINATED:
        // The output was removed with no other to move the stream to; a new stream finds the
        // server's present default.
        output->dropStream();
        output->endPlayback();
        output->scheduleRetry();
        break;
    case PA_STREAM_UNCONNECTED:
    case PA_STREAM_CREATING:
        break;
    }
}

void PulseOutput::onWritable(pa_stream* /*stream*/, std::size_t bytes, void* self) {
    outputOf(self)->feed(bytes);
}

void PulseOutput::onRetry(pa_mainloop_api* api, pa_time_event* event, const struct timeval* /*when*/,
                          void* self) {
    PulseOutput* const output = outputOf(self);
    api->time_free(event);
    output->m_retry = nullptr;
    if (!output->m_context) {
        output->connectContext();
    } else {
        output->createStream();
    }
}
