#pragma once

#include <QObject>
#include <QString>

class QFutureWatcherBase;

// Finds out whether a buzzer file can be played, reading it on a worker thread so that a large or
// slow file never holds the window that asks, and tells the operator's line once it knows.
class BuzzerFileCheck : public QObject {
    Q_OBJECT

public:
    explicit BuzzerFileCheck(QObject* parent);

    // Starts looking at path; a look still under way at an earlier path is forgotten. An empty
    // path is a deliberate "no file", with nothing to tell.
    void check(const QString& path);

Q_SIGNALS:
    // For the path last given: empty when it can be played, otherwise why not ("file not found",
    // "cannot be played: not a wave file").
    void checked(const QString& problem);

private:
    QFutureWatcherBase* m_current = nullptr;
};
