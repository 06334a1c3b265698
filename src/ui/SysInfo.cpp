#include "SysInfo.h"

#include "core/Paths.h"
#include "core/RuntimeError.h"
#include "core/TextFile.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <vector>

namespace quorrel {

namespace {

constexpr unsigned long kAccess = 0x2003F; // KEY_ALL_ACCESS without delete and write DAC/owner
constexpr unsigned long kBufferSize = 1024;

// Closes the key on every way out, the error raised for an empty value included.
struct KeyCloser {
    Registry& registry;
    Registry::HKEY key;
    ~KeyCloser() { registry.RegCloseKey(key); }
};

} // namespace

bool GetKeyValue(Registry& registry, Registry::HKEY root, const std::string& keyPath,
                 const std::string& valueName, std::string& output) {
    Registry::HKEY key = 0;
    if (registry.RegOpenKeyExA(root, keyPath, 0, kAccess, &key) != 0) {
        output.clear();
        return false;
    }
    KeyCloser closer{registry, key};

    std::vector<unsigned char> buffer(kBufferSize, 0);
    unsigned long size = kBufferSize;
    unsigned long type = 0;
    if (registry.RegQueryValueExA(key, valueName, &type, buffer.data(), &size) != 0) {
        output.clear();
        return false;
    }

    // A registry that reports more than it could have written gets no trust beyond the buffer.
    std::string value(reinterpret_cast<const char*>(buffer.data()),
                      std::min<unsigned long>(size, kBufferSize));
    if (value.empty()) throw RuntimeError(ErrInvalidCall); // there is no last byte to look at
    if (value.back() == '\0') value.pop_back();

    if (type == Registry::REG_SZ) {
        output = value;
    } else if (type == Registry::REG_DWORD) {
        // The number's bytes, most significant first.
        std::string hex = "&h";
        for (auto it = value.rbegin(); it != value.rend(); ++it) {
            char digits[3];
            std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(*it));
            hex += digits;
        }
        output = hex;
    }
    return true;
}

void StartSysInfo(Context& ctx) {
    try {
        std::string path;
        if (!GetKeyValue(ctx.registry, Registry::HKEY_LOCAL_MACHINE, kSysInfoKey, kSysInfoValue,
                         path)) {
            std::string folder;
            if (!GetKeyValue(ctx.registry, Registry::HKEY_LOCAL_MACHINE, kSysInfoFolderKey,
                             kSysInfoFolderValue, folder))
                throw RuntimeError(ErrFileNotFound);
            path = folder + P("\\MSINFO32.EXE");
            if (!FileExists(path)) throw RuntimeError(ErrFileNotFound);
        }
        // An empty path (a value of another type) cannot be started.
        if (!path.empty() && ctx.starter.Start(path)) return;
    } catch (const std::exception&) {
        // Whatever went wrong, the user hears the same.
    }
    ctx.messages.Show(QString::fromLatin1(kSysInfoUnavailable));
}

} // namespace quorrel
