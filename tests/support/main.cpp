// The window tests run in one QApplication on the offscreen platform.
#include "pictures/BitmapFile.h"
#include "ui/Form.h"
#include <QApplication>
#include <QImageReader>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QImageReader::setAllocationLimit(quorrel::kPictureAllocationLimitMB); // as the program's main
    quorrel::UseDialogFont();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
