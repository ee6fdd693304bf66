#include "clsIndex.h"

#include "clsQVF.h"

#include "platform/modRuntime.h"

#include <algorithm>
#include <numeric>

namespace dovrex {

void clsIndex::Insert(const std::string& Value, int16_t Position) {
    CheckInt16(static_cast<int64_t>(mWords.size()) + 1);
    mWords.push_back(Value);
    mPositions.push_back(Position);
}

void clsIndex::SortEntries() {
    // A stable sort gives exactly the order of a bubble sort that swaps only strictly
    // greater neighbours, without its quadratic time on a long route. std::string
    // compares by unsigned character codes.
    std::vector<size_t> order(mWords.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return mWords[a] < mWords[b]; });
    std::vector<std::string> words;
    std::vector<int32_t> positions;
    words.reserve(order.size());
    positions.reserve(order.size());
    for (const size_t i : order) {
        words.push_back(std::move(mWords[i]));
        positions.push_back(mPositions[i]);
    }
    mWords = std::move(words);
    mPositions = std::move(positions);
}

void clsIndex::WriteRecord(clsQVF& database) {
    if (mWords.empty()) return;
    SortEntries();
    database.AddIndexRecord(mRouteIndex, mIndexType, static_cast<int32_t>(mWords.size()), mWords, mPositions);
    mWords.clear();
    mPositions.clear();
}

} // namespace dovrex
