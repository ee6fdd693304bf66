#pragma once

#include "DateTime.h"

#include <cstdint>
#include <string>
#include <variant>

namespace dovrex {

// A field value that keeps its type from the parser to the database: empty, Null
// (no such field), a whole number, a floating-point number, a text or a date.
class Value {
public:
    enum class Kind { Empty, Null, Integer, Double, Text, Date };

    Value() = default;
    Value(int32_t v) : mData(static_cast<int64_t>(v)) {}
    Value(int64_t v) : mData(v) {}
    Value(int16_t v) : mData(static_cast<int64_t>(v)) {}
    Value(double v) : mData(v) {}
    Value(std::string v) : mData(std::move(v)) {}
    Value(const char* v) : mData(std::string(v)) {}
    Value(DateTime v) : mData(v) {}

    static Value Null() {
        Value v;
        v.mData = NullTag{};
        return v;
    }

    Kind GetKind() const { return static_cast<Kind>(mData.index()); }
    bool IsEmpty() const { return GetKind() == Kind::Empty; }
    bool IsNull() const { return GetKind() == Kind::Null; }
    bool IsText() const { return GetKind() == Kind::Text; }
    bool IsNumber() const { return GetKind() == Kind::Integer || GetKind() == Kind::Double; }
    bool IsDate() const { return GetKind() == Kind::Date; }

    // As the runtime converts a value to text: numbers in plain decimal, empty and
    // Null as empty text, dates as "yyyy-MM-dd hh:mm:ss".
    std::string ToText() const;
    // As a number: texts through the lenient numeric parse, empty and Null as 0.
    double ToNumber() const;

    const std::string& Text() const { return std::get<std::string>(mData); }
    int64_t Integer() const { return std::get<int64_t>(mData); }
    double Double() const { return std::get<double>(mData); }
    const DateTime& Date() const { return std::get<DateTime>(mData); }

    friend bool operator==(const Value& a, const Value& b) = default;

private:
    struct NullTag {
        friend bool operator==(NullTag, NullTag) { return true; }
    };
    std::variant<std::monostate, NullTag, int64_t, double, std::string, DateTime> mData;
};

} // namespace dovrex
