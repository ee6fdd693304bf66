#include "FileSizeLimit.h"

#include <stdexcept>

namespace dovrex::test {

FileSizeLimit::FileSizeLimit(uint64_t bytes) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &mOldAction);
    ::getrlimit(RLIMIT_FSIZE, &mOldLimit);
    struct rlimit limit = mOldLimit;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
        ::sigaction(SIGXFSZ, &mOldAction, nullptr);
        throw std::runtime_error("cannot limit the file size");
    }
}

FileSizeLimit::~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &mOldLimit);
    ::sigaction(SIGXFSZ, &mOldAction, nullptr);
}

} // namespace dovrex::test
