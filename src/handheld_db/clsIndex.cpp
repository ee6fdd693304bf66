#include "clsIndex.h"

#include "clsQVF.h"

#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <cstring>

namespace dovrex {

namespace {

using Entry = clsIndex::Entry;

uint64_t BigEndian64(const unsigned char* b) {
    return static_cast<uint64_t>(b[0]) << 56 | static_cast<uint64_t>(b[1]) << 48 | static_cast<uint64_t>(b[2]) << 40 |
           static_cast<uint64_t>(b[3]) << 32 | static_cast<uint64_t>(b[4]) << 24 | static_cast<uint64_t>(b[5]) << 16 |
           static_cast<uint64_t>(b[6]) << 8 | static_cast<uint64_t>(b[7]);
}

// The order of the pairs: a bubble sort that swaps only strictly greater neighbours
// leaves them by unsigned character codes, equal words in insertion order. Zero-filled
// heads compare as the words do: equal heads mean the shorter word (of at most 16 bytes)
// is a prefix of the longer.
struct EntryLess {
    const char* Text;
    bool operator()(const Entry& a, const Entry& b) const {
        if (a.Head != b.Head) return a.Head < b.Head;
        if (a.Next != b.Next) return a.Next < b.Next;
        if (a.Length > 16 && b.Length > 16) {
            const int order = std::string_view(Text + a.Offset + 16, a.Length - 16)
                                  .compare(std::string_view(Text + b.Offset + 16, b.Length - 16));
            if (order != 0) return order < 0;
        } else if (a.Length != b.Length) {
            return a.Length < b.Length;
        }
        return a.Order < b.Order;
    }
};

// Sorts [first, last): by the first byte in which their heads differ into buckets
// (stable, through scratch), each bucket on in the same way; small buckets and equal heads
// by comparison.
void SortByHead(Entry* first, Entry* last, Entry* scratch, const EntryLess& less) {
    const auto n = static_cast<size_t>(last - first);
    if (n <= 16) {
        for (Entry* i = first + 1; i < last; ++i) {
            const Entry entry = *i;
            Entry* j = i;
            for (; j > first && less(entry, j[-1]); --j) *j = j[-1];
            *j = entry;
        }
        return;
    }
    uint64_t differ = 0;
    for (const Entry* e = first + 1; e < last; ++e) differ |= e->Head ^ first->Head;
    if (differ == 0) {
        // Equal heads (mostly one word) lie in insertion order already.
        if (!std::is_sorted(first, last, less)) std::sort(first, last, less);
        return;
    }
    int shift = 56;
    while ((differ >> shift) == 0) shift -= 8;
    size_t count[256] = {};
    unsigned low = 255, high = 0;
    for (const Entry* e = first; e < last; ++e) {
        const auto b = static_cast<unsigned>((e->Head >> shift) & 0xFF);
        ++count[b];
        low = std::min(low, b);
        high = std::max(high, b);
    }
    size_t offset[256];
    size_t total = 0;
    for (unsigned b = low; b <= high; ++b) {
        offset[b] = total;
        total += count[b];
    }
    for (const Entry* e = first; e < last; ++e) scratch[offset[(e->Head >> shift) & 0xFF]++] = *e;
    std::copy(scratch, scratch + n, first);
    Entry* bucket = first;
    for (unsigned b = low; b <= high; ++b) {
        if (count[b] > 1) SortByHead(bucket, bucket + count[b], scratch, less);
        bucket += count[b];
    }
}

} // namespace

void clsIndex::Insert(std::string_view Value, int16_t Position) {
    if (mEntries.size() >= 32767) CheckInt16(static_cast<int64_t>(mEntries.size()) + 1);
    if (Value.size() > UINT32_MAX || mText.size() > UINT32_MAX - Value.size()) RaiseError(ErrOverflow);
    Entry& entry = mEntries.emplace_back();
    unsigned char bytes[16] = {};
    const auto* head = reinterpret_cast<const unsigned char*>(Value.data());
    if (Value.size() < sizeof bytes) {
        std::memcpy(bytes, Value.data(), Value.size());
        head = bytes;
    }
    entry.Head = BigEndian64(head);
    entry.Next = BigEndian64(head + 8);
    entry.Offset = static_cast<uint32_t>(mText.size());
    entry.Length = static_cast<uint32_t>(Value.size());
    entry.Position = Position;
    entry.Order = static_cast<uint16_t>(mEntries.size() - 1);
    mText.append(Value);
}

std::string_view clsIndex::Word(int16_t i) const {
    const Entry& entry = mEntries[static_cast<size_t>(i)];
    return std::string_view(mText).substr(entry.Offset, entry.Length);
}

void clsIndex::SortEntries() {
    mScratch.resize(mEntries.size());
    SortByHead(mEntries.data(), mEntries.data() + mEntries.size(), mScratch.data(), EntryLess{mText.data()});
    for (size_t i = 0; i < mEntries.size(); ++i) mEntries[i].Order = static_cast<uint16_t>(i);
}

void clsIndex::WriteRecord(clsQVF& database) {
    if (mEntries.empty()) return;
    SortEntries();
    std::vector<QVFIndexPair> pairs;
    pairs.reserve(mEntries.size());
    const char* const text = mText.data();
    const Entry* previous = nullptr;
    for (const Entry& entry : mEntries) {
        // Equal neighbours share one text, which the record writer recognises at once.
        const bool same = previous != nullptr && previous->Head == entry.Head && previous->Next == entry.Next &&
                          previous->Length == entry.Length &&
                          (entry.Length <= 16 ||
                           std::memcmp(text + previous->Offset + 16, text + entry.Offset + 16, entry.Length - 16) == 0);
        if (!same) previous = &entry;
        pairs.push_back({std::string_view(text + previous->Offset, previous->Length), entry.Position});
    }
    database.AddIndexRecord(mRouteIndex, mIndexType, pairs);
    mEntries.clear();
    mText.clear();
}

} // namespace dovrex
