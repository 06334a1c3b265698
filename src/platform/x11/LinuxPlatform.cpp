// The real platform on Linux desktops (X11).
#include "platform/Platform.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtHelpViewer.h"
#include "platform/qt/QtProgramStarter.h"
#include "platform/qt/QtServices.h"
#include "platform/x11/LinuxRegistry.h"
#include "platform/x11/X11KeyState.h"

namespace quorrel {

namespace {

class LinuxPlatform : public RealPlatform {
  public:
    LinuxPlatform() : capture_(clipboard_) {}
    PlatformServices Services() override {
        PlatformServices s;
        s.clipboard = &clipboard_;
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
    QtClipboard clipboard_;
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
