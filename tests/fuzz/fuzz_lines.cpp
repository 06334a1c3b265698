// The line reader on any bytes: a line ends at CR (with a LF right after it) or at the end of
// the file, a lone LF stays in the line; reading a file gives the same lines as splitting its
// bytes, and a file written whole reads back byte for byte.
#include "FuzzSupport.h"
#include "core/RuntimeError.h"
#include "core/TextFile.h"

#include <vector>

namespace {

// The rule, written out the slow way.
std::vector<std::string> Model(const std::string& s) {
    std::vector<std::string> lines;
    std::string line;
    bool open = false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            lines.push_back(line);
            line.clear();
            open = false;
            if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else {
            line += s[i];
            open = true;
        }
    }
    if (open) lines.push_back(line);
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = quorrel::SplitLines(bytes);
    FUZZ_CHECK(lines == Model(bytes), "lines end at CR, CR LF or the end");

    const std::string file = fuzz::Scratch() + "/lines";
    fuzz::Put(file, bytes);
    FUZZ_CHECK(quorrel::ReadLines(file) == lines, "a file reads as its bytes split");
    FUZZ_CHECK(quorrel::ReadFirstLine(file) == (lines.empty() ? std::string() : lines[0]),
               "the first line is the first of the lines");

    quorrel::WriteFileAtomic(file, bytes + "\r\n");
    FUZZ_CHECK(fuzz::Get(file) == bytes + "\r\n", "a file written whole reads back");
    quorrel::AppendLine(file, "tail");
    std::vector<std::string> more = Model(bytes + "\r\n");
    more.push_back("tail");
    FUZZ_CHECK(quorrel::ReadLines(file) == more, "an appended line is the last line");
    return 0;
}
