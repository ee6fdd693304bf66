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

void clsIndex::MakeValueRoom() {
    if (mWordCount >= 32767) Overflow();
    if (mWordCount == mWords.size()) MoreRoom(mWords);
    // The store never shrinks, so the room stays true until this is asked again.
    mValueRoom = std::min<size_t>(mWords.size(), 32767);
}

uint32_t clsIndex::AddText(std::string_view Value) {
    const size_t size = Value.size();
    if (size > UINT32_MAX - mTextSize) RaiseError(ErrOverflow);
    if (mTextSize + size > mText.size()) mText.resize(std::max(mTextSize + size, 2 * mText.size()));
    std::memcpy(mText.data() + mTextSize, Value.data(), size);
    const auto offset = static_cast<uint32_t>(mTextSize);
    mTextSize += size;
    return offset;
}

bool clsIndex::LessSameHead(const WordEntry& a, const WordEntry& b) const {
    if (a.Next != b.Next) return a.Next < b.Next;
    if (a.Length > 16 && b.Length > 16) return Text(a).substr(16) < Text(b).substr(16);
    return a.Length < b.Length;
}

void clsIndex::Grow() {
    const size_t size = mSlots.empty() ? 64 : mSlots.size() * 2;
    mSlots.assign(size, 0);
    mShift = 64 - std::countr_zero(size);
    mMask = size - 1;
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
    mWordBytes = 0;
    mInOrder = true;
    mWordCount = 0;
    mPairCount = 0;
    std::fill(mSlots.begin(), mSlots.end(), uint16_t{0});
}

namespace {

// Stable; a key already after its left neighbour (most, once bucketed) is not moved.
template <typename Key, typename Less>
void InsertionSort(Key* first, Key* last, const Less& less) {
    for (Key* i = first + 1; i < last; ++i) {
        if (!less(*i, i[-1])) continue;
        const Key key = *i;
        Key* j = i;
        do {
            *j = j[-1];
            --j;
        } while (j > first && less(key, j[-1]));
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
// bucket on in the same way; small buckets and equal heads by comparison. With InScratch
// the sorted keys may be left in scratch instead, which saves moving them back: the result
// tells where they are (true: in scratch).
//
// A bucket number is made from the first byte in which the heads differ and, where they
// fit in 8 bits, the next bytes': within the range a byte's other bits are the same in
// every head, so the differing bits alone keep the order. When they are the low bits of
// their bytes (digits differ in the low 4, letters in the low 5) two bytes make one
// bucket number: numbers of eight digits or more are spread over 100 buckets at once.
// A range whose heads already rise strictly (often a bucket of values that came in order
// but mixed with others) is left as it is. KnownDiffer, where given, is the OR of every
// head XOR the first's, which the caller found as it made the keys.
template <typename Key, typename Less>
bool SortByHead(Key* first, Key* last, Key* scratch, uint8_t* buckets, const Less& less, bool InScratch = false,
                const uint64_t* KnownDiffer = nullptr) {
    const auto n = static_cast<size_t>(last - first);
    if (n <= 16) {
        InsertionSort(first, last, less);
        return false;
    }
    // Most ranges that are not in order show it within their first keys.
    size_t rising = 1;
    while (rising < n && first[rising].Head > first[rising - 1].Head) ++rising;
    if (rising == n) return false;
    uint64_t differ = 0;
    if (KnownDiffer != nullptr) {
        differ = *KnownDiffer;
    } else {
        for (const Key* key = first + 1; key < last; ++key) differ |= key->Head ^ first->Head;
    }
    if (differ == 0) {
        std::sort(first, last, less);
        return false;
    }
    const int shift = 56 - (std::countl_zero(differ) & ~7);
    const auto mask = static_cast<unsigned>((differ >> shift) & 0xFF);
    // The next byte joins when both bytes differ only in low bits that fit together in 8.
    const auto nextMask = shift >= 8 ? static_cast<unsigned>((differ >> (shift - 8)) & 0xFF) : 0u;
    const int lowBits = std::popcount(mask);
    const int nextBits = std::popcount(nextMask);
    // The keys are scattered into scratch by their bucket numbers, counted per number.
    uint32_t count[256];
    uint32_t offset[256];
    const uint32_t* counts;
    unsigned bucketCount;
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
        bucketCount = 1u << (lowBits + nextBits);
        std::fill(count, count + bucketCount, 0u);
        // Each key's bucket, noted for the second pass.
        for (size_t i = 0; i < n; ++i) {
            const unsigned bucket = bucketOf(first[i].Head);
            buckets[i] = static_cast<uint8_t>(bucket);
            ++count[bucket];
        }
        uint32_t total = 0;
        for (unsigned b = 0; b < bucketCount; ++b) {
            offset[b] = total;
            total += count[b];
        }
        for (size_t i = 0; i < n; ++i) scratch[offset[buckets[i]]++] = first[i];
        counts = count;
    } else {
        // The bytes at shift all agree outside the bits that differ somewhere.
        const unsigned low = static_cast<unsigned>((first->Head >> shift) & 0xFF) & ~mask;
        const unsigned high = low | mask;
        std::fill(count + low, count + high + 1, 0u);
        for (const Key* key = first; key < last; ++key) ++count[(key->Head >> shift) & 0xFF];
        uint32_t total = 0;
        for (unsigned b = low; b <= high; ++b) {
            offset[b] = total;
            total += count[b];
        }
        for (const Key* key = first; key < last; ++key) scratch[offset[(key->Head >> shift) & 0xFF]++] = *key;
        counts = count + low;
        bucketCount = high - low + 1;
    }
    // Bucket by bucket: where InScratch allows, in scratch, with the keys' own room as the
    // scratch of the larger buckets.
    if (InScratch) {
        SortBuckets(scratch, scratch + n, counts, bucketCount, less,
                    [first, buckets, &less](Key* from, Key* to) { SortByHead(from, to, first, buckets, less); });
        return true;
    }
    std::copy(scratch, scratch + n, first);
    SortBuckets(first, last, counts, bucketCount, less,
                [scratch, buckets, &less](Key* from, Key* to) { SortByHead(from, to, scratch, buckets, less); });
    return false;
}

} // namespace

bool clsIndex::SortKeys(size_t& keys) {
    keys = 0;
    if (mDistinctAtSort && mInOrder) return false;
    // The words with pairs: all of them when distinct at sort, where each value has its one.
    if (mKeys.size() < mWordCount) mKeys.resize(mWordCount);
    SortKey* const out = mKeys.data();
    // Distinct at sort, the bits in which the heads differ are found as the keys are made.
    uint64_t differ = 0;
    if (mDistinctAtSort) {
        const uint64_t firstHead = mWordCount != 0 ? mWords[0].Head : 0;
        for (size_t i = 0; i < mWordCount; ++i) {
            out[i] = {mWords[i].Head, static_cast<uint32_t>(i)};
            differ |= mWords[i].Head ^ firstHead;
        }
        keys = mWordCount;
    } else {
        for (size_t i = 0; i < mWordCount; ++i) {
            if (mWords[i].Count != 0) out[keys++] = {mWords[i].Head, static_cast<uint32_t>(i)};
        }
    }
    // Words past their first 8 equal bytes: by the next 8, then by length or the bytes past
    // the 16th; the same word (found at the sort) in the order it came.
    auto less = [this](const SortKey& a, const SortKey& b) {
        if (a.Head != b.Head) return a.Head < b.Head;
        const WordEntry& left = mWords[a.Word];
        const WordEntry& right = mWords[b.Word];
        if (LessSameHead(left, right)) return true;
        if (LessSameHead(right, left)) return false;
        return a.Word < b.Word;
    };
    // The distinct words of names and addresses often come in order already.
    size_t ordered = 1;
    if (!mDistinctAtSort) {
        while (ordered < keys && !less(mKeys[ordered], mKeys[ordered - 1])) ++ordered;
    }
    if (ordered < keys) {
        if (mScratch.size() < keys) mScratch.resize(keys);
        if (mBuckets.size() < keys) mBuckets.resize(keys);
        // The sorted keys may end in the scratch store, which then becomes the keys'.
        if (SortByHead(mKeys.data(), mKeys.data() + keys, mScratch.data(), mBuckets.data(), less, true,
                       mDistinctAtSort ? &differ : nullptr)) {
            std::swap(mKeys, mScratch);
        }
    }
    return true;
}

template <typename EntrySink, typename PositionSink>
void clsIndex::EachEntry(const EntrySink& entry, const PositionSink& position) {
    size_t keys;
    const bool sorted = SortKeys(keys);
    if (!mDistinctAtSort) {
        // Each word with the positions of its chain (the pairs' place taken once: the
        // sinks' stores could otherwise be taken to change it).
        const Pair* const pairs = mPairs.data();
        for (size_t k = 0; k < keys; ++k) {
            const WordEntry& word = mWords[mKeys[k].Word];
            entry(word);
            uint16_t pair = word.First;
            for (uint32_t left = word.Count; left != 0; --left) {
                position(pairs[pair].Position);
                pair = pairs[pair].Next;
            }
        }
        return;
    }
    // A position per value: equal neighbours make one entry. Heads that differ (the usual)
    // settle it without the rest of the previous value.
    // One loop for each order, so that neither asks which it is per value.
    const auto each = [&](size_t count, const auto& wordAt) {
        if (count == 0) return;
        const WordEntry* previous = &wordAt(0);
        entry(*previous);
        position(previous->Position);
        for (size_t k = 1; k < count; ++k) {
            const WordEntry& word = wordAt(k);
            if (!SameWord(*previous, word)) entry(word);
            position(word.Position);
            previous = &word;
        }
    };
    if (sorted) {
        each(keys, [this](size_t k) -> const WordEntry& { return mWords[mKeys[k].Word]; });
    } else {
        each(mWordCount, [this](size_t k) -> const WordEntry& { return mWords[k]; });
    }
}

void clsIndex::SortEntries() {
    mListedWords.clear();
    mListedPositions.clear();
    std::string word;
    EachEntry(
        [this, &word](const WordEntry& entry) {
            if (entry.Length > 16) {
                word.assign(Text(entry));
                return;
            }
            uint64_t bytes[2] = {entry.Head, entry.Next};
            if constexpr (std::endian::native == std::endian::little) {
                bytes[0] = __builtin_bswap64(bytes[0]);
                bytes[1] = __builtin_bswap64(bytes[1]);
            }
            word.assign(reinterpret_cast<const char*>(bytes), entry.Length);
        },
        [this, &word](int16_t position) {
            mListedWords.push_back(word);
            mListedPositions.push_back(position);
        });
}

void clsIndex::WriteRecord(clsQVF& database) {
    if (PairCount() == 0) return;
    const size_t bound = mWordBytes + QVFIndexWriter::EntryRoom * mWordCount + QVFIndexWriter::PositionRoom * PairCount();
    QVFIndexWriter room = database.BeginIndexRecord(mRouteIndex, mIndexType, bound);
    // The entries go in through a copy of the writer that no call is given, so that its
    // place stays in registers while the bytes are stored (stores through a char pointer
    // could change a writer that others can reach). A long word's entry, written by a call,
    // goes through a copy of its own.
    QVFIndexWriter writer = room;
    EachEntry(
        [this, &writer](const WordEntry& word) {
            if (word.Length <= 16) {
                writer.Entry(word.Head, word.Next, word.Length);
            } else {
                QVFIndexWriter called = writer;
                called.Entry(Text(word));
                writer = called;
            }
        },
        [&writer](int16_t position) { writer.Position(position); });
    room = writer;
    database.EndIndexRecord(room);
    Clear();
}

} // namespace dovrex
