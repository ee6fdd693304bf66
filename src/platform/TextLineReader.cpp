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
    size_t scanFrom = mBufferPos;
    for (;;) {
        const char* start = mBuffer.data() + scanFrom;
        const void* found = std::memchr(start, terminator, mBuffer.size() - scanFrom);
        if (found != nullptr) {
            const size_t end = static_cast<const char*>(found) - mBuffer.data();
            // A CR LF pair: make sure the byte after the CR is present before deciding.
            if (!mUnixLines && end + 1 >= mBuffer.size()) {
                const size_t keep = end - mBufferPos;
                if (Fill()) {
                    scanFrom = mBufferPos + keep;
                    continue;
                }
            }
            line.assign(mBuffer, mBufferPos, end - mBufferPos);
            size_t next = end + 1;
            if (!mUnixLines && next < mBuffer.size() && mBuffer[next] == '\n') ++next;
            if (mUnixLines && !line.empty() && line.back() == '\r') line.pop_back();
            mPosition += next - mBufferPos;
            mBufferPos = next;
            return true;
        }
        const size_t scanned = mBuffer.size() - mBufferPos;
        if (!Fill()) {
            if (scanned == 0) return false;
            line.assign(mBuffer, mBufferPos, scanned);
            mPosition += scanned;
            mBufferPos = mBuffer.size();
            return true;
        }
        scanFrom = mBufferPos + scanned;
    }
}

} // namespace dovrex
