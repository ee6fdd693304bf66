#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dovrex {

// A file read and written at byte offsets. Owns its descriptor; closing is automatic.
class BinaryFile {
public:
    BinaryFile() = default;
    ~BinaryFile();
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;
    BinaryFile(BinaryFile&& other) noexcept;
    BinaryFile& operator=(BinaryFile&& other) noexcept;

    // Opens an existing file read-only; returns 0 or the runtime error number.
    int OpenRead(const std::string& path);
    // Creates (truncating) a file for reading and writing; returns 0 or the error number.
    int Create(const std::string& path);
    // Opens for appending; the file is created when missing. Returns 0 or the error number.
    int OpenAppend(const std::string& path);

    bool IsOpen() const { return mFd >= 0; }
    // Closes the file; an error that closing reports is ignored (see CloseWritten).
    void Close();
    // Closes a file that was written and raises the error that closing reports: a write
    // the system had put off (on a network drive, say) that failed.
    void CloseWritten();

    // Reads up to size bytes at offset; returns the bytes actually read (short at end of file).
    std::string ReadAt(uint64_t offset, size_t size) const;
    // The same into out, whose storage is reused from call to call; after an error its
    // content is unspecified.
    void ReadAt(uint64_t offset, size_t size, std::string& out) const;
    // The same into size bytes at out; returns the bytes actually read.
    size_t ReadInto(uint64_t offset, char* out, size_t size) const;
    // Writes all bytes at offset; raises the matching runtime error on failure.
    void WriteAt(uint64_t offset, std::string_view data);
    // Appends at the end of the file (files opened with OpenAppend or Create).
    void Append(std::string_view data);
    uint64_t Length() const;
    const std::string& Path() const { return mPath; }

private:
    int mFd = -1;
    std::string mPath;
};

// Whole-file helpers. ReadWholeFile raises a runtime error when the file cannot be read.
std::string ReadWholeFile(const std::string& path);
// Replaces the whole file atomically (see AtomicFile.h); raises the runtime error of a failure.
void WriteWholeFile(const std::string& path, std::string_view data);
bool FileExists(const std::string& path);
bool DeleteFile(const std::string& path);
// The length in bytes of an existing file; raises the runtime error when it cannot be read.
uint64_t FileLength(const std::string& path);

} // namespace dovrex
