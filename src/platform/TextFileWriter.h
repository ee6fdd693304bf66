#pragma once

#include "BinaryFile.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace dovrex {

// Writes a text file front to back through a buffer, so that a file of many short lines
// costs few system calls. Write errors are raised, at the latest by Close.
class TextFileWriter {
public:
    TextFileWriter() = default;
    // Writes what is buffered and closes the file, without reporting a failure; callers
    // that must know call Close.
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Replaces the file's content (append false) or adds to its end, creating a missing
    // file either way. Raises the runtime error of a file that cannot be opened.
    void Open(const std::string& path, bool append);
    void Write(std::string_view text);
    // Writes what is buffered and closes the file; raises on a write failure.
    void Close();
    bool IsOpen() const { return mFile.IsOpen(); }

private:
    void Flush();

    BinaryFile mFile;
    std::string mPending;
};

} // namespace dovrex
