#pragma once

#include "WaveFile.h"

#include <QObject>

#include <memory>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;
struct pa_time_event;
struct pa_mainloop_api;

// Plays one sound through the PulseAudio server on a stream of its own that lives as long as the
// sound is set. The server is driven from a thread of its own; calls from the owner's thread only
// queue requests and return at once, and every report comes back as a queued signal.
//
// When the server goes away (restarted, not yet started) or the stream's output disappears, the
// connection and the stream are rebuilt by themselves, retrying with a growing pause.
class PulseOutput : public QObject {
    Q_OBJECT

public:
    explicit PulseOutput(QObject* parent = nullptr);
    ~PulseOutput() override;
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    // The sound that play() sounds, nullptr for none; ends any playback of the previous one.
    void setSound(std::shared_ptr<const WaveSound> sound);

    // Sounds the whole sound from its start, cutting off any playback under way, or does so as
    // soon as the stream being set up is ready. False when there is no stream to play on.
    // serial names the playback in finished().
    bool play(quint64 serial);
    // Silences the playback; true when it had begun to sound.
    bool stop();
    // True while a stream is ready for the sound: a play() sounds at once.
    bool isReady() const;

Q_SIGNALS:
    // A playback ended: it ran out or was cut off by the loss of the server or the output
    // (sounded), or the stream it waited for failed (not sounded).
    void finished(quint64 serial, bool sounded);

private:
    enum class Playback { Idle, Waiting, Sounding };

    // Everything below runs with the loop's lock held: on the loop's thread inside a callback,
    // or on the owner's thread between lock and unlock.
    void connectContext();
    void createStream();
    void dropStream();
    void scheduleRetry();
    void startSounding();
    void feed(std::size_t bytes);
    void writeSilence(std::size_t bytes);
    void endPlayback();

    static void onContextState(pa_context* context, void* self);
    static void onStreamState(pa_stream* stream, void* self);
    static void onWritable(pa_stream* stream, std::size_t bytes, void* self);
    static void onRetry(pa_mainloop_api* api, pa_time_event* event, const struct timeval* when, void* self);

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    pa_time_event* m_retry = nullptr;
    int m_retryMs = 0;

    std::shared_ptr<const WaveSound> m_sound;
    QByteArray m_silence;
    std::size_t m_position = 0;
    // Silence written since the sound's last sample: once it fills the buffer, the sound has
    // been played out.
    std::size_t m_after = 0;
    std::size_t m_lead = 0;
    Playback m_playback = Playback::Idle;
    bool m_fromReadIndex = false;
    quint64 m_serial = 0;
};
