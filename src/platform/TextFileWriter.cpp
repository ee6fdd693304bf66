#include "TextFileWriter.h"

#include "RuntimeError.h"

namespace dovrex {

namespace {

constexpr size_t kFlushAt = 64 * 1024;

} // namespace

TextFileWriter::~TextFileWriter() {
    // A writer left by a failure still leaves every line it was given in the file.
    try {
        Close();
    } catch (...) {
        mFile.Close();
    }
}

void TextFileWriter::Open(const std::string& path, bool append) {
    mPending.clear();
    const int status = append ? mFile.OpenAppend(path) : mFile.Create(path);
    if (status != 0) throw RuntimeError(status, RuntimeError::StandardDescription(status) + " (" + path + ")");
}

void TextFileWriter::Write(std::string_view text) {
    if (!mFile.IsOpen()) RaiseError(ErrBadFileNumber);
    mPending.append(text);
    if (mPending.size() >= kFlushAt) Flush();
}

void TextFileWriter::Flush() {
    if (mPending.empty()) return;
    mFile.Append(mPending);
    mPending.clear();
}

void TextFileWriter::Close() {
    if (!mFile.IsOpen()) return;
    try {
        Flush();
    } catch (...) {
        mPending.clear();
        mFile.Close();
        throw;
    }
    mFile.CloseWritten();
}

} // namespace dovrex
