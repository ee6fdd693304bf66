#include "BinaryFile.h"

#include "AtomicFile.h"
#include "RuntimeError.h"

#include <cerrno>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dovrex {

BinaryFile::~BinaryFile() { Close(); }

BinaryFile::BinaryFile(BinaryFile&& other) noexcept : mFd(other.mFd), mPath(std::move(other.mPath)) {
    other.mFd = -1;
}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
    if (this != &other) {
        Close();
        mFd = other.mFd;
        mPath = std::move(other.mPath);
        other.mFd = -1;
    }
    return *this;
}

namespace {

int OpenWith(const std::string& path, int flags, int& fd) {
    if (path.empty()) return ErrBadFileNumber;
    fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) return ErrorNumberFromErrno(errno);
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        fd = -1;
        return ErrPathFileAccess;
    }
    return 0;
}

} // namespace

int BinaryFile::OpenRead(const std::string& path) {
    Close();
    const int status = OpenWith(path, O_RDONLY, mFd);
    if (status == 0) mPath = path;
    return status;
}

int BinaryFile::Create(const std::string& path) {
    Close();
    const int status = OpenWith(path, O_RDWR | O_CREAT | O_TRUNC, mFd);
    if (status == 0) mPath = path;
    return status;
}

int BinaryFile::OpenAppend(const std::string& path) {
    Close();
    const int status = OpenWith(path, O_RDWR | O_CREAT | O_APPEND, mFd);
    if (status == 0) mPath = path;
    return status;
}

void BinaryFile::Close() {
    if (mFd >= 0) ::close(mFd);
    mFd = -1;
}

void BinaryFile::CloseWritten() {
    if (mFd < 0) return;
    // The descriptor is released even when close fails (or is interrupted); it must not be
    // closed again.
    if (::close(std::exchange(mFd, -1)) != 0 && errno != EINTR) throw FileError(errno, mPath);
}

std::string BinaryFile::ReadAt(uint64_t offset, size_t size) const {
    std::string buffer;
    ReadAt(offset, size, buffer);
    return buffer;
}

void BinaryFile::ReadAt(uint64_t offset, size_t size, std::string& buffer) const {
    buffer.resize(size);
    buffer.resize(ReadInto(offset, buffer.data(), size));
}

size_t BinaryFile::ReadInto(uint64_t offset, char* out, size_t size) const {
    if (mFd < 0) RaiseError(ErrBadFileNumber);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(mFd, out + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError(errno, mPath);
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

void BinaryFile::WriteAt(uint64_t offset, std::string_view data) {
    if (mFd < 0) RaiseError(ErrBadFileNumber);
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pwrite(mFd, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError(errno, mPath);
        }
        done += static_cast<size_t>(n);
    }
}

void BinaryFile::Append(std::string_view data) {
    if (mFd < 0) RaiseError(ErrBadFileNumber);
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(mFd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError(errno, mPath);
        }
        done += static_cast<size_t>(n);
    }
}

uint64_t BinaryFile::Length() const {
    if (mFd < 0) RaiseError(ErrBadFileNumber);
    struct stat info {};
    if (::fstat(mFd, &info) != 0) throw FileError(errno, mPath);
    return static_cast<uint64_t>(info.st_size);
}

std::string ReadWholeFile(const std::string& path) {
    BinaryFile file;
    if (const int status = file.OpenRead(path); status != 0) {
        throw RuntimeError(status, RuntimeError::StandardDescription(status) + " (" + path + ")");
    }
    return file.ReadAt(0, static_cast<size_t>(file.Length()));
}

void WriteWholeFile(const std::string& path, std::string_view data) {
    if (const int err = ReplaceFileContent(path, data, 0644)) throw FileError(err, path);
}

bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

uint64_t FileLength(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) throw FileError(errno, path);
    return static_cast<uint64_t>(info.st_size);
}

} // namespace dovrex
