#pragma once

#include <QObject>
#include <QString>

class QSoundEffect;

// A small command-driven player for one wave file: set FileName, then write the commands
// "Open", "Play", "Stop", "Prev" and "Close" to Command. It raises Done() whenever a playback
// has ended. Failures (a missing or unreadable file, no sound output) are silent: the device
// simply has nothing to play. Opening never blocks the caller; the file loads in the background.
class SoundDevice : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString FileName READ fileName WRITE setFileName)
    Q_PROPERTY(QString Command READ command WRITE setCommand)

public:
    explicit SoundDevice(QObject* parent = nullptr);

    QString fileName() const { return m_fileName; }
    void setFileName(const QString& fileName);

    // The last command written.
    QString command() const { return m_command; }
    void setCommand(const QString& command);

    // True from an "Open" with a non-empty FileName until the next "Close", even while the file
    // is still loading or after it turned out to be unplayable.
    bool isOpen() const;
    // True once the opened file has been read and decoded and can be played.
    bool isLoaded() const;
    // True from a "Play" until its playback ends, including while a "Play" waits for the file
    // to finish loading.
    bool isPlaying() const;
    // How many "Play" commands were issued since construction, whether or not sound came out.
    int playCount() const { return m_playCount; }

Q_SIGNALS:
    // Once per playback, when it runs out or is stopped. A "Play" during a playback restarts the
    // sound as the same playback, so only its final end raises Done(); a "Play" stopped while the
    // file was still loading never sounded and raises none.
    void Done();

private:
    void open();
    void close();
    void play();
    void stop();
    void onStatusChanged();
    void onPlayingChanged();

    QString m_fileName;
    QString m_command;
    QSoundEffect* m_effect = nullptr;
    int m_playCount = 0;
    bool m_open = false;
    bool m_pendingPlay = false;
    bool m_restarting = false;
};
