#pragma once
// The set of platform services a world of the program runs on. The real set is made by
// MakeRealPlatform; tests make theirs from fakes.
#include "Clipboard.h"
#include "HotKey.h"
#include "Services.h"

#include <functional>
#include <memory>
#include <string>

namespace quorrel {

struct PlatformServices {
    Clipboard* clipboard = nullptr;
    MessageBox* messages = nullptr;
    BusyPointer* busy = nullptr;
    HotKey* hotKey = nullptr;
    HelpViewer* help = nullptr;
    ScreenCapture* capture = nullptr;
    Registry* registry = nullptr;
    ProgramStarter* starter = nullptr;
    std::function<std::string(int)> specialFolderPath;
};

class RealPlatform {
  public:
    virtual ~RealPlatform() = default;
    virtual PlatformServices Services() = 0;
};

// Needs a QApplication.
std::unique_ptr<RealPlatform> MakeRealPlatform();

} // namespace quorrel
