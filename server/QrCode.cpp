#include "server/QrCode.h"

#include <QUrl>
#include <QUrlQuery>

#include <qrencode.h>

#include <memory>

namespace server {

namespace {

constexpr int QuietZone = 4;

} // namespace

QImage qrImage(const QByteArray& text, int moduleSize) {
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString8bit(text.constData(), 0, QR_ECLEVEL_M), &QRcode_free);
    if (!code || moduleSize < 1)
        return {};
    const int modules = code->width + 2 * QuietZone;
    QImage image(modules * moduleSize, modules * moduleSize, QImage::Format_Mono);
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    image.fill(0);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            // The lowest bit of each module's byte says whether it is dark.
            if (!(code->data[y * code->width + x] & 1))
                continue;
            for (int dy = 0; dy < moduleSize; ++dy)
                for (int dx = 0; dx < moduleSize; ++dx)
                    image.setPixel((x + QuietZone) * moduleSize + dx, (y + QuietZone) * moduleSize + dy, 1);
        }
    }
    return image;
}

QString remoteAddress(const QString& host, quint16 port, const QString& token) {
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(host);
    url.setPort(port);
    url.setPath(QStringLiteral("/remote"));
    url.setQuery(QUrlQuery{{QStringLiteral("token"), token}});
    return url.toString(QUrl::FullyEncoded);
}

} // namespace server
