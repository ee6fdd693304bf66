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

bool CaseInsensitiveSet::Insert(std::string_view text) {
    if (mItems.find(text) != mItems.end()) return false;
    mItems.emplace(std::string(text), true);
    return true;
}

bool CaseInsensitiveSet::Contains(std::string_view text) const { return mItems.find(text) != mItems.end(); }

} // namespace dovrex
