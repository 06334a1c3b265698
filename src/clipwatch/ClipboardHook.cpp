#include "ClipboardHook.h"

namespace quorrel {

ClipboardHook::ClipboardHook(Clipboard& clipboard, HookTarget& target)
    : clipboard_(clipboard), target_(target) {
    connect(&clipboard_, &Clipboard::changed, this, [this] {
        if (hooked_ > 0) WindowProc();
    });
}

void ClipboardHook::Hook(QWidget*) {
    ++hooked_;
}

void ClipboardHook::Unhook(QWidget*) {
    if (hooked_ > 0) --hooked_;
}

void ClipboardHook::WindowProc() {
    target_.ShowClipboardText(clipboard_.GetText());
    target_.ShowClipboardPicture(clipboard_.GetData());
}

} // namespace quorrel
