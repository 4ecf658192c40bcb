#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace server {

// The text as a QR code, black modules on white with a quiet zone of four modules, each module
// moduleSize pixels square. A null image when the text does not fit a QR code.
QImage qrImage(const QByteArray& text, int moduleSize);

// The remote's page on this host and port, carrying the token it writes with.
QString remoteAddress(const QString& host, quint16 port, const QString& token);

} // namespace server
