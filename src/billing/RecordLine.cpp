#include "RecordLine.h"

#include "platform/RuntimeError.h"

#include <vector>

namespace dovrex {

namespace {

const clsRecType& Required(const clsRecType* Kind) {
    if (!Kind) RaiseError(ErrInvalidCall, "No record kind");
    return *Kind;
}

} // namespace

RecordLine::RecordLine(const clsRecType* Kind, int PadTo)
    : mKind(Required(Kind)), mPad(PadTo >= 1 ? static_cast<size_t>(PadTo) : size_t{0}) {
    std::vector<bool> taken;
    size_t widest = 0;
    for (const clsField& field : mKind.Fields()) {
        const size_t start = static_cast<size_t>(field.FieldPos()) - 1;
        const size_t end = start + static_cast<size_t>(field.FieldLen());
        if (taken.size() < end) taken.resize(end, false);
        for (size_t column = start; column < end; ++column) {
            if (taken[column]) RaiseError(ErrInvalidCall, "Record fields share columns: " + field.FieldName());
            taken[column] = true;
        }
        widest = std::max(widest, end);
    }
    mTemplate.assign(std::max(widest, mPad), ' ');
    // The writers set RecID to the identifier of every record they write.
    if (mKind.FieldNumber("RecID")) Fix("RecID", mKind.RIValue());
    Start();
}

const clsField& RecordLine::Field(std::string_view FieldName) const {
    const auto number = mKind.FieldNumber(FieldName);
    if (!number) RaiseError(ErrInvalidCall, "No record field " + std::string(FieldName));
    return mKind.Fields()[*number];
}

void RecordLine::Fix(std::string_view FieldName, const ValueView& NewValue) {
    const clsField& field = Field(FieldName);
    if (NewValue.IsNull()) return;
    field.Insert(mTemplate, NewValue);
    mTemplateEnd = std::max(mTemplateEnd, static_cast<size_t>(field.FieldPos()) - 1 + static_cast<size_t>(field.FieldLen()));
}

void RecordLine::SetOther(const clsField& Field, std::string_view Text) {
    // Digits of a whole number too long for the column are cut as PlaceWhole cuts them.
    if (Field.ZeroFillsWhole()) {
        if (const std::optional<int64_t> digits = clsField::PlainDigits(Text)) {
            Field.PlaceWhole(mLine, *digits);
            return Reached(Field);
        }
    }
    Set(Field, ValueView::OfText(Text));
}

void RecordLine::Set(const clsField& Field, const ValueView& NewValue) {
    if (NewValue.IsNull()) return;
    Field.Insert(mLine, NewValue);
    Reached(Field);
}

void RecordLine::Set(const clsField& Field, const dovrex::Value& NewValue) {
    if (NewValue.IsNull()) return;
    Field.Insert(mLine, NewValue);
    Reached(Field);
}

} // namespace dovrex
