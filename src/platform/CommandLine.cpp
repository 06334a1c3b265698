#include "CommandLine.h"

namespace quorrel {

CommandLine ParseCommandLine(const std::vector<std::string>& args, bool strict) {
    CommandLine c;
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            c.action = CommandLine::Action::Help;
            return c; // as other programs do: --help wins over whatever else is there
        } else if (a == "--version") {
            c.action = CommandLine::Action::Version;
        } else if (a == "--toggle") {
            c.request = SessionRequest::Toggle;
        } else if (a == "--show") {
            c.request = SessionRequest::Show;
        } else if (strict && c.action == CommandLine::Action::Run) {
            c.action = CommandLine::Action::Wrong;
            c.wrong = a;
        }
    }
    return c;
}

std::string UsageText() {
    return "Usage: quorrel [--show | --toggle]\n"
           "Keeps clipboard text and pictures in named collectors.\n"
           "\n"
           "Without an option, starts Quorrel, or shows its window when it runs already.\n"
           "  --show      show the window of the Quorrel that runs (start it when none runs)\n"
           "  --toggle    hide or show that window, as left Super + Alt does; bind this command\n"
           "              to a shortcut in the desktop's keyboard settings\n"
           "  --help      print this help and exit\n"
           "  --version   print the version and exit\n"
           "\n"
           "Qt's options, such as -display DISPLAY, are accepted too.\n";
}

std::string VersionText() {
    return "Quorrel " QUORREL_VERSION "\n";
}

} // namespace quorrel
