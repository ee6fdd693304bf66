#pragma once

#include "clsRecType.h"

#include <algorithm>
#include <cmath>
#include <concepts>
#include <string>
#include <string_view>

namespace dovrex {

// One record of a kind written straight into its line, for writers of many records of
// one kind. The values every record shares are written once into a template (the
// identifier among them); each record starts as a copy of it and gets only its own
// values. The line is the one the kind's BuildLine gives for the same values: cut after
// the rightmost field with a value, padded with blanks to PadTo.
class RecordLine {
public:
    // Raises when the kind is missing or two of its fields share columns (a program
    // error): values are written in the order they come, not in field order.
    RecordLine(const clsRecType* Kind, int PadTo);
    RecordLine(const RecordLine&) = delete;
    RecordLine& operator=(const RecordLine&) = delete;

    // The kind's field of that name, for Set; raises when there is none.
    const clsField& Field(std::string_view FieldName) const;

    // Writes a value of every record into the template. A field fixed here is not Set.
    void Fix(std::string_view FieldName, const ValueView& NewValue);
    void Fix(std::string_view FieldName, std::string_view Text) { Fix(FieldName, ValueView::OfText(Text)); }
    void Fix(std::string_view FieldName, const char* Text) { Fix(FieldName, std::string_view(Text)); }
    template <std::integral Whole>
        requires(!std::same_as<Whole, bool> && !std::same_as<Whole, char>)
    void Fix(std::string_view FieldName, Whole Number) {
        Fix(FieldName, ValueView::OfInteger(static_cast<int64_t>(Number)));
    }

    // Starts a record: the template's values and nothing else.
    void Start() {
        mLine = mTemplate;
        mEnd = mTemplateEnd;
    }

    // A value of this record, for a field of this kind. Raises when the value cannot be
    // written in the field's kind; a value that is null leaves the field blank.
    [[gnu::always_inline]] void Set(const clsField& Field, std::string_view Text) {
        // Texts, and number columns given the digits of a whole number, are the common cases.
        if (Field.KeepsText()) {
            Field.PlaceTextInline(mLine, Text);
        } else if (!Field.ZeroFillsWhole() || !Field.PlaceDigits(mLine, Text)) {
            return SetOther(Field, Text);
        }
        Reached(Field);
    }
    void Set(const clsField& Field, const char* Text) { Set(Field, std::string_view(Text)); }
    template <std::integral Whole>
        requires(!std::same_as<Whole, bool> && !std::same_as<Whole, char>)
    void Set(const clsField& Field, Whole Number) {
        if (!Field.ZeroFillsWhole()) return Set(Field, ValueView::OfInteger(static_cast<int64_t>(Number)));
        Field.PlaceWhole(mLine, static_cast<int64_t>(Number));
        Reached(Field);
    }
    void Set(const clsField& Field, double Number) {
        if (!Field.ZeroFillsWhole() || !(std::fabs(Number) < 1e15) || Number != std::trunc(Number))
            return Set(Field, ValueView::OfDouble(Number));
        Field.PlaceWhole(mLine, static_cast<int64_t>(Number));
        Reached(Field);
    }
    void Set(const clsField& Field, const DateTime& Date) {
        if (!Field.TryInsertDate(mLine, Date)) return Set(Field, dovrex::Value(Date));
        Reached(Field);
    }
    void Set(const clsField& Field, const ValueView& NewValue);
    void Set(const clsField& Field, const dovrex::Value& NewValue);

    // The record's line; valid until the next Start or Set.
    std::string_view Line() const { return std::string_view(mLine).substr(0, std::max(mEnd, mPad)); }

private:
    // Set of a text that is not written as it stands nor as digits that fit.
    void SetOther(const clsField& Field, std::string_view Text);
    void Reached(const clsField& Field) {
        const size_t end = static_cast<size_t>(Field.FieldPos()) - 1 + static_cast<size_t>(Field.FieldLen());
        if (end > mEnd) mEnd = end;
    }

    const clsRecType& mKind;
    size_t mPad;
    std::string mTemplate; // blank but for the fixed values, as wide as the widest line
    size_t mTemplateEnd = 0;
    std::string mLine;
    size_t mEnd = 0; // the column after the rightmost field with a value
};

} // namespace dovrex
