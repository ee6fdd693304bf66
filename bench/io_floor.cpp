// The least work a conversion's files need: read each input as often as the conversion
// reads it, from start to end, and write files of the sizes the conversion wrote.
// bench/run.sh times this beside the conversion itself.
//
//   dovrex-io-floor [--read FILE COUNT]... [--write FILE BYTES]...

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t kChunk = 64 * 1024;

bool ReadThrough(const char* path, std::vector<char>& buffer) {
    FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    while (std::fread(buffer.data(), 1, buffer.size(), f) == buffer.size()) {
    }
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

bool WriteBytes(const char* path, unsigned long long bytes, const std::vector<char>& buffer) {
    FILE* f = std::fopen(path, "wb");
    if (f == nullptr) return false;
    bool ok = true;
    while (ok && bytes > 0) {
        const size_t n = bytes < buffer.size() ? static_cast<size_t>(bytes) : buffer.size();
        ok = std::fwrite(buffer.data(), 1, n, f) == n;
        bytes -= n;
    }
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<char> buffer(kChunk, ' ');
    for (int i = 1; i < argc; i += 3) {
        if (i + 2 >= argc) {
            std::fprintf(stderr, "usage: %s [--read FILE COUNT]... [--write FILE BYTES]...\n", argv[0]);
            return 2;
        }
        const std::string option = argv[i];
        const char* path = argv[i + 1];
        const unsigned long long number = std::strtoull(argv[i + 2], nullptr, 10);
        bool ok = true;
        if (option == "--read") {
            for (unsigned long long n = 0; ok && n < number; ++n) ok = ReadThrough(path, buffer);
        } else if (option == "--write") {
            ok = WriteBytes(path, number, buffer);
        } else {
            std::fprintf(stderr, "%s: unknown option %s\n", argv[0], option.c_str());
            return 2;
        }
        if (!ok) {
            std::fprintf(stderr, "%s: %s\n", path, std::strerror(errno));
            return 1;
        }
    }
    return 0;
}
