// The real platform on Linux desktops (X11, and Wayland with the windows on Xwayland).
#include "platform/Platform.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtHelpViewer.h"
#include "platform/qt/QtProgramStarter.h"
#include "platform/qt/QtServices.h"
#include "platform/wayland/PortalHotKey.h"
#include "platform/wayland/PortalScreenCapture.h"
#include "platform/wayland/WaylandClipboard.h"
#include "platform/x11/LinuxRegistry.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11HotKey.h"

#include <QDBusConnection>
#include <QGuiApplication>

namespace quorrel {

namespace {

class LinuxPlatform : public RealPlatform {
  public:
    LinuxPlatform() : clipboard_(MakeClipboard()), hotKey_(MakeHotKey()) {
        // The root window of rootless Xwayland holds no pixels: on a Wayland desktop the screen
        // comes from the desktop's Screenshot portal.
        if (WaylandSession())
            capture_ = std::make_unique<PortalScreenCapture>(*clipboard_, messages_);
        else
            capture_ = std::make_unique<QtScreenCapture>(*clipboard_);
    }
    PlatformServices Services() override {
        PlatformServices s;
        s.clipboard = clipboard_.get();
        s.messages = &messages_;
        s.busy = &busy_;
        s.hotKey = hotKey_.get();
        s.help = &help_;
        s.capture = capture_.get();
        s.registry = &registry_;
        s.starter = &starter_;
        s.specialFolderPath = [](int id) { return SpecialFolderPath(id); };
        return s;
    }

  private:
    // On a Wayland desktop that lets a clipboard manager watch (wlroots, KDE Plasma), the
    // Wayland clipboard: the X11 one sees copies only while an X11 window has the focus. Else
    // the X11 clipboard where there is an X server (GNOME included); Qt's own elsewhere
    // (offscreen runs).
    static bool WaylandSession() {
        return qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
               qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
    }
    static std::unique_ptr<Clipboard> MakeClipboard() {
        const bool xcb = QGuiApplication::platformName() == QLatin1String("xcb");
        if (xcb && WaylandSession())
            if (auto w = WaylandClipboard::Connect()) return w;
        if (xcb)
            if (auto x = X11Clipboard::Connect()) return x;
        return std::make_unique<QtClipboard>();
    }
    // No X server to watch the keys on (offscreen runs): no hot key, and the windows stay up.
    class NoHotKey : public HotKey {
      public:
        bool IsLive() const override { return false; }
    };
    // Xwayland sees no key while a native window has the focus: on a Wayland desktop the press
    // comes from the desktop's shortcut portal, where there is one; until it has bound the
    // shortcut (and where it never does) the windows stay up.
    static std::unique_ptr<HotKey> MakeHotKey() {
        if (WaylandSession()) {
            QDBusConnection bus = QDBusConnection::sessionBus();
            if (bus.isConnected()) return std::make_unique<PortalHotKey>(bus);
        } else if (QGuiApplication::platformName() == QLatin1String("xcb")) {
            if (auto x = X11HotKey::Connect()) return x;
        }
        return std::make_unique<NoHotKey>();
    }
    std::unique_ptr<Clipboard> clipboard_;
    std::unique_ptr<HotKey> hotKey_;
    QtMessageBox messages_;
    QtBusyPointer busy_;
    QtHelpViewer help_;
    std::unique_ptr<ScreenCapture> capture_;
    LinuxRegistry registry_;
    QtProgramStarter starter_;
};

} // namespace

std::unique_ptr<RealPlatform> MakeRealPlatform() {
    return std::make_unique<LinuxPlatform>();
}

} // namespace quorrel
