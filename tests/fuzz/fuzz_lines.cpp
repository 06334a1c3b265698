// The line reader on any bytes: a line ends at CR (with a LF right after it) or at the end of
// the file, a lone LF stays in the line; reading a file gives the same lines as splitting its
// decoded bytes, and a file written whole reads back byte for byte. The repair of a last line
// removes nothing but a part of the line being appended and adds nothing but a line end.
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
    const std::vector<std::string> decoded = quorrel::SplitLines(quorrel::DecodeText(bytes));
    FUZZ_CHECK(quorrel::ReadLines(file) == decoded, "a file reads as its decoded bytes split");
    FUZZ_CHECK(quorrel::ReadFirstLine(file) == (decoded.empty() ? std::string() : decoded[0]),
               "the first line is the first of the lines");

    // The line being appended: the file's last part itself, or that part and more.
    const size_t cr = bytes.rfind('\r');
    std::string last = cr == std::string::npos ? bytes : bytes.substr(cr + 1);
    if (!last.empty() && last[0] == '\n') last.erase(0, 1);
    const std::string expected = size % 2 ? last : last + "0";
    try {
        quorrel::RepairLastLine(file, expected);
    } catch (const quorrel::RuntimeError&) {
        FUZZ_CHECK(false, "a repair on a file it may write does not fail");
    }
    const std::string after = fuzz::Get(file);
    size_t keep = 0;
    while (keep < after.size() && keep < bytes.size() && after[keep] == bytes[keep])
        ++keep;
    const std::string removed = bytes.substr(keep), added = after.substr(keep);
    FUZZ_CHECK(removed.empty() || (removed.size() < expected.size() &&
                                   expected.compare(0, removed.size(), removed) == 0),
               "only a part of the line being appended is removed");
    FUZZ_CHECK(added.empty() || added == "\n" || added == "\r\n", "a repair adds a line end");
    if (quorrel::DecodeText(bytes) != bytes) return 0; // marked files: the rest is about bytes

    quorrel::WriteFileAtomic(file, bytes + "\r\n");
    FUZZ_CHECK(fuzz::Get(file) == bytes + "\r\n", "a file written whole reads back");
    quorrel::AppendLine(file, "tail");
    std::vector<std::string> more = Model(bytes + "\r\n");
    more.push_back("tail");
    FUZZ_CHECK(quorrel::ReadLines(file) == more, "an appended line is the last line");
    return 0;
}
