#include "ValueCollection.h"

#include "RuntimeError.h"
#include "modRuntime.h"

#include <bit>
#include <cstring>

namespace dovrex {

std::optional<size_t> ValueCollection::Find(std::string_view key) const {
    const auto it = mIndex.find(key);
    if (it == mIndex.end()) return std::nullopt;
    return it->second;
}

void ValueCollection::Add(std::string key, Value value) {
    if (mIndex.find(std::string_view(key)) != mIndex.end()) RaiseError(ErrDuplicateKey);
    mIndex.emplace(key, mItems.size());
    mItems.emplace_back(std::move(key), std::move(value));
}

bool ValueCollection::Contains(std::string_view key) const { return Find(key).has_value(); }

const Value& ValueCollection::Item(std::string_view key) const {
    static const Value null = Value::Null();
    const auto position = Find(key);
    return position ? mItems[*position].second : null;
}

void ValueCollection::Set(std::string key, Value value) {
    const auto [it, added] = mIndex.try_emplace(key, mItems.size());
    if (!added) {
        mItems[it->second].second = std::move(value);
        return;
    }
    mItems.emplace_back(std::move(key), std::move(value));
}

void ValueCollection::Clear() {
    mItems.clear();
    mIndex.clear();
}

namespace {

// A word of eight bytes with every byte upper-cased. No byte below 'a' changes: a word of
// such bytes (digits, upper-case letters, blanks) is its own, found at once. A byte of
// 0x61 or more sets its top bit in (word + 0x1F...) or in the word itself.
uint64_t UpperWord(uint64_t word) {
    if (((word | (word + 0x1F1F1F1F1F1F1F1Fu)) & 0x8080808080808080u) == 0) return word;
    uint64_t upper = 0;
    for (int shift = 0; shift < 64; shift += 8) {
        const auto c = static_cast<char>(word >> shift);
        upper |= static_cast<uint64_t>(static_cast<unsigned char>(UpperChar(c))) << shift;
    }
    return upper;
}

uint64_t MixWord(uint64_t hash, uint64_t word) {
    hash = (hash ^ word) * 0xBF58476D1CE4E5B9u;
    return hash ^ (hash >> 31);
}

} // namespace

inline uint32_t CaseInsensitiveSet::ShortHash(std::string_view text) {
    // Only the table's order depends on the hash, so the words are read in the machine's
    // byte order.
    const char* const p = text.data();
    const size_t n = text.size();
    uint64_t hash = 0x9E3779B97F4A7C15u ^ n;
    uint64_t word;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::memcpy(&word, p + i, sizeof word);
        hash = MixWord(hash, UpperWord(word));
    }
    if (i < n) {
        if (n >= 8) {
            // The last eight bytes, the ones already taken shifted out.
            std::memcpy(&word, p + n - 8, sizeof word);
            const unsigned taken = static_cast<unsigned>(8 - (n - i)) * 8;
            word = std::endian::native == std::endian::little ? word >> taken : word << taken;
        } else {
            word = 0;
            for (size_t k = 0; k < n; ++k) word = word << 8 | static_cast<unsigned char>(p[k]);
        }
        hash = MixWord(hash, UpperWord(word));
    }
    hash *= 0x94D049BB133111EBu;
    return static_cast<uint32_t>(hash ^ (hash >> 32));
}

inline size_t CaseInsensitiveSet::Find(std::string_view text, uint32_t hash) const {
    const size_t mask = mSlots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = mSlots[i];
        if (slot.Text == 0) return i;
        if (slot.Hash == hash && EqualsNoCase(TextNumbered(slot.Text), text)) return i;
    }
}

void CaseInsensitiveSet::Rebuild(size_t slots) {
    std::vector<Slot> table(slots);
    for (const Slot& slot : mSlots) {
        if (slot.Text == 0) continue;
        size_t i = slot.Hash & (slots - 1);
        while (table[i].Text != 0) i = (i + 1) & (slots - 1);
        table[i] = slot;
    }
    mSlots = std::move(table);
}

void CaseInsensitiveSet::Reserve(size_t count) {
    size_t slots = 16;
    while (slots < 2 * count) slots *= 2;
    if (slots > mSlots.size()) Rebuild(slots);
    mEnds.reserve(count);
}

bool CaseInsensitiveSet::Insert(std::string_view text) {
    if (2 * (mEnds.size() + 1) > mSlots.size()) Rebuild(std::max<size_t>(16, 2 * mSlots.size()));
    const uint32_t hash = ShortHash(text);
    const size_t i = Find(text, hash);
    if (mSlots[i].Text != 0) return false;
    if (mEnds.size() >= UINT32_MAX - 1 || text.size() > UINT32_MAX - (mEnds.empty() ? 0 : mEnds.back())) {
        RaiseError(ErrOverflow);
    }
    // The buffer grows by doubling; only its first mEnds.back() bytes are texts.
    const size_t start = mEnds.empty() ? 0 : mEnds.back();
    if (mTexts.size() - start < text.size()) mTexts.resize(std::max(2 * mTexts.size(), start + text.size()));
    if (!text.empty()) std::memcpy(mTexts.data() + start, text.data(), text.size());
    mEnds.push_back(static_cast<uint32_t>(start + text.size()));
    mSlots[i] = {hash, static_cast<uint32_t>(mEnds.size())};
    return true;
}

bool CaseInsensitiveSet::Contains(std::string_view text) const {
    return !mSlots.empty() && mSlots[Find(text, ShortHash(text))].Text != 0;
}

void CaseInsensitiveSet::Clear() {
    mTexts.clear();
    mEnds.clear();
    mSlots.clear();
}

} // namespace dovrex
