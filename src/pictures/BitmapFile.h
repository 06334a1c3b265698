#pragma once
// Picture files: reading a stored picture with Qt's readers, which tell the format from the
// content whatever the name says (the program's own pictures are bitmaps named N.jpg), and
// writing a picture as a 24-bit Windows bitmap.
#include <QImage>
#include <QString>

#include <string>

namespace quorrel {

// Pictures up to 8000 x 8000 pixels at 8 bytes a pixel are read (Qt refuses anything over
// 128 MB unless told otherwise).
inline constexpr int kPictureAllocationLimitMB = 512;

// The picture in the file, read whole; a null image when the file cannot be read as one or
// ends before its picture does (never a picture with rows missing).
QImage ReadPictureFile(const QString& path);

// The picture as the bytes of a 24-bit Windows bitmap file (file header, information header,
// rows bottom-up in blue-green-red order, each padded with zero bytes to four). Transparency is
// dropped. A null picture gives an empty string.
std::string BitmapFileBytes(const QImage& picture);

} // namespace quorrel
