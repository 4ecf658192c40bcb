#pragma once

#include <QByteArrayView>
#include <QImage>

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

} // namespace RtfPicture
