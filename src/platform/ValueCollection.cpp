#include "ValueCollection.h"

#include "RuntimeError.h"
#include "modRuntime.h"

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

uint32_t CaseInsensitiveSet::ShortHash(std::string_view text) {
    const size_t hash = NoCaseHash()(text);
    return static_cast<uint32_t>(hash ^ (hash >> 32));
}

size_t CaseInsensitiveSet::Find(std::string_view text, uint32_t hash) const {
    const size_t mask = mSlots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = mSlots[i];
        if (slot.Text == 0) return i;
        if (slot.Hash == hash && EqualsNoCase(mTexts[slot.Text - 1], text)) return i;
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
    mTexts.reserve(count);
}

bool CaseInsensitiveSet::Insert(std::string_view text) {
    if (2 * (mTexts.size() + 1) > mSlots.size()) Rebuild(std::max<size_t>(16, 2 * mSlots.size()));
    const uint32_t hash = ShortHash(text);
    const size_t i = Find(text, hash);
    if (mSlots[i].Text != 0) return false;
    if (mTexts.size() >= UINT32_MAX) RaiseError(ErrOverflow);
    mTexts.emplace_back(text);
    mSlots[i] = {hash, static_cast<uint32_t>(mTexts.size())};
    return true;
}

bool CaseInsensitiveSet::Contains(std::string_view text) const {
    return !mSlots.empty() && mSlots[Find(text, ShortHash(text))].Text != 0;
}

void CaseInsensitiveSet::Clear() {
    mTexts.clear();
    mSlots.clear();
}

} // namespace dovrex
