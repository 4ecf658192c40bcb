#pragma once

#include "sound/WaveFile.h"

#include <QObject>

#include <deque>
#include <limits>
#include <memory>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;
struct pa_time_event;

// Plays one sound through the PulseAudio server. The whole sound is handed to the server once, into
// its sample cache, and each play asks the server to sound it from there: nothing runs between
// plays, neither here nor in the server, and a playback cannot run dry however busy the machine.
// The server is driven from a thread of its own; calls from the owner's thread only queue requests
// and return at once, and every report comes back as a queued signal.
//
// When the server goes away (restarted, not yet started), the connection is rebuilt and the sound
// handed over again by themselves, retrying with a growing pause.
class PulseOutput : public QObject {
    Q_OBJECT

public:
    explicit PulseOutput(QObject* parent = nullptr);
    ~PulseOutput() override;
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    // The sound that play() sounds, nullptr for none; ends any playback of the previous one.
    void setSound(std::shared_ptr<const WaveSound> sound);

    // Sounds the whole sound from its start, cutting off any playback under way, provided that the
    // server starts it within withinMs; a play it cannot start by then is dropped, never sounded
    // late. False when there is nothing that could sound it. serial names the playback in
    // finished().
    bool play(quint64 serial, int withinMs);
    // Silences the playback; true when it had been started.
    bool stop();
    // True while the server holds the sound: a play() sounds at once.
    bool isReady() const;

Q_SIGNALS:
    // A playback ended: it ran out or was cut off by the loss of the server (sounded), or it was
    // dropped before the server started it (not sounded).
    void finished(quint64 serial, bool sounded);

private:
    enum class Playback { Idle, Waiting, Asked, Sounding };
    struct LoopFree {
        void operator()(pa_threaded_mainloop* loop) const;
    };
    struct ContextUnref {
        void operator()(pa_context* context) const;
    };
    struct StreamUnref {
        void operator()(pa_stream* stream) const;
    };
    using ContextPtr = std::unique_ptr<pa_context, ContextUnref>;
    using StreamPtr = std::unique_ptr<pa_stream, StreamUnref>;

    // Everything below runs with the loop's lock held: on the loop's thread inside a callback,
    // or on the owner's thread between lock and unlock.
    // Connected to a server that takes requests.
    bool contextReady() const;
    void connectContext();
    void dropContext();
    void scheduleRetry();
    void upload();
    void forgetSample();
    void askServer();
    void killInput();
    // Ends the playback under way, if any, without a report; true when it had been started.
    bool dropPlayback();
    // Ends the playback under way and reports it.
    void endPlayback(bool sounded);
    void setDeadline(int ms);
    void clearDeadline();

    void onContextState();
    void onUploadState();
    void onUploadWritable(std::size_t bytes);
    void onPlaying(quint32 input);
    void onInputRemoved(quint32 input);
    void onDeadline();

    // First, so that it goes last.
    std::unique_ptr<pa_threaded_mainloop, LoopFree> m_loop;
    ContextPtr m_context;
    StreamPtr m_upload;
    pa_time_event* m_retry = nullptr;
    pa_time_event* m_deadline = nullptr;
    int m_retryMs = 0;

    std::shared_ptr<const WaveSound> m_sound;
    // The sound's name in the server's cache, unique to this program and sound; empty while
    // the server does not hold it.
    QByteArray m_sample;
    QByteArray m_uploading;
    std::size_t m_uploaded = 0;
    int m_samples = 0;
    // Plays asked of the server and not yet answered, oldest first, by the serial they were
    // asked for; an answer to one that is no longer wanted is silenced at once.
    std::deque<quint64> m_asked;
    quint32 m_input = std::numeric_limits<quint32>::max();
    Playback m_playback = Playback::Idle;
    quint64 m_serial = 0;
};
