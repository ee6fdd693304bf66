#pragma once

#include "clsRecType.h"

#include "platform/RuntimeError.h"

#include <concepts>
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
    // Text() as a view of the line last parsed, or of scratch; valid until either changes.
    std::string_view TextIn(std::string& scratch) const { return mKind->TextIn(mNumber, scratch); }
    double Number() const { return mKind->NumberAt(mNumber); }
    void Set(dovrex::Value NewValue) const { mKind->SetValueAt(mNumber, std::move(NewValue)); }
    // Texts and numbers are kept by the record without building a Value.
    void Set(std::string_view NewText) const { mKind->SetViewAt(mNumber, ValueView::OfText(NewText)); }
    void Set(const std::string& NewText) const { Set(std::string_view(NewText)); }
    void Set(const char* NewText) const { Set(std::string_view(NewText)); }
    template <std::integral Whole>
        requires(!std::same_as<Whole, bool> && !std::same_as<Whole, char>)
    void Set(Whole NewNumber) const {
        mKind->SetViewAt(mNumber, ValueView::OfInteger(static_cast<int64_t>(NewNumber)));
    }
    void Set(double NewNumber) const { mKind->SetViewAt(mNumber, ValueView::OfDouble(NewNumber)); }
    // The field's columns of the line last parsed, as they stand.
    std::string Columns() const { return std::string(mKind->ColumnsAt(mNumber)); }

    // TextIn, Number and the columns of a line of this kind that a caller keeps, read as
    // they are from the line last parsed when no value has been set.
    std::string_view TextOf(std::string_view Line, std::string& scratch) const {
        const clsField& field = mKind->Fields()[mNumber];
        if (field.FieldType() == clsField::ftText) return field.Columns(Line);
        if (const std::string_view digits = field.PlainWholeText(Line); !digits.empty()) return digits;
        scratch = field.Extract(Line).ToText();
        return scratch;
    }
    double NumberOf(std::string_view Line) const { return mKind->Fields()[mNumber].ExtractNumber(Line); }
    std::string_view ColumnsOf(std::string_view Line) const { return mKind->Fields()[mNumber].Columns(Line); }

private:
    clsRecType* mKind;
    size_t mNumber = 0;
};

} // namespace dovrex
