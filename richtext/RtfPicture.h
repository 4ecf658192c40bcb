#pragma once

#include "richtext/RtfKeywords.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QTextImageFormat>

class QTextDocument;

// Turns the data of a picture in a rich-text file into an image, within bounds that keep a hostile
// file from costing more than a help text's worth of memory.
namespace RtfPicture {

enum class Kind { Other, Png, Jpeg };

// Larger pictures are not decoded: 64 MB of pixels at most, from at most 8 MB of data.
inline constexpr int MaxSide = 4096;
inline constexpr qsizetype MaxDataSize = 8 * 1024 * 1024;

// The picture that data holds, or a null image when it is of another kind, damaged or too large.
QImage decode(QByteArrayView data, Kind kind);

// Stands in for a picture that cannot be shown: a small framed box.
QImage placeholder();

// Gathers a \pict group's data and size, and makes the picture a resource of the document.
class Builder {
public:
    void start() { m_picture = {}; }
    void word(const Rtf::Keyword& keyword, int parameter);
    // The bytes of \binN, and the hex digits that are the usual way of writing the data.
    void addData(QByteArrayView data);
    void addHexDigit(char digit);

    // The group has ended in text that is shown: the picture, or a placeholder where it cannot be
    // shown, is added to document as a resource, for the returned format to show.
    QTextImageFormat finish(QTextDocument* document);
    // The group has ended where it is not shown.
    void discard() { m_picture = {}; }

private:
    struct Picture {
        Kind kind = Kind::Other;
        int widthTwips = 0;
        int heightTwips = 0;
        int scaleX = 100;
        int scaleY = 100;
        QByteArray data;
        int highNibble = -1;
        bool tooLarge = false;
    };

    Picture m_picture;
    int m_count = 0;
    qint64 m_pixels = 0;
    bool m_placeholderAdded = false;
};

} // namespace RtfPicture
