// Stored pictures read as Qt's readers read them, except a file that ends before its picture
// does, which is refused rather than shown half; pictures are written as 24-bit bitmaps that hold
// nothing but the picture.
#include "pictures/BitmapFile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>

using namespace quorrel;

namespace {

QByteArray Bitmap(int w, int h) {
    QImage picture(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            picture.setPixel(x, y, qRgb(x * 37 & 255, y * 11 & 255, x ^ y));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "BMP");
    return bytes;
}

void SetU32(QByteArray& b, int at, qint32 v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((quint32(v) >> (8 * i)) & 0xff);
}

// The same picture stored top-down: negative height, rows in reading order.
QByteArray TopDown(int w, int h) {
    QByteArray b = Bitmap(w, h);
    const int offset = 54, stride = (w * 3 + 3) & ~3;
    QByteArray rows = b.mid(offset);
    for (int y = 0; y < h; ++y)
        b.replace(offset + y * stride, stride, rows.mid((h - 1 - y) * stride, stride));
    SetU32(b, 22, -h);
    return b;
}

QByteArray Encoded(const QImage& picture, const char* format, bool progressive = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(picture));
    return bytes;
}

QImage Noise(int w, int h) {
    QImage picture(w, h, QImage::Format_RGB32);
    quint32 x = 99;
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < w; ++i) {
            x = x * 1664525u + 1013904223u;
            picture.setPixel(i, y, qRgb(x >> 24, (x >> 16) & 0xff, (x >> 8) & 0xff));
        }
    return picture;
}

QImage QtReads(const QString& path) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return reader.read();
}

} // namespace

TEST(BitmapFile, ReadsEveryFileExactlyAsQtsReadersDo) {
    QByteArray truncated = Bitmap(40, 30);
    truncated.chop(500);
    QByteArray hugeClaim = Bitmap(4, 4);
    SetU32(hugeClaim, 18, 1 << 30);        // width far beyond the data that follows
    QByteArray overflowing = Bitmap(4, 4); // rows times row length beyond 64 bits
    SetU32(overflowing, 18, 0x7fffffff);
    SetU32(overflowing, 22, -0x7fffffff);
    overflowing[28] = char(32);
    QByteArray compressed = Bitmap(4, 4);
    SetU32(compressed, 30, 1); // run-length compression: left to Qt
    QFile png(QStringLiteral(QUORREL_TEST_DATA "/pix_red.png"));
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    const QImage noise = Noise(64, 48);
    const QByteArray noisePng = Encoded(noise, "PNG"), jpeg = Encoded(noise, "JPEG");
    const QByteArray progressive = Encoded(noise, "JPEG", true);

    const struct {
        const char* name;
        QByteArray bytes;
        bool picture;
        bool asQt = true;
    } cases[] = {
        {"1x1", Bitmap(1, 1), true},
        {"odd widths need row padding", Bitmap(5, 3), true},
        {"wide", Bitmap(333, 2), true},
        {"full screen", Bitmap(1920, 1080), true},
        {"top-down", TopDown(7, 4), true},
        {"truncated", truncated, false, false},
        {"claims more than it holds", hugeClaim, false},
        {"claims more than 64 bits can count", overflowing, false, false},
        {"compressed", compressed, false},
        {"png under a jpg name", png.readAll(), true},
        {"png cut off", noisePng.left(noisePng.size() / 2), false, false},
        {"png cut off just before its end", noisePng.left(noisePng.size() - 13), false, false},
        {"jpeg", jpeg, true},
        {"jpeg cut off", jpeg.left(jpeg.size() * 3 / 4), false, false},
        {"jpeg without its end marker", jpeg.left(jpeg.size() - 2), false, false},
        {"jpeg header only", jpeg.left(300), false},
        {"progressive jpeg", progressive, true},
        {"progressive jpeg cut off", progressive.left(progressive.size() / 2), false, false},
        {"jpeg with bytes after its end", jpeg + QByteArray(100, '\xff'), true},
        {"header only", Bitmap(4, 4).left(30), false},
        {"empty", QByteArray(), false},
        {"text", QByteArray("not a picture"), false},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QStringLiteral("1.jpg"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes);
        f.close();
        const QImage mine = ReadPictureFile(path);
        const QImage qt = QtReads(path);
        EXPECT_EQ(mine.isNull(), !c.picture);
        if (!c.asQt) continue;
        EXPECT_EQ(mine.isNull(), qt.isNull());
        if (!mine.isNull() && !qt.isNull()) {
            EXPECT_EQ(mine.size(), qt.size());
            EXPECT_TRUE(mine.convertToFormat(QImage::Format_RGB32) ==
                        qt.convertToFormat(QImage::Format_RGB32));
        }
    }
    EXPECT_TRUE(ReadPictureFile(dir.filePath(QStringLiteral("missing.jpg"))).isNull());
}

namespace {

// The bitmap file's rows, as stored: bottom-up, three bytes a pixel, padded to four.
struct Parsed {
    int width = 0, height = 0, bits = 0;
    bool paddingZero = true;
    QImage picture;
};

Parsed Parse(const std::string& b) {
    auto u32 = [&](size_t at) {
        return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 |
               quint32(quint8(b[at + 2])) << 16 | quint32(quint8(b[at + 3])) << 24;
    };
    Parsed p;
    EXPECT_EQ(b.substr(0, 2), "BM");
    EXPECT_EQ(u32(2), b.size()) << "file size";
    EXPECT_EQ(u32(10), 54u) << "pixel offset";
    EXPECT_EQ(u32(14), 40u) << "information header";
    EXPECT_EQ(u32(30), 0u) << "no compression";
    p.width = int(u32(18));
    p.height = int(u32(22));
    p.bits = quint8(b[28]);
    const size_t stride = (size_t(p.width) * 3 + 3) & ~size_t(3);
    EXPECT_EQ(b.size(), 54 + stride * size_t(p.height));
    EXPECT_EQ(u32(34), stride * size_t(p.height)) << "image size";
    p.picture = QImage(p.width, p.height, QImage::Format_RGB32);
    for (int y = 0; y < p.height; ++y) {
        const size_t row = 54 + size_t(p.height - 1 - y) * stride;
        for (int x = 0; x < p.width; ++x) {
            const size_t at = row + size_t(x) * 3;
            p.picture.setPixel(x, y, qRgb(quint8(b[at + 2]), quint8(b[at + 1]), quint8(b[at])));
        }
        for (size_t pad = row + size_t(p.width) * 3; pad < row + stride; ++pad)
            if (b[pad] != 0) p.paddingZero = false;
    }
    return p;
}

} // namespace

TEST(BitmapFile, WritesEveryPictureAsA24BitBitmapHoldingOnlyThePicture) {
    QImage mono(13, 4, QImage::Format_Mono); // row padding full of leftovers
    mono.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 0)});
    std::memset(mono.bits(), 0x5A, size_t(mono.sizeInBytes()));
    QImage indexed(3, 3, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(250, 0, 7)});
    std::memset(indexed.bits(), 0x01, size_t(indexed.sizeInBytes()));
    QImage seeThrough(5, 2, QImage::Format_ARGB32);
    seeThrough.fill(qRgba(200, 40, 90, 0)); // transparency dropped, colour kept
    QImage grey(7, 1, QImage::Format_Grayscale8);
    grey.fill(128);

    const struct {
        const char* name;
        QImage picture;
    } cases[] = {
        {"one bit", mono},
        {"indexed", indexed},
        {"transparent", seeThrough},
        {"greyscale", grey},
        {"1x1", Noise(1, 1)},
        {"odd width", Noise(5, 3)},
        {"width a multiple of four", Noise(8, 2)},
        {"full screen", Noise(1920, 1080)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes = BitmapFileBytes(c.picture);
        const Parsed p = Parse(bytes);
        EXPECT_EQ(p.bits, 24);
        EXPECT_TRUE(p.paddingZero);
        EXPECT_EQ(QSize(p.width, p.height), c.picture.size());
        // The colours Qt's own writer would have stored, alpha dropped.
        QImage expected = c.picture.convertToFormat(
            c.picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x)
                expected.setPixel(x, y, expected.pixel(x, y) | 0xff000000u);
        EXPECT_TRUE(p.picture == expected.convertToFormat(QImage::Format_RGB32));
        // Qt's reader reads the file back to the same picture.
        QImage back;
        EXPECT_TRUE(back.loadFromData(QByteArray::fromStdString(bytes), "BMP"));
        EXPECT_TRUE(back.convertToFormat(QImage::Format_RGB32) == p.picture);
    }
    EXPECT_TRUE(BitmapFileBytes(QImage()).empty());
}

TEST(BitmapFile, ReadsPicturesBeyondQtsDefaultSizeLimit) {
    // 6000 x 6000 pixels decode to 144 MB, more than Qt reads unless told otherwise.
    QImage big(6000, 6000, QImage::Format_RGB888);
    big.fill(QColor(10, 200, 30));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("1.jpg"));
    ASSERT_TRUE(big.save(path, "PNG"));
    big = QImage();
    const QImage read = ReadPictureFile(path);
    ASSERT_FALSE(read.isNull());
    EXPECT_EQ(read.size(), QSize(6000, 6000));
    EXPECT_EQ(read.pixelColor(5999, 5999), QColor(10, 200, 30));
}

namespace {

// A picture as an uncompressed bitmap file of 24 or 32 bits a pixel, bottom-up or top-down.
QByteArray RawBitmap(const QImage& picture, int bits, bool topDown) {
    const int w = picture.width(), h = picture.height(), stride = ((w * bits + 31) / 32) * 4;
    QByteArray b(54 + stride * h, '\0');
    b[0] = 'B';
    b[1] = 'M';
    SetU32(b, 2, b.size());
    SetU32(b, 10, 54);
    SetU32(b, 14, 40);
    SetU32(b, 18, w);
    SetU32(b, 22, topDown ? -h : h);
    b[26] = 1;
    b[28] = char(bits);
    for (int y = 0; y < h; ++y) {
        char* out = b.data() + 54 + (topDown ? y : h - 1 - y) * stride;
        for (int x = 0; x < w; ++x, out += bits / 8) {
            const QRgb c = picture.pixel(x, y);
            out[0] = char(qBlue(c));
            out[1] = char(qGreen(c));
            out[2] = char(qRed(c));
        }
    }
    return b;
}

} // namespace

// A slot holds its picture at the slot's size: the program's own bitmaps sampled from their
// rows, whichever way up, other formats through Qt's readers; one that fits comes back whole,
// a file cut short not at all.
TEST(BitmapFile, ReadsAPictureAtTheSizeOfItsSlot) {
    QImage quarters(1600, 900, QImage::Format_RGB32);
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
    for (int q = 0; q < 4; ++q)
        for (int y = 0; y < 450; ++y)
            for (int x = 0; x < 800; ++x)
                quarters.setPixelColor(x + (q % 2) * 800, y + (q / 2) * 450, colours[q]);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("1.jpg"));
    auto store = [&](const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    };
    const QSize box(63, 63);
    const std::pair<const char*, QByteArray> files[] = {
        {"24-bit", RawBitmap(quarters, 24, false)},
        {"24-bit top-down", RawBitmap(quarters, 24, true)},
        {"32-bit", RawBitmap(quarters, 32, false)},
        {"PNG", Encoded(quarters, "PNG")},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        store(bytes);
        const QImage slot = ReadPictureThumbnail(path, box);
        ASSERT_EQ(slot.size(), box);
        for (int q = 0; q < 4; ++q)
            EXPECT_EQ(slot.pixelColor(15 + (q % 2) * 32, 15 + (q / 2) * 32), colours[q]) << q;
        store(bytes.left(bytes.size() - 100));
        EXPECT_TRUE(ReadPictureThumbnail(path, box).isNull());
    }
    const QImage small = quarters.copy(790, 440, 20, 20);
    store(RawBitmap(small, 24, true));
    EXPECT_EQ(ReadPictureThumbnail(path, box), small);
}
