// The real platform on Linux desktops (X11).
#include "platform/Platform.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtHelpViewer.h"
#include "platform/qt/QtProgramStarter.h"
#include "platform/qt/QtServices.h"
#include "platform/x11/LinuxRegistry.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11HotKey.h"

#include <QGuiApplication>

namespace quorrel {

namespace {

class LinuxPlatform : public RealPlatform {
  public:
    LinuxPlatform() : clipboard_(MakeClipboard()), hotKey_(MakeHotKey()), capture_(*clipboard_) {}
    PlatformServices Services() override {
        PlatformServices s;
        s.clipboard = clipboard_.get();
        s.messages = &messages_;
        s.busy = &busy_;
        s.hotKey = hotKey_.get();
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
    // No X server to watch the keys on (offscreen runs), or Xwayland, which sees no key while a
    // native window has the focus: no hot key, and the windows stay up.
    class NoHotKey : public HotKey {
      public:
        bool IsLive() const override { return false; }
    };
    static std::unique_ptr<HotKey> MakeHotKey() {
        if (QGuiApplication::platformName() == QLatin1String("xcb") &&
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            if (auto x = X11HotKey::Connect()) return x;
        return std::make_unique<NoHotKey>();
    }
    std::unique_ptr<Clipboard> clipboard_;
    std::unique_ptr<HotKey> hotKey_;
    QtMessageBox messages_;
    QtBusyPointer busy_;
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
