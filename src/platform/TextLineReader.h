#pragma once

#include "BinaryFile.h"

#include <cstdint>
#include <cstring>
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
    // The buffer holds at least LineSlack readable bytes past the line's end, so that a
    // caller may copy a short piece of the line in one fixed-size move.
    static constexpr size_t LineSlack = 32;
    bool ReadLine(std::string_view& line) { return ReadLineInBuffer(line) || ReadLineAcrossFill(line); }
    // ReadLine of a line that ends well inside the buffer, which most do: the terminator and
    // whatever follows it (a line feed after a carriage return) are there already. False,
    // with nothing read, for any other line.
    bool ReadLineInBuffer(std::string_view& line) {
        const char* start = mBuffer.data() + mBufferPos;
        const size_t available = mFilled - mBufferPos;
        if (available == 0) return false;
        const void* found = std::memchr(start, mTerminator, available);
        if (found == nullptr) return false;
        const size_t length = static_cast<size_t>(static_cast<const char*>(found) - start);
        if (length + 1 >= available) return false;
        line = std::string_view(start, length);
        const size_t consumed = length + 1 + (!mUnixLines && start[length + 1] == '\n' ? 1 : 0);
        mPosition += consumed;
        mBufferPos += consumed;
        return true;
    }

    // ReadLineInBuffer of a line known to be length bytes long (read so before), taken as it
    // stands where the buffer holds a terminator just past that length. False, with nothing
    // read, where it does not.
    bool ReadLineOfLength(size_t length, std::string_view& line) {
        if (!HoldsLineOfLength(length)) return false;
        const char* start = mBuffer.data() + mBufferPos;
        line = std::string_view(start, length);
        const size_t consumed = length + 1 + (!mUnixLines && start[length + 1] == '\n' ? 1 : 0);
        mPosition += consumed;
        mBufferPos += consumed;
        return true;
    }

    // Whether ReadLineOfLength(length) would take the line from the buffer as it stands:
    // then the lines handed out before stay valid through that read.
    bool HoldsLineOfLength(size_t length) const {
        const size_t available = mFilled - mBufferPos;
        // What follows the terminator (a line feed after a carriage return) is there too.
        return length + 1 < available && mBuffer[mBufferPos + length] == mTerminator;
    }

    // From now on, notes whether a NUL byte is read from the file: until one is, no line
    // handed out holds one. Called after Open, before the first read (a call later counts
    // the bytes already passed as holding one).
    void WatchForNul();
    bool NulRead() const { return mNulRead; }
    // Whether the reader watches for a NUL byte and none has been read: no line handed out
    // since Open holds one.
    bool WithoutNul() const { return mWatchNul && !mNulRead; }
    // As WatchForNul, for one more byte (a character that a caller has to mend, say).
    void WatchForByte(char Byte);
    bool ByteRead() const { return mByteRead; }

    // Bytes consumed so far, and the file's length.
    uint64_t Position() const { return mPosition; }
    uint64_t Length() const { return mLength; }

private:
    bool Fill();
    // ReadLine of a line that the buffer does not hold whole, with its terminator's end.
    bool ReadLineAcrossFill(std::string_view& line);

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
    bool mWatchNul = false;
    bool mNulRead = false;
    bool mWatchByte = false;
    bool mByteRead = false;
    char mWatchedByte = '\0';
    char mTerminator = '\r';
};

} // namespace dovrex
