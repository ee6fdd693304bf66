#include "ValueCollection.h"

#include "RuntimeError.h"
#include "modRuntime.h"

namespace dovrex {

std::optional<size_t> ValueCollection::Find(std::string_view key) const {
    const auto it = mIndex.find(UCase(key));
    if (it == mIndex.end()) return std::nullopt;
    return it->second;
}

void ValueCollection::Add(std::string key, Value value) {
    std::string folded = UCase(key);
    if (mIndex.count(folded)) RaiseError(ErrDuplicateKey);
    mIndex.emplace(std::move(folded), mItems.size());
    mItems.emplace_back(std::move(key), std::move(value));
}

bool ValueCollection::Contains(std::string_view key) const { return Find(key).has_value(); }

const Value& ValueCollection::Item(std::string_view key) const {
    static const Value null = Value::Null();
    const auto position = Find(key);
    return position ? mItems[*position].second : null;
}

void ValueCollection::Set(std::string key, Value value) {
    if (const auto position = Find(key)) {
        mItems[*position].second = std::move(value);
        return;
    }
    Add(std::move(key), std::move(value));
}

void ValueCollection::Clear() {
    mItems.clear();
    mIndex.clear();
}

bool CaseInsensitiveSet::Insert(std::string_view text) {
    return mItems.emplace(UCase(text), true).second;
}

bool CaseInsensitiveSet::Contains(std::string_view text) const { return mItems.count(UCase(text)) > 0; }

} // namespace dovrex
