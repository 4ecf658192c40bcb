#include "server/Pairing.h"

#include <QRandomGenerator>

#include <array>

namespace server {

namespace {

bool equalInConstantTime(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

} // namespace

Pairing::Pairing(std::function<qint64()> nowMs, QObject* parent)
    : QObject(parent), m_nowMs(std::move(nowMs)) {}

void Pairing::start() {
    QRandomGenerator* const random = QRandomGenerator::system();
    QMutexLocker lock(&m_mutex);
    m_code = QStringLiteral("%1").arg(random->bounded(1'000'000), 6, 10, QLatin1Char('0'));
    m_codeExpiresMs = m_nowMs() + CodeLifetimeMs;
    m_wrongCodes = 0;
    std::array<quint32, 4> bits{};
    random->fillRange(bits.data(), bits.size());
    m_token =
        QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(bits.data()), sizeof(bits)).toHex());
    lock.unlock();
    emit changed();
}

void Pairing::revoke() {
    QMutexLocker lock(&m_mutex);
    m_code.clear();
    m_token.clear();
    lock.unlock();
    emit changed();
}

QString Pairing::exchange(const QString& code) {
    QMutexLocker lock(&m_mutex);
    if (codeLocked().isEmpty())
        return {};
    if (equalInConstantTime(code.toUtf8(), m_code.toUtf8()))
        return m_token;
    if (++m_wrongCodes >= MaxWrongCodes) {
        m_code.clear();
        lock.unlock();
        emit changed();
    }
    return {};
}

bool Pairing::isValid(const QString& token) const {
    const QMutexLocker lock(&m_mutex);
    return !m_token.isEmpty() && equalInConstantTime(token.toUtf8(), m_token.toUtf8());
}

QString Pairing::code() const {
    const QMutexLocker lock(&m_mutex);
    return codeLocked();
}

QString Pairing::token() const {
    const QMutexLocker lock(&m_mutex);
    return m_token;
}

QString Pairing::codeLocked() const {
    return m_nowMs() < m_codeExpiresMs ? m_code : QString();
}

} // namespace server
