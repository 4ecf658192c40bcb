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
    m_code = QStringLiteral("%1").arg(random->bounded(1'000'000), 6, 10, QLatin1Char('0'));
    m_codeExpiresMs = m_nowMs() + CodeLifetimeMs;
    m_wrongCodes = 0;
    std::array<quint32, 4> bits{};
    random->fillRange(bits.data(), bits.size());
    m_token =
        QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(bits.data()), sizeof(bits)).toHex());
    emit changed();
}

void Pairing::revoke() {
    m_code.clear();
    m_token.clear();
    emit changed();
}

QString Pairing::exchange(const QString& code) {
    if (this->code().isEmpty())
        return {};
    if (equalInConstantTime(code.toUtf8(), m_code.toUtf8()))
        return m_token;
    if (++m_wrongCodes >= MaxWrongCodes) {
        m_code.clear();
        emit changed();
    }
    return {};
}

bool Pairing::isValid(const QString& token) const {
    return !m_token.isEmpty() && equalInConstantTime(token.toUtf8(), m_token.toUtf8());
}

QString Pairing::code() const {
    return m_nowMs() < m_codeExpiresMs ? m_code : QString();
}

} // namespace server
