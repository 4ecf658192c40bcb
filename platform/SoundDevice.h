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

    bool isOpen() const;
    bool isPlaying() const;
    // How many "Play" commands were issued since construction, whether or not sound came out.
    int playCount() const { return m_playCount; }

Q_SIGNALS:
    void Done();

private:
    QString m_fileName;
    QString m_command;
    QSoundEffect* m_effect = nullptr;
    int m_playCount = 0;
};
