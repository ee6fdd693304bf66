#pragma once

#include "IPalmFile.h"

#include "platform/BinaryFile.h"

namespace dovrex {

// A headerless stream of records, each a 4-byte big-endian length and its bytes.
// It has no record count, names or dates.
class clsPalmFileVFS final : public IPalmFile {
public:
    ~clsPalmFileVFS() override;

    bool TestFileType(const std::string& Filename) override;
    int16_t CreateFile(const std::string& Filename, const std::string& Title, const std::string& NewCreator,
                       const std::string& NewDBType, int32_t PresizeRecords, std::string& AppInfo,
                       std::string& SortInfo) override;
    void Rewind() override;
    bool WriteRecord(std::string_view NewData) override;
    int16_t OpenFile(const std::string& Filename) override;
    int16_t RecordCount() const override { return -1; }
    bool ReadRecord(int32_t& RecordNo, std::string& RecordBuffer) override;

    std::string Title() const override { return {}; }
    std::string Creator() const override { return {}; }
    std::string DBType() const override { return {}; }
    std::string AppInfo() const override { return {}; }
    std::string SortInfo() const override { return {}; }
    std::optional<DateTime> CreateDate() const override { return std::nullopt; }
    std::optional<DateTime> ModifyDate() const override { return std::nullopt; }
    uint16_t Attributes() const override { return 0; }
    std::optional<DateTime> BackupDate() const override { return std::nullopt; }
    int16_t Position255() const override;
    void CloseFile() override;

private:
    BinaryFile cvarFD;
    uint64_t mPosition = 0;
    uint64_t mFileLength = 0;
};

} // namespace dovrex
