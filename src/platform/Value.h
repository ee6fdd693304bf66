#pragma once

#include "DateTime.h"

#include <cstdint>
#include <string>
#include <string_view>
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

// A value that does not own its text: a view of a record or a line, valid as long as
// what it views. It converts as the Value it stands for would.
struct ValueView {
    Value::Kind Kind = Value::Kind::Null;
    int64_t Integer = 0;
    double Double = 0;
    std::string_view Text;

    static ValueView OfText(std::string_view text) { return {Value::Kind::Text, 0, 0, text}; }
    static ValueView OfInteger(int64_t number) { return {Value::Kind::Integer, number, 0, {}}; }
    static ValueView OfDouble(double number) { return {Value::Kind::Double, 0, number, {}}; }
    static ValueView OfEmpty() { return {Value::Kind::Empty, 0, 0, {}}; }

    bool IsNull() const { return Kind == Value::Kind::Null; }
    bool IsText() const { return Kind == Value::Kind::Text; }
    double ToNumber() const;
    std::string ToText() const;
    // The text itself, or the number's text made in scratch.
    std::string_view TextIn(std::string& scratch) const;
    Value ToValue() const;
};

} // namespace dovrex
