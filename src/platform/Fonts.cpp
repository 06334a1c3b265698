#include "Fonts.h"

#include <fontconfig/fontconfig.h>

namespace quorrel {

// Qt's own FcInit() later finds the configuration loaded and returns at once.
FontConfigReader::FontConfigReader() : thread_([] { FcInit(); }) {}

FontConfigReader::~FontConfigReader() {
    Wait();
}

void FontConfigReader::Wait() {
    if (thread_.joinable()) thread_.join();
}

void FontConfigReader::Abandon() {
    if (thread_.joinable()) thread_.detach();
}

} // namespace quorrel
