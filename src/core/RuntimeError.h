#pragma once
// A failure of a command: the classic run-time error number and its description.
#include <stdexcept>
#include <string>
#include <system_error>

namespace quorrel {

// The run-time error numbers the program uses.
enum ErrNo : int {
    ErrInvalidCall = 5,
    ErrOverflow = 6,
    ErrTypeMismatch = 13,
    ErrBadFileName = 52,
    ErrFileNotFound = 53,
    ErrDeviceIO = 57,
    ErrFileExists = 58,
    ErrDiskFull = 61,
    ErrPermissionDenied = 70,
    ErrPathFileAccess = 75,
    ErrPathNotFound = 76,
    ErrInvalidProperty = 380,
};

class RuntimeError : public std::runtime_error {
  public:
    RuntimeError(int number, std::string description);
    explicit RuntimeError(int number); // with the standard description
    int number;
    std::string description;
    // "number description", as every error trap shows it.
    std::string Message() const;
};

// The standard description of an error number ("Overflow", "Path not found", ...).
std::string DescriptionOf(int number);

// Maps a system error (errno value) met while working on a file or a folder onto a run-time
// error. `onFolder` tells a missing folder (76) from a missing file (53).
RuntimeError FromErrno(int err, bool missingIsPath = true);
RuntimeError FromErrorCode(const std::error_code& ec, bool missingIsPath = true);

} // namespace quorrel
