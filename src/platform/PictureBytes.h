#pragma once
// Picture bytes that end before their picture does. Qt's readers fill what is missing (a bitmap
// from whatever memory held, a JPEG with grey) and may still report success, so such pictures
// are recognised here, wherever they come from: a file or another program's copy.
#include <QtGlobal>

namespace quorrel {

// True for an uncompressed Windows bitmap shorter than its rows, or a JPEG without its end
// marker; false for anything whole and for other formats (their readers decide).
bool PictureCutOff(const unsigned char* bytes, qint64 size);

} // namespace quorrel
