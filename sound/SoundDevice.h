#pragma once

#include "sound/WaveFile.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QObject>
#include <QString>

class PulseOutput;

// A small command-driven player for one wave file: set FileName, then write the commands
// "Open", "Play", "Stop", "Prev" and "Close" to Command. It raises Done() whenever a playback
// has ended. Failures (a missing or unreadable file, no sound output) never stop the caller: the
// device simply has nothing to play, and problem() says why. Opening never blocks the caller; the
// file loads in the background.
//
// Every "Play" sounds the whole file from its start, however often it comes: a "Play" in the
// first moments of a sound leaves that sound going (a held key does not chop it up), a later one
// starts it again. A "Play" that cannot sound within a moment (the file still loading, the output
// stalled) is dropped rather than sounded late. A file that was missing or could not be played is
// looked at again at each "Play". When the sound server goes away and comes back, the device finds
// its way back by itself.
//
// "Close" followed, before control returns to the event loop, by an "Open" of the same file
// unchanged on disk keeps the device as it was, sound and all.
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
    // True when a "Play" now would sound at once: the file is loaded and the sound output holds it.
    bool isReady() const;
    // True from a "Play" until its playback ends or is dropped, including while a "Play" waits
    // for the file to finish loading.
    bool isPlaying() const { return m_playing; }
    // How many "Play" commands were issued since construction, whether or not sound came out.
    int playCount() const { return m_playCount; }
    // Why the opened file cannot be played; None while it loads, when it plays, or when closed.
    WaveProblem problem() const { return m_problem; }

    // How long a "Play" may wait for its sound to begin before it is dropped.
    static constexpr int kPlayWithinMs = 100;

Q_SIGNALS:
    // Once per playback, when it runs out or is stopped. A "Play" during a playback restarts the
    // sound as the same playback, so only its final end raises Done(); a "Play" that never
    // sounded (dropped, or stopped while the file was loading) raises none.
    void Done();
    // problem() changed.
    void problemChanged();

private:
    // What tells a file changed on disk.
    struct FileStamp {
        bool exists = false;
        qint64 size = 0;
        QDateTime modified;
        bool operator==(const FileStamp&) const = default;
    };
    static FileStamp stampOf(const QString& path);

    void open();
    void close();
    void finishClose();
    void load();
    void play();
    void stop();
    void onLoaded();
    void onFinished(quint64 serial, bool sounded);
    void setProblem(WaveProblem problem);

    QString m_fileName;
    QString m_command;
    PulseOutput* const m_output;
    QFutureWatcher<WaveLoad>* m_loading = nullptr;
    // The file the device holds, and how it was on disk when it was read.
    QString m_openedName;
    FileStamp m_stamp;
    QElapsedTimer m_sinceStart;
    // Names the playback under way, so that a report about one that was since stopped or
    // restarted is not taken for its end.
    quint64 m_serial = 0;
    int m_playCount = 0;
    WaveProblem m_problem = WaveProblem::None;
    bool m_open = false;
    bool m_closing = false;
    bool m_loaded = false;
    bool m_playing = false;
};
