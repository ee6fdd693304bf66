#pragma once

// The code under test reads files: the fuzzer's input goes into one per process.

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

inline std::string FuzzFolder() {
    static const std::string folder = [] {
        std::string pattern = "/tmp/dovrex-fuzz-XXXXXX";
        return std::string(mkdtemp(pattern.data()));
    }();
    return folder;
}

inline std::string WriteFuzzFile(const std::string& name, const uint8_t* data, size_t size) {
    const std::string path = FuzzFolder() + "/" + name;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}
