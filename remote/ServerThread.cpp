#include "remote/ServerThread.h"

#include "server/StateServer.h"

namespace remote {

ServerThread::~ServerThread() {
    stop();
}

quint16 ServerThread::serve(const QHostAddress& address, quint16 port, std::function<qint64()> nowMs) {
    m_address = address;
    m_port = port;
    m_nowMs = std::move(nowMs);
    start();
    m_listening.acquire();
    if (!m_server)
        wait();
    return m_port;
}

void ServerThread::stop() {
    quit();
    wait();
}

void ServerThread::run() {
    server::StateServer server(m_nowMs);
    m_port = server.listen(m_address, m_port);
    if (m_port != 0)
        m_server = &server;
    m_listening.release();
    if (m_port == 0)
        return;
    exec();
    m_server = nullptr;
}

} // namespace remote
