#pragma once
// Everything a window needs from the rest of the program, handed to it when it is made.
#include "clipwatch/ClipboardHook.h"
#include "core/AppState.h"
#include "platform/Clipboard.h"
#include "platform/Services.h"
#include "ui/KeyPolicy.h"

namespace quorrel {

class Forms;

struct Context {
    AppState& state;
    Clipboard& clipboard;
    MessageBox& messages;
    BusyPointer& busy;
    KeyState& keys;
    HelpViewer& help;
    ScreenCapture& capture;
    Registry& registry;
    ProgramStarter& starter;
    Forms& forms;
    ClipboardHook& hook;
    KeyPolicy& keyPolicy; // one for all windows
};

} // namespace quorrel
