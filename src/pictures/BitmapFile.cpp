#include "BitmapFile.h"

#include "platform/PictureBytes.h"

#include <QFile>
#include <QImageReader>

#include <algorithm>
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

std::uint32_t U32(const uchar* u) {
    return u[0] | (u[1] << 8) | (u[2] << 16) | (std::uint32_t(u[3]) << 24);
}

// An uncompressed 24- or 32-bit bitmap, as the program writes them, read at `box` by taking the
// nearest pixel of each of up to four times the box and smoothing the rest of the way: only the
// rows sampled are touched. A null image for any other file (Qt's readers take those).
QImage SampledBitmap(const uchar* p, qint64 n, QSize box) {
    if (n < 54 || p[0] != 'B' || p[1] != 'M' || U32(p + 14) < 40 || U32(p + 30) != 0) return {};
    const qint64 width = static_cast<std::int32_t>(U32(p + 18));
    const qint64 rawHeight = static_cast<std::int32_t>(U32(p + 22));
    const int bits = p[28] | (p[29] << 8);
    if (width <= 0 || rawHeight == 0 || (bits != 24 && bits != 32)) return {};
    const qint64 height = rawHeight < 0 ? -rawHeight : rawHeight;
    const qint64 stride = ((width * bits + 31) / 32) * 4;
    const qint64 offset = U32(p + 10);
    if (offset > n || stride > (n - offset) / height) return {};

    const bool larger = width > box.width() || height > box.height();
    const int w = static_cast<int>(larger ? std::min<qint64>(width, box.width() * 4) : width);
    const int h = static_cast<int>(larger ? std::min<qint64>(height, box.height() * 4) : height);
    QImage sample(w, h, QImage::Format_RGB32);
    if (sample.isNull()) return {};
    const int step = bits / 8;
    for (int y = 0; y < h; ++y) {
        const qint64 sy = (2 * qint64(y) + 1) * height / (2 * h);
        const uchar* row = p + offset + (rawHeight > 0 ? height - 1 - sy : sy) * stride;
        auto* out = reinterpret_cast<QRgb*>(sample.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const uchar* px = row + ((2 * qint64(x) + 1) * width / (2 * w)) * step;
            out[x] = qRgb(px[2], px[1], px[0]);
        }
    }
    return larger ? sample.scaled(box, Qt::IgnoreAspectRatio, Qt::SmoothTransformation) : sample;
}

void PutU16(std::string& s, size_t at, std::uint16_t v) {
    s[at] = static_cast<char>(v & 0xff);
    s[at + 1] = static_cast<char>(v >> 8);
}

void PutU32(std::string& s, size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
        s[at + k] = static_cast<char>((v >> (8 * k)) & 0xff);
}

// Qt's readers on an open file, at `box` when given and the picture is larger.
QImage Decode(QFile& file, QSize box = {}) {
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    if (box.isValid() && size.isValid() &&
        (size.width() > box.width() || size.height() > box.height()))
        reader.setScaledSize(box);
    QImage picture;
    // A reader that fails part way leaves the rest of the image as memory held it: no picture.
    if (!reader.read(&picture)) return {};
    return picture;
}

} // namespace

QImage ReadPictureFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || CutOff(file)) return {};
    return Decode(file);
}

QImage ReadPictureThumbnail(const QString& path, QSize box) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || box.isEmpty()) return {};
    const qint64 n = file.size();
    if (const uchar* mapped = file.map(0, n)) {
        const bool cut = PictureCutOff(mapped, n);
        QImage sampled = cut ? QImage() : SampledBitmap(mapped, n, box);
        file.unmap(const_cast<uchar*>(mapped));
        if (cut) return {};
        if (!sampled.isNull()) return sampled;
    } else if (CutOff(file)) {
        return {};
    }
    return Decode(file, box);
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
