#include "RecordFileReader.h"

#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <bit>
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
            Candidate tested{kind->RIValue().substr(1), kind.get()};
            if (tested.Rest.size() <= sizeof tested.Word) {
                tested.Short = true;
                std::memcpy(&tested.Word, tested.Rest.data(), tested.Rest.size());
                std::memset(&tested.Mask, 0xFF, tested.Rest.size());
            }
            mTested[static_cast<unsigned char>(kind->RIValue().front())].push_back(std::move(tested));
        }
        mKinds.push_back(std::move(kind));
    }
    BuildKeyTable();
    BuildFirstTable();
}

void RecordFileReader::BuildFirstTable() {
    for (size_t first = 0; first < mByFirst.size(); ++first) {
        const std::vector<Candidate>& tested = mTested[first];
        if (tested.empty()) {
            mByFirst[first] = {mCatchAll, true};
        } else if (tested.front().Rest.empty()) {
            mByFirst[first] = {tested.front().Kind, true};
        }
    }
}

void RecordFileReader::BuildKeyTable() {
    // The mask keeps a line's first bytes as the lowest of the word.
    if constexpr (std::endian::native != std::endian::little) return;
    size_t length = 0;
    size_t kinds = 0;
    for (const auto& kind : mKinds) {
        if (kind.get() == mCatchAll) continue;
        const size_t size = kind->RIValue().size();
        if (size > sizeof(uint64_t) || (length != 0 && size != length)) return;
        length = size;
        ++kinds;
    }
    if (kinds == 0) return;
    size_t slots = 8;
    int shift = 61;
    while (slots < 4 * kinds) {
        slots *= 2;
        --shift;
    }
    std::vector<Keyed> table(slots);
    for (const auto& kind : mKinds) {
        if (kind.get() == mCatchAll) continue;
        uint64_t key = 0;
        std::memcpy(&key, kind->RIValue().data(), length);
        // The first kind of an identifier is the one a line of it is taken for.
        for (size_t slot = KeySlot(key, shift);; slot = (slot + 1) & (slots - 1)) {
            if (table[slot].Kind == nullptr) {
                table[slot] = {key, kind.get()};
                break;
            }
            if (table[slot].Key == key) break;
        }
    }
    mByKey = std::move(table);
    mHashed = true;
    mKeyMask = length == sizeof(uint64_t) ? ~uint64_t{0} : (uint64_t{1} << (8 * length)) - 1;
    mKeyShift = shift;
}

bool RecordFileReader::OpenFile(const std::string& FileName) {
    mNotedLengths.clear();
    const bool opened = OpenFileAgain(FileName);
    mNotedFileLength = mFile.Length();
    return opened;
}

bool RecordFileReader::OpenFileAgain(const std::string& FileName) {
    mLineNo = 0;
    mView = {};
    // The cached progress belongs to the file's length.
    mProgressSpan = 0;
    const bool opened = mFile.Open(FileName) == 0;
    if (!opened || mFile.Length() != mNotedFileLength) mNotedLengths.clear();
    return opened;
}

clsRecType* RecordFileReader::KindOf(std::string_view line) const {
    // As each kind's TestID would decide: its identifier starts in column 1.
    if (line.size() > sizeof(uint64_t)) {
        // The line's eight characters after the first hold any short rest.
        uint64_t word;
        std::memcpy(&word, line.data() + 1, sizeof word);
        for (const Candidate& tested : mTested[static_cast<unsigned char>(line.front())]) {
            // The kinds before a long one did not match: testing them again changes nothing.
            if (!tested.Short) return KindOfAny(line);
            if (((word ^ tested.Word) & tested.Mask) == 0) return tested.Kind;
        }
        return mCatchAll;
    }
    return KindOfAny(line);
}

clsRecType* RecordFileReader::KindOfAny(std::string_view line) const {
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
        // The line is copied once, from the reader's buffer into its kind.
        std::string_view line;
        if (!mFile.ReadLine(line)) return nullptr;
        mLineNo = mLineNo < INT32_MAX ? mLineNo + 1 : CheckInt32(int64_t{mLineNo} + 1);
        clsRecType* kind = KindOfLine(line);
        if (kind != nullptr) kind->Parse(line);
        return kind;
    } catch (const std::exception& e) {
        if (mMessages) mMessages->Inform("Error in Readnext: " + DescribeException(e));
        return nullptr;
    }
}

const clsRecType* RecordFileReader::ReadNextLineAcrossFill() {
    try {
        if (!mFile.ReadLine(mView)) return nullptr;
        mLineNo = mLineNo < INT32_MAX ? mLineNo + 1 : CheckInt32(int64_t{mLineNo} + 1);
        return KindOfLine(mView);
    } catch (const std::exception& e) {
        mView = {};
        if (mMessages) mMessages->Inform("Error in Readnext: " + DescribeException(e));
        return nullptr;
    }
}

const clsRecType* RecordFileReader::ReadNextLineAgainAnew() {
    const uint16_t noted = mNotedLengths[static_cast<size_t>(mLineNo)];
    const clsRecType* kind = ReadNextLine();
    // Another length than noted: the file changed, and the notes after this line are no guide.
    if (kind == nullptr || std::min<size_t>(mView.size(), UINT16_MAX) != noted) mNotedLengths.clear();
    return kind;
}

void RecordFileReader::ReserveNotes() {
    // Room at once for lines of 64 bytes or more, which the files read so have.
    mNotedLengths.reserve(static_cast<size_t>(std::min<uint64_t>(mFile.Length() / 64, 1u << 20)) + 1);
}

namespace {

// The progress from 0 to 255 after block of blocks (blocks >= 1): block * 255 / blocks
// rounded half to even, in whole numbers.
uint64_t ProgressOfBlock(uint64_t block, uint64_t blocks) {
    const uint64_t scaled = block * 255;
    uint64_t position = scaled / blocks;
    const uint64_t twice = 2 * (scaled % blocks);
    if (twice > blocks || (twice == blocks && position % 2 == 1)) ++position;
    return std::min<uint64_t>(position, 255);
}

} // namespace

int16_t RecordFileReader::NewPosition255() const {
    const uint64_t blocks = (mFile.Length() + 127) / 128;
    if (blocks == 0) {
        mProgressFrom = 0;
        mProgressSpan = UINT64_MAX;
        mProgress = 0;
        return 0;
    }
    // Position p is in block (p + 127) / 128: block b holds the positions from b * 128 - 127
    // (0 for block 0) to b * 128.
    const uint64_t block = (mFile.Position() + 127) / 128;
    const uint64_t progress = ProgressOfBlock(block, blocks);
    // The progress never falls as the block grows: the first block past this one with
    // another progress, found by halving (none past the last block).
    uint64_t same = block;
    uint64_t other = std::max(block, blocks) + 1;
    while (other - same > 1) {
        const uint64_t middle = same + (other - same) / 2;
        (ProgressOfBlock(middle, blocks) == progress ? same : other) = middle;
    }
    mProgressFrom = block == 0 ? 0 : block * 128 - 127;
    mProgressSpan = other > blocks ? UINT64_MAX - mProgressFrom : other * 128 - 127 - mProgressFrom;
    mProgress = static_cast<int16_t>(progress);
    return mProgress;
}

clsRecType* RecordFileReader::RecordType(std::string_view ID) const {
    for (const auto& kind : mKinds) {
        if (kind->RIValue() == ID) return kind.get();
    }
    return nullptr;
}

} // namespace dovrex
