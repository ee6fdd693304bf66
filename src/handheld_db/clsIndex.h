#pragma once

// Collects the words of one kind for one route while its meters are written, and writes
// them as that route's index record: sorted by word, each with the positions of the
// meters it occurs in.

#include "clsQVF.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dovrex {

class clsIndex {
public:
    // Appends one pair; more than 32767 pairs raise the overflow error.
    void Insert(std::string_view Value, int16_t Position);

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

    int16_t Count() const { return static_cast<int16_t>(mPairs.size()); }
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
        uint32_t Count; // pairs of this word
    };
    // A pair in insertion order: its word's number and the position.
    struct Pair {
        uint16_t Word;
        int16_t Position;
    };
    // A word's head and number, as the sort moves it.
    struct SortKey {
        uint64_t Head;
        uint64_t Next;
        uint32_t Word;
    };

    std::string_view Text(const WordEntry& word) const { return std::string_view(mText).substr(word.Offset, word.Length); }
    uint16_t AddWord(std::string_view Value, uint64_t Head, uint64_t Next);
    void Grow();
    void Clear();

    int16_t mRouteIndex = 0;
    int16_t mIndexType = 0;
    std::string mText;              // the distinct words, one after another, and room
    size_t mTextSize = 0;           // the part in use
    std::vector<WordEntry> mWords;  // in the order they first came
    std::vector<Pair> mPairs;
    std::vector<uint16_t> mSlots;   // open addressing by word hash: word number + 1, 0 free
    int mShift = 64;                // a hash's slot is its top bits
    // The record's contents after SortEntries: the words in order with their counts, and
    // the positions word by word. All vectors keep their capacity between routes.
    std::vector<QVFIndexWord> mSortedWords;
    std::vector<int16_t> mSortedPositions;
    std::vector<SortKey> mKeys;
    std::vector<SortKey> mScratch;
    std::vector<uint32_t> mRank;    // per word number, its place among the sorted words
    std::vector<uint32_t> mEnd;     // per sorted word, the end of its positions
};

} // namespace dovrex
