#include "clsPalmFileVFS.h"

#include "modPDB.h"

#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <algorithm>

namespace dovrex {

clsPalmFileVFS::~clsPalmFileVFS() {
    try {
        CloseFile();
    } catch (...) {
        // Closing a file being written may fail; writers call CloseFile themselves to hear of it.
    }
}

void clsPalmFileVFS::CloseFile() {
    mPosition = 0;
    mFileLength = 0;
    cvarFD.CloseWritten();
}

bool clsPalmFileVFS::TestFileType(const std::string& Filename) {
    if (OpenFile(Filename) != 0) return false;
    bool accepted = false;
    try {
        const std::string start = cvarFD.ReadAt(0, 4);
        // A plausible first record length: 1 to 65535.
        accepted = start.size() == 4 && start[0] == '\0' && start[1] == '\0' && (start[2] != '\0' || start[3] != '\0');
    } catch (const RuntimeError&) {
        accepted = false;
    }
    CloseFile();
    return accepted;
}

int16_t clsPalmFileVFS::CreateFile(const std::string& Filename, const std::string&, const std::string&,
                                   const std::string&, int32_t, std::string&, std::string&) {
    CloseFile();
    const int status = cvarFD.Create(Filename);
    return static_cast<int16_t>(status);
}

bool clsPalmFileVFS::WriteRecord(std::string_view NewData) {
    if (!cvarFD.IsOpen()) RaiseError(ErrBadFileNumber);
    if (NewData.size() > 0x7FFFFFFFu) RaiseError(ErrOverflow);
    std::string record = BigEndian32(static_cast<uint32_t>(NewData.size()));
    record += NewData;
    cvarFD.WriteAt(mPosition, record);
    mPosition += record.size();
    mFileLength = std::max(mFileLength, mPosition);
    return true;
}

int16_t clsPalmFileVFS::OpenFile(const std::string& Filename) {
    CloseFile();
    if (const int status = cvarFD.OpenRead(Filename); status != 0) return static_cast<int16_t>(status);
    try {
        mFileLength = cvarFD.Length();
    } catch (const RuntimeError& e) {
        CloseFile();
        return static_cast<int16_t>(e.Number());
    }
    return 0;
}

bool clsPalmFileVFS::ReadRecord(int32_t&, std::string& RecordBuffer) {
    RecordBuffer.clear();
    if (!cvarFD.IsOpen() || mPosition >= mFileLength) return false;
    const std::string prefix = cvarFD.ReadAt(mPosition, 4);
    if (prefix.size() < 4) RaiseError(ErrInputPastEnd, "Input past end of file: incomplete record length in " + cvarFD.Path());
    const uint32_t length = ReadBigEndian32(prefix, 0);
    // Never trust the prefix for an allocation: it must fit in what is left of the file.
    if (length > mFileLength - mPosition - 4) {
        RaiseError(ErrInputPastEnd, "Input past end of file: a record of " + std::to_string(length) +
                                        " bytes runs past the end of " + cvarFD.Path());
    }
    RecordBuffer = cvarFD.ReadAt(mPosition + 4, length);
    if (RecordBuffer.size() != length) RaiseError(ErrInputPastEnd);
    mPosition += 4 + static_cast<uint64_t>(length);
    return length > 0;
}

void clsPalmFileVFS::Rewind() { mPosition = 0; }

int16_t clsPalmFileVFS::Position255() const {
    if (mFileLength == 0) return 0;
    return static_cast<int16_t>(RoundHalfEven(255.0 * static_cast<double>(mPosition) / static_cast<double>(mFileLength)));
}

} // namespace dovrex
