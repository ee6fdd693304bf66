#include "clsIndex.h"

#include "clsQVF.h"

#include "platform/modRuntime.h"

#include <algorithm>
#include <string_view>

namespace dovrex {

void clsIndex::Insert(const std::string& Value, int16_t Position) {
    CheckInt16(static_cast<int64_t>(mWords.size()) + 1);
    mWords.push_back(Value);
    mPositions.push_back(Position);
}

void clsIndex::SortEntries() {
    // Equal words keep their insertion order: exactly the order of a bubble sort that swaps
    // only strictly greater neighbours, without its quadratic time on a long route. The
    // words are compared in place, by unsigned character codes as std::string compares,
    // with the insertion number breaking ties.
    struct Key {
        std::string_view Word;
        uint32_t Index;
    };
    std::vector<Key> keys;
    keys.reserve(mWords.size());
    for (size_t i = 0; i < mWords.size(); ++i) keys.push_back({mWords[i], static_cast<uint32_t>(i)});
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        const int order = a.Word.compare(b.Word);
        return order < 0 || (order == 0 && a.Index < b.Index);
    });
    std::vector<std::string> words;
    std::vector<int32_t> positions;
    words.reserve(keys.size());
    positions.reserve(keys.size());
    for (const Key& key : keys) {
        words.push_back(std::move(mWords[key.Index]));
        positions.push_back(mPositions[key.Index]);
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
