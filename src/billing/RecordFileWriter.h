#pragma once

#include "clsRecType.h"

#include "platform/BinaryFile.h"
#include "platform/IMessageBox.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dovrex {

// Writes a line-per-record file: hands out an empty record of a kind, and writes a
// filled record as one line padded to the file's line width, ended by CR LF.
class RecordFileWriter {
public:
    RecordFileWriter(const RecordFileWriter&) = delete;
    RecordFileWriter& operator=(const RecordFileWriter&) = delete;
    // Writes what is still buffered and closes the file; a failure here is ignored, so
    // callers that must know call CloseFile.
    virtual ~RecordFileWriter();

    // Creates or empties the file; on failure shows the failure and returns false.
    bool CreateFile(const std::string& FileName);
    // The writer's own object of that kind (exact identifier) with no values, or nothing
    // for an identifier the file does not have.
    clsRecType* SetupRecord(std::string_view RecordType);
    // Sets RecID to the kind's identifier and writes the record as one line. Returns 0.
    // Raises when the record cannot be assembled or written (nothing of it is written
    // then), or when no file is open.
    int16_t WriteRecord(clsRecType& Record);
    // Writes a line assembled by the caller (a RecordLine), as WriteRecord writes a record.
    void WriteLine(std::string_view Line);
    // Writes what is buffered and closes the file; raises on a write failure.
    void CloseFile();

    const std::vector<std::unique_ptr<clsRecType>>& RecordTypes() const { return mKinds; }
    // The writer's object of a kind (exact identifier), values untouched; nothing when none.
    clsRecType* RecordType(std::string_view ID) const;

protected:
    RecordFileWriter(std::span<const RecordLayout> Layouts, int PadTo, IMessageBox* messages);

private:
    static constexpr size_t kFlushSize = 1 << 16;
    // Adds a line and its CR LF to what is to be written, writing out a full buffer.
    void Append(std::string_view Line) {
        const size_t before = mPending.size();
        mPending.append(Line.data(), Line.size());
        mPending.append("\r\n", 2);
        if (mPending.size() >= kFlushSize) FlushFull(before);
    }
    // Flush after a line was added at Before; a failure leaves that line out.
    void FlushFull(size_t Before);
    void Flush();

    IMessageBox* mMessages;
    std::vector<std::unique_ptr<clsRecType>> mKinds;
    int mPadTo;
    BinaryFile mFile;
    std::string mPending;     // lines not yet written to the file
    std::string mLine;        // the line being assembled, reused from record to record
    // The position of each kind's RecID field, in the order of mKinds.
    std::vector<std::optional<size_t>> mRecIDs;
    uint64_t mWritten = 0;    // bytes already in the file
};

} // namespace dovrex
