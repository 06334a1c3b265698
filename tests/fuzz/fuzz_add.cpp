// Add to Collector on a hostile collector, after the start's recovery: whatever its Settings.ini,
// Numb, Data and clip files hold, the recovery keeps every ended line, and adding a clip throws
// nothing but RuntimeError. When it fails, every file is as it was;
// when it succeeds, no clip listed in Numb was overwritten, the clip file holds the clip,
// ClipNumber names it, Numb and Data end with it, and choosing the clip gives it back.
#include "FuzzSupport.h"
#include "core/Ini.h"
#include "core/RuntimeError.h"
#include "core/Store.h"
#include "core/TextFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string dir = fuzz::Scratch() + "/Work";
    fs::remove_all(dir);
    fs::create_directory(dir);
    const std::string settings = in.ConsumeRandomLengthString(200);
    const std::string numb = in.ConsumeRandomLengthString(100);
    const std::string index = in.ConsumeRandomLengthString(200);
    const std::string oldClip = in.ConsumeRandomLengthString(50);
    const std::string clip = in.ConsumeRemainingBytesAsString();
    // A clip file that starts with a UTF-16 byte-order mark reads in the encoding the mark
    // names, as one saved by a Windows editor does; clipboard text reaches Add as UTF-8 and never
    // starts with FE FF or FF FE (a UTF-8 U+FEFF is kept, and checked below).
    if (clip.rfind("\xFE\xFF", 0) == 0 || clip.rfind("\xFF\xFE", 0) == 0) return 0;
    fuzz::Put(dir + "/Settings.ini", settings);
    if (!numb.empty()) fuzz::Put(dir + "/Numb", numb);
    if (!index.empty()) fuzz::Put(dir + "/Data", index);
    // A clip file left behind under the number the add may take.
    for (const char* n : {"1", "2", "10"})
        fuzz::Put(dir + "/" + n, oldClip);

    // The start's recovery keeps every line that was ended; only a part line it can tell was
    // being appended goes.
    std::map<std::string, std::string> found;
    for (const char* f : {"Numb", "Data"})
        found[f] = fuzz::Get(dir + "/" + f);
    try {
        quorrel::RecoverCollector(dir);
    } catch (const quorrel::RuntimeError&) {
    }
    for (const auto& [f, bytes] : found) {
        const size_t end = bytes.rfind('\r');
        if (end != std::string::npos)
            FUZZ_CHECK(fuzz::Get(dir + "/" + f).compare(0, end + 1, bytes, 0, end + 1) == 0,
                       "the recovery keeps every ended line");
    }

    std::map<std::string, std::string> before;
    for (const char* f : {"Settings.ini", "Numb", "Data", "1", "2", "10"})
        before[f] = fuzz::Get(dir + "/" + f);
    std::string number;
    try {
        number = quorrel::AddClip(dir, clip);
    } catch (const quorrel::RuntimeError&) {
        for (const auto& [f, bytes] : before)
            FUZZ_CHECK(fuzz::Get(dir + "/" + f) == bytes,
                       "a failed add leaves every file as it was");
        return 0;
    }
    // A clip file that Numb does not list is what an interrupted add left: written anew.
    if (number == "1" || number == "2" || number == "10")
        for (const std::string& listed : quorrel::SplitLines(quorrel::DecodeText(before["Numb"])))
            FUZZ_CHECK(listed != number, "an add never overwrites a listed clip");
    const std::string mark = clip.rfind("\xEF\xBB\xBF", 0) == 0 ? "\xEF\xBB\xBF" : "";
    FUZZ_CHECK(fuzz::Get(dir + "/" + number) == mark + clip + "\r\n",
               "the clip file holds the clip");
    if (fuzz::WellFormed(settings))
        FUZZ_CHECK(quorrel::ReadINI(dir + "/Settings.ini", "Collector", "ClipNumber") == number,
                   "ClipNumber names the new clip");
    // Also after a last line without its line end (edited by hand): the new line is its own.
    const std::vector<std::string> numbers = quorrel::ReadLines(dir + "/Numb");
    FUZZ_CHECK(!numbers.empty() && numbers.back() == number, "Numb ends with the new number");
    const std::vector<std::string> clipLines = quorrel::SplitLines(clip + "\r\n");
    const std::vector<std::string> lines = quorrel::ReadLines(dir + "/Data");
    // A UTF-16 index holds characters, not bytes: a first line that is not UTF-8 is kept as
    // the characters its bytes read as.
    const bool utf16Index = index.rfind("\xFE\xFF", 0) == 0 || index.rfind("\xFF\xFE", 0) == 0;
    FUZZ_CHECK(!lines.empty() && (utf16Index || lines.back() == number + ") " + clipLines[0]),
               "Data ends with the clip's first line");
    FUZZ_CHECK(quorrel::ReadClipForClipboard(dir, number) == clip, "the clip comes back as added");
    return 0;
}
