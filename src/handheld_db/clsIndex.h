#pragma once

// Collects the words of one kind for one route while its meters are written, and writes
// them as that route's index record: sorted by word, each with the positions of the
// meters it occurs in.

#include "clsQVF.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace dovrex {

class clsIndex {
public:
    // Appends one pair; more than 32767 pairs raise the overflow error. Inline: it runs
    // for every word of every meter.
    void Insert(std::string_view Value, int16_t Position) {
        Insert(Value, Position, [](std::string_view) { return false; });
    }
    // The same, but a word for which Excluded is true is left out; such a word adds no
    // pair. Excluded is asked once per distinct word (per pair when equal words are found
    // at the sort).
    template <typename Excluded>
    void Insert(std::string_view Value, int16_t Position, const Excluded& excluded) {
        uint64_t head;
        uint64_t next;
        HeadOf(Value, head, next);
        if (mDistinctAtSort) {
            if (excluded(Value)) return;
            if (mWordCount >= 32767) Overflow();
            AddWord(Value, head, next, 1, Position);
            return;
        }
        uint64_t hash = HashHead(head, next, Value.size());
        if (Value.size() > 16) hash = HashTail(hash, Value);
        const size_t mask = mSlots.size() - 1;
        for (size_t slot = static_cast<size_t>(hash >> mShift);; slot = (slot + 1) & mask) {
            const uint16_t number = mSlots[slot];
            if (number == 0) {
                InsertNew(Value, head, next, hash, slot, Position, excluded);
                return;
            }
            WordEntry& word = mWords[number - 1u];
            if (word.Head == head && word.Next == next && word.Length == Value.size() &&
                (Value.size() <= 16 || SameTail(word, Value))) {
                if (word.Count == 0) return; // excluded
                if (mPairCount >= 32767) Overflow();
                ++word.Count;
                AddPair(static_cast<uint16_t>(number - 1u), Position);
                return;
            }
        }
    }

    // The same for a word whose head (HeadOf) the caller has taken already.
    void Insert(std::string_view Value, uint64_t Head, uint64_t Next, int16_t Position) {
        if (!mDistinctAtSort) {
            Insert(Value, Position);
            return;
        }
        if (mWordCount >= 32767) Overflow();
        AddWord(Value, Head, Next, 1, Position);
    }

    // The first 16 bytes of a word, zero-filled, as two big-endian numbers: they compare
    // as the words do, and equal ones mean that the shorter word (of at most 16 bytes) is
    // a prefix of the longer. Short words are read in overlapping pieces, never past their end.
    static void HeadOf(std::string_view word, uint64_t& head, uint64_t& next) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(word.data());
        const size_t n = word.size();
        next = 0;
        if (n >= 8) {
            head = Load64(bytes);
            if (n >= 16) {
                next = Load64(bytes + 8);
            } else if (n > 8) {
                next = Load64(bytes + n - 8) << (8 * (16 - n));
            }
        } else if (n >= 4) {
            head = Load32(bytes) << 32 | Load32(bytes + n - 4) << (8 * (8 - n));
        } else if (n > 0) {
            head = uint64_t{bytes[0]} << 56 | uint64_t{bytes[n / 2]} << (8 * (7 - n / 2)) |
                   uint64_t{bytes[n - 1]} << (8 * (8 - n));
        } else {
            head = 0;
        }
    }

    // Whether equal words are found by the sort rather than as they come: cheaper for
    // values that seldom repeat (tag and serial numbers, IDs). Changes only while empty.
    bool DistinctAtSort() const { return mDistinctAtSort; }
    void SetDistinctAtSort(bool value) {
        if (mWordCount == 0 && mPairCount == 0) mDistinctAtSort = value;
    }

    int16_t RouteIndex() const { return mRouteIndex; }
    void SetRouteIndex(int16_t value) { mRouteIndex = value; }
    int16_t IndexType() const { return mIndexType; }
    void SetIndexType(int16_t value) { mIndexType = value; }

    // With pairs collected: sorts them, writes the index record and empties the collector.
    // Without pairs it writes nothing.
    void WriteRecord(clsQVF& database);

    // Sorts the pairs by word in ascending order of character codes; equal words keep
    // the order they were inserted in.
    void SortEntries();

    int16_t Count() const { return static_cast<int16_t>(PairCount()); }
    // The pair at 0-based index i in the order SortEntries left.
    std::string_view Word(int16_t i) const;
    int16_t Position(int16_t i) const { return mSortedPositions[static_cast<size_t>(i)]; }

private:
    // A distinct word, in the collector's text. Its first 16 bytes, zero-filled, as two
    // big-endian numbers find and order most words without reaching the text.
    struct WordEntry {
        uint64_t Head;
        uint64_t Next;
        uint32_t Offset;
        uint32_t Length;
        uint32_t Count; // pairs of this word; 0 for an excluded word
        int16_t Position; // of its first pair
    };
    // A pair in insertion order: its word's number and the position.
    struct Pair {
        uint16_t Word;
        int16_t Position;
    };
    // A word's first 8 bytes and number, as the sort moves it.
    struct SortKey {
        uint64_t Head;
        uint32_t Word;
    };

    // Offset and Length always lie within the text.
    std::string_view Text(const WordEntry& word) const { return std::string_view(mText.data() + word.Offset, word.Length); }
    bool SameTail(const WordEntry& word, std::string_view Value) const {
        return std::memcmp(mText.data() + word.Offset + 16, Value.data() + 16, Value.size() - 16) == 0;
    }
    bool SameWord(const WordEntry& a, const WordEntry& b) const {
        return a.Head == b.Head && a.Next == b.Next && a.Length == b.Length &&
               (a.Length <= 16 || std::memcmp(mText.data() + a.Offset + 16, mText.data() + b.Offset + 16, a.Length - 16) == 0);
    }
    static uint64_t Load64(const unsigned char* bytes) {
        uint64_t value;
        std::memcpy(&value, bytes, sizeof value);
        if constexpr (std::endian::native == std::endian::little) value = __builtin_bswap64(value);
        return value;
    }
    static uint64_t Load32(const unsigned char* bytes) {
        uint32_t value;
        std::memcpy(&value, bytes, sizeof value);
        if constexpr (std::endian::native == std::endian::little) value = __builtin_bswap32(value);
        return value;
    }
    static uint64_t HashHead(uint64_t head, uint64_t next, size_t size) {
        return ((head ^ size) * 0x9E3779B97F4A7C15u ^ next) * 0xC2B2AE3D27D4EB4Fu;
    }
    // Words longer than 16 bytes add the rest to the hash of their head, so that long words
    // sharing their first 16 bytes do not share a slot chain.
    static uint64_t HashTail(uint64_t hash, std::string_view word);
    // Raises the overflow error of the 32768th pair.
    [[noreturn]] void Overflow() const;
    // A new word with Count pairs to come; its number for the slot. Words of at most 16
    // bytes are written back from their head while the text has room.
    uint16_t AddWord(std::string_view Value, uint64_t Head, uint64_t Next, uint32_t Count, int16_t Position) {
        const size_t size = Value.size();
        if (size > 16 || mText.size() - mTextSize < 16 || mText.size() > UINT32_MAX) {
            return AddLongWord(Value, Head, Next, Count, Position);
        }
        uint64_t bytes[2] = {Head, Next};
        if constexpr (std::endian::native == std::endian::little) {
            bytes[0] = __builtin_bswap64(bytes[0]);
            bytes[1] = __builtin_bswap64(bytes[1]);
        }
        std::memcpy(mText.data() + mTextSize, bytes, sizeof bytes);
        if (mWordCount == mWords.size()) MoreWordRoom();
        const auto number = static_cast<uint16_t>(mWordCount);
        mKeys[mWordCount] = {Head, number};
        mWords[mWordCount++] = {Head, Next, static_cast<uint32_t>(mTextSize), static_cast<uint32_t>(size), Count, Position};
        mTextSize += size;
        return static_cast<uint16_t>(number + 1u);
    }
    uint16_t AddLongWord(std::string_view Value, uint64_t Head, uint64_t Next, uint32_t Count, int16_t Position);
    // A word not in the table yet, whose chain ends at Slot. Out of line: most words of a
    // route repeat, and the word's own loop stays small enough to be inlined.
    template <typename Excluded>
    [[gnu::noinline]] void InsertNew(std::string_view Value, uint64_t Head, uint64_t Next, uint64_t Hash, size_t Slot,
                                     int16_t Position, const Excluded& excluded) {
        // At most half the slots are in use, so that every chain ends soon.
        if (mWordCount * 2 >= mSlots.size()) {
            Grow();
            const size_t mask = mSlots.size() - 1;
            for (Slot = static_cast<size_t>(Hash >> mShift); mSlots[Slot] != 0; Slot = (Slot + 1) & mask) {
            }
        }
        if (excluded(Value)) {
            // Remembered while the table has room for it: word numbers stay below 65535
            // with the at most 32767 words that have pairs.
            if (mWordCount < 32767) mSlots[Slot] = AddWord(Value, Head, Next, 0, 0);
            return;
        }
        if (mPairCount >= 32767) Overflow();
        // Room for every pair a collector may hold, so that adding one needs no check.
        if (mPairs.size() < 32767) mPairs.resize(32767);
        mSlots[Slot] = AddWord(Value, Head, Next, 1, Position);
        AddPair(static_cast<uint16_t>(mSlots[Slot] - 1u), Position);
    }
    // When equal words are found at the sort, each word has its one pair.
    size_t PairCount() const { return mDistinctAtSort ? mWordCount : mPairCount; }
    // With fewer than 32767 pairs, after the first new word has made room for them all.
    void AddPair(uint16_t Word, int16_t Position) {
        mPairs[mPairCount++] = {Word, Position};
    }
    // Doubles a store whose every element is in use (kept out of line: it is rare).
    template <typename T>
    [[gnu::noinline]] static void MoreRoom(std::vector<T>& store) {
        store.resize(std::max<size_t>(64, 2 * store.size()));
    }
    // Doubles the words' store and the sort keys' with it (out of line: it is rare).
    [[gnu::noinline]] void MoreWordRoom() {
        MoreRoom(mWords);
        mKeys.resize(mWords.size());
    }
    void Grow();
    void Clear();

    int16_t mRouteIndex = 0;
    int16_t mIndexType = 0;
    bool mDistinctAtSort = false;   // then every pair is a word of its own, with no Pair
    std::string mText;              // the distinct words, one after another, and room
    size_t mTextSize = 0;           // the part in use
    // The words in the order they first came and the pairs, in the first elements of their
    // stores: filled without a check for room in the common case.
    std::vector<WordEntry> mWords;
    size_t mWordCount = 0;
    std::vector<Pair> mPairs;
    size_t mPairCount = 0;
    // Open addressing by word hash: word number + 1, 0 free. A hash's slot is its top bits.
    std::vector<uint16_t> mSlots = std::vector<uint16_t>(64);
    int mShift = 64 - 6;
    // The record's contents after SortEntries: the words in order with their counts, and
    // the positions word by word. All vectors keep their capacity between routes.
    std::vector<QVFIndexWord> mSortedWords;
    std::vector<int16_t> mSortedPositions;
    std::vector<SortKey> mKeys;     // per word number, its key, as large as mWords
    std::vector<SortKey> mScratch;
    std::vector<uint32_t> mRank;    // per word number, its place among the sorted words
    std::vector<uint32_t> mEnd;     // per sorted word, the end of its positions
};

} // namespace dovrex
