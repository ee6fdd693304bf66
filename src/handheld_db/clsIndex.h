#pragma once

// Collects the words of one kind for one route while its meters are written, and writes
// them as that route's index record: sorted by word, each with the positions of the
// meters it occurs in.

#include <cstdint>
#include <string>
#include <vector>

namespace dovrex {

class clsQVF;

class clsIndex {
public:
    // Appends one pair; more than 32767 pairs raise the overflow error.
    void Insert(const std::string& Value, int16_t Position);

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

    int16_t Count() const { return static_cast<int16_t>(mWords.size()); }
    const std::vector<std::string>& Words() const { return mWords; }
    const std::vector<int32_t>& Positions() const { return mPositions; }

private:
    int16_t mRouteIndex = 0;
    int16_t mIndexType = 0;
    std::vector<std::string> mWords;
    std::vector<int32_t> mPositions; // parallel to mWords
};

} // namespace dovrex
