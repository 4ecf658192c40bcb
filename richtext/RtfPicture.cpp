#include "richtext/RtfPicture.h"

#include "richtext/RtfFormats.h"
#include "richtext/RtfLexer.h"
#include "state/Twips.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace RtfPicture {

namespace {

// Decoded pictures together hold at most this many pixels (128 MB); later ones are placeholders.
constexpr qint64 MaxPixels = 2 * qint64(MaxSide) * MaxSide;

} // namespace

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

void Builder::word(const Rtf::Keyword& keyword, int parameter) {
    const int twips = std::clamp(parameter, 0, Rtf::MaxTwips);
    const int scale = std::clamp(parameter, 1, 10000);
    switch (keyword.kind) {
    case Rtf::Kw::PictureKind:
        m_picture.kind = Kind(keyword.value);
        break;
    case Rtf::Kw::PictureWidth:
        m_picture.widthTwips = twips;
        break;
    case Rtf::Kw::PictureHeight:
        m_picture.heightTwips = twips;
        break;
    case Rtf::Kw::PictureScaleX:
        m_picture.scaleX = scale;
        break;
    case Rtf::Kw::PictureScaleY:
        m_picture.scaleY = scale;
        break;
    default:
        break;
    }
}

void Builder::addData(QByteArrayView data) {
    if (m_picture.data.size() + data.size() > MaxDataSize)
        m_picture.tooLarge = true;
    else
        m_picture.data.append(data);
}

void Builder::addHexDigit(char digit) {
    const int value = RtfLexer::hexValue(digit);
    if (value < 0 || m_picture.tooLarge)
        return;
    if (m_picture.highNibble < 0) {
        m_picture.highNibble = value;
        return;
    }
    const char byte = char(m_picture.highNibble * 16 + value);
    m_picture.highNibble = -1;
    addData(QByteArrayView(&byte, 1));
}

QTextImageFormat Builder::finish(QTextDocument* document) {
    const Picture picture = std::exchange(m_picture, {});
    QImage image;
    if (!picture.tooLarge && m_pixels < MaxPixels)
        image = decode(picture.data, picture.kind);
    QTextImageFormat format;
    if (image.isNull()) {
        const QString name = QStringLiteral("rtfpicture:placeholder");
        if (!m_placeholderAdded) {
            document->addResource(QTextDocument::ImageResource, QUrl(name), placeholder());
            m_placeholderAdded = true;
        }
        const QImage shown = placeholder();
        format.setName(name);
        format.setWidth(shown.width());
        format.setHeight(shown.height());
        return format;
    }
    m_pixels += qint64(image.width()) * image.height();
    const QString name = QStringLiteral("rtfpicture:%1").arg(++m_count);
    document->addResource(QTextDocument::ImageResource, QUrl(name), image);
    // Shown at the size the document asks for, in twips, else at the picture's own.
    const double width = picture.widthTwips > 0 ? picture.widthTwips / Twips::PerPixel : image.width();
    const double height = picture.heightTwips > 0 ? picture.heightTwips / Twips::PerPixel : image.height();
    constexpr double MaxShown = Rtf::MaxTwips / Twips::PerPixel;
    format.setName(name);
    format.setWidth(std::clamp(width * picture.scaleX / 100.0, 1.0, MaxShown));
    format.setHeight(std::clamp(height * picture.scaleY / 100.0, 1.0, MaxShown));
    return format;
}

} // namespace RtfPicture
