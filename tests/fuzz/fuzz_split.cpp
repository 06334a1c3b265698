// SplitString and CInt on any text: SplitString gives a piece of the text or one of its five
// error texts; CInt gives a number or fails with Type mismatch or Overflow, and a number it
// gives converts back to itself.
#include "FuzzSupport.h"
#include "core/Ini.h"
#include "core/RuntimeError.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string delimiter = in.ConsumeRandomLengthString(4);
    const std::string part = in.PickValueInArray({"F", "B", "f", "", "X"});
    const std::string text = in.ConsumeRemainingBytesAsString();

    const std::string piece = quorrel::SplitString(text, delimiter, part);
    const size_t at = delimiter.empty() ? std::string::npos : text.find(delimiter);
    if (text.empty()) {
        FUZZ_CHECK(piece == "Err5", "empty text");
    } else if (at == std::string::npos) {
        FUZZ_CHECK(piece == "Err2", "no delimiter");
    } else if (part == "F") {
        FUZZ_CHECK(piece == (at == 0 ? "Err3" : text.substr(0, at)), "the front piece");
    } else if (part == "B") {
        FUZZ_CHECK(piece == (at + 1 == text.size() ? "Err4" : text.substr(at + 1)),
                   "the back piece");
    } else {
        FUZZ_CHECK(piece == "Err1", "an unknown part");
    }

    try {
        const short n = quorrel::CInt(text);
        FUZZ_CHECK(quorrel::CInt(std::to_string(n)) == n, "a number converts back to itself");
        FUZZ_CHECK(quorrel::CInt(" " + std::to_string(n) + " ") == n, "blanks around are allowed");
    } catch (const quorrel::RuntimeError& e) {
        FUZZ_CHECK(e.number == quorrel::ErrTypeMismatch || e.number == quorrel::ErrOverflow,
                   "CInt fails only with Type mismatch or Overflow");
    }
    return 0;
}
