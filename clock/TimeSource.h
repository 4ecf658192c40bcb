#pragma once

#include <QTime>
#include <QtGlobal>

// Where the clock module reads time. The game clock measures runs on a monotonic line, so that
// moving the system clock or a daylight-saving change never moves a running game clock; the
// time of day comes from the local wall clock. Tests install their own source and step it.
class TimeSource {
public:
    virtual ~TimeSource() = default;
    // Milliseconds on a line that never jumps; only differences matter.
    virtual qint64 monotonicMs() const = 0;
    // The same line in microseconds. Whole milliseconds would let a run measure up to 1 ms more
    // than really passed; a source that knows no finer time keeps the default.
    virtual qint64 monotonicUs() const { return monotonicMs() * 1000; }
    // The local time of day.
    virtual QTime localTime() const = 0;
};

namespace Clock {

// The source in use; by default the system's monotonic clock and local time.
const TimeSource& source();
// Installs another source (nullptr restores the system's). The caller keeps it alive.
void setSource(const TimeSource* source);

} // namespace Clock
