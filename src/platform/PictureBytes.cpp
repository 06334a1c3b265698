#include "PictureBytes.h"

#include <cstdint>
#include <cstring>

namespace quorrel {

namespace {

std::uint32_t U32(const unsigned char* u) {
    return u[0] | (u[1] << 8) | (u[2] << 16) | (std::uint32_t(u[3]) << 24);
}

// An uncompressed bitmap whose bytes end before its pixels do.
bool CutOffBitmap(const unsigned char* p, qint64 n) {
    if (n < 54 || p[0] != 'B' || p[1] != 'M' || U32(p + 30) != 0) return false;
    const qint64 width = static_cast<std::int32_t>(U32(p + 18));
    const qint64 height = static_cast<std::int32_t>(U32(p + 22));
    const qint64 bits = p[28] | (p[29] << 8);
    if (width <= 0 || height == 0 || bits == 0) return false;
    const qint64 stride = ((width * bits + 31) / 32) * 4;
    const qint64 rows = height < 0 ? -height : height;
    const qint64 offset = U32(p + 10);
    // Compared by division: stride times rows of a hostile header overflows 64 bits.
    return offset > n || stride > (n - offset) / rows;
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

} // namespace

bool PictureCutOff(const unsigned char* bytes, qint64 size) {
    return CutOffBitmap(bytes, size) || CutOffJpeg(bytes, size);
}

} // namespace quorrel
