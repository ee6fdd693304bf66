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
    // A stable sort gives exactly the order of a bubble sort that swaps only strictly
    // greater neighbours, without its quadratic time on a long route. Words compare by
    // unsigned character codes, as std::string does; most differ in their first one.
    struct Key {
        std::string_view Word;
        size_t Index;
    };
    std::vector<Key> keys;
    keys.reserve(mWords.size());
    for (size_t i = 0; i < mWords.size(); ++i) keys.push_back({mWords[i], i});
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        if (!a.Word.empty() && !b.Word.empty() && a.Word[0] != b.Word[0]) {
            return static_cast<unsigned char>(a.Word[0]) < static_cast<unsigned char>(b.Word[0]);
        }
        return a.Word < b.Word;
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
