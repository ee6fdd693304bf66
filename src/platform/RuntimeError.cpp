#include "RuntimeError.h"

#include <cerrno>

namespace dovrex {

RuntimeError::RuntimeError(int number, const std::string& description)
    : std::runtime_error(description), mNumber(number), mDescription(description) {}

RuntimeError::RuntimeError(int number) : RuntimeError(number, StandardDescription(number)) {}

std::string RuntimeError::StandardDescription(int number) {
    switch (number) {
    case ErrInvalidCall: return "Invalid procedure call or argument";
    case ErrOverflow: return "Overflow";
    case ErrSubscript: return "Subscript out of range";
    case ErrTypeMismatch: return "Type mismatch";
    case ErrBadFileNumber: return "Bad file name or number";
    case ErrFileNotFound: return "File not found";
    case ErrBadFileMode: return "Bad file mode";
    case ErrDeviceIO: return "Device I/O error";
    case ErrBadRecordLength: return "Bad record length";
    case ErrDiskFull: return "Disk full";
    case ErrInputPastEnd: return "Input past end of file";
    case ErrPermissionDenied: return "Permission denied";
    case ErrPathFileAccess: return "Path/File access error";
    case ErrPathNotFound: return "Path not found";
    case ErrBadFileFormat: return "Invalid file format";
    case ErrDuplicateKey: return "This key is already associated with an element of this collection";
    default: return "Application-defined or object-defined error";
    }
}

void RaiseError(int number) { throw RuntimeError(number); }

void RaiseError(int number, const std::string& description) { throw RuntimeError(number, description); }

int ErrorNumberFromErrno(int err) {
    switch (err) {
    case ENOENT: return ErrFileNotFound;
    case ENOTDIR: return ErrPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return ErrPermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ErrDiskFull; // the file may not grow: to the user, a full disk
    case EIO: return ErrDeviceIO;
    default: return ErrPathFileAccess;
    }
}

RuntimeError FileError(int err, const std::string& path) {
    const int number = ErrorNumberFromErrno(err);
    std::string text = RuntimeError::StandardDescription(number);
    if (!path.empty()) text += " (" + path + ")";
    return RuntimeError(number, text);
}

std::string DescribeException(const std::exception& e) {
    if (auto* re = dynamic_cast<const RuntimeError*>(&e)) return re->Description();
    if (dynamic_cast<const std::bad_alloc*>(&e)) return "Out of memory";
    return e.what();
}

} // namespace dovrex
