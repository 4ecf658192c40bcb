#pragma once

#include "server/RemoteCommand.h"

#include <deque>
#include <vector>

namespace server {

// Slows one client down to PerSecond commands: a token bucket that holds a second's worth, and a
// short queue for the commands beyond it. Time is passed in, so tests step it by hand.
class CommandBucket {
public:
    static constexpr int PerSecond = 50;
    static constexpr int MaxQueued = 100;

    explicit CommandBucket(qint64 nowMs) : m_lastMs(nowMs) {}

    // Queues a request; false when the queue is full and the request is lost.
    bool offer(const Request& request);
    // The queued requests whose turn has come by now, oldest first.
    std::vector<Request> due(qint64 nowMs);
    bool empty() const { return m_queue.empty(); }
    // Whether it is back as it started: nothing waits and the bucket is full.
    bool rested(qint64 nowMs) const;

private:
    static constexpr qint64 MsPerCommand = 1000 / PerSecond;
    static constexpr qint64 FullMs = 1000;

    // What the bucket holds, as milliseconds' worth of commands.
    qint64 m_creditMs = FullMs;
    qint64 m_lastMs;
    std::deque<Request> m_queue;
};

} // namespace server
