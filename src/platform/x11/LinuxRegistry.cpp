#include "LinuxRegistry.h"

#include "core/TextFile.h"

#include <QCoreApplication>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace quorrel {

namespace {

constexpr long kSuccess = 0;
constexpr long kNotFound = 2;   // ERROR_FILE_NOT_FOUND
constexpr long kBadHandle = 6;  // ERROR_INVALID_HANDLE
constexpr long kMoreData = 234; // ERROR_MORE_DATA

// The two keys we answer for, as handle values.
constexpr Registry::HKEY kToolKey = 0x5101;
constexpr Registry::HKEY kLocationKey = 0x5102;

// Registry names compare without regard to letter case.
bool SameName(const std::string& a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string FindOnPath(const std::string& searchPath, const std::string& name) {
    size_t start = 0;
    while (start <= searchPath.size()) {
        size_t end = searchPath.find(':', start);
        if (end == std::string::npos) end = searchPath.size();
        std::string dir = searchPath.substr(start, end - start);
        if (!dir.empty()) {
            const std::string candidate = dir + "/" + name;
            if (FileExists(candidate) && ::access(candidate.c_str(), X_OK) == 0) return candidate;
        }
        start = end + 1;
    }
    return {};
}

// A text value as the registry hands it out: the bytes and a final zero byte.
long Answer(const std::string& text, unsigned long* type, unsigned char* buffer,
            unsigned long* size) {
    const unsigned long needed = static_cast<unsigned long>(text.size() + 1);
    if (type) *type = Registry::REG_SZ;
    if (!buffer) {
        if (size) *size = needed;
        return kSuccess;
    }
    if (!size) return kBadHandle;
    if (*size < needed) {
        *size = needed;
        return kMoreData;
    }
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    *size = needed;
    return kSuccess;
}

} // namespace

LinuxRegistry::LinuxRegistry()
    : searchPath_(std::getenv("PATH") ? std::getenv("PATH") : ""),
      toolFolders_{QCoreApplication::applicationDirPath().toStdString()} {}

LinuxRegistry::LinuxRegistry(std::string searchPath, std::vector<std::string> toolFolders)
    : searchPath_(std::move(searchPath)), toolFolders_(std::move(toolFolders)) {}

const std::vector<std::string>& LinuxRegistry::Tools() {
    static const std::vector<std::string> tools = {
        "gnome-system-monitor",
        "mate-system-monitor",
        "plasma-systemmonitor",
        "ksysguard",
        "xfce4-taskmanager",
        "hardinfo",
        "lxtask",
    };
    return tools;
}

long LinuxRegistry::RegOpenKeyExA(HKEY root, const std::string& subKey, unsigned long,
                                  unsigned long, HKEY* result) {
    if (root != HKEY_LOCAL_MACHINE || !result) return kNotFound;
    if (SameName(subKey, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO")) {
        *result = kToolKey;
        return kSuccess;
    }
    if (SameName(subKey, "SOFTWARE\\Microsoft\\Shared Tools Location")) {
        *result = kLocationKey;
        return kSuccess;
    }
    return kNotFound;
}

long LinuxRegistry::RegQueryValueExA(HKEY key, const std::string& valueName, unsigned long* type,
                                     unsigned char* buffer, unsigned long* size) {
    if (key == kToolKey) {
        if (!SameName(valueName, "PATH")) return kNotFound;
        for (const std::string& tool : Tools()) {
            const std::string path = FindOnPath(searchPath_, tool);
            if (!path.empty()) return Answer(path, type, buffer, size);
        }
        return kNotFound;
    }
    if (key == kLocationKey) {
        if (!SameName(valueName, "MSINFO")) return kNotFound;
        for (const std::string& folder : toolFolders_)
            if (!folder.empty() && FileExists(folder + "/MSINFO32.EXE"))
                return Answer(folder, type, buffer, size);
        return kNotFound;
    }
    return kBadHandle;
}

long LinuxRegistry::RegCloseKey(HKEY key) {
    return key == kToolKey || key == kLocationKey ? kSuccess : kBadHandle;
}

} // namespace quorrel
