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
    mLastPos = 0;
}

void clsRecType::ClearValues() {
    for (auto& value : mValues) value.reset();
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
    if (!value && mParsed) value = mFields[index].Extract(mBuffer);
    return value ? &*value : nullptr;
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
        mValues[*index] = std::move(NewValue);
    } else {
        mOtherValues.Set(std::string(FieldName), std::move(NewValue));
    }
}

std::string clsRecType::BuildLine(int PadTo) const {
    std::string line;
    line.reserve(static_cast<size_t>(std::max<int>(PadTo, mLastPos)));
    for (size_t i = 0; i < mFields.size(); ++i) {
        // A field without a value stays blank (or absent when nothing follows it).
        const dovrex::Value* value = FieldValue(i);
        if (value && !value->IsNull()) mFields[i].Insert(line, *value);
    }
    if (PadTo >= 1 && line.size() < static_cast<size_t>(PadTo)) line.resize(static_cast<size_t>(PadTo), ' ');
    return line;
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
