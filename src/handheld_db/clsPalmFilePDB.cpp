#include "clsPalmFilePDB.h"

#include "modPDB.h"

#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace dovrex {

namespace {

// Header field offsets.
constexpr size_t kAttributes = 32;
constexpr size_t kCreationDate = 36;
constexpr size_t kModificationDate = 40;
constexpr size_t kBackupDate = 44;
constexpr size_t kAppInfoID = 52;
constexpr size_t kSortInfoID = 56;
constexpr size_t kType = 60;
constexpr size_t kCreator = 64;
constexpr size_t kNextRecordListID = 72;
constexpr size_t kNumRecords = 76;
// Records are gathered and written in blocks of about this size.
constexpr size_t kPendingBytes = size_t{1} << 18;
// The pending buffer: a block, and the largest record a database holds with its slack
// past a block that is not yet full.
constexpr size_t kPendingRoom = kPendingBytes + 32768 + RecordSource::Slack;
// How much of the file one read of records takes in.
constexpr size_t kReadAheadBytes = 64 * 1024;

// The data offset of the record list entry at entry, read as BytesToLong reads its first
// four bytes: big-endian, and 0 (so refused) with the top bit set.
uint32_t EntryOffset(const char* entry) {
    const auto* p = reinterpret_cast<const unsigned char*>(entry);
    const uint32_t value = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    return (value & 0x80000000u) != 0 ? 0 : value;
}

// A text as exactly size bytes: cut, or filled with NUL bytes.
std::string FixedText(const std::string& text, size_t size) {
    std::string bytes = text.substr(0, size);
    bytes.resize(size, '\0');
    return bytes;
}

} // namespace

clsPalmFilePDB::~clsPalmFilePDB() {
    try {
        CloseFile();
    } catch (...) {
        cvarFD.Close();
    }
}

void clsPalmFilePDB::CloseFile() {
    mReadAhead.clear();
    if (mWriting && cvarFD.IsOpen()) {
        Flush(); // a failure leaves the file open for the destructor to close
        mWriting = false;
        cvarFD.CloseWritten();
        return;
    }
    mWriting = false;
    cvarFD.Close();
}

void clsPalmFilePDB::Flush() {
    mReadAhead.clear();
    if (mPendingSize != 0) {
        cvarFD.WriteAt(mPendingFrom, std::string_view(mPendingData.get(), mPendingSize));
        mPendingFrom += mPendingSize;
        mPendingSize = 0;
    }
    if (mFirstUnwrittenEntry < mNumRecords) {
        // Each entry: the record's offset, its attributes (0), and its unique ID, the
        // record's index, all big-endian: one 64-bit number, every byte of it stored, in
        // room that only grows.
        const size_t size = static_cast<size_t>(mNumRecords - mFirstUnwrittenEntry) * EntrySize;
        if (mEntries.size() < size) mEntries.resize(size);
        char* out = mEntries.data();
        for (uint32_t b = mFirstUnwrittenEntry; b < mNumRecords; ++b, out += EntrySize) {
            uint64_t entry = uint64_t{mOffsets[b]} << 32 | b;
            if constexpr (std::endian::native == std::endian::little) entry = __builtin_bswap64(entry);
            std::memcpy(out, &entry, sizeof entry);
        }
        cvarFD.WriteAt(HeaderSize + EntrySize * mFirstUnwrittenEntry, std::string_view(mEntries.data(), size));
        cvarFD.WriteAt(kNextRecordListID, std::string(4, '\0') + BigEndian16(mNumRecords));
        mFirstUnwrittenEntry = mNumRecords;
    }
}

bool clsPalmFilePDB::TestFileType(const std::string& Filename) {
    const bool accepted = OpenFile(Filename) == 0;
    CloseFile();
    return accepted;
}

int16_t clsPalmFilePDB::CreateFile(const std::string& Filename, const std::string& Title,
                                   const std::string& NewCreator, const std::string& NewDBType,
                                   int32_t PresizeRecords, std::string& AppInfo, std::string& SortInfo) {
    CloseFile();
    AppInfo.clear();
    SortInfo.clear();
    if (PresizeRecords < 0) RaiseError(ErrInvalidCall);
    mCapacity = PresizeRecords == 0 ? DefaultCapacity : PresizeRecords;

    mHeader = FixedText(Title, 32);
    mHeader.append(kType - 32, '\0');
    mHeader += FixedText(NewDBType, 4);
    mHeader += FixedText(NewCreator, 4);
    mHeader.append(HeaderSize - kType - 8, '\0');

    // A file that cannot be created is reported as its error number, as for every
    // container; failures while writing the reserved header are raised.
    if (const int status = cvarFD.Create(Filename); status != 0) return static_cast<int16_t>(status);
    std::string start = mHeader;
    start.append(static_cast<size_t>(mCapacity) * EntrySize, '\0');
    cvarFD.WriteAt(0, start);

    mNumRecords = 0;
    mCursor = 0;
    mFileLength = start.size();
    // An entry per record the list holds and one for the end, in place from the start, so
    // that adding a record needs no room for it.
    mOffsets.assign(static_cast<size_t>(std::min<int32_t>(mCapacity, INT16_MAX)) + 1, 0);
    mOffsets[0] = static_cast<uint32_t>(mFileLength);
    mWriting = true;
    mPendingSize = 0;
    // Written in blocks of one buffer, sized once: a growing buffer would be copied and
    // its fresh pages faulted in at every doubling.
    if (!mPendingData) mPendingData = std::make_unique_for_overwrite<char[]>(kPendingRoom);
    mPendingFrom = mFileLength;
    mFirstUnwrittenEntry = 0;
    return 0;
}

void clsPalmFilePDB::RefuseRecord(size_t size) const {
    if (!cvarFD.IsOpen() || !mWriting) RaiseError(ErrBadFileNumber);
    const uint32_t b = mNumRecords;
    // The record list was reserved at creation and cannot grow.
    if (static_cast<int32_t>(b) >= mCapacity) RaiseError(ErrSubscript, "Record list of " + cvarFD.Path() + " is full");
    CheckInt16(static_cast<int64_t>(b) + 1);
    if (mFileLength + size > 0x7FFFFFFFu) RaiseError(ErrOverflow);
}

char* clsPalmFilePDB::AddRecord(size_t size) {
    const uint32_t b = mNumRecords;
    // The checks that pass for nearly every record, the errors they raise out of line.
    if (!cvarFD.IsOpen() || !mWriting || static_cast<int32_t>(b) >= mCapacity || b >= INT16_MAX ||
        mFileLength + size > 0x7FFFFFFFu) {
        RefuseRecord(size);
    }
    if (kPendingRoom - mPendingSize < size + RecordSource::Slack) Flush();

    const auto offset = static_cast<uint32_t>(mFileLength);
    const uint64_t end = mFileLength + size;
    const auto count = static_cast<uint16_t>(b + 1);
    mFileLength = end;
    mNumRecords = count;
    mOffsets[b] = offset;
    mOffsets[b + 1] = static_cast<uint32_t>(end);
    char* const room = mPendingData.get() + mPendingSize;
    // Last, as a store of bytes could be taken to change what is read after it.
    mHeader[kNumRecords] = static_cast<char>(count >> 8);
    mHeader[kNumRecords + 1] = static_cast<char>(count & 0xFF);
    return room;
}

void clsPalmFilePDB::RecordAdded(size_t size) {
    mPendingSize += size;
    if (mPendingSize >= kPendingBytes) Flush();
}

bool clsPalmFilePDB::WriteRecord(std::string_view NewData) {
    char* const out = AddRecord(NewData.size());
    if (NewData.size() + RecordSource::Slack > kPendingRoom) {
        // Larger than any database record: straight to the file, after what is pending.
        cvarFD.WriteAt(mPendingFrom, NewData);
        mPendingFrom += NewData.size();
        return true;
    }
    if (!NewData.empty()) std::memcpy(out, NewData.data(), NewData.size());
    RecordAdded(NewData.size());
    return true;
}

bool clsPalmFilePDB::WriteRecordFrom(const RecordSource& NewData, size_t Size) {
    if (Size + RecordSource::Slack > kPendingRoom) return IPalmFile::WriteRecordFrom(NewData, Size);
    NewData.Write(AddRecord(Size));
    RecordAdded(Size);
    return true;
}

int16_t clsPalmFilePDB::OpenFile(const std::string& Filename) {
    CloseFile();
    mWriting = false;
    mOffsets.clear();
    mNumRecords = 0;
    mCursor = 0;
    mCapacity = 0;
    if (const int status = cvarFD.OpenRead(Filename); status != 0) return static_cast<int16_t>(status);
    try {
        mFileLength = cvarFD.Length();
        mHeader = cvarFD.ReadAt(0, HeaderSize);
        if (mHeader.size() < HeaderSize) {
            CloseFile();
            return ErrBadFileFormat;
        }
        const int16_t status = ReadRecordList();
        if (status != 0) CloseFile();
        return status;
    } catch (const RuntimeError& e) {
        CloseFile();
        return static_cast<int16_t>(e.Number());
    }
}

int16_t clsPalmFilePDB::ReadRecordList() {
    const uint32_t count = ReadBigEndian16(mHeader, kNumRecords);
    if (count > 32767) return ErrOverflow;
    const uint64_t listEnd = HeaderSize + static_cast<uint64_t>(EntrySize) * count;
    if (listEnd > mFileLength || mFileLength > 0xFFFFFFFFu) return ErrBadFileFormat;
    const std::string list = cvarFD.ReadAt(HeaderSize, static_cast<size_t>(listEnd - HeaderSize));
    if (list.size() != listEnd - HeaderSize) return ErrBadFileFormat;

    mOffsets.resize(count + 1);
    for (uint32_t i = 0; i < count; ++i) mOffsets[i] = EntryOffset(list.data() + static_cast<size_t>(i) * EntrySize);
    mOffsets[count] = static_cast<uint32_t>(mFileLength);
    // Every record must lie inside the file, in order: a length is the distance to the next offset.
    for (uint32_t i = 0; i < count; ++i) {
        if (mOffsets[i] < listEnd || mOffsets[i] > mOffsets[i + 1]) return ErrBadFileFormat;
    }
    mNumRecords = static_cast<uint16_t>(count);
    return 0;
}

int16_t clsPalmFilePDB::RecordCount() const { return static_cast<int16_t>(mNumRecords); }

bool clsPalmFilePDB::ReadRecord(int32_t& RecordNo, std::string& RecordBuffer) {
    if (mWriting) Flush();
    if (RecordNo < 0) {
        if (mCursor <= static_cast<int32_t>(mNumRecords) - 1) {
            RecordNo = mCursor;
            mCursor = CheckInt16(static_cast<int64_t>(mCursor) + 1);
        }
    } else {
        mCursor = CheckInt16(RecordNo);
    }
    if (RecordNo < 0 || RecordNo >= static_cast<int32_t>(mNumRecords) || !cvarFD.IsOpen()) {
        RecordBuffer.clear();
        return false;
    }
    const uint32_t start = mOffsets[static_cast<size_t>(RecordNo)];
    const uint32_t end = mOffsets[static_cast<size_t>(RecordNo) + 1];
    if (start < mReadAheadFrom || end > mReadAheadFrom + mReadAhead.size()) {
        try {
            cvarFD.ReadAt(start, std::max<size_t>(end - start, kReadAheadBytes), mReadAhead);
        } catch (...) {
            mReadAhead.clear(); // nothing half-read stays in the cache
            throw;
        }
        mReadAheadFrom = start;
        if (mReadAhead.size() < end - start) RaiseError(ErrInputPastEnd);
    }
    // Cleared and appended rather than assigned: the buffer keeps its room from record to
    // record, and appending into room is a plain copy.
    RecordBuffer.clear();
    RecordBuffer.append(mReadAhead.data() + (start - mReadAheadFrom), end - start);
    return true;
}

void clsPalmFilePDB::Rewind() { mCursor = 0; }

std::string clsPalmFilePDB::Title() const {
    if (mHeader.size() < HeaderSize) return {};
    const std::string name = mHeader.substr(0, 32);
    return name.substr(0, name.find('\0'));
}

std::string clsPalmFilePDB::Creator() const { return mHeader.size() < HeaderSize ? std::string() : mHeader.substr(kCreator, 4); }

std::string clsPalmFilePDB::DBType() const { return mHeader.size() < HeaderSize ? std::string() : mHeader.substr(kType, 4); }

uint16_t clsPalmFilePDB::Attributes() const {
    return mHeader.size() < HeaderSize ? 0 : static_cast<uint16_t>(ReadBigEndian16(mHeader, kAttributes));
}

std::optional<DateTime> clsPalmFilePDB::HeaderDate(size_t offset) const {
    if (mHeader.size() < HeaderSize) return std::nullopt;
    const uint32_t seconds = ReadBigEndian32(mHeader, offset);
    if (seconds < 1) return std::nullopt;
    return DateFromPdbSeconds(seconds);
}

std::optional<DateTime> clsPalmFilePDB::CreateDate() const { return HeaderDate(kCreationDate); }
std::optional<DateTime> clsPalmFilePDB::ModifyDate() const { return HeaderDate(kModificationDate); }
std::optional<DateTime> clsPalmFilePDB::BackupDate() const { return HeaderDate(kBackupDate); }

std::string clsPalmFilePDB::InfoBlock(uint32_t start, uint32_t end) const {
    // A block that points outside the file reads as far as the file goes, or as nothing.
    end = static_cast<uint32_t>(std::min<uint64_t>(end, mFileLength));
    if (!cvarFD.IsOpen() || start >= end) return {};
    return cvarFD.ReadAt(start, end - start);
}

std::string clsPalmFilePDB::AppInfo() const {
    if (mHeader.size() < HeaderSize) return {};
    const uint32_t appInfo = ReadBigEndian32(mHeader, kAppInfoID);
    if (appInfo == 0) return {};
    const uint32_t sortInfo = ReadBigEndian32(mHeader, kSortInfoID);
    const uint32_t end = sortInfo != 0 ? sortInfo : (mNumRecords > 0 ? mOffsets[0] : static_cast<uint32_t>(mFileLength));
    return InfoBlock(appInfo, end);
}

std::string clsPalmFilePDB::SortInfo() const {
    if (mHeader.size() < HeaderSize) return {};
    const uint32_t sortInfo = ReadBigEndian32(mHeader, kSortInfoID);
    if (sortInfo == 0) return {};
    const uint32_t end = mNumRecords > 0 ? mOffsets[0] : static_cast<uint32_t>(mFileLength);
    return InfoBlock(sortInfo, end);
}

int16_t clsPalmFilePDB::Position255() const {
    if (mNumRecords <= 1) return 0;
    const double position = RoundHalfEven(255.0 * mCursor / (mNumRecords - 1));
    return static_cast<int16_t>(std::min(position, 255.0));
}

} // namespace dovrex
