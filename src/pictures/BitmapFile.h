#pragma once
// Picture files: reading a stored picture with Qt's readers, which tell the format from the
// content whatever the name says (the program's own pictures are bitmaps named N.jpg), and
// writing a picture as a 24-bit Windows bitmap.
#include <QImage>
#include <QString>

#include <string>

namespace quorrel {

// Qt's limit on one decoded image, set once at start: 8192 x 8192 pixels at 8 bytes a pixel, as
// Qt decodes a 16-bit PNG (it refuses anything over 128 MB unless told otherwise).
inline constexpr int kPictureAllocationLimitMB = 512;

// The picture in the file, read whole; a null image when the file cannot be read as one or
// ends before its picture does (never a picture with rows missing).
QImage ReadPictureFile(const QString& path);

// The picture in the file as a slot shows it: decoded at `box` (device pixels, aspect not kept)
// when it is larger, at its own size otherwise; a null image as for ReadPictureFile. The
// program's own bitmaps are sampled straight from the mapped file, so an 8K picture costs a few
// hundred of its rows instead of a full decode.
QImage ReadPictureThumbnail(const QString& path, QSize box);

// The picture as the bytes of a 24-bit Windows bitmap file (file header, information header,
// rows bottom-up in blue-green-red order, each padded with zero bytes to four). Transparency is
// dropped. A null picture gives an empty string.
std::string BitmapFileBytes(const QImage& picture);

} // namespace quorrel
