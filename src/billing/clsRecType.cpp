#include "clsRecType.h"

#include "platform/RuntimeError.h"

#include <algorithm>

namespace dovrex {

namespace {
const Value kNoValue;

std::string PadRight(std::string text, size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text;
}
} // namespace

void clsRecType::SetID(int16_t Position, int16_t length, std::string Value) {
    mRIPos = Position;
    mRILen = length;
    mRIValue = std::move(Value);
}

void clsRecType::AddField(std::string FieldName, int16_t FieldType, int16_t FieldPos, int16_t FieldLen) {
    if (FieldIndex(FieldName)) RaiseError(ErrDuplicateKey);
    const int16_t position = FieldPos == 0 ? CheckInt16(int64_t{mLastPos} + 1) : FieldPos;
    const int16_t lastPos = CheckInt16(int64_t{mLastPos} + FieldLen);
    mFields.emplace_back(std::move(FieldName), FieldType, position, FieldLen, mMessages);
    mFieldIndex.emplace(mFields.back().FieldName(), mFields.size() - 1);
    mValues.emplace_back();
    mLastPos = lastPos;
    mMaxEnd = std::max<int>(mMaxEnd, position - 1 + FieldLen);
}

void clsRecType::AddFields(std::span<const FieldDecl> Fields) {
    for (const FieldDecl& field : Fields) AddField(field.Name, field.Type, 0, field.Len);
}

bool clsRecType::TestID(std::string_view Buffer) const {
    if (mRIPos < 1 || mRILen < 0) return false;
    const size_t start = static_cast<size_t>(mRIPos) - 1;
    const size_t length = static_cast<size_t>(mRILen);
    if (Buffer.size() < start + length || mRIValue.size() != length) return false;
    // Identifiers are a few characters and every line is tested against most kinds.
    for (size_t i = 0; i < length; ++i) {
        if (Buffer[start + i] != mRIValue[i]) return false;
    }
    return true;
}

void clsRecType::ClearFields() {
    mFields.clear();
    mFieldIndex.clear();
    mValues.clear();
    mHeld.clear();
    mLastPos = 0;
    mMaxEnd = 0;
}

void clsRecType::ClearValues() {
    for (size_t index : mHeld) mValues[index].reset();
    mHeld.clear();
    if (mOtherValues.Count() != 0) mOtherValues.Clear();
    mParsed = false;
}

std::optional<size_t> clsRecType::FieldIndex(std::string_view FieldName) const {
    const auto found = mFieldIndex.find(FieldName);
    if (found == mFieldIndex.end()) return std::nullopt;
    return found->second;
}

void clsRecType::Parse(std::string_view Buffer) {
    ClearValues();
    mBuffer.assign(Buffer);
    mParsed = true;
}

void clsRecType::ParseSwap(std::string& Buffer) {
    ClearValues();
    mBuffer.swap(Buffer);
    mParsed = true;
}

const Value* clsRecType::FieldValue(size_t index) const {
    auto& value = mValues[index];
    if (!value && mParsed) {
        value = mFields[index].Extract(mBuffer);
        mHeld.push_back(index);
    }
    return value ? &*value : nullptr;
}

std::string clsRecType::TextAt(size_t FieldNumber) const {
    if (FieldNumber < mFields.size() && ReadsLine(FieldNumber) && mFields[FieldNumber].FieldType() == clsField::ftText)
        return std::string(ColumnsAt(FieldNumber));
    return ValueAt(FieldNumber).ToText();
}

double clsRecType::NumberAt(size_t FieldNumber) const {
    if (FieldNumber < mFields.size() && ReadsLine(FieldNumber)) return mFields[FieldNumber].ExtractNumber(mBuffer);
    return ValueAt(FieldNumber).ToNumber();
}

std::string_view clsRecType::ColumnsAt(size_t FieldNumber) const {
    return FieldNumber < mFields.size() ? mFields[FieldNumber].Columns(mBuffer) : std::string_view();
}

const Value& clsRecType::ValueAt(size_t FieldNumber) const {
    const dovrex::Value* value = FieldNumber < mFields.size() ? FieldValue(FieldNumber) : nullptr;
    return value ? *value : kNoValue;
}

const Value& clsRecType::Value(std::string_view FieldName) const {
    if (const auto index = FieldIndex(FieldName)) {
        const dovrex::Value* value = FieldValue(*index);
        return value ? *value : kNoValue;
    }
    if (mOtherValues.Contains(FieldName)) return mOtherValues.Item(FieldName);
    return kNoValue;
}

void clsRecType::SetValue(std::string_view FieldName, dovrex::Value NewValue) {
    if (const auto index = FieldIndex(FieldName)) {
        SetValueAt(*index, std::move(NewValue));
    } else {
        mOtherValues.Set(std::string(FieldName), std::move(NewValue));
    }
}

void clsRecType::SetValueAt(size_t FieldNumber, dovrex::Value NewValue) {
    auto& value = mValues.at(FieldNumber);
    if (!value) mHeld.push_back(FieldNumber);
    value = std::move(NewValue);
}

std::string clsRecType::BuildLine(int PadTo) const {
    std::string line;
    BuildLine(line, PadTo);
    return line;
}

void clsRecType::BuildLine(std::string& Line, int PadTo) const {
    // The line is laid out blank to its widest, so that no field has to grow it, and then
    // cut after the last field written (a field without a value stays blank, or absent
    // when nothing follows it) or padded to PadTo.
    Line.assign(static_cast<size_t>(std::max<int>(PadTo, mMaxEnd)), ' ');
    size_t end = 0;
    for (size_t i = 0; i < mFields.size(); ++i) {
        const auto& held = mValues[i];
        const dovrex::Value* value = held ? &*held : mParsed ? FieldValue(i) : nullptr;
        if (value == nullptr || value->IsNull()) continue;
        const clsField& field = mFields[i];
        field.Insert(Line, *value);
        end = std::max(end, static_cast<size_t>(field.FieldPos()) - 1 + static_cast<size_t>(field.FieldLen()));
    }
    Line.resize(std::max(end, PadTo >= 1 ? static_cast<size_t>(PadTo) : size_t{0}));
}

std::string clsRecType::Buffer(int PadTo) {
    try {
        return BuildLine(PadTo);
    } catch (const std::exception& e) {
        if (mMessages) mMessages->Inform(DescribeException(e));
        return {};
    }
}

std::string clsRecType::Dump() const {
    std::string text = PadRight("NAME", 25) + "\n";
    for (const clsField& field : mFields) {
        text += PadRight(field.FieldName(), 25) + std::to_string(field.FieldPos()) + " " +
                std::to_string(field.FieldLen()) + " " + field.Extract(mBuffer).ToText() + "\n";
    }
    return text;
}

} // namespace dovrex
