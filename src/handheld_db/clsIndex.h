#pragma once

// Collects the words of one kind for one route while its meters are written, and writes
// them as that route's index record: sorted by word, each with the positions of the
// meters it occurs in.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dovrex {

class clsQVF;

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

    int16_t Count() const { return static_cast<int16_t>(mEntries.size()); }
    // The pair at 0-based index i, in the current order.
    std::string_view Word(int16_t i) const;
    int16_t Position(int16_t i) const { return mEntries[static_cast<size_t>(i)].Position; }

    // A pair with its word in the collector's text. The first 16 bytes of the word,
    // zero-filled, as two big-endian numbers order most pairs without reaching the text.
    struct Entry {
        uint64_t Head;
        uint64_t Next;
        uint32_t Offset;
        uint32_t Length;
        int16_t Position;
        uint16_t Order; // insertion order, which settles equal words
    };

private:
    int16_t mRouteIndex = 0;
    int16_t mIndexType = 0;
    std::string mText; // the words of all pairs, one after another
    std::vector<Entry> mEntries;
    std::vector<Entry> mScratch; // kept for its capacity between routes
};

} // namespace dovrex
