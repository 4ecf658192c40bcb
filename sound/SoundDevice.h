#pragma once

#include "WaveFile.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include <optional>

class PulseOutput;

// A small command-driven player for one wave file: set FileName, then write the commands
// "Open", "Play", "Stop", "Prev" and "Close" to Command. It raises Done() whenever a playback
// has ended. Failures (a missing or unreadable file, no sound output) are silent: the device
// simply has nothing to play. Opening never blocks the caller; the file loads in the background.
//
// Every "Play" sounds the whole file from its start, however often it comes: a "Play" in the
// first moments of a sound leaves that sound going (a held key does not chop it up), a later one
// starts it again. When the sound server goes away and comes back, or an output is unplugged, the
// device finds its way back by itself.
class SoundDevice : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString FileName READ fileName WRITE setFileName)
    Q_PROPERTY(QString Command READ command WRITE setCommand)
    Q_PROPERTY(bool Ready READ isReady)

public:
    explicit SoundDevice(QObject* parent = nullptr);

    QString fileName() const { return m_fileName; }
    void setFileName(const QString& fileName);

    // The last command written.
    QString command() const { return m_command; }
    void setCommand(const QString& command);

    // True from an "Open" with a non-empty FileName until the next "Close", even while the file
    // is still loading or after it turned out to be unplayable.
    bool isOpen() const { return m_open; }
    // True once the opened file has been read and decoded and can be played.
    bool isLoaded() const { return m_loaded; }
    // True when a "Play" now would sound at once: the file is loaded and the sound output is
    // connected.
    bool isReady() const;
    // True from a "Play" until its playback ends, including while a "Play" waits for the file
    // to finish loading.
    bool isPlaying() const { return m_playing; }
    // How many "Play" commands were issued since construction, whether or not sound came out.
    int playCount() const { return m_playCount; }
    // Why the opened file cannot be played; None while it loads, when it plays, or when closed.
    WaveProblem problem() const { return m_problem; }

Q_SIGNALS:
    // Once per playback, when it runs out or is stopped. A "Play" during a playback restarts the
    // sound as the same playback, so only its final end raises Done(); a "Play" that never
    // sounded (stopped while the file was loading, or with no output to play on) raises none.
    void Done();
    // problem() changed.
    void problemChanged();

private:
    void open();
    void close();
    void play();
    void stop();
    void onLoaded();
    void onFinished(quint64 serial, bool sounded);
    void setProblem(WaveProblem problem);

    QString m_fileName;
    QString m_command;
    PulseOutput* const m_output;
    QFutureWatcher<WaveLoad>* m_loading = nullptr;
    QElapsedTimer m_sinceStart;
    // Names the playback under way, so that a report about one that was since stopped or
    // restarted is not taken for its end.
    quint64 m_serial = 0;
    int m_playCount = 0;
    WaveProblem m_problem = WaveProblem::None;
    bool m_open = false;
    bool m_loaded = false;
    bool m_playing = false;
};
