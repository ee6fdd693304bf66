#include "RecordFileReader.h"

#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <cstring>

namespace dovrex {

RecordFileReader::RecordFileReader(std::span<const RecordLayout> Layouts, const char* CatchAllID,
                                   IMessageBox* messages)
    : mMessages(messages) {
    for (const RecordLayout& layout : Layouts) {
        if (layout.ID[0] == '\0') RaiseError(ErrInvalidCall, "A record kind needs an identifier");
        auto kind = std::make_unique<clsRecType>(messages);
        kind->SetID(1, static_cast<int16_t>(std::strlen(layout.ID)), layout.ID);
        kind->AddFields(layout.Fields);
        if (CatchAllID != nullptr && kind->RIValue() == CatchAllID) {
            mCatchAll = kind.get();
        } else {
            // Every identifier starts in column 1: a line is only tested against the kinds
            // whose identifier begins with its first character, still in table order.
            mTested[static_cast<unsigned char>(kind->RIValue().front())].push_back({kind->RIValue().substr(1), kind.get()});
        }
        mKinds.push_back(std::move(kind));
    }
}

bool RecordFileReader::OpenFile(const std::string& FileName) {
    mLineNo = 0;
    mView = {};
    // The cached progress belongs to the file's length.
    mProgressBlock = UINT64_MAX;
    return mFile.Open(FileName) == 0;
}

clsRecType* RecordFileReader::KindOf(std::string_view line) const {
    // As each kind's TestID would decide: its identifier starts in column 1.
    if (line.empty()) return mCatchAll;
    for (const Candidate& tested : mTested[static_cast<unsigned char>(line.front())]) {
        if (line.size() > tested.Rest.size() && std::equal(tested.Rest.begin(), tested.Rest.end(), line.begin() + 1)) {
            return tested.Kind;
        }
    }
    return mCatchAll;
}

clsRecType* RecordFileReader::ReadNext() {
    try {
        mView = {};
        if (!mFile.ReadLine(mLine)) return nullptr;
        mLineNo = mLineNo < INT32_MAX ? mLineNo + 1 : CheckInt32(int64_t{mLineNo} + 1);
        clsRecType* kind = KindOf(mLine);
        if (kind != nullptr) kind->ParseSwap(mLine);
        return kind;
    } catch (const std::exception& e) {
        if (mMessages) mMessages->Inform("Error in Readnext: " + DescribeException(e));
        return nullptr;
    }
}

const clsRecType* RecordFileReader::ReadNextLine() {
    try {
        if (!mFile.ReadLine(mView)) return nullptr;
        mLineNo = mLineNo < INT32_MAX ? mLineNo + 1 : CheckInt32(int64_t{mLineNo} + 1);
        return KindOf(mView);
    } catch (const std::exception& e) {
        mView = {};
        if (mMessages) mMessages->Inform("Error in Readnext: " + DescribeException(e));
        return nullptr;
    }
}

int16_t RecordFileReader::NewPosition255() const {
    const uint64_t blocks = (mFile.Length() + 127) / 128;
    if (blocks == 0) return 0;
    const uint64_t block = (mFile.Position() + 127) / 128;
    // block * 255 / blocks rounded half to even, in whole numbers.
    const uint64_t scaled = block * 255;
    uint64_t position = scaled / blocks;
    const uint64_t twice = 2 * (scaled % blocks);
    if (twice > blocks || (twice == blocks && position % 2 == 1)) ++position;
    mProgressBlock = block;
    mProgress = static_cast<int16_t>(std::min<uint64_t>(position, 255));
    return mProgress;
}

clsRecType* RecordFileReader::RecordType(std::string_view ID) const {
    for (const auto& kind : mKinds) {
        if (kind->RIValue() == ID) return kind.get();
    }
    return nullptr;
}

} // namespace dovrex
