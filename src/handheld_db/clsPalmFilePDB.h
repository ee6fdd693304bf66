#pragma once

#include "IPalmFile.h"

#include "platform/BinaryFile.h"

#include <memory>
#include <vector>

namespace dovrex {

// The Palm OS database file (PDB): a 78-byte big-endian header, a record list
// reserved at creation, then the records back to back.
class clsPalmFilePDB final : public IPalmFile {
public:
    static constexpr int32_t DefaultCapacity = 999;
    static constexpr uint32_t HeaderSize = 78;
    static constexpr uint32_t EntrySize = 8;

    // Closing a file being written completes it; an error doing so is lost here, so
    // writers call CloseFile themselves.
    ~clsPalmFilePDB() override;

    bool TestFileType(const std::string& Filename) override;
    int16_t CreateFile(const std::string& Filename, const std::string& Title, const std::string& NewCreator,
                       const std::string& NewDBType, int32_t PresizeRecords, std::string& AppInfo,
                       std::string& SortInfo) override;
    void Rewind() override;
    bool WriteRecord(std::string_view NewData) override;
    bool WriteRecordFrom(const RecordSource& NewData, size_t Size) override;
    int16_t OpenFile(const std::string& Filename) override;
    int16_t RecordCount() const override;
    bool ReadRecord(int32_t& RecordNo, std::string& RecordBuffer) override;

    std::string Title() const override;
    std::string Creator() const override;
    std::string DBType() const override;
    std::string AppInfo() const override;
    std::string SortInfo() const override;
    std::optional<DateTime> CreateDate() const override;
    std::optional<DateTime> ModifyDate() const override;
    uint16_t Attributes() const override;
    std::optional<DateTime> BackupDate() const override;
    int16_t Position255() const override;
    void CloseFile() override;

private:
    // Records are collected in memory and written in large blocks; the file is complete
    // after Flush, which CloseFile calls.
    void Flush();
    // Enters a record of size bytes in the record list (raising before anything changes
    // when it cannot be added) and returns where in the pending data it goes, after
    // writing what is pending when the record and its slack would not fit behind it.
    char* AddRecord(size_t size);
    // Raises the error of a record AddRecord cannot add (the file not being written, the
    // record list full, the file too long); returns when there is none.
    void RefuseRecord(size_t size) const;
    // Writes the pending records once they fill a block.
    void RecordAdded(size_t size);
    // Validates the record list of a file being opened; 0 or the error number.
    int16_t ReadRecordList();
    std::string InfoBlock(uint32_t start, uint32_t end) const;
    std::optional<DateTime> HeaderDate(size_t offset) const;

    BinaryFile cvarFD;
    std::string mHeader;              // the 78 header bytes
    // Data offset per record plus one entry for the end of the file (while writing, then
    // room for the records the list can still take).
    std::vector<uint32_t> mOffsets;
    uint16_t mNumRecords = 0;
    int32_t mCapacity = 0;            // record-list slots of a file being written
    int16_t mCursor = 0;
    uint64_t mFileLength = 0;       // including records not yet flushed
    bool mWriting = false;
    // Records after mPendingFrom, not yet in the file: one buffer, allocated once and
    // never filled beforehand, since records are written straight into it.
    std::unique_ptr<char[]> mPendingData;
    size_t mPendingSize = 0;
    uint64_t mPendingFrom = 0;
    uint32_t mFirstUnwrittenEntry = 0;
    std::string mEntries;             // the record list entries being written, kept for its room
    // Records are read in file order: a block of the file is read at once and the records
    // in it are taken from memory.
    std::string mReadAhead;
    uint64_t mReadAheadFrom = 0;
};

} // namespace dovrex
