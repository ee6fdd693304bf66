#pragma once

// Whole-file saves that no reader, crash or second program ever sees half done: the new
// content goes to a temporary file beside the old one, is flushed to the disk and renamed
// over it. A file that several programs change (the settings store) is read, changed and
// saved under a lock, so that no program undoes another's save.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace dovrex {

// What the file system says of a file; equal stamps mean it was neither replaced nor changed.
struct FileStamp {
    bool Exists = false;
    uint64_t Device = 0, Inode = 0, Size = 0;
    int64_t ModifiedNs = 0, ChangedNs = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;

    // The file's stamp now; one that does not exist (or cannot be examined) has Exists false.
    static FileStamp Of(const std::string& path);
};

// A whole file as read at one moment.
struct FileContent {
    bool Exists = false; // a missing file is no error: it reads as not existing
    int Error = 0;       // errno of a failed reading, 0 when read or missing
    std::string Reason;  // the failure in the system's words, empty without one
    std::string Bytes;
    FileStamp Stamp;     // of the file that was read
    bool Readable() const { return Error == 0; }
};

// Reads a regular file whole. A folder, a special file (which might block or never end) and
// a file bigger than maxSize cannot be read.
FileContent ReadFileContent(const std::string& path, uint64_t maxSize);

// Makes content the whole file at path. A new file gets mode (less the umask); the folder
// must exist. 0 on success, else the errno of the step that failed, the file at path being
// then untouched and no temporary file left.
int ReplaceFileContent(const std::string& path, std::string_view content, unsigned mode);

// Creates the missing folders above path for the owner only; 0 or errno.
int MakeParentFolders(const std::string& path);

// The outcome of UpdateFileLocked.
struct FileUpdate {
    enum Step { Done, Folder, Lock, Read, Save };
    Step FailedAt = Done;
    int Error = 0;      // errno of the failed step
    std::string Reason; // the failure in the system's words
    FileStamp Stamp;    // of the file as it is after the update (read, or saved)
    bool Ok() const { return FailedAt == Done; }
};

// What the file becomes, given what it holds now: new content, or nothing to leave it alone.
using FileChange = std::function<std::optional<std::string>(const FileContent& current)>;

// One read-change-save cycle of a file shared between programs. Missing folders are created;
// then, holding an exclusive lock on "<path>.lock" (given up after ten seconds of waiting),
// the file is read afresh, change sees what it holds now, and what change returns is saved
// as ReplaceFileContent does. A file that exists but cannot be read is never replaced:
// change is not called and the update fails at Read.
FileUpdate UpdateFileLocked(const std::string& path, uint64_t maxSize, unsigned mode, const FileChange& change);

} // namespace dovrex
