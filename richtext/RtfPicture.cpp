#include "RtfPicture.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

namespace RtfPicture {

QImage decode(QByteArrayView data, Kind kind) {
    if (kind == Kind::Other || data.isEmpty() || data.size() > MaxDataSize)
        return {};
    QByteArray bytes = QByteArray::fromRawData(data.data(), data.size());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, kind == Kind::Png ? "png" : "jpeg");
    // The header gives the size; a picture that claims more pixels is never allocated.
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > MaxSide || size.height() > MaxSide)
        return {};
    return reader.read();
}

QImage placeholder() {
    constexpr int Side = 24;
    QImage image(Side, Side, QImage::Format_RGB32);
    image.fill(QColor(230, 230, 230));
    QPainter painter(&image);
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(0, 0, Side - 1, Side - 1);
    painter.drawLine(0, 0, Side - 1, Side - 1);
    painter.drawLine(0, Side - 1, Side - 1, 0);
    return image;
}

} // namespace RtfPicture
