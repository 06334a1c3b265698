// The real platform on Linux desktops (X11).
#include "platform/Platform.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtHelpViewer.h"
#include "platform/qt/QtProgramStarter.h"
#include "platform/qt/QtServices.h"
#include "platform/x11/LinuxRegistry.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11KeyState.h"

#include <QGuiApplication>

namespace quorrel {

namespace {

class LinuxPlatform : public RealPlatform {
  public:
    LinuxPlatform() : clipboard_(MakeClipboard()), capture_(*clipboard_) {}
    PlatformServices Services() override {
        PlatformServices s;
        s.clipboard = clipboard_.get();
        s.messages = &messages_;
        s.busy = &busy_;
        s.keys = &keys_;
        s.help = &help_;
        s.capture = &capture_;
        s.registry = &registry_;
        s.starter = &starter_;
        s.specialFolderPath = [](int id) { return SpecialFolderPath(id); };
        return s;
    }

  private:
    // The X11 clipboard where there is an X server; Qt's own elsewhere (offscreen runs).
    static std::unique_ptr<Clipboard> MakeClipboard() {
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            if (auto x = X11Clipboard::Connect()) return x;
        return std::make_unique<QtClipboard>();
    }
    std::unique_ptr<Clipboard> clipboard_;
    QtMessageBox messages_;
    QtBusyPointer busy_;
    X11KeyState keys_;
    QtHelpViewer help_;
    QtScreenCapture capture_;
    LinuxRegistry registry_;
    QtProgramStarter starter_;
};

} // namespace

std::unique_ptr<RealPlatform> MakeRealPlatform() {
    return std::make_unique<LinuxPlatform>();
}

} // namespace quorrel
