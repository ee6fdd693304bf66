#pragma once

#include "clsRecType.h"

#include "platform/RuntimeError.h"

#include <string>
#include <string_view>

namespace dovrex {

// One field of one record kind of a record file, found by name once and then read or
// written for every record of that kind: the file classes reuse one object per kind.
class RecordColumn {
public:
    // Raises when the kind is missing or has no such field: a program error, not bad input.
    RecordColumn(clsRecType* Kind, std::string_view FieldName) : mKind(Kind) {
        const auto number = Kind ? Kind->FieldNumber(FieldName) : std::nullopt;
        if (!number) RaiseError(ErrInvalidCall, "No record field " + std::string(FieldName));
        mNumber = *number;
    }

    const dovrex::Value& Get() const { return mKind->ValueAt(mNumber); }
    std::string Text() const { return Get().ToText(); }
    double Number() const { return Get().ToNumber(); }
    void Set(dovrex::Value NewValue) const { mKind->SetValueAt(mNumber, std::move(NewValue)); }
    // The field's columns of the line last parsed, as they stand.
    std::string Columns() const {
        const clsField& field = mKind->Fields()[mNumber];
        const std::string& line = mKind->LastBuffer();
        const size_t start = static_cast<size_t>(field.FieldPos()) - 1;
        return start < line.size() ? line.substr(start, static_cast<size_t>(field.FieldLen())) : std::string();
    }

private:
    clsRecType* mKind;
    size_t mNumber = 0;
};

} // namespace dovrex
