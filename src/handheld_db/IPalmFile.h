#pragma once

#include "platform/DateTime.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dovrex {

// Container kinds (`FileType`).
enum ContainerType : int16_t {
    ContainerDetect = -1, // find the kind when opening
    ContainerPDB = 1,     // Palm database file
    ContainerVFS = 2,     // VFS record stream
};

// A record that writes its own bytes into the room a container gives it, so that a record
// built from parts is joined once, where the container keeps it, rather than joined and
// then copied.
class RecordSource {
public:
    // The room always has this many bytes past the record, which Write may overwrite too:
    // short parts can then be moved in fixed-size pieces.
    static constexpr size_t Slack = 32;
    // The record's length in bytes.
    virtual size_t Size() const = 0;
    // Writes the record's Size() bytes at out (and perhaps up to Slack bytes after them).
    virtual void Write(char* out) const = 0;

protected:
    ~RecordSource() = default;
};

// A container of numbered records: a Palm database file or a VFS record stream.
// Records are byte strings; the container knows nothing of fields.
class IPalmFile {
public:
    virtual ~IPalmFile() = default;

    // The file is of this container's kind.
    virtual bool TestFileType(const std::string& Filename) = 0;
    // Creates a new file; 0 on success, else the error number of a file that cannot be
    // created. Write errors after that are raised. AppInfo and SortInfo are in/out.
    virtual int16_t CreateFile(const std::string& Filename, const std::string& Title, const std::string& NewCreator,
                               const std::string& NewDBType, int32_t PresizeRecords, std::string& AppInfo,
                               std::string& SortInfo) = 0;
    virtual void Rewind() = 0;
    virtual bool WriteRecord(std::string_view NewData) = 0;
    // The same for a record that writes its own bytes, of Size bytes (NewData.Size(), which
    // the caller has taken); a container without room of its own has it written into a
    // buffer first.
    virtual bool WriteRecordFrom(const RecordSource& NewData, size_t Size) {
        std::string bytes(Size + RecordSource::Slack, '\0');
        NewData.Write(bytes.data());
        return WriteRecord(std::string_view(bytes.data(), Size));
    }
    // Opens an existing file read-only; 0 on success, else the error number.
    virtual int16_t OpenFile(const std::string& Filename) = 0;
    // The number of records; -1 when the container does not know it.
    virtual int16_t RecordCount() const = 0;
    // A negative RecordNo reads the next record in sequence and receives its number.
    virtual bool ReadRecord(int32_t& RecordNo, std::string& RecordBuffer) = 0;

    virtual std::string Title() const = 0;
    virtual std::string Creator() const = 0;
    virtual std::string DBType() const = 0;
    virtual std::string AppInfo() const = 0;
    virtual std::string SortInfo() const = 0;
    virtual std::optional<DateTime> CreateDate() const = 0;
    virtual std::optional<DateTime> ModifyDate() const = 0;
    virtual uint16_t Attributes() const = 0;
    virtual std::optional<DateTime> BackupDate() const = 0;
    // Reading progress on a scale of 0..255.
    virtual int16_t Position255() const = 0;

    virtual void CloseFile() = 0;
};

} // namespace dovrex
