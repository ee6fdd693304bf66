#pragma once

#include "clsRecType.h"

#include "platform/IMessageBox.h"
#include "platform/TextLineReader.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dovrex {

// Reads a line-per-record file one recognised, parsed record at a time. The record
// kinds are declared once from layout tables and reused for every line of their kind.
class RecordFileReader {
public:
    RecordFileReader(const RecordFileReader&) = delete;
    RecordFileReader& operator=(const RecordFileReader&) = delete;
    virtual ~RecordFileReader() = default;

    // False when the file does not exist or cannot be opened (no message).
    bool OpenFile(const std::string& FileName);
    // The reader's own object for the kind of the next line, parsed; nothing at the end
    // of the file, after a read failure (shown as "Error in Readnext: ...") or for a line
    // of no known kind when there is no catch-all kind. The next line of the same kind
    // overwrites its values.
    clsRecType* ReadNext();
    // Lines read since the file was opened: the line number of the record last returned.
    int32_t LineNo() const { return mLineNo; }
    // Reading progress from 0 to 255.
    int16_t Position255() const;

    // The record kinds in declaration order, and one by its identifier.
    const std::vector<std::unique_ptr<clsRecType>>& RecordTypes() const { return mKinds; }
    clsRecType* RecordType(std::string_view ID) const;

protected:
    // The kinds are tested in table order; a catch-all kind (nullptr for none) takes
    // every line that no other kind recognises.
    RecordFileReader(std::span<const RecordLayout> Layouts, const char* CatchAllID, IMessageBox* messages);

private:
    IMessageBox* mMessages;
    std::vector<std::unique_ptr<clsRecType>> mKinds;
    // A kind tested against a line, and its identifier (starting in column 1).
    struct Candidate {
        clsRecType* Kind;
        std::string_view ID;
    };
    // Every kind but the catch-all, in table order, by the first character of its identifier.
    std::array<std::vector<Candidate>, 256> mTested;
    clsRecType* mCatchAll = nullptr;
    TextLineReader mFile;
    std::string mLine;
    int32_t mLineNo = 0;
};

} // namespace dovrex
