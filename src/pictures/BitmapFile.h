#pragma once
// Reading a stored picture with Qt's readers, which tell the format from the content whatever
// the name says (the program's own pictures are bitmaps named N.jpg).
#include <QImage>
#include <QString>

namespace quorrel {

// The picture in the file; a null image when the file cannot be read as one.
QImage ReadPictureFile(const QString& path);

} // namespace quorrel
