// The settings routines over any settings file: ReadINI and WriteINI throw nothing but
// RuntimeError; a write that fails leaves the file byte for byte as it was; a written value
// reads back when section, key and value are ones the program writes.
#include "FuzzSupport.h"
#include "core/Ini.h"
#include "core/RuntimeError.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

// Names and values as the program writes them: no line ends, no brackets (a bracket anywhere
// on a line ends a section for the reader), no '=' in a key.
bool Plain(const std::string& s, bool isKey) {
    for (unsigned char ch : s)
        if (ch < 32 || ch == '[' || ch == ']' || (isKey && ch == '=')) return false;
    return true;
}

// Control characters other than the line ends (a file a crash left zero-filled) are left out:
// the rewrite drops those leading the file, after they hid the first section header from it.
bool NoOtherControls(const std::string& s) {
    for (unsigned char ch : s)
        if (ch < 32 && ch != '\r' && ch != '\n') return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string section = in.ConsumeRandomLengthString(24);
    const std::string key = in.ConsumeRandomLengthString(24);
    const std::string value = in.ConsumeRandomLengthString(64);
    // Mostly small files; now and then one larger than a settings file may be.
    std::string content = in.ConsumeRemainingBytesAsString();
    if (!content.empty() && content[0] == '\x7f') content.append(1 << 20, 'x');

    const std::string file = fuzz::Scratch() + "/Settings.ini";
    fuzz::Put(file, content);
    try {
        quorrel::ReadINI(file, section, key);
    } catch (const quorrel::RuntimeError&) {
    }
    const std::string before = fuzz::Get(file);
    bool written = false;
    try {
        quorrel::WriteINI(file, section, key, value);
        written = true;
    } catch (const quorrel::RuntimeError&) {
        FUZZ_CHECK(fuzz::Get(file) == before, "a failed WriteINI left the file as it was");
    }
    if (written && !section.empty() && !key.empty() && Plain(section, false) && Plain(key, true) &&
        Plain(value, false) && fuzz::WellFormed(before) && NoOtherControls(before)) {
        std::string back;
        try {
            back = quorrel::ReadINI(file, section, key);
        } catch (const quorrel::RuntimeError&) {
            FUZZ_CHECK(false, "a written file reads without an error");
        }
        FUZZ_CHECK(back == value, "a written value reads back");
        const std::string after = fuzz::Get(file);
        FUZZ_CHECK(after.size() >= 2 && after.compare(after.size() - 2, 2, "\r\n") == 0,
                   "a written file ends with CR LF");
    }
    return 0;
}
