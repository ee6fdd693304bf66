#pragma once

#include <string>
#include <utility>
#include <vector>

namespace dovrex {

// The values typed in the "Runtime Variables" dialog: ordered (field name, value) pairs.
// They stay until the next dialog with prompted fields closes.
class clsPrompts {
public:
    void Clear() { mPairs.clear(); }
    // A name already in the list is added again; Value finds the first.
    void Add(std::string FieldName, std::string Value) { mPairs.emplace_back(std::move(FieldName), std::move(Value)); }
    // The value of the first pair whose name matches exactly (letter case counts); empty when none.
    std::string Value(const std::string& FieldName) const;
    size_t Count() const { return mPairs.size(); }
    const std::vector<std::pair<std::string, std::string>>& Pairs() const { return mPairs; }

private:
    std::vector<std::pair<std::string, std::string>> mPairs;
};

} // namespace dovrex
