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
            mTested[static_cast<unsigned char>(kind->RIValue().front())].push_back({kind.get(), kind->RIValue()});
        }
        mKinds.push_back(std::move(kind));
    }
}

bool RecordFileReader::OpenFile(const std::string& FileName) {
    mLineNo = 0;
    return mFile.Open(FileName) == 0;
}

clsRecType* RecordFileReader::ReadNext() {
    try {
        if (!mFile.ReadLine(mLine)) return nullptr;
        mLineNo = CheckInt32(int64_t{mLineNo} + 1);
        clsRecType* kind = mCatchAll;
        // Every candidate's identifier starts with the line's first character: the rest of
        // it is compared here, as the kind's TestID compares it.
        const auto& candidates = mLine.empty() ? mTested[0] : mTested[static_cast<unsigned char>(mLine.front())];
        for (const Candidate& tested : candidates) {
            if (mLine.size() < tested.ID.size()) continue;
            size_t i = 1;
            while (i < tested.ID.size() && mLine[i] == tested.ID[i]) ++i;
            if (i == tested.ID.size()) {
                kind = tested.Kind;
                break;
            }
        }
        if (kind != nullptr) kind->ParseSwap(mLine);
        return kind;
    } catch (const std::exception& e) {
        if (mMessages) mMessages->Inform("Error in Readnext: " + DescribeException(e));
        return nullptr;
    }
}

int16_t RecordFileReader::Position255() const {
    const uint64_t blocks = (mFile.Length() + 127) / 128;
    if (blocks == 0) return 0;
    const uint64_t block = (mFile.Position() + 127) / 128;
    if (blocks < (uint64_t{1} << 40) && block <= blocks) {
        // Asked after every line: the same rounding in whole numbers, which for files of
        // this size give the quotient and its ties exactly as the division below.
        const uint64_t scaled = block * 255;
        uint64_t position = scaled / blocks;
        const uint64_t twice = scaled % blocks * 2;
        if (twice > blocks || (twice == blocks && position % 2 == 1)) ++position;
        return static_cast<int16_t>(std::min<uint64_t>(position, 255));
    }
    const double position = RoundHalfEven(static_cast<double>(block) * 255.0 / static_cast<double>(blocks));
    return static_cast<int16_t>(std::min(position, 255.0));
}

clsRecType* RecordFileReader::RecordType(std::string_view ID) const {
    for (const auto& kind : mKinds) {
        if (kind->RIValue() == ID) return kind.get();
    }
    return nullptr;
}

} // namespace dovrex
