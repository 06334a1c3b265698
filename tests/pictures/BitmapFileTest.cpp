// Stored pictures read as Qt's readers read them, except a cut-off bitmap, which is refused
// rather than shown with whatever memory held.
#include "pictures/BitmapFile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
