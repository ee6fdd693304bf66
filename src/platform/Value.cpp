#include "Value.h"

#include "modRuntime.h"

namespace dovrex {

std::string Value::ToText() const {
    switch (GetKind()) {
    case Kind::Empty:
    case Kind::Null: return {};
    case Kind::Integer: return NumberText(Integer());
    case Kind::Double: return NumberText(Double());
    case Kind::Text: return Text();
    case Kind::Date: return IsoText(Date());
    }
    return {};
}

double Value::ToNumber() const {
    switch (GetKind()) {
    case Kind::Integer: return static_cast<double>(Integer());
    case Kind::Double: return Double();
    case Kind::Text: return Val(Text());
    default: return 0.0;
    }
}

double ValueView::ToNumber() const {
    switch (Kind) {
    case Value::Kind::Integer: return static_cast<double>(Integer);
    case Value::Kind::Double: return Double;
    case Value::Kind::Text: return Val(Text);
    default: return 0.0;
    }
}

std::string ValueView::ToText() const {
    std::string scratch;
    return std::string(TextIn(scratch));
}

std::string_view ValueView::TextIn(std::string& scratch) const {
    switch (Kind) {
    case Value::Kind::Integer: AssignNumberText(scratch, Integer); return scratch;
    case Value::Kind::Double: AssignNumberText(scratch, Double); return scratch;
    case Value::Kind::Text: return Text;
    default: return {};
    }
}

Value ValueView::ToValue() const {
    switch (Kind) {
    case Value::Kind::Integer: return Value(Integer);
    case Value::Kind::Double: return Value(Double);
    case Value::Kind::Text: return Value(std::string(Text));
    case Value::Kind::Empty: return Value();
    default: return Value::Null();
    }
}

} // namespace dovrex
