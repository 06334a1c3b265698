#include "core/RuntimeError.h"

#include <cerrno>

namespace quorrel {

std::string DescriptionOf(int number) {
    switch (number) {
    case ErrInvalidCall:
        return "Invalid procedure call or argument";
    case ErrOverflow:
        return "Overflow";
    case ErrTypeMismatch:
        return "Type mismatch";
    case ErrBadFileName:
        return "Bad file name or number";
    case ErrFileNotFound:
        return "File not found";
    case ErrDeviceIO:
        return "Device I/O error";
    case ErrFileExists:
        return "File already exists";
    case ErrDiskFull:
        return "Disk full";
    case ErrPermissionDenied:
        return "Permission denied";
    case ErrPathFileAccess:
        return "Path/File access error";
    case ErrPathNotFound:
        return "Path not found";
    case ErrInvalidProperty:
        return "Invalid property value";
    default:
        return "Application-defined or object-defined error";
    }
}

RuntimeError::RuntimeError(int number, std::string description)
    : std::runtime_error(std::to_string(number) + " " + description), number(number),
      description(std::move(description)) {}

RuntimeError::RuntimeError(int number) : RuntimeError(number, DescriptionOf(number)) {}

std::string RuntimeError::Message() const {
    return std::to_string(number) + " " + description;
}

// The one place where system errors become run-time errors.
RuntimeError FromErrno(int err, bool missingIsPath) {
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return RuntimeError(missingIsPath ? ErrPathNotFound : ErrFileNotFound);
    // A full disk, a full quota and a file size limit all mean: no room for what is written.
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return RuntimeError(ErrDiskFull);
    case EACCES:
    case EPERM:
    case EROFS:
        return RuntimeError(ErrPermissionDenied);
    case EEXIST:
        return RuntimeError(ErrFileExists);
    case EIO:
        return RuntimeError(ErrDeviceIO);
    case ENAMETOOLONG:
        return RuntimeError(ErrBadFileName,
                            DescriptionOf(ErrBadFileName) + ": the name or path is too long");
    case ELOOP:
        return RuntimeError(ErrPathFileAccess,
                            DescriptionOf(ErrPathFileAccess) + ": a symbolic link is in the way");
    case EBUSY:
    case EISDIR:
    case ENOTEMPTY:
    default:
        return RuntimeError(ErrPathFileAccess);
    }
}

RuntimeError FromErrorCode(const std::error_code& ec, bool missingIsPath) {
    // Win32 codes of the system category map onto errno values through their condition.
    const std::error_condition cond = ec.default_error_condition();
    if (cond.category() == std::generic_category()) return FromErrno(cond.value(), missingIsPath);
    return RuntimeError(ErrPathFileAccess);
}

} // namespace quorrel
