#include "clsPrompts.h"

namespace dovrex {

std::string clsPrompts::Value(const std::string& FieldName) const {
    for (const auto& [name, value] : mPairs) {
        if (name == FieldName) return value;
    }
    return {};
}

} // namespace dovrex
