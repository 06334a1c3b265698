// Add to Collector on a hostile collector: whatever its Settings.ini, Numb and Data hold, adding
// a clip throws nothing but RuntimeError. When it fails, Numb and Data are as they were; when it
// succeeds, the clip file holds the clip, ClipNumber names it, Numb and Data gain one line each
// and keep what they held, and choosing the clip gives it back.
#include "FuzzSupport.h"
#include "core/Ini.h"
#include "core/RuntimeError.h"
#include "core/Store.h"
#include "core/TextFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <filesystem>

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
    fuzz::Put(dir + "/Settings.ini", settings);
    if (!numb.empty()) fuzz::Put(dir + "/Numb", numb);
    if (!index.empty()) fuzz::Put(dir + "/Data", index);
    // A clip file left behind under the number the add may take.
    for (const char* n : {"1", "2", "10"})
        fuzz::Put(dir + "/" + n, oldClip);

    const std::string numbBefore = fuzz::Get(dir + "/Numb"), dataBefore = fuzz::Get(dir + "/Data");
    std::string number;
    try {
        number = quorrel::AddClipText(dir, clip);
    } catch (const quorrel::RuntimeError&) {
        FUZZ_CHECK(fuzz::Get(dir + "/Numb") == numbBefore, "a failed add leaves Numb");
        FUZZ_CHECK(fuzz::Get(dir + "/Data") == dataBefore, "a failed add leaves Data");
        return 0;
    }
    FUZZ_CHECK(fuzz::Get(dir + "/" + number) == clip + "\r\n", "the clip file holds the clip");
    if (fuzz::WellFormed(settings))
        FUZZ_CHECK(quorrel::ReadINI(dir + "/Settings.ini", "Collector", "ClipNumber") == number,
                   "ClipNumber names the new clip");
    FUZZ_CHECK(fuzz::Get(dir + "/Numb") == numbBefore + number + "\r\n",
               "Numb gets the new number and keeps what it held");

    try {
        quorrel::IndexClip(dir, number);
    } catch (const quorrel::RuntimeError&) {
        FUZZ_CHECK(fuzz::Get(dir + "/Data") == dataBefore, "a failed index leaves Data");
        return 0;
    }
    const std::vector<std::string> clipLines = quorrel::SplitLines(clip + "\r\n");
    FUZZ_CHECK(fuzz::Get(dir + "/Data") == dataBefore + number + ") " + clipLines[0] + "\r\n",
               "Data gets the clip's first line and keeps what it held");
    std::string expected;
    for (const std::string& l : clipLines)
        expected += l + "\r\n";
    FUZZ_CHECK(quorrel::ReadClipForClipboard(dir, number) == expected, "the clip comes back");
    return 0;
}
