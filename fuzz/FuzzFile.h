#pragma once

// The code under test reads files: the fuzzer's input goes into one per process, in a
// temporary folder that is removed when the process ends normally.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

class FuzzFolderOwner {
public:
    FuzzFolderOwner() {
        std::string pattern = (std::filesystem::temp_directory_path() / "dovrex-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        mPath = pattern;
    }
    ~FuzzFolderOwner() {
        std::error_code ignored;
        std::filesystem::remove_all(mPath, ignored);
    }
    FuzzFolderOwner(const FuzzFolderOwner&) = delete;
    FuzzFolderOwner& operator=(const FuzzFolderOwner&) = delete;
    const std::string& Path() const { return mPath; }

private:
    std::string mPath;
};

inline const std::string& FuzzFolder() {
    static const FuzzFolderOwner folder;
    return folder.Path();
}

inline std::string WriteFuzzFile(const std::string& name, const uint8_t* data, size_t size) {
    const std::string path = FuzzFolder() + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || (size > 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) {
        // A harness fed a half-written file would test the wrong thing.
        std::perror(path.c_str());
        std::abort();
    }
    return path;
}
