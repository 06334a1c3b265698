#pragma once
// The process-wide state: the store paths and the three flags. One object, owned by the app and
// handed to whoever needs it, so that tests can build as many worlds as they like.
#include <string>

namespace quorrel {

struct AppState {
    std::string DocumentsPath;    // the user's documents folder, no trailing separator
    std::string CollectorPath;    // folder of the open collector
    std::string CollectorLabel;   // name of the open collector as read at start-up
    std::string NewCollectorName; // the name typed in the create or first-run dialog
    bool FirstRun = false;        // the store root was missing at this start
    bool TextModeActive = false;  // text-mode window (true) or graphics window is current
    bool WindowHidden = false;    // the current mode's window was hidden by hot key / focus loss
};

} // namespace quorrel
