#pragma once

#include <QHostAddress>
#include <QSemaphore>
#include <QThread>

#include <atomic>
#include <functional>

namespace server {
class StateServer;
}

namespace remote {

// The server on a thread of its own, made, listening and deleted there: Qt's HTTP server keeps sockets
// that are not its children, so moving a server made elsewhere would leave them behind. The board's
// event loop then never watches a client's socket, and a client never holds up the board's tick.
class ServerThread : public QThread {
    Q_OBJECT

public:
    using QThread::QThread;
    ~ServerThread() override;

    // Starts the thread with a server listening there, and returns once it listens: the port, or 0
    // when it could not listen, and the thread has ended. Not while serving.
    quint16 serve(const QHostAddress& address, quint16 port, std::function<qint64()> nowMs);
    // Ends the thread, and the server with it.
    void stop();
    // The server while it listens, else nullptr.
    server::StateServer* server() const { return m_server; }

protected:
    void run() override;

private:
    QHostAddress m_address;
    quint16 m_port = 0;
    std::function<qint64()> m_nowMs;
    QSemaphore m_listening;
    std::atomic<server::StateServer*> m_server = nullptr;
};

} // namespace remote
