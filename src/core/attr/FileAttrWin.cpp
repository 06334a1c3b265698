// The real DOS attributes on Windows.
#include "core/FileAttr.h"

#include "core/RuntimeError.h"

#include <cerrno>

#include <windows.h>

namespace quorrel {

namespace {

void SetAttributes(const std::string& path, DWORD attributes) {
    if (SetFileAttributesA(path.c_str(), attributes)) return;
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
        throw FromErrno(ENOENT, false);
    case ERROR_PATH_NOT_FOUND:
        throw FromErrno(ENOENT, true);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        throw FromErrno(EACCES);
    default:
        throw RuntimeError(ErrPathFileAccess);
    }
}

} // namespace

void SetHidden(const std::string& path) {
    SetAttributes(path, FILE_ATTRIBUTE_HIDDEN);
}

void SetArchiveOnly(const std::string& path) {
    SetAttributes(path, FILE_ATTRIBUTE_ARCHIVE);
}

bool IsHidden(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
}

bool IsReadOnly(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// Copying a file on Windows carries its attributes along already.
void CopyAttributes(const std::string&, const std::string&) {}

} // namespace quorrel
