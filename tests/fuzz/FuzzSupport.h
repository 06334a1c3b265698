#pragma once
// What the fuzz targets share: a private scratch folder, whole-file reads and writes that do not
// go through the code under test, and a check that stops the run with a message.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace fuzz {

// A folder of this process's own, emptied by the caller as needed. In memory where there is
// such a file system: every write of the store is flushed to disk, which would slow the runs
// ten times over.
inline const std::string& Scratch() {
    static const std::string dir = [] {
        std::error_code ec;
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0
                ? std::filesystem::path("/dev/shm")
                : std::filesystem::temp_directory_path();
        std::string t = (base / "quorrel-fuzz.XXXXXX").string();
        if (!mkdtemp(t.data())) std::abort();
        return t;
    }();
    static const bool removedAtExit = std::atexit([] {
                                          std::error_code ec;
                                          std::filesystem::remove_all(Scratch(), ec);
                                      }) == 0;
    (void)removedAtExit;
    return dir;
}

inline void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A file whose every line ends in CR LF and holds no other CR or LF: the files the program
// writes, and what a text editor leaves.
inline bool WellFormed(const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && (i + 1 >= s.size() || s[i + 1] != '\n')) return false;
        if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) return false;
    }
    return true;
}

#define FUZZ_CHECK(cond, what)                                                                     \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "property broken: %s (%s)\n", what, #cond);                       \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

} // namespace fuzz
