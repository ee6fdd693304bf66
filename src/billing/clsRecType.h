#pragma once

#include "clsField.h"

#include "platform/IMessageBox.h"
#include "platform/Value.h"
#include "platform/ValueCollection.h"
#include "platform/modRuntime.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dovrex {

// One row of a record layout table: the fields are placed left to right without gaps.
struct FieldDecl {
    const char* Name;
    int16_t Type;
    int16_t Len;
};

// One record kind of a file: its identifier (starting in column 1) and its layout table.
struct RecordLayout {
    const char* ID;
    std::span<const FieldDecl> Fields;
};

// One record kind of a line-per-record file: its identifier, its ordered fields and the
// values of the record most recently parsed or being prepared.
class clsRecType {
public:
    explicit clsRecType(IMessageBox* messages = nullptr) : mMessages(messages) {}
    clsRecType(const clsRecType&) = delete;
    clsRecType& operator=(const clsRecType&) = delete;

    void SetID(int16_t Position, int16_t length, std::string Value);
    int16_t RIPos() const { return mRIPos; }
    int16_t RILen() const { return mRILen; }
    const std::string& RIValue() const { return mRIValue; }

    // Appends a field; FieldPos 0 places it directly after the previous one. Raises the
    // duplicate-key error for a name already declared and "Overflow" past 32767 columns.
    void AddField(std::string FieldName, int16_t FieldType, int16_t FieldPos, int16_t FieldLen);
    // Appends the rows of a layout table, each directly after the previous one.
    void AddFields(std::span<const FieldDecl> Fields);
    int16_t RecLen() const { return mLastPos; }
    const std::vector<clsField>& Fields() const { return mFields; }

    // True when the identifier's columns of Buffer equal RIValue exactly.
    bool TestID(std::string_view Buffer) const;

    void ClearFields();
    void ClearValues();
    int16_t Init() {
        ClearValues();
        return 0;
    }

    // Replaces every value with the fields of the line. A field's text is converted when
    // its value is first asked for, so that a caller pays only for the fields it reads.
    void Parse(std::string_view Buffer);
    // As Parse, without copying the line: its text moves into the record, and Buffer gets
    // the text the record held before.
    void ParseSwap(std::string& Buffer);
    const std::string& LastBuffer() const { return mBuffer; }

    // The value under a name (any letter case), or empty when there is none.
    const dovrex::Value& Value(std::string_view FieldName) const;
    // The position of a field among Fields() (letter case ignored), for callers that read
    // the same fields of many records; nothing when the kind has no such field.
    std::optional<size_t> FieldNumber(std::string_view FieldName) const { return FieldIndex(FieldName); }
    // The value of the field at that position, as Value gives it by name.
    const dovrex::Value& ValueAt(size_t FieldNumber) const;
    // ValueAt(FieldNumber).ToText() and .ToNumber(), read straight from the parsed line
    // when the field holds no value of its own (no value is built and kept for them).
    std::string TextAt(size_t FieldNumber) const;
    // TextAt as a view: of the parsed line for a text field read from it, else of scratch.
    std::string_view TextIn(size_t FieldNumber, std::string& scratch) const {
        if (FieldNumber < mState.size() && ReadsLine(FieldNumber)) {
            const clsField& field = mFields[FieldNumber];
            if (field.FieldType() == clsField::ftText) return field.Columns(mBuffer);
            // A number column of plain digits reads as those digits without leading zeros.
            if (field.FieldType() == clsField::ftZeroFilled) {
                const std::string_view digits = field.PlainWholeText(mBuffer);
                if (!digits.empty()) return digits;
            }
        }
        scratch = TextAt(FieldNumber);
        return scratch;
    }
    double NumberAt(size_t FieldNumber) const;
    // The field's columns of the line last parsed, as they stand (fewer or none where the
    // line ends earlier); valid until the next Parse.
    std::string_view ColumnsAt(size_t FieldNumber) const;
    // Stores a value under a name; names that are no field are kept but never written.
    void SetValue(std::string_view FieldName, dovrex::Value NewValue);
    void SetValueAt(size_t FieldNumber, dovrex::Value NewValue);
    // As SetValueAt with the value the view stands for (a text, a number or empty), kept
    // without building a Value: written into the record's line at once where the field's
    // kind allows, else copied into storage the field reuses from record to record.
    void SetViewAt(size_t FieldNumber, const ValueView& NewValue) {
        // Texts for the kinds that keep them and whole numbers for the zero-filled kinds,
        // the most common by far, are written here; anything else by SetViewOther.
        if (FieldNumber < mState.size() && mCanPlace && mState[FieldNumber] <= PlacedView) {
            const clsField& field = mFields[FieldNumber];
            if (NewValue.Kind == dovrex::Value::Kind::Text && field.KeepsText() &&
                NewValue.Text.size() <= static_cast<size_t>(field.FieldLen())) {
                field.PlaceText(mLine, NewValue.Text);
                mSlots[FieldNumber].TextLength = static_cast<uint32_t>(NewValue.Text.size());
                return Placed(FieldNumber, field, PlacedText);
            }
            if (NewValue.Kind == dovrex::Value::Kind::Integer && field.ZeroFillsWhole()) {
                field.PlaceWhole(mLine, NewValue.Integer);
                mSlots[FieldNumber].Fast = NewValue;
                return Placed(FieldNumber, field, PlacedView);
            }
        }
        SetViewOther(FieldNumber, NewValue);
    }

    // The line of the current values, padded with blanks to PadTo when that is at least 1.
    // When a value cannot be formatted it shows the failure and returns an empty line.
    std::string Buffer(int PadTo);
    // As Buffer, but raises the failure instead (for writers that must not lose a record).
    std::string BuildLine(int PadTo) const;
    // As BuildLine, into Line (emptied first), so that a writer reuses one buffer.
    void BuildLine(std::string& Line, int PadTo) const;

    // Developer listing of the last parsed line: name, start, width and value per field.
    std::string Dump() const;

private:
    // What a field holds. The placed states are written into mLine already.
    enum State : uint8_t {
        Unset,      // nothing; after Parse, read from the line (the slot's Held caches it)
        PlacedText, // a text that fits its columns, as their first TextLength characters
        PlacedView, // the slot's Fast
        View,       // the slot's Fast, not placed
        Held,       // the slot's Held
    };
    // What a field holds besides its state.
    struct Slot {
        uint32_t TextLength = 0;
        bool Cached = false;  // Held is the Value of a placed or view state
        bool Touched = false; // listed in mTouched
        ValueView Fast;       // a text views FastText
        std::string FastText;
        std::optional<dovrex::Value> Held;
    };

    std::optional<size_t> FieldIndex(std::string_view FieldName) const;
    // The value of field index, converted from the parsed line on first use; nothing when none.
    const dovrex::Value* FieldValue(size_t index) const;
    // True when field index is read from the parsed line rather than from a value of its own.
    bool ReadsLine(size_t index) const { return mParsed && mState[index] == Unset; }
    // The value of a field in a placed or view state.
    ValueView ViewAt(size_t index) const;
    void Touch(size_t index) const;
    void Placed(size_t index, const clsField& field, State state) {
        if (mState[index] == Unset) mLineBlank = false;
        mState[index] = state;
        mStatesSet = true;
        if (mSlots[index].Cached) mSlots[index].Cached = false;
        const size_t end = static_cast<size_t>(field.FieldPos()) - 1 + static_cast<size_t>(field.FieldLen());
        if (end > mPlacedEnd) mPlacedEnd = end;
    }
    void SetViewOther(size_t FieldNumber, const ValueView& NewValue);
    // Blanks the columns of a placed field that is to hold something else.
    void Unplace(size_t index);

    IMessageBox* mMessages;
    std::string mBuffer;
    int16_t mRIPos = 0;
    int16_t mRILen = 0;
    std::string mRIValue;
    std::vector<clsField> mFields;
    std::unordered_map<std::string, size_t, NoCaseHash, NoCaseEqual> mFieldIndex;
    // One state and one slot per field, in field order.
    std::vector<State> mState;
    mutable std::vector<Slot> mSlots;
    // The fields whose slot holds a Value, so that clearing a record touches only those.
    mutable std::vector<size_t> mTouched;
    // The record being prepared: blank but for the placed fields, written as Buffer
    // writes them; as long as the rightmost field reaches.
    std::string mLine;
    bool mLineBlank = true;
    size_t mPlacedEnd = 0;   // the column after the rightmost placed field
    size_t mUnplaced = 0;    // fields in the View or Held state
    bool mCanPlace = true;   // false once two fields share columns: then their order matters
    bool mParsed = false;
    bool mStatesSet = false; // some state is not Unset: clearing has to reset them
    ValueCollection mOtherValues;                      // names that are no field
    int16_t mLastPos = 0;
    int mMaxEnd = 0; // the column after the rightmost field
};

} // namespace dovrex
