#include "ClipboardHook.h"

#include <QFile>

namespace quorrel {

ClipboardHook::ClipboardHook(Clipboard& clipboard, HookTarget& target)
    : clipboard_(clipboard), target_(target) {
    tracePath_ = qEnvironmentVariable("QUORREL_TRACE");
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
    const QString text = clipboard_.GetText();
    const QImage picture = clipboard_.GetData();
    target_.ShowClipboardText(text);
    target_.ShowClipboardPicture(picture);
    if (!tracePath_.isEmpty()) {
        // One line per notice, for tests that watch the program from outside.
        QFile f(tracePath_);
        if (f.open(QIODevice::Append)) {
            const QByteArray head =
                text.left(40).toUtf8().replace('\n', "\\n").replace('\r', "\\r");
            f.write(QStringLiteral("notice text=%1 picture=%2x%3 secret=%4 head=")
                        .arg(text.size())
                        .arg(picture.width())
                        .arg(picture.height())
                        .arg(clipboard_.IsSecret() ? 1 : 0)
                        .toUtf8() +
                    head + '\n');
        }
    }
}

} // namespace quorrel
