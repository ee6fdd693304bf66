#pragma once

#include "BinaryFile.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace dovrex {

// Reads a text file line by line, streaming. A line ends at a carriage return or a
// carriage return plus line feed; a lone line feed stays inside the line. A file with
// no carriage return at all is a Unix text file: there a line feed ends the line.
// A final terminator does not start another (empty) line.
class TextLineReader {
public:
    // Returns 0 or the runtime error number.
    int Open(const std::string& path);
    void Close();
    bool IsOpen() const { return mFile.IsOpen(); }

    // False at end of file.
    bool ReadLine(std::string& line);
    // As ReadLine, as a view of the reader's own buffer: valid until the next read or Close.
    bool ReadLine(std::string_view& line);

    // Bytes consumed so far, and the file's length.
    uint64_t Position() const { return mPosition; }
    uint64_t Length() const { return mLength; }

private:
    bool Fill();

    BinaryFile mFile;
    // Read but not yet handed out: mBuffer[mBufferPos, mFilled). The buffer keeps its size
    // from fill to fill, so that reading needs neither new storage nor a copy.
    std::string mBuffer;
    size_t mBufferPos = 0;
    size_t mFilled = 0;
    uint64_t mFileOffset = 0; // offset of the next unread byte in the file
    uint64_t mPosition = 0;   // bytes handed out as lines and terminators
    uint64_t mLength = 0;
    bool mUnixLines = false;
};

} // namespace dovrex
