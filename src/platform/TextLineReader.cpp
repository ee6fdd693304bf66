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
    mBuffer.resize(2 * kChunk);
    for (uint64_t offset = 0; offset < mLength; offset += kChunk) {
        const size_t read = mFile.ReadInto(offset, mBuffer.data(), kChunk);
        if (read == 0) break;
        if (std::memchr(mBuffer.data(), '\r', read) != nullptr) {
            mUnixLines = false;
            break;
        }
    }
    mTerminator = mUnixLines ? '\n' : '\r';
    return 0;
}

void TextLineReader::Close() {
    mFile.Close();
    mBufferPos = 0;
    mFilled = 0;
    mFileOffset = 0;
    mPosition = 0;
    mLength = 0;
    mWatchNul = false;
    mNulRead = false;
    mWatchByte = false;
    mByteRead = false;
}

void TextLineReader::WatchForNul() {
    mWatchNul = true;
    mNulRead = mPosition != 0 || std::memchr(mBuffer.data(), '\0', mFilled) != nullptr;
}

void TextLineReader::WatchForByte(char Byte) {
    mWatchByte = true;
    mWatchedByte = Byte;
    mByteRead = mPosition != 0 || std::memchr(mBuffer.data(), static_cast<unsigned char>(Byte), mFilled) != nullptr;
}

bool TextLineReader::Fill() {
    // What is left of the last fill (the start of a line) moves to the front.
    if (mBufferPos > 0) {
        std::memmove(mBuffer.data(), mBuffer.data() + mBufferPos, mFilled - mBufferPos);
        mFilled -= mBufferPos;
        mBufferPos = 0;
    }
    if (mBuffer.size() < mFilled + kChunk + LineSlack) mBuffer.resize(mFilled + kChunk + LineSlack);
    const size_t read = mFile.ReadInto(mFileOffset, mBuffer.data() + mFilled, kChunk);
    if (read == 0) return false;
    if (mWatchNul && !mNulRead) mNulRead = std::memchr(mBuffer.data() + mFilled, '\0', read) != nullptr;
    if (mWatchByte && !mByteRead) {
        mByteRead = std::memchr(mBuffer.data() + mFilled, static_cast<unsigned char>(mWatchedByte), read) != nullptr;
    }
    mFileOffset += read;
    mFilled += read;
    return true;
}

bool TextLineReader::ReadLine(std::string& line) {
    std::string_view view;
    if (!ReadLine(view)) {
        line.clear();
        return false;
    }
    line.assign(view);
    return true;
}

bool TextLineReader::ReadLineAcrossFill(std::string_view& line) {
    const char terminator = mTerminator;
    line = {};
    if (!mFile.IsOpen()) return false;
    // Offsets below are relative to mBufferPos, which Fill() may move when it compacts.
    size_t scanned = 0;
    for (;;) {
        const size_t available = mFilled - mBufferPos;
        const char* start = mBuffer.data() + mBufferPos;
        const void* found = std::memchr(start + scanned, terminator, available - scanned);
        if (found == nullptr) {
            scanned = available;
            if (Fill()) continue;
            if (available == 0) return false;
            line = std::string_view(mBuffer.data() + mBufferPos, available);
            mPosition += available;
            mBufferPos = mFilled;
            return true;
        }
        const size_t length = static_cast<size_t>(static_cast<const char*>(found) - start);
        // A CR at the end of the buffer may be the first half of CR LF: read on before deciding.
        if (!mUnixLines && length + 1 == available && Fill()) {
            scanned = length;
            continue;
        }
        // A Fill() that found nothing more may still have moved or grown the buffer.
        line = std::string_view(mBuffer.data() + mBufferPos, length);
        size_t consumed = length + 1;
        if (!mUnixLines && mBufferPos + consumed < mFilled && mBuffer[mBufferPos + consumed] == '\n') ++consumed;
        mPosition += consumed;
        mBufferPos += consumed;
        return true;
    }
}

} // namespace dovrex
