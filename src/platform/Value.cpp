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

} // namespace dovrex
