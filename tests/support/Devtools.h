#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTemporaryDir>
#include <QWebSocket>

#include <functional>
#include <memory>

// Headless Chromium driven over its DevTools protocol: one browser with one page, for the tests of
// the server's pages. Calls wait for their answer while the event loop runs, so a server in the same
// thread keeps answering the page.
class Devtools {
public:
    static constexpr const char* Browser = "/usr/bin/chromium";
    static constexpr int WaitMs = 20'000;

    Devtools() {
        QObject::connect(&m_socket, &QWebSocket::textMessageReceived, &m_socket, [this](const QString& text) {
            const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
            if (message.contains(u"id"))
                m_replies.insert(message.value(u"id").toInt(), message);
            else if (m_onEvent)
                m_onEvent(message.value(u"method").toString(), message.value(u"params").toObject());
        });
        m_process.setProgram(QString::fromLatin1(Browser));
        m_process.setArguments({u"--headless=new"_qs, u"--remote-debugging-port=0"_qs,
                                u"--user-data-dir="_qs + m_profile.path(), u"--no-sandbox"_qs,
                                u"--disable-gpu"_qs, u"--no-first-run"_qs, u"--window-size=1280,900"_qs,
                                u"about:blank"_qs});
        // It complains of the missing desktop bus at length.
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start();
        const QString pageSocket = pageTarget(debuggingPort());
        if (pageSocket.isEmpty())
            return;
        m_socket.open(QUrl(pageSocket));
        waitFor([this] { return m_socket.state() == QAbstractSocket::ConnectedState; });
    }

    ~Devtools() {
        m_socket.abort();
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished();
    }

    Devtools(const Devtools&) = delete;
    Devtools& operator=(const Devtools&) = delete;

    // Hears the page's events (a binding called, a console message) as they come.
    void onEvent(std::function<void(const QString& method, const QJsonObject& params)> handler) {
        m_onEvent = std::move(handler);
    }

    bool isReady() const { return m_socket.state() == QAbstractSocket::ConnectedState; }

    // Opens the address and waits until the page has loaded.
    bool navigate(const QString& url) {
        if (call(u"Page.navigate"_qs, {{u"url"_qs, url}}).contains(u"error"))
            return false;
        return waitFor([this] { return evaluate(u"document.readyState"_qs) == QJsonValue(u"complete"_qs); });
    }

    // The expression's value in the page, promises awaited; undefined when it threw.
    QJsonValue evaluate(const QString& expression) {
        const QJsonObject answer =
            call(u"Runtime.evaluate"_qs,
                 {{u"expression"_qs, expression}, {u"returnByValue"_qs, true}, {u"awaitPromise"_qs, true}});
        const QJsonObject result = answer.value(u"result").toObject();
        if (result.contains(u"exceptionDetails"))
            return QJsonValue(QJsonValue::Undefined);
        return result.value(u"result").toObject().value(u"value");
    }

    // Writes a PNG of the page as it shows now.
    bool screenshot(const QString& path) {
        const QJsonObject answer = call(u"Page.captureScreenshot"_qs, {{u"format"_qs, u"png"_qs}});
        QFile file(path);
        return file.open(QIODevice::WriteOnly) &&
               file.write(QByteArray::fromBase64(
                   answer.value(u"result").toObject().value(u"data").toString().toLatin1())) > 0;
    }

    // Sends a command and waits for its answer: {"result": ...} or {"error": ...}.
    QJsonObject call(const QString& method, const QJsonObject& params) {
        if (!isReady())
            return {{u"error"_qs, u"no browser"_qs}};
        const int id = ++m_lastId;
        m_socket.sendTextMessage(QString::fromUtf8(
            QJsonDocument(QJsonObject{{u"id"_qs, id}, {u"method"_qs, method}, {u"params"_qs, params}})
                .toJson(QJsonDocument::Compact)));
        if (!waitFor([&] { return m_replies.contains(id) || !isReady(); }))
            return {{u"error"_qs, u"no answer"_qs}};
        return m_replies.take(id);
    }

private:
    static bool waitFor(const std::function<bool()>& done) {
        const QDeadlineTimer deadline(WaitMs);
        while (!done()) {
            if (deadline.hasExpired())
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        return true;
    }

    // Chromium writes the port it took into its profile folder.
    quint16 debuggingPort() const {
        quint16 port = 0;
        waitFor([&] {
            QFile file(m_profile.filePath(u"DevToolsActivePort"_qs));
            if (file.open(QIODevice::ReadOnly))
                port = quint16(file.readLine().trimmed().toUInt());
            return port != 0 || m_process.state() == QProcess::NotRunning;
        });
        return port;
    }

    // The page's WebSocket address, from the list of targets or a new page.
    QString pageTarget(quint16 port) {
        if (port == 0)
            return {};
        const QString base = QStringLiteral("http://127.0.0.1:%1").arg(port);
        const QJsonDocument list = fetch(QNetworkRequest(QUrl(base + u"/json/list"_qs)), "GET");
        for (const QJsonValue target : list.array()) {
            if (target.toObject().value(u"type").toString() == u"page")
                return target.toObject().value(u"webSocketDebuggerUrl").toString();
        }
        return fetch(QNetworkRequest(QUrl(base + u"/json/new?about:blank"_qs)), "PUT")
            .object()
            .value(u"webSocketDebuggerUrl")
            .toString();
    }

    QJsonDocument fetch(const QNetworkRequest& request, const QByteArray& verb) {
        const std::unique_ptr<QNetworkReply> reply(m_network.sendCustomRequest(request, verb));
        waitFor([&] { return reply->isFinished(); });
        return QJsonDocument::fromJson(reply->readAll());
    }

    QTemporaryDir m_profile;
    QProcess m_process;
    QNetworkAccessManager m_network;
    QWebSocket m_socket;
    QHash<int, QJsonObject> m_replies;
    int m_lastId = 0;
    std::function<void(const QString&, const QJsonObject&)> m_onEvent;
};
