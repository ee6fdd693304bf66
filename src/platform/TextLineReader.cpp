#include "TextLineReader.h"

#include <cstring>

namespace dovrex {

namespace {
constexpr size_t kChunk = 1 << 16;
}

int TextLineReader::Open(const std::string& path) {
    Close();
    if (const int status = mFile.OpenRead(path); status != 0) return status;
    mLength = mFile.Length();
    // Decide the line convention once: any carriage return means CR / CR LF lines.
    mUnixLines = true;
    for (uint64_t offset = 0; offset < mLength; offset += kChunk) {
        const std::string chunk = mFile.ReadAt(offset, kChunk);
        if (chunk.empty()) break;
        if (std::memchr(chunk.data(), '\r', chunk.size()) != nullptr) {
            mUnixLines = false;
            break;
        }
    }
    return 0;
}

void TextLineReader::Close() {
    mFile.Close();
    mBuffer.clear();
    mBufferPos = 0;
    mFileOffset = 0;
    mPosition = 0;
    mLength = 0;
}

bool TextLineReader::Fill() {
    if (mBufferPos > 0) {
        mBuffer.erase(0, mBufferPos);
        mBufferPos = 0;
    }
    const std::string chunk = mFile.ReadAt(mFileOffset, kChunk);
    if (chunk.empty()) return false;
    mFileOffset += chunk.size();
    mBuffer += chunk;
    return true;
}

bool TextLineReader::ReadLine(std::string& line) {
    line.clear();
    if (!mFile.IsOpen()) return false;
    const char terminator = mUnixLines ? '\n' : '\r';
    // Offsets below are relative to mBufferPos, which Fill() may move when it compacts.
    size_t scanned = 0;
    for (;;) {
        const size_t available = mBuffer.size() - mBufferPos;
        const char* start = mBuffer.data() + mBufferPos;
        const void* found = std::memchr(start + scanned, terminator, available - scanned);
        if (found == nullptr) {
            scanned = available;
            if (Fill()) continue;
            if (available == 0) return false;
            line.assign(mBuffer, mBufferPos, available);
            mPosition += available;
            mBufferPos = mBuffer.size();
            return true;
        }
        const size_t length = static_cast<size_t>(static_cast<const char*>(found) - start);
        // A CR at the end of the buffer may be the first half of CR LF: read on before deciding.
        if (!mUnixLines && length + 1 == available && Fill()) {
            scanned = length;
            continue;
        }
        line.assign(mBuffer, mBufferPos, length);
        size_t consumed = length + 1;
        if (!mUnixLines && mBufferPos + consumed < mBuffer.size() && mBuffer[mBufferPos + consumed] == '\n') ++consumed;
        mPosition += consumed;
        mBufferPos += consumed;
        return true;
    }
}

} // namespace dovrex
