#include "BitmapFile.h"

#include "platform/PictureBytes.h"

#include <QFile>
#include <QImageReader>

#include <cstdint>
#include <cstring>

namespace quorrel {

namespace {

// A picture file that ends before its picture does (see PictureCutOff).
bool CutOff(QFile& file) {
    const qint64 n = file.size();
    if (const uchar* mapped = file.map(0, n)) {
        const bool cut = PictureCutOff(mapped, n);
        file.unmap(const_cast<uchar*>(mapped));
        return cut;
    }
    const QByteArray all = file.peek(n);
    return PictureCutOff(reinterpret_cast<const unsigned char*>(all.constData()), all.size());
}

void PutU16(std::string& s, size_t at, std::uint16_t v) {
    s[at] = static_cast<char>(v & 0xff);
    s[at + 1] = static_cast<char>(v >> 8);
}

void PutU32(std::string& s, size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
        s[at + k] = static_cast<char>((v >> (8 * k)) & 0xff);
}

} // namespace

QImage ReadPictureFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || CutOff(file)) return {};
    QImageReader::setAllocationLimit(kPictureAllocationLimitMB);
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    QImage picture;
    // A reader that fails part way leaves the rest of the image as memory held it: no picture.
    if (!reader.read(&picture)) return {};
    return picture;
}

std::string BitmapFileBytes(const QImage& picture) {
    if (picture.isNull()) return {};
    // The colours as Qt's own bitmap writer takes them: straight (not premultiplied) values.
    const QImage rgb = picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                         : QImage::Format_RGB32);
    const size_t width = static_cast<size_t>(rgb.width());
    const size_t height = static_cast<size_t>(rgb.height());
    const size_t stride = (width * 3 + 3) & ~size_t(3);
    const size_t header = 14 + 40;
    const int dpmX = rgb.dotsPerMeterX() > 0 ? rgb.dotsPerMeterX() : 2834;
    const int dpmY = rgb.dotsPerMeterY() > 0 ? rgb.dotsPerMeterY() : 2834;

    std::string bytes(header + stride * height, '\0'); // the row padding stays zero
    bytes[0] = 'B';
    bytes[1] = 'M';
    PutU32(bytes, 2, static_cast<std::uint32_t>(bytes.size()));
    PutU32(bytes, 10, static_cast<std::uint32_t>(header));
    PutU32(bytes, 14, 40);
    PutU32(bytes, 18, static_cast<std::uint32_t>(width));
    PutU32(bytes, 22, static_cast<std::uint32_t>(height));
    PutU16(bytes, 26, 1);  // planes
    PutU16(bytes, 28, 24); // bits per pixel; compression 0 (none)
    PutU32(bytes, 34, static_cast<std::uint32_t>(stride * height));
    PutU32(bytes, 38, static_cast<std::uint32_t>(dpmX));
    PutU32(bytes, 42, static_cast<std::uint32_t>(dpmY));
    for (size_t y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(int(height - 1 - y)));
        char* out = bytes.data() + header + y * stride;
        for (size_t x = 0; x < width; ++x) {
            *out++ = static_cast<char>(qBlue(line[x]));
            *out++ = static_cast<char>(qGreen(line[x]));
            *out++ = static_cast<char>(qRed(line[x]));
        }
    }
    return bytes;
}

} // namespace quorrel
