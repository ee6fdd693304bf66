#include "AtomicFile.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dovrex {

namespace {

// A program that dies releases its lock; one that hangs must not hang us as well.
constexpr auto kLockTimeout = std::chrono::seconds(10);

std::string SystemText(int err) { return std::generic_category().message(err); }

FileStamp StampFrom(const struct stat& info) {
    FileStamp stamp;
    stamp.Exists = true;
    stamp.Device = static_cast<uint64_t>(info.st_dev);
    stamp.Inode = static_cast<uint64_t>(info.st_ino);
    stamp.Size = static_cast<uint64_t>(info.st_size);
    stamp.ModifiedNs = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.ChangedNs = static_cast<int64_t>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    return stamp;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : mFd(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return mFd; }
    // 0 or the errno that closing reports (a write the system had deferred).
    int Close() {
        if (mFd < 0) return 0;
        return ::close(std::exchange(mFd, -1)) == 0 ? 0 : errno;
    }

private:
    int mFd;
};

// 0 or errno.
int WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (written == 0) return EIO;
        data.remove_prefix(static_cast<size_t>(written));
    }
    return 0;
}

// An exclusive lock on a lock file, held while it lives. The lock file is never removed:
// removing it would let two programs lock different files.
class FileLock {
public:
    explicit FileLock(const std::string& lockPath)
        : mFile(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (mFile.Get() < 0) {
            mError = errno;
            return;
        }
        const auto deadline = std::chrono::steady_clock::now() + kLockTimeout;
        while (::flock(mFile.Get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                mError = errno;
                return;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                mError = EWOULDBLOCK;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    // 0 when locked.
    int Error() const { return mError; }

private:
    FileDescriptor mFile;
    int mError = 0;
};

} // namespace

FileStamp FileStamp::Of(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? StampFrom(info) : FileStamp{};
}

FileContent ReadFileContent(const std::string& path, uint64_t maxSize) {
    FileContent content;
    auto fail = [&content](int err, std::string reason) {
        content.Error = err;
        content.Reason = std::move(reason);
        content.Bytes.clear();
        return std::move(content);
    };
    // Without O_NONBLOCK a fifo would block the open until some program writes to it.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0) {
        if (errno == ENOENT) return content;
        return fail(errno, SystemText(errno));
    }
    content.Exists = true;
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) return fail(errno, SystemText(errno));
    if (S_ISDIR(info.st_mode)) return fail(EISDIR, SystemText(EISDIR));
    if (!S_ISREG(info.st_mode)) return fail(EINVAL, "not a regular file");
    if (static_cast<uint64_t>(info.st_size) > maxSize) return fail(EFBIG, SystemText(EFBIG));
    content.Stamp = StampFrom(info);
    content.Bytes.reserve(static_cast<size_t>(info.st_size));
    char buffer[65536];
    while (true) {
        const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            return fail(errno, SystemText(errno));
        }
        content.Bytes.append(buffer, static_cast<size_t>(got));
        if (content.Bytes.size() > maxSize) return fail(EFBIG, SystemText(EFBIG));
    }
    return content;
}

int ReplaceFileContent(const std::string& path, std::string_view content, unsigned mode) {
    // One name per process: a leftover from a crash is simply replaced.
    const std::string temporary = path + ".tmp" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode)));
    if (file.Get() < 0) return errno;
    int error = WriteAll(file.Get(), content);
    if (error == 0 && ::fsync(file.Get()) != 0) error = errno;
    if (const int closed = file.Close(); error == 0) error = closed;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return error;
    }
    // The rename itself becomes durable with the folder; not every file system can say so.
    const std::string folder = std::filesystem::path(path).parent_path().string();
    FileDescriptor directory(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Get() >= 0) ::fsync(directory.Get());
    return 0;
}

int MakeParentFolders(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (parent.empty()) return 0;
    std::filesystem::path partial;
    for (const auto& piece : parent) {
        partial /= piece;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    }
    struct stat info {};
    if (::stat(parent.c_str(), &info) != 0) return errno;
    return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}

FileUpdate UpdateFileLocked(const std::string& path, uint64_t maxSize, unsigned mode, const FileChange& change) {
    FileUpdate update;
    auto fail = [&update](FileUpdate::Step step, int err, std::string reason) {
        update.FailedAt = step;
        update.Error = err;
        update.Reason = std::move(reason);
        return std::move(update);
    };
    if (const int err = MakeParentFolders(path)) return fail(FileUpdate::Folder, err, SystemText(err));
    const FileLock lock(path + ".lock");
    if (const int err = lock.Error()) {
        return fail(FileUpdate::Lock, err, err == EWOULDBLOCK ? "another program keeps it locked" : SystemText(err));
    }
    // Change what is in the file now, not what the caller read earlier, so that other
    // programs' saves since then are kept.
    const FileContent current = ReadFileContent(path, maxSize);
    if (!current.Readable()) return fail(FileUpdate::Read, current.Error, current.Reason);
    update.Stamp = current.Stamp;
    const std::optional<std::string> next = change(current);
    if (!next) return update;
    if (const int err = ReplaceFileContent(path, *next, mode)) return fail(FileUpdate::Save, err, SystemText(err));
    update.Stamp = FileStamp::Of(path);
    return update;
}

} // namespace dovrex
