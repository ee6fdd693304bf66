#pragma once

#include <cstdint>

#include <signal.h>
#include <sys/resource.h>

namespace dovrex::test {

// A full disk, for proving that write errors reach the caller: while it lives, no file of
// this process can grow past the limit, and a write beyond it fails with EFBIG (the signal
// that would otherwise end the process is ignored meanwhile). Keep its scope to the writes:
// test output written to a bigger file would fail too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct rlimit mOldLimit {};
    struct sigaction mOldAction {};
};

} // namespace dovrex::test
