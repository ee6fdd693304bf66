#pragma once

#include <stdexcept>
#include <string>

namespace dovrex {

// Error numbers of the old runtime; descriptions travel with them so that
// callers can show exactly the text the user used to see.
enum ErrorNumber : int {
    ErrInvalidCall = 5,
    ErrOverflow = 6,
    ErrSubscript = 9,
    ErrTypeMismatch = 13,
    ErrBadFileNumber = 52,
    ErrFileNotFound = 53,
    ErrBadFileMode = 54,
    ErrDeviceIO = 57,
    ErrDiskFull = 61,
    ErrInputPastEnd = 62,
    ErrPermissionDenied = 70,
    ErrPathFileAccess = 75,
    ErrPathNotFound = 76,
    ErrBadRecordLength = 59,
    ErrBadFileFormat = 321,
    ErrDuplicateKey = 457,
};

// An error that is "raised": it carries a number and the description shown to the user.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const std::string& description);
    explicit RuntimeError(int number);

    int Number() const noexcept { return mNumber; }
    const std::string& Description() const noexcept { return mDescription; }

    // The runtime's standard description of an error number ("Overflow", "File not found", ...).
    static std::string StandardDescription(int number);

private:
    int mNumber;
    std::string mDescription;
};

[[noreturn]] void RaiseError(int number);
[[noreturn]] void RaiseError(int number, const std::string& description);

// The error number and description that match an errno value of a failed file operation.
int ErrorNumberFromErrno(int err);
RuntimeError FileError(int err, const std::string& path);

// The description of any exception, for the places that report failures to the user.
std::string DescribeException(const std::exception& e);

} // namespace dovrex
