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

// Two ways of collecting, chosen per kind before the first word:
// - Words that repeat (names, addresses): each distinct word is kept once, found again by
//   a hash table on its first 16 bytes; its positions form a chain of pairs in the order
//   they came. Only the distinct words are sorted.
// - Values that seldom repeat (tag and serial numbers, IDs), "distinct at sort": each
//   value is kept with its one position, without hashing; equal ones become one entry
//   when the sorted values are written. Values that come in order (tags along a route)
//   are noticed as they come and not sorted at all.
// The index record is written straight from these, through the database's index writer.
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
        Insert(head, next, Value.size(), Value.data(), Position, excluded);
    }
    // The same for a word given by its head (HeadOf) and size, whose bytes (at Long) are
    // read only when it is longer than 16 bytes: a splitter that builds the head as it
    // reads need not copy the word.
    template <typename Excluded>
    [[gnu::always_inline]] void Insert(uint64_t head, uint64_t next, size_t size, const char* Long, int16_t Position,
                                       const Excluded& excluded) {
        if (mDistinctAtSort) {
            InsertValue(head, next, size, Long, Position, excluded);
            return;
        }
        InsertRepeating(head, next, size, Long, Position, excluded);
    }
    // Insert for a collector that is not distinct at sort (the caller knows it is not), by
    // the hash table.
    template <typename Excluded>
    [[gnu::always_inline]] void InsertRepeating(uint64_t head, uint64_t next, size_t size, const char* Long,
                                                int16_t Position, const Excluded& excluded) {
        uint64_t hash = HashHead(head, next, size);
        if (size > 16) hash = HashTail(hash, std::string_view(Long, size));
        for (size_t slot = static_cast<size_t>(hash >> mShift);; slot = (slot + 1) & mMask) {
            const uint16_t number = mSlots[slot];
            if (number == 0) {
                InsertNew(head, next, size, Long, hash, slot, Position, excluded);
                return;
            }
            WordEntry& word = mWords[number - 1u];
            if (word.Head == head && word.Next == next && word.Length == size &&
                (size <= 16 || SameTail(word, std::string_view(Long, size)))) {
                if (word.Count == 0) return; // excluded
                if (mPairCount >= 32767) Overflow();
                // The next pair of the word's chain.
                const auto pair = static_cast<uint16_t>(mPairCount++);
                mPairs[pair].Position = Position;
                mPairs[word.Last].Next = pair;
                word.Last = pair;
                ++word.Count;
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
        AddValue(Head, Next, Value.size(), Value.data(), Position);
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

    // With pairs collected: writes them as the index record, sorted by word in ascending
    // order of character codes (equal words keep the order they were inserted in), and
    // empties the collector. Without pairs it writes nothing.
    void WriteRecord(clsQVF& database);

    // Lists the pairs in the order WriteRecord writes them, for Word and Position.
    void SortEntries();

    int16_t Count() const { return static_cast<int16_t>(PairCount()); }
    // The pair at 0-based index i in the order SortEntries listed.
    std::string_view Word(int16_t i) const { return mListedWords[static_cast<size_t>(i)]; }
    int16_t Position(int16_t i) const { return mListedPositions[static_cast<size_t>(i)]; }

private:
    // A distinct word (or, distinct at sort, a value). Its first 16 bytes, zero-filled, as
    // two big-endian numbers find, order and write most words without other text; the
    // bytes of longer words are in the collector's text.
    struct WordEntry {
        uint64_t Head;
        uint64_t Next;
        uint32_t Offset; // in the text, for words of more than 16 bytes
        uint32_t Length;
        uint16_t Count;  // pairs of this word; 0 for an excluded word
        int16_t Position; // distinct at sort: the value's position
        uint16_t First;  // otherwise: the first and last pair of its chain
        uint16_t Last;
    };
    // A pair of a word's chain: the position and the number of the word's next pair.
    struct Pair {
        int16_t Position;
        uint16_t Next;
    };
    // The bytes of a word given by its head, for the rare uses that need them.
    struct WordText {
        WordText(uint64_t head, uint64_t next, size_t size, const char* Long) : Size(size), Long(Long) {
            if (size > 16) return;
            uint64_t bytes[2] = {head, next};
            if constexpr (std::endian::native == std::endian::little) {
                bytes[0] = __builtin_bswap64(bytes[0]);
                bytes[1] = __builtin_bswap64(bytes[1]);
            }
            std::memcpy(Short, bytes, sizeof bytes);
        }
        std::string_view View() const { return std::string_view(Size > 16 ? Long : Short, Size); }
        char Short[16];
        size_t Size;
        const char* Long;
    };
    // A word's first 8 bytes and number, as the sort moves it.
    struct SortKey {
        uint64_t Head;
        uint32_t Word;
    };

    // Offset and Length always lie within the text (words of more than 16 bytes).
    std::string_view Text(const WordEntry& word) const { return std::string_view(mText.data() + word.Offset, word.Length); }
    bool SameTail(const WordEntry& word, std::string_view Value) const {
        return std::memcmp(mText.data() + word.Offset + 16, Value.data() + 16, Value.size() - 16) == 0;
    }
    bool SameWord(const WordEntry& a, const WordEntry& b) const {
        return a.Head == b.Head && a.Next == b.Next && a.Length == b.Length &&
               (a.Length <= 16 || std::memcmp(mText.data() + a.Offset + 16, mText.data() + b.Offset + 16, a.Length - 16) == 0);
    }
    // Whether word a sorts before word b, their heads being equal.
    bool LessSameHead(const WordEntry& a, const WordEntry& b) const;
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
    // Distinct at sort, for one more value: raises the overflow error of the 32768th, else
    // makes the words' store larger where it is full, and notes the values it now holds.
    [[gnu::noinline]] void MakeValueRoom();
    // A new word, with the text of a long one stored; mWordCount is then its number + 1
    // (what its slot holds).
    WordEntry& AddWord(uint64_t Head, uint64_t Next, size_t Size, const char* Long, uint16_t Count) {
        if (mWordCount == mWords.size()) MoreRoom(mWords);
        return FillWord(Head, Next, Size, Long, Count);
    }
    // AddWord where the words' store has room for it.
    WordEntry& FillWord(uint64_t Head, uint64_t Next, size_t Size, const char* Long, uint16_t Count) {
        WordEntry& word = mWords[mWordCount++];
        word.Head = Head;
        word.Next = Next;
        word.Length = static_cast<uint32_t>(Size);
        word.Count = Count;
        if (Size > 16) word.Offset = AddText(std::string_view(Long, Size));
        mWordBytes += Size;
        return word;
    }
    uint32_t AddText(std::string_view Value);
    // A value of a kind that is distinct at sort, noting whether the values still come in order.
    void AddValue(uint64_t Head, uint64_t Next, size_t Size, const char* Long, int16_t Position) {
        // One test for both the overflow and the store's room.
        if (mWordCount >= mValueRoom) MakeValueRoom();
        WordEntry& word = FillWord(Head, Next, Size, Long, 1);
        word.Position = Position;
        if (mInOrder && mWordCount > 1) {
            const WordEntry& last = (&word)[-1];
            mInOrder = Head != last.Head ? Head > last.Head : !LessSameHead(word, last);
        }
    }
    // Insert for a collector that is distinct at sort (out of line: names and addresses
    // are not).
    template <typename Excluded>
    [[gnu::noinline]] void InsertValue(uint64_t Head, uint64_t Next, size_t Size, const char* Long, int16_t Position,
                                       const Excluded& excluded) {
        if (excluded(WordText(Head, Next, Size, Long).View())) return;
        AddValue(Head, Next, Size, Long, Position);
    }
    // A word not in the table yet, whose chain ends at Slot. Out of line: most words of a
    // route repeat, and the word's own loop stays small enough to be inlined.
    template <typename Excluded>
    [[gnu::noinline]] void InsertNew(uint64_t Head, uint64_t Next, size_t Size, const char* Long, uint64_t Hash,
                                     size_t Slot, int16_t Position, const Excluded& excluded) {
        // At most half the slots are in use, so that every chain ends soon.
        if (mWordCount * 2 >= mSlots.size()) {
            Grow();
            for (Slot = static_cast<size_t>(Hash >> mShift); mSlots[Slot] != 0; Slot = (Slot + 1) & mMask) {
            }
        }
        if (excluded(WordText(Head, Next, Size, Long).View())) {
            // Remembered while the table has room for it: word numbers stay below 65535
            // with the at most 32767 words that have pairs.
            if (mWordCount < 32767) {
                AddWord(Head, Next, Size, Long, 0);
                mSlots[Slot] = static_cast<uint16_t>(mWordCount);
            }
            return;
        }
        if (mPairCount >= 32767) Overflow();
        // Room for every pair a collector may hold, so that adding one needs no check.
        if (mPairs.size() < 32767) mPairs.resize(32767);
        WordEntry& word = AddWord(Head, Next, Size, Long, 1);
        mSlots[Slot] = static_cast<uint16_t>(mWordCount);
        const auto pair = static_cast<uint16_t>(mPairCount++);
        mPairs[pair].Position = Position;
        word.First = pair;
        word.Last = pair;
    }
    // When equal words are found at the sort, each word has its one pair.
    size_t PairCount() const { return mDistinctAtSort ? mWordCount : mPairCount; }
    // Doubles a store whose every element is in use (kept out of line: it is rare).
    template <typename T>
    [[gnu::noinline]] static void MoreRoom(std::vector<T>& store) {
        store.resize(std::max<size_t>(64, 2 * store.size()));
    }
    // Sorts the words that have pairs into the keys; false when the values, distinct at
    // sort, came in order (then their order is that of the words and no key is made).
    bool SortKeys(size_t& keys);
    // Hands each entry of the record to entry (its word) and each of its positions to
    // position, in the record's order.
    template <typename EntrySink, typename PositionSink>
    void EachEntry(const EntrySink& entry, const PositionSink& position);
    void Grow();
    void Clear();

    int16_t mRouteIndex = 0;
    int16_t mIndexType = 0;
    bool mDistinctAtSort = false;   // then every pair is a word of its own, with no Pair
    bool mInOrder = true;           // distinct at sort: every value so far sorts after the last
    std::string mText;              // the bytes of words of more than 16 bytes, one after another
    size_t mTextSize = 0;           // the part in use
    size_t mWordBytes = 0;          // the lengths of all words
    // The words in the order they first came and the pairs, in the first elements of their
    // stores. All stores keep their capacity between routes.
    std::vector<WordEntry> mWords;
    size_t mWordCount = 0;
    size_t mValueRoom = 0; // the values the words' store holds before the next test: at most 32767
    std::vector<Pair> mPairs;
    size_t mPairCount = 0;
    // Open addressing by word hash: word number + 1, 0 free. A hash's slot is its top bits.
    std::vector<uint16_t> mSlots = std::vector<uint16_t>(64);
    size_t mMask = 64 - 1;
    int mShift = 64 - 6;
    std::vector<SortKey> mKeys;
    std::vector<SortKey> mScratch;
    std::vector<uint8_t> mBuckets;  // the sort's bucket of each key
    // The pairs as SortEntries listed them.
    std::vector<std::string> mListedWords;
    std::vector<int16_t> mListedPositions;
};

} // namespace dovrex
