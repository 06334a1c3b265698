// Runs one store command the way its window runs it, over a documents folder given on the
// command line, for the crash-point test: "add", "create", "saveas", "picture", "delete" (of a
// collector named Old), or "start" (the
// start procedure's store steps, with the recovery, as after a restart). Exit status 0 when the
// command went through, 3 when it failed with a run-time error. A preloaded crash shim is armed
// right before the command, so that the set-up is never counted.
#include "collectors/CollectorSteps.h"
#include "core/AppState.h"
#include "core/Paths.h"
#include "core/RuntimeError.h"
#include "core/Store.h"
#include "pictures/PixSteps.h"

#include <cstdio>
#include <string>

#include <dlfcn.h>

using namespace quorrel;

namespace {

void Arm() {
    using ArmFn = void (*)();
    if (auto arm = reinterpret_cast<ArmFn>(::dlsym(RTLD_DEFAULT, "quorrel_crash_arm"))) arm();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    AppState state;
    state.DocumentsPath = argv[1];
    const std::string command = argv[2];
    const std::string text = argc > 3 ? argv[3] : "crash clip\r\nsecond line";
    const std::string work = CollectorFolderOf(state.DocumentsPath, "Work");
    try {
        if (command == "start") {
            // A problem after which the start goes on is no failure of the start.
            OpenCollectorAtStart(state);
            ReadClipIndex(state.CollectorPath);
            return 0;
        }
        Arm();
        if (command == "add") {
            AddClip(work, text);
            ReadClipIndex(work);
        } else if (command == "create") {
            if (!CollectorNameProblem(state.DocumentsPath, "New").empty() ||
                CollectorExists(state.DocumentsPath, "New"))
                return 3;
            CreateCollector(state, "New");
        } else if (command == "saveas") {
            if (CollectorExists(state.DocumentsPath, "Copy")) return 3;
            CopyCollector(state.DocumentsPath, work, "Copy");
        } else if (command == "delete") {
            DeleteCollector(state.DocumentsPath, "Old");
        } else if (command == "picture") {
            AddPicture(work, [] { return std::string("BM picture bytes\r\nwith a line end"); });
        } else {
            return 2;
        }
    } catch (const RuntimeError& e) {
        std::fprintf(stderr, "%s\n", e.Message().c_str());
        return 3;
    }
    return 0;
}
