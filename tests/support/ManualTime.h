#pragma once

#include "clock/TimeSource.h"

#include <atomic>

// A time source that tests step by hand, so that clock tests never sleep. Installed for the
// lifetime of the object. The monotonic line may be read from another thread, as the server's is.
class ManualTime : public TimeSource {
public:
    ManualTime() { Clock::setSource(this); }
    ~ManualTime() override { Clock::setSource(nullptr); }
    ManualTime(const ManualTime&) = delete;
    ManualTime& operator=(const ManualTime&) = delete;

    qint64 monotonicMs() const override { return m_ms; }
    QTime localTime() const override { return m_local; }

    void advanceMs(qint64 ms) {
        m_ms += ms;
        m_local = m_local.addMSecs(int(ms));
    }
    void setMonotonicMs(qint64 ms) { m_ms = ms; }
    // Moves the wall clock alone, as a time synchronisation or a daylight-saving change would.
    void setLocalTime(const QTime& time) { m_local = time; }

private:
    std::atomic<qint64> m_ms = 1'000'000;
    QTime m_local = QTime(12, 0);
};
