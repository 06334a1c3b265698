// The picture reader on any file: it gives a picture or a null image, never a crash, and a
// bitmap whose pixels the file cuts short is no picture.
#include "FuzzSupport.h"
#include "pictures/BitmapFile.h"

#include <QGuiApplication>
#include <QImage>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The image format plugins come with an application object; no display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file = fuzz::Scratch() + "/1.jpg";
    fuzz::Put(file, std::string(reinterpret_cast<const char*>(data), size));
    const QImage picture = quorrel::ReadPictureFile(QString::fromStdString(file));
    if (!picture.isNull()) {
        FUZZ_CHECK(picture.width() > 0 && picture.height() > 0, "a picture has a size");
        // Touch every row, so that a picture made from memory the file never held shows up.
        volatile unsigned sum = 0;
        for (int y = 0; y < picture.height(); ++y)
            sum = sum + picture.constScanLine(y)[0];
    }
    return 0;
}
