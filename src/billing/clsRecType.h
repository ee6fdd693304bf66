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
    double NumberAt(size_t FieldNumber) const;
    // The field's columns of the line last parsed, as they stand (fewer or none where the
    // line ends earlier); valid until the next Parse.
    std::string_view ColumnsAt(size_t FieldNumber) const;
    // Stores a value under a name; names that are no field are kept but never written.
    void SetValue(std::string_view FieldName, dovrex::Value NewValue);
    void SetValueAt(size_t FieldNumber, dovrex::Value NewValue);

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
    std::optional<size_t> FieldIndex(std::string_view FieldName) const;
    // The value of field index, converted from the parsed line on first use; nothing when none.
    const dovrex::Value* FieldValue(size_t index) const;
    // True when field index is read from the parsed line rather than from a value of its own.
    bool ReadsLine(size_t index) const { return mParsed && !mValues[index]; }

    IMessageBox* mMessages;
    std::string mBuffer;
    int16_t mRIPos = 0;
    int16_t mRILen = 0;
    std::string mRIValue;
    std::vector<clsField> mFields;
    std::unordered_map<std::string, size_t, NoCaseHash, NoCaseEqual> mFieldIndex;
    // One per field, in field order; after Parse a field without one reads from mBuffer.
    mutable std::vector<std::optional<dovrex::Value>> mValues;
    // The fields of mValues that hold a value, so that clearing a record of many fields
    // touches only those.
    mutable std::vector<size_t> mHeld;
    bool mParsed = false;
    ValueCollection mOtherValues;                      // names that are no field
    int16_t mLastPos = 0;
    int mMaxEnd = 0; // the column after the rightmost field
};

} // namespace dovrex
