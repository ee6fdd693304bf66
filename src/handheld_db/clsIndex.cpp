#include "clsIndex.h"

#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace dovrex {

uint64_t clsIndex::HashTail(uint64_t hash, std::string_view word) {
    for (size_t at = 16; at < word.size(); at += 8) {
        uint64_t piece = 0;
        std::memcpy(&piece, word.data() + at, std::min<size_t>(8, word.size() - at));
        hash = (hash ^ piece) * 0xC2B2AE3D27D4EB4Fu;
    }
    return hash;
}

void clsIndex::Overflow() const {
    CheckInt16(static_cast<int64_t>(mPairs.size()) + 1);
    RaiseError(ErrOverflow);
}

uint16_t clsIndex::AddWord(std::string_view Value, uint64_t Head, uint64_t Next, uint32_t Count) {
    const size_t size = Value.size();
    if (size > UINT32_MAX - mTextSize) RaiseError(ErrOverflow);
    // Room for the 16 bytes a short word is written back from its head.
    const size_t room = mTextSize + std::max<size_t>(size, 16);
    if (room > mText.size()) mText.resize(std::max(room, 2 * mText.size()));
    char* const out = mText.data() + mTextSize;
    if (size <= 16) {
        uint64_t bytes[2] = {Head, Next};
        if constexpr (std::endian::native == std::endian::little) {
            bytes[0] = __builtin_bswap64(bytes[0]);
            bytes[1] = __builtin_bswap64(bytes[1]);
        }
        std::memcpy(out, bytes, sizeof bytes);
    } else {
        std::memcpy(out, Value.data(), size);
    }
    const auto number = static_cast<uint16_t>(mWords.size());
    mWords.push_back({Head, Next, static_cast<uint32_t>(mTextSize), static_cast<uint32_t>(size), Count});
    mTextSize += size;
    return static_cast<uint16_t>(number + 1u);
}

void clsIndex::Grow() {
    const size_t size = mSlots.empty() ? 64 : mSlots.size() * 2;
    mSlots.assign(size, 0);
    mShift = 64 - std::countr_zero(size);
    for (size_t i = 0; i < mWords.size(); ++i) {
        const WordEntry& word = mWords[i];
        uint64_t hash = HashHead(word.Head, word.Next, word.Length);
        if (word.Length > 16) hash = HashTail(hash, Text(word));
        size_t slot = static_cast<size_t>(hash >> mShift);
        while (mSlots[slot] != 0) slot = (slot + 1) & (size - 1);
        mSlots[slot] = static_cast<uint16_t>(i + 1);
    }
}

void clsIndex::Clear() {
    mTextSize = 0;
    mWords.clear();
    mPairs.clear();
    std::fill(mSlots.begin(), mSlots.end(), uint16_t{0});
}

namespace {

// Sorts distinct words [first, last) into buckets by the first byte in which their heads
// differ (through scratch), each bucket on in the same way; small buckets and equal heads
// by comparison.
template <typename Key, typename Less>
void SortByHead(Key* first, Key* last, Key* scratch, const Less& less) {
    const auto n = static_cast<size_t>(last - first);
    if (n <= 16) {
        for (Key* i = first + 1; i < last; ++i) {
            const Key key = *i;
            Key* j = i;
            for (; j > first && less(key, j[-1]); --j) *j = j[-1];
            *j = key;
        }
        return;
    }
    uint64_t differ = 0;
    for (const Key* key = first + 1; key < last; ++key) differ |= key->Head ^ first->Head;
    if (differ == 0) {
        std::sort(first, last, less);
        return;
    }
    const int shift = 56 - (std::countl_zero(differ) & ~7);
    uint32_t count[256] = {};
    unsigned low = 255;
    unsigned high = 0;
    for (const Key* key = first; key < last; ++key) {
        const auto b = static_cast<unsigned>((key->Head >> shift) & 0xFF);
        ++count[b];
        low = std::min(low, b);
        high = std::max(high, b);
    }
    uint32_t offset[256];
    uint32_t total = 0;
    for (unsigned b = low; b <= high; ++b) {
        offset[b] = total;
        total += count[b];
    }
    for (const Key* key = first; key < last; ++key) scratch[offset[(key->Head >> shift) & 0xFF]++] = *key;
    std::copy(scratch, scratch + n, first);
    Key* bucket = first;
    for (unsigned b = low; b <= high; ++b) {
        if (count[b] > 1) SortByHead(bucket, bucket + count[b], scratch, less);
        bucket += count[b];
    }
}

} // namespace

void clsIndex::SortEntries() {
    // Excluded words (without pairs) are left out.
    mKeys.resize(mWords.size());
    size_t words = 0;
    for (size_t i = 0; i < mWords.size(); ++i) {
        if (mWords[i].Count != 0) mKeys[words++] = {mWords[i].Head, mWords[i].Next, static_cast<uint32_t>(i)};
    }
    mKeys.resize(words);
    // Words are distinct: equal heads leave their length or the bytes past the 16th.
    auto less = [this](const SortKey& a, const SortKey& b) {
        if (a.Head != b.Head) return a.Head < b.Head;
        if (a.Next != b.Next) return a.Next < b.Next;
        const WordEntry& left = mWords[a.Word];
        const WordEntry& right = mWords[b.Word];
        if (left.Length > 16 && right.Length > 16) return Text(left).substr(16) < Text(right).substr(16);
        return left.Length < right.Length;
    };
    mScratch.resize(words);
    SortByHead(mKeys.data(), mKeys.data() + words, mScratch.data(), less);

    // Each word's positions in the order they came: its own run, placed by its rank.
    mSortedWords.resize(words);
    mRank.resize(mWords.size());
    mEnd.resize(words);
    uint32_t start = 0;
    for (size_t k = 0; k < words; ++k) {
        const uint32_t number = mKeys[k].Word;
        const WordEntry& word = mWords[number];
        mSortedWords[k] = {Text(word), word.Count};
        mRank[number] = static_cast<uint32_t>(k);
        mEnd[k] = start;
        start += word.Count;
    }
    mSortedPositions.resize(mPairs.size());
    for (const Pair& pair : mPairs) mSortedPositions[mEnd[mRank[pair.Word]]++] = pair.Position;
}

std::string_view clsIndex::Word(int16_t i) const {
    const auto rank = std::upper_bound(mEnd.begin(), mEnd.end(), static_cast<uint32_t>(i)) - mEnd.begin();
    return mSortedWords[static_cast<size_t>(rank)].Word;
}

void clsIndex::WriteRecord(clsQVF& database) {
    if (mPairs.empty()) return;
    SortEntries();
    database.AddIndexRecord(mRouteIndex, mIndexType, mSortedWords, mSortedPositions);
    Clear();
}

} // namespace dovrex
