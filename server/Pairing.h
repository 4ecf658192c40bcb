#pragma once

#include <QMutex>
#include <QObject>
#include <QString>

#include <functional>

namespace server {

// Pairs a remote: start() makes a short-lived code the console shows and a token the remote keeps.
// The code buys the token while it is young and until too many wrong codes were tried; the token
// writes until the next start() or revoke(). Time comes from nowMs, so tests step it by hand.
// Safe to call from any thread: the server checks tokens on its own while the console asks for codes.
class Pairing : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 CodeLifetimeMs = 5 * 60 * 1000;
    static constexpr int MaxWrongCodes = 5;

    explicit Pairing(std::function<qint64()> nowMs, QObject* parent = nullptr);

    // A new six-digit code and a new token; the previous token stops working.
    void start();
    // No token works and no code buys one until the next start().
    void revoke();

    // The token for the code while the code is valid, or an empty string.
    QString exchange(const QString& code);
    // Compares in constant time, so the answer's timing tells nothing of the token.
    bool isValid(const QString& token) const;

    // The code, empty when there is none or it expired or was voided.
    QString code() const;
    QString token() const;

signals:
    void changed();

private:
    QString codeLocked() const;

    std::function<qint64()> m_nowMs;
    mutable QMutex m_mutex;
    QString m_code;
    qint64 m_codeExpiresMs = 0;
    int m_wrongCodes = 0;
    QString m_token;
};

} // namespace server
