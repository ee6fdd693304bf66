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
    std::string Text() const { return mKind->TextAt(mNumber); }
    double Number() const { return mKind->NumberAt(mNumber); }
    void Set(dovrex::Value NewValue) const { mKind->SetValueAt(mNumber, std::move(NewValue)); }
    // The field's columns of the line last parsed, as they stand.
    std::string Columns() const { return std::string(mKind->ColumnsAt(mNumber)); }

private:
    clsRecType* mKind;
    size_t mNumber = 0;
};

} // namespace dovrex
