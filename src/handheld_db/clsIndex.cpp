#include "clsIndex.h"

#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace dovrex {

namespace {

uint64_t Load64(const unsigned char* bytes) {
    uint64_t value;
    std::memcpy(&value, bytes, sizeof value);
    if constexpr (std::endian::native == std::endian::little) value = __builtin_bswap64(value);
    return value;
}

uint64_t Load32(const unsigned char* bytes) {
    uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    if constexpr (std::endian::native == std::endian::little) value = __builtin_bswap32(value);
    return value;
}

// The first 16 bytes of a word, zero-filled, as two big-endian numbers: they compare as
// the words do, and equal ones mean that the shorter word (of at most 16 bytes) is a
// prefix of the longer. Short words are read in overlapping pieces, never past their end.
void HeadOf(std::string_view word, uint64_t& head, uint64_t& next) {
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

// The hash of a word from its head; words longer than 16 bytes add the rest with HashTail.
uint64_t HashHead(uint64_t head, uint64_t next, size_t size) {
    return ((head ^ size) * 0x9E3779B97F4A7C15u ^ next) * 0xC2B2AE3D27D4EB4Fu;
}

// Long words sharing their first 16 bytes must not share a slot chain.
uint64_t HashTail(uint64_t hash, std::string_view word) {
    for (size_t at = 16; at < word.size(); at += 8) {
        uint64_t piece = 0;
        std::memcpy(&piece, word.data() + at, std::min<size_t>(8, word.size() - at));
        hash = (hash ^ piece) * 0xC2B2AE3D27D4EB4Fu;
    }
    return hash;
}

uint64_t HashOf(uint64_t head, uint64_t next, std::string_view word) {
    const uint64_t hash = HashHead(head, next, word.size());
    return word.size() > 16 ? HashTail(hash, word) : hash;
}

} // namespace

uint16_t clsIndex::AddWord(std::string_view Value, uint64_t Head, uint64_t Next) {
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
    mWords.push_back({Head, Next, static_cast<uint32_t>(mTextSize), static_cast<uint32_t>(size), 0});
    mTextSize += size;
    return static_cast<uint16_t>(mWords.size());
}

void clsIndex::Insert(std::string_view Value, int16_t Position) {
    if (mPairs.size() >= 32767) CheckInt16(static_cast<int64_t>(mPairs.size()) + 1);
    if (mWords.size() * 2 >= mSlots.size()) Grow();
    uint64_t head;
    uint64_t next;
    HeadOf(Value, head, next);
    const size_t mask = mSlots.size() - 1;
    size_t slot = static_cast<size_t>(HashOf(head, next, Value) >> mShift);
    uint16_t number;
    for (;; slot = (slot + 1) & mask) {
        number = mSlots[slot];
        if (number == 0) {
            number = AddWord(Value, head, next);
            mSlots[slot] = number;
            break;
        }
        const WordEntry& word = mWords[number - 1u];
        if (word.Head == head && word.Next == next && word.Length == Value.size() &&
            (Value.size() <= 16 || std::memcmp(mText.data() + word.Offset + 16, Value.data() + 16, Value.size() - 16) == 0)) {
            break;
        }
    }
    ++mWords[number - 1u].Count;
    mPairs.push_back({static_cast<uint16_t>(number - 1u), Position});
}

void clsIndex::Grow() {
    const size_t size = mSlots.empty() ? 64 : mSlots.size() * 2;
    mSlots.assign(size, 0);
    mShift = 64 - std::countr_zero(size);
    for (size_t i = 0; i < mWords.size(); ++i) {
        const WordEntry& word = mWords[i];
        size_t slot = static_cast<size_t>(HashOf(word.Head, word.Next, Text(word)) >> mShift);
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
    const size_t words = mWords.size();
    mKeys.resize(words);
    for (size_t i = 0; i < words; ++i) mKeys[i] = {mWords[i].Head, mWords[i].Next, static_cast<uint32_t>(i)};
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
    mRank.resize(words);
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
