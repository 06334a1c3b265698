#include "BitmapFile.h"

#include <QFile>
#include <QImageReader>

#include <cstdint>
#include <cstring>

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
    return U32(h.data() + 10) + stride * (height < 0 ? -height : height) > file.size();
}

bool IsRestartOrData(unsigned char m) {
    return m == 0x00 || (m >= 0xD0 && m <= 0xD7) || m == 0xFF;
}

// A JPEG file that ends before its end-of-image marker. The JPEG decoder only warns about such a
// file and fills the missing part of the picture with grey, so the file is walked here: marker
// segments by their lengths, the coded data after each start-of-scan up to the next marker.
bool CutOffJpeg(const unsigned char* p, qint64 n) {
    if (n < 2 || p[0] != 0xFF || p[1] != 0xD8) return false; // no JPEG: the readers decide
    qint64 i = 2;
    for (;;) {
        if (i >= n) return true;
        if (p[i] != 0xFF) return false; // not the layout walked here: left to the decoder
        while (i < n && p[i] == 0xFF)
            ++i;
        if (i >= n) return true;
        const unsigned char marker = p[i++];
        if (marker == 0xD9) return false; // end of image: the file is whole
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue; // no length
        if (i + 2 > n) return true;
        const int length = (p[i] << 8) | p[i + 1];
        if (length < 2) return false;
        i += length;
        if (i > n) return true;
        if (marker != 0xDA) continue;
        // Coded data: 0xFF appears only stuffed (FF 00), as a restart marker or before a marker.
        for (;;) {
            const void* ff = std::memchr(p + i, 0xFF, static_cast<size_t>(n - i));
            if (!ff) return true;
            i = static_cast<const unsigned char*>(ff) - p;
            if (i + 1 >= n) return true;
            if (!IsRestartOrData(p[i + 1])) break;
            i += p[i + 1] == 0xFF ? 1 : 2;
        }
    }
}

bool CutOffJpeg(QFile& file) {
    if (file.peek(2) != QByteArray("\xFF\xD8", 2)) return false;
    const qint64 n = file.size();
    if (const uchar* mapped = file.map(0, n)) {
        const bool cut = CutOffJpeg(mapped, n);
        file.unmap(const_cast<uchar*>(mapped));
        return cut;
    }
    const QByteArray all = file.peek(n);
    return CutOffJpeg(reinterpret_cast<const unsigned char*>(all.constData()), all.size());
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
    if (!file.open(QIODevice::ReadOnly) || CutOffBitmap(file) || CutOffJpeg(file)) return {};
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
