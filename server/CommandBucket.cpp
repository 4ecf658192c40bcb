#include "server/CommandBucket.h"

#include <algorithm>

namespace server {

bool CommandBucket::offer(const Request& request) {
    if (m_queue.size() >= std::size_t(MaxQueued))
        return false;
    m_queue.push_back(request);
    return true;
}

std::vector<Request> CommandBucket::due(qint64 nowMs) {
    // A clock stepped back gives nothing, rather than a debt.
    m_creditMs = std::min(FullMs, m_creditMs + std::max<qint64>(0, nowMs - m_lastMs));
    m_lastMs = nowMs;
    std::vector<Request> ready;
    while (!m_queue.empty() && m_creditMs >= MsPerCommand) {
        ready.push_back(m_queue.front());
        m_queue.pop_front();
        m_creditMs -= MsPerCommand;
    }
    return ready;
}

bool CommandBucket::rested(qint64 nowMs) const {
    return m_queue.empty() && m_creditMs + (nowMs - m_lastMs) >= FullMs;
}

} // namespace server
