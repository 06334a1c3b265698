#include "BitmapFile.h"

#include <QFile>
#include <QImageReader>

#include <cstdint>

namespace quorrel {

namespace {

std::uint32_t U32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return u[0] | (u[1] << 8) | (u[2] << 16) | (std::uint32_t(u[3]) << 24);
}

// An uncompressed bitmap whose file ends before its pixels do. Qt's reader would show such a
// picture with the missing rows filled from whatever memory held.
bool CutOffBitmap(QFile& file) {
    const QByteArray h = file.peek(54);
    if (h.size() < 54 || h[0] != 'B' || h[1] != 'M' || U32(h.data() + 30) != 0) return false;
    const qint64 width = static_cast<std::int32_t>(U32(h.data() + 18));
    const qint64 height = static_cast<std::int32_t>(U32(h.data() + 22));
    const qint64 bits =
        static_cast<unsigned char>(h[28]) | (static_cast<unsigned char>(h[29]) << 8);
    if (width <= 0 || height == 0 || bits == 0) return false;
    const qint64 stride = ((width * bits + 31) / 32) * 4;
    const qint64 rows = height < 0 ? -height : height;
    const qint64 offset = U32(h.data() + 10);
    // Compared by division: stride times rows of a hostile header overflows 64 bits.
    return offset > file.size() || stride > (file.size() - offset) / rows;
}

} // namespace

QImage ReadPictureFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || CutOffBitmap(file)) return {};
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    QImage picture;
    reader.read(&picture);
    return picture;
}

} // namespace quorrel
