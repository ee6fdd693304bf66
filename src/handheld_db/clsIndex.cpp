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
    CheckInt16(static_cast<int64_t>(PairCount()) + 1);
    RaiseError(ErrOverflow);
}

uint16_t clsIndex::AddLongWord(std::string_view Value, uint64_t Head, uint64_t Next, uint32_t Count,
                               int16_t Position) {
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
    if (mWordCount == mWords.size()) MoreWordRoom();
    const auto number = static_cast<uint16_t>(mWordCount);
    mKeys[mWordCount] = {Head, number};
    mWords[mWordCount++] = {Head, Next, static_cast<uint32_t>(mTextSize), static_cast<uint32_t>(size), Count, Position};
    mTextSize += size;
    return static_cast<uint16_t>(number + 1u);
}

void clsIndex::Grow() {
    const size_t size = mSlots.empty() ? 64 : mSlots.size() * 2;
    mSlots.assign(size, 0);
    mShift = 64 - std::countr_zero(size);
    for (size_t i = 0; i < mWordCount; ++i) {
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
    mWordCount = 0;
    mPairCount = 0;
    std::fill(mSlots.begin(), mSlots.end(), uint16_t{0});
}

namespace {

template <typename Key, typename Less>
void InsertionSort(Key* first, Key* last, const Less& less) {
    for (Key* i = first + 1; i < last; ++i) {
        const Key key = *i;
        Key* j = i;
        for (; j > first && less(key, j[-1]); --j) *j = j[-1];
        *j = key;
    }
}

// Sorts the keys of [first, last), already in buckets of the given counts with every key
// of a bucket before every key of the next: small buckets all by one insertion sort over
// the range (no key passes its bucket's first), larger ones each on by SortByHead.
template <typename Key, typename Less, typename SortBucket>
void SortBuckets(Key* first, Key* last, const uint32_t* count, unsigned buckets, const Less& less,
                 const SortBucket& sortBucket) {
    uint32_t largest = 0;
    for (unsigned b = 0; b < buckets; ++b) largest = std::max(largest, count[b]);
    if (largest <= 16) {
        InsertionSort(first, last, less);
        return;
    }
    Key* bucket = first;
    for (unsigned b = 0; b < buckets; ++b) {
        if (count[b] > 1) sortBucket(bucket, bucket + count[b]);
        bucket += count[b];
    }
}

// Sorts words [first, last) into buckets by the bits in which their heads differ, each
// bucket on in the same way; small buckets and equal heads by comparison.
//
// A bucket number is made from the first byte in which the heads differ and, where they
// fit in 8 bits, the next bytes': within the range a byte's other bits are the same in
// every head, so the differing bits alone keep the order. When they are the low bits of
// their bytes (digits differ in the low 4, letters in the low 5) two bytes make one
// bucket number: numbers of eight digits or more are spread over 100 buckets at once.
template <typename Key, typename Less>
void SortByHead(Key* first, Key* last, Key* scratch, const Less& less) {
    const auto n = static_cast<size_t>(last - first);
    if (n <= 16) {
        InsertionSort(first, last, less);
        return;
    }
    const auto sortBucket = [scratch, &less](Key* from, Key* to) { SortByHead(from, to, scratch, less); };
    uint64_t differ = 0;
    for (const Key* key = first + 1; key < last; ++key) differ |= key->Head ^ first->Head;
    if (differ == 0) {
        std::sort(first, last, less);
        return;
    }
    const int shift = 56 - (std::countl_zero(differ) & ~7);
    const auto mask = static_cast<unsigned>((differ >> shift) & 0xFF);
    // The next byte joins when both bytes differ only in low bits that fit together in 8.
    const auto nextMask = shift >= 8 ? static_cast<unsigned>((differ >> (shift - 8)) & 0xFF) : 0u;
    const int lowBits = std::popcount(mask);
    const int nextBits = std::popcount(nextMask);
    // Worth it only with at least a word per bucket number.
    if ((mask & (mask + 1)) == 0 && nextMask != 0 && (nextMask & (nextMask + 1)) == 0 && lowBits + nextBits <= 8 &&
        n >= (size_t{1} << (lowBits + nextBits))) {
        // Bucket: the first byte's differing bits, then the next byte's.
        const int pairShift = shift - 8;
        const uint64_t pairMask = uint64_t{mask} << 8 | nextMask;
        const auto bucketOf = [pairShift, pairMask, nextBits](uint64_t head) {
            const uint64_t pair = (head >> pairShift) & pairMask;
            return static_cast<unsigned>((pair >> 8) << nextBits | (pair & 0xFF));
        };
        const unsigned buckets = 1u << (lowBits + nextBits);
        uint32_t count[256];
        std::fill(count, count + buckets, 0u);
        for (const Key* key = first; key < last; ++key) ++count[bucketOf(key->Head)];
        uint32_t offset[256];
        uint32_t total = 0;
        for (unsigned b = 0; b < buckets; ++b) {
            offset[b] = total;
            total += count[b];
        }
        for (const Key* key = first; key < last; ++key) scratch[offset[bucketOf(key->Head)]++] = *key;
        std::copy(scratch, scratch + n, first);
        SortBuckets(first, last, count, buckets, less, sortBucket);
        return;
    }
    // The bytes at shift all agree outside the bits that differ somewhere.
    const unsigned low = static_cast<unsigned>((first->Head >> shift) & 0xFF) & ~mask;
    const unsigned high = low | mask;
    uint32_t count[256];
    std::fill(count + low, count + high + 1, 0u);
    for (const Key* key = first; key < last; ++key) ++count[(key->Head >> shift) & 0xFF];
    uint32_t offset[256];
    uint32_t total = 0;
    for (unsigned b = low; b <= high; ++b) {
        offset[b] = total;
        total += count[b];
    }
    for (const Key* key = first; key < last; ++key) scratch[offset[(key->Head >> shift) & 0xFF]++] = *key;
    std::copy(scratch, scratch + n, first);
    SortBuckets(first, last, count + low, high - low + 1, less, sortBucket);
}

} // namespace

void clsIndex::SortEntries() {
    // Each word added its key: where equal words are found at the sort the keys are all
    // there, in some order. Where they are found as they come, the keys are made again
    // without the excluded words (those without pairs), from the few distinct words.
    size_t words = mWordCount;
    if (!mDistinctAtSort) {
        words = 0;
        for (size_t i = 0; i < mWordCount; ++i) {
            if (mWords[i].Count != 0) mKeys[words++] = {mWords[i].Head, static_cast<uint32_t>(i)};
        }
    }
    // Words past their first 8 equal bytes: by the next 8, then by length or the bytes past
    // the 16th; the same word (found at the sort) in the order it came.
    auto less = [this](const SortKey& a, const SortKey& b) {
        if (a.Head != b.Head) return a.Head < b.Head;
        const WordEntry& left = mWords[a.Word];
        const WordEntry& right = mWords[b.Word];
        if (left.Next != right.Next) return left.Next < right.Next;
        if (left.Length > 16 && right.Length > 16) {
            const int order = Text(left).substr(16).compare(Text(right).substr(16));
            if (order != 0) return order < 0;
        } else if (left.Length != right.Length) {
            return left.Length < right.Length;
        }
        return a.Word < b.Word;
    };
    // Words often come in order already (tag numbers along a route).
    size_t ordered = 1;
    while (ordered < words && !less(mKeys[ordered], mKeys[ordered - 1])) ++ordered;
    if (ordered < words) {
        mScratch.resize(words);
        SortByHead(mKeys.data(), mKeys.data() + words, mScratch.data(), less);
    }

    mSortedPositions.resize(PairCount());
    if (mDistinctAtSort) {
        // A pair per word: equal neighbours make one entry.
        mSortedWords.resize(words);
        mEnd.resize(words);
        size_t distinct = 0;
        for (size_t k = 0; k < words; ++k) {
            const uint32_t number = mKeys[k].Word;
            const WordEntry& word = mWords[number];
            // Heads that differ (the usual) settle it without the previous word's entry.
            if (k == 0 || mKeys[k - 1].Head != mKeys[k].Head || !SameWord(mWords[mKeys[k - 1].Word], word)) {
                mSortedWords[distinct++] = {Text(word), 0};
            }
            ++mSortedWords[distinct - 1].Count;
            mEnd[distinct - 1] = static_cast<uint32_t>(k + 1);
            mSortedPositions[k] = word.Position;
        }
        mSortedWords.resize(distinct);
        mEnd.resize(distinct);
        return;
    }

    // Each word's positions in the order they came: its own run, placed by its rank.
    mSortedWords.resize(words);
    mRank.resize(mWordCount);
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
    for (size_t i = 0; i < mPairCount; ++i) mSortedPositions[mEnd[mRank[mPairs[i].Word]]++] = mPairs[i].Position;
}

std::string_view clsIndex::Word(int16_t i) const {
    const auto rank = std::upper_bound(mEnd.begin(), mEnd.end(), static_cast<uint32_t>(i)) - mEnd.begin();
    return mSortedWords[static_cast<size_t>(rank)].Word;
}

void clsIndex::WriteRecord(clsQVF& database) {
    if (PairCount() == 0) return;
    SortEntries();
    database.AddIndexRecord(mRouteIndex, mIndexType, mSortedWords, mSortedPositions);
    Clear();
}

} // namespace dovrex
