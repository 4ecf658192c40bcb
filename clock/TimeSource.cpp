#include "clock/TimeSource.h"

#include <chrono>

namespace {

class SystemTime final : public TimeSource {
public:
    qint64 monotonicMs() const override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    qint64 monotonicUs() const override {
        using namespace std::chrono;
        return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
    }
    QTime localTime() const override { return QTime::currentTime(); }
};

const TimeSource* installed = nullptr;

} // namespace

namespace Clock {

const TimeSource& source() {
    // A function-local object, so that the source is ready however early a caller asks for it.
    static const SystemTime system;
    return installed ? *installed : system;
}

void setSource(const TimeSource* source) {
    installed = source;
}

} // namespace Clock
