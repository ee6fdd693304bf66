#pragma once

#include "clsRecType.h"

#include "platform/IMessageBox.h"
#include "platform/TextLineReader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
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
    // As ReadNext, but the line is only recognised: the kind's values are left as they
    // were, and the line is read through Line(). For readers that take a few columns of
    // most lines.
    const clsRecType* ReadNextLine() {
        // Most lines are whole in the read buffer: they are taken here, without a call.
        if (mLineNo < INT32_MAX && mFile.ReadLineInBuffer(mView)) {
            ++mLineNo;
            return KindOfLine(mView);
        }
        return ReadNextLineAcrossFill();
    }
    // As ReadNextLine, noting the length of each line read in order from the file's
    // opening, so that reading the file again need not look for the lines' ends.
    const clsRecType* ReadNextLineNoting() {
        const clsRecType* kind = ReadNextLine();
        if (kind != nullptr && mNotedLengths.size() + 1 == static_cast<size_t>(mLineNo)) {
            if (mNotedLengths.capacity() == 0) ReserveNotes();
            mNotedLengths.push_back(static_cast<uint16_t>(std::min<size_t>(mView.size(), UINT16_MAX)));
        }
        return kind;
    }
    // Opens the file again, keeping the lengths noted while the file has the length it had
    // (false as for OpenFile).
    bool OpenFileAgain(const std::string& FileName);
    // As ReadNextLine, taking each noted line at its noted length where the file still ends
    // the line there. A line that ends elsewhere means that the file changed since it was
    // noted: from there on, every line is looked for. (Only a change that keeps the file's
    // length and every line end before it, and adds one inside a line, goes unnoticed.)
    const clsRecType* ReadNextLineAgain() {
        const auto next = static_cast<size_t>(mLineNo);
        if (next < mNotedLengths.size() && mLineNo < INT32_MAX) {
            if (!mFile.ReadLineOfLength(mNotedLengths[next], mView)) return ReadNextLineAgainAnew();
            ++mLineNo;
            return KindOfLine(mView);
        }
        return ReadNextLine();
    }
    // ReadNextLineAgain of a noted line that the read buffer holds as it stands, so that
    // the lines read before stay valid through it: true, with the line's kind in Kind.
    // False, with nothing read, for any other line, which ReadNextLineAgain reads.
    bool ReadNextLineAgainInBuffer(const clsRecType*& Kind) {
        const auto next = static_cast<size_t>(mLineNo);
        if (next >= mNotedLengths.size() || mLineNo == INT32_MAX || !mFile.ReadLineOfLength(mNotedLengths[next], mView)) {
            return false;
        }
        ++mLineNo;
        Kind = KindOfLine(mView);
        return true;
    }
    // TextLineReader's, for the file as opened last.
    void WatchForNul() { mFile.WatchForNul(); }
    bool NulRead() const { return mFile.NulRead(); }
    void WatchForByte(char Byte) { mFile.WatchForByte(Byte); }
    bool ByteRead() const { return mFile.ByteRead(); }
    // The line ReadNextLine last recognised; valid until the next read.
    std::string_view Line() const { return mView; }
    // Lines read since the file was opened: the line number of the record last returned.
    int32_t LineNo() const { return mLineNo; }
    // Reading progress from 0 to 255.
    int16_t Position255() const {
        return mFile.Position() - mProgressFrom < mProgressSpan ? mProgress : NewPosition255();
    }

    // The record kinds in declaration order, and one by its identifier.
    const std::vector<std::unique_ptr<clsRecType>>& RecordTypes() const { return mKinds; }
    clsRecType* RecordType(std::string_view ID) const;

protected:
    // The kinds are tested in table order; a catch-all kind (nullptr for none) takes
    // every line that no other kind recognises.
    RecordFileReader(std::span<const RecordLayout> Layouts, const char* CatchAllID, IMessageBox* messages);

private:
    // The kind of a line: the first one in table order that recognises it, else the catch-all.
    clsRecType* KindOf(std::string_view line) const;
    // KindOf through mByKey when it is there, else through mByFirst where the line's first
    // character decides. Inline: every line is recognised so.
    clsRecType* KindOfLine(std::string_view line) const {
        if (mHashed) return KindByKey(line);
        if (!line.empty()) {
            const FirstCharacter& first = mByFirst[static_cast<unsigned char>(line.front())];
            if (first.Decides) return first.Kind;
        }
        return KindOf(line);
    }
    // KindOf through mByKey, which is there.
    clsRecType* KindByKey(std::string_view line) const {
        if (line.size() < sizeof(uint64_t)) return KindOf(line);
        uint64_t key;
        std::memcpy(&key, line.data(), sizeof key);
        key &= mKeyMask;
        const size_t last = mByKey.size() - 1;
        for (size_t slot = KeySlot(key, mKeyShift);; slot = (slot + 1) & last) {
            const Keyed& keyed = mByKey[slot];
            if (keyed.Kind == nullptr) return mCatchAll;
            if (keyed.Key == key) return keyed.Kind;
        }
    }
    // Fills mByFirst.
    void BuildFirstTable();
    // Fills mByKey when the identifiers allow it.
    void BuildKeyTable();
    // KindOf for any line and kinds, one character at a time.
    clsRecType* KindOfAny(std::string_view line) const;
    // ReadNextLine of a line that the read buffer does not hold whole (or of too many lines).
    const clsRecType* ReadNextLineAcrossFill();
    // Position255 outside the positions it was last worked out for.
    int16_t NewPosition255() const;

    IMessageBox* mMessages;
    std::vector<std::unique_ptr<clsRecType>> mKinds;
    // Every kind but the catch-all, in table order, by the first character of its identifier;
    // each with the rest of its identifier, which a line of the kind continues with. A rest
    // of up to eight characters is also kept as the bytes of one word, so that most lines
    // are told apart by one comparison.
    struct Candidate {
        std::string Rest;
        clsRecType* Kind;
        uint64_t Word = 0; // the rest's bytes, then zeros
        uint64_t Mask = 0; // all ones over the rest's bytes
        bool Short = false;
    };
    std::array<std::vector<Candidate>, 256> mTested;
    // By a line's first character, whether that decides its kind (a line that is not
    // empty): no kind's identifier begins with it (the catch-all), or the first kind in
    // table order whose identifier does is that character alone.
    struct FirstCharacter {
        clsRecType* Kind = nullptr;
        bool Decides = false;
    };
    std::array<FirstCharacter, 256> mByFirst;
    // When every identifier has the same length, up to eight: the kinds by the identifier's
    // bytes as one word (at most one kind has a line's), in a table of a power of two slots
    // with room to spare, found by hashing. Empty when identifiers differ in length.
    struct Keyed {
        uint64_t Key = 0;
        clsRecType* Kind = nullptr; // none: an empty slot
    };
    std::vector<Keyed> mByKey;
    uint64_t mKeyMask = 0; // all ones over the identifier's bytes
    int mKeyShift = 0;     // the hash's top bits that pick a slot
    static size_t KeySlot(uint64_t key, int shift) {
        return static_cast<size_t>((key * 0x9E3779B97F4A7C15u) >> shift);
    }
    clsRecType* mCatchAll = nullptr;
    TextLineReader mFile;
    std::string_view mView;
    // The lengths of the lines from the file's opening, line n at n - 1, as noted by
    // ReadNextLineNoting; a line of UINT16_MAX bytes or more as UINT16_MAX, which only a
    // line of that length ends at.
    std::vector<uint16_t> mNotedLengths;
    uint64_t mNotedFileLength = 0;
    void ReserveNotes();
    // ReadNextLineAgain of a noted line that the read buffer does not hold as noted.
    const clsRecType* ReadNextLineAgainAnew();
    bool mHashed = false; // mByKey holds the kinds
    int32_t mLineNo = 0;
    // Position255 of the positions from mProgressFrom for mProgressSpan bytes: it changes
    // once in many lines. None at first.
    mutable uint64_t mProgressFrom = 0;
    mutable uint64_t mProgressSpan = 0;
    mutable int16_t mProgress = 0;
};

} // namespace dovrex
