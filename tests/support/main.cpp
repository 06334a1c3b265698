// The window tests run in one QApplication on the offscreen platform.
#include "pictures/BitmapFile.h"
#include "ui/Form.h"
#include <QApplication>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A home of their own: a deleted collector goes to this home's Trash, not the user's.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/.local/share")).toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QImageReader::setAllocationLimit(quorrel::kPictureAllocationLimitMB); // as the program's main
    quorrel::UseDialogFont();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
