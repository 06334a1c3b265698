#pragma once
// The program's command line: `quorrel [--show | --toggle | --help | --version]`.
#include "Session.h"

#include <string>
#include <vector>

namespace quorrel {

struct CommandLine {
    enum class Action { Run, Help, Version, Wrong };
    Action action = Action::Run;
    // What a running copy is asked for when this start finds one: a plain start shows it.
    SessionRequest request = SessionRequest::Show;
    std::string wrong; // the argument that was not understood
};

// `args` without the program's name. With `strict` false, arguments that are not the program's
// own are left alone (Qt's options, before Qt has taken them).
CommandLine ParseCommandLine(const std::vector<std::string>& args, bool strict);

// The text of --help, and of --version.
std::string UsageText();
std::string VersionText();

} // namespace quorrel
