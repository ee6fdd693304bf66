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
    mState.push_back(Unset);
    mSlots.emplace_back();
    mLastPos = lastPos;
    // Placed fields are written in the order they are set rather than in field order,
    // which gives the same line only while no two fields share columns.
    if (position - 1 < mMaxEnd && FieldLen > 0) mCanPlace = false;
    mMaxEnd = std::max<int>(mMaxEnd, position - 1 + FieldLen);
    mLine.resize(static_cast<size_t>(mMaxEnd), ' ');
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
    mState.clear();
    mSlots.clear();
    mTouched.clear();
    mLastPos = 0;
    mMaxEnd = 0;
    mLine.clear();
    mLineBlank = true;
    mPlacedEnd = 0;
    mUnplaced = 0;
    mCanPlace = true;
    mStatesSet = false;
}

void clsRecType::ClearValues() {
    for (size_t index : mTouched) {
        Slot& slot = mSlots[index];
        slot.Held.reset();
        slot.Cached = slot.Touched = false;
    }
    mTouched.clear();
    if (mStatesSet) {
        std::fill(mState.begin(), mState.end(), Unset);
        mStatesSet = false;
    }
    if (!mLineBlank) {
        std::fill(mLine.begin(), mLine.end(), ' ');
        mLineBlank = true;
    }
    mPlacedEnd = 0;
    mUnplaced = 0;
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

void clsRecType::Touch(size_t index) const {
    Slot& slot = mSlots[index];
    if (!slot.Touched) {
        slot.Touched = true;
        mTouched.push_back(index);
    }
}

const Value* clsRecType::FieldValue(size_t index) const {
    Slot& slot = mSlots[index];
    switch (mState[index]) {
    case Held: return &*slot.Held;
    case Unset:
        if (!mParsed) return nullptr;
        if (!slot.Cached) {
            slot.Held = mFields[index].Extract(mBuffer);
            slot.Cached = true;
            Touch(index);
        }
        return &*slot.Held;
    default:
        if (!slot.Cached) {
            slot.Held = ViewAt(index).ToValue();
            slot.Cached = true;
            Touch(index);
        }
        return &*slot.Held;
    }
}

ValueView clsRecType::ViewAt(size_t index) const {
    if (mState[index] != PlacedText) return mSlots[index].Fast;
    const size_t start = static_cast<size_t>(mFields[index].FieldPos()) - 1;
    return ValueView::OfText(std::string_view(mLine).substr(start, mSlots[index].TextLength));
}

std::string clsRecType::TextAt(size_t FieldNumber) const {
    if (FieldNumber < mFields.size()) {
        if (mState[FieldNumber] != Unset && mState[FieldNumber] != Held) return ViewAt(FieldNumber).ToText();
        if (ReadsLine(FieldNumber) && mFields[FieldNumber].FieldType() == clsField::ftText)
            return std::string(ColumnsAt(FieldNumber));
    }
    return ValueAt(FieldNumber).ToText();
}

double clsRecType::NumberAt(size_t FieldNumber) const {
    if (FieldNumber < mFields.size()) {
        if (mState[FieldNumber] != Unset && mState[FieldNumber] != Held) return ViewAt(FieldNumber).ToNumber();
        if (ReadsLine(FieldNumber)) return mFields[FieldNumber].ExtractNumber(mBuffer);
    }
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

void clsRecType::Unplace(size_t index) {
    const clsField& field = mFields[index];
    std::fill_n(mLine.begin() + (field.FieldPos() - 1), field.FieldLen(), ' ');
}

void clsRecType::SetValueAt(size_t FieldNumber, dovrex::Value NewValue) {
    const State state = mState.at(FieldNumber);
    if (state == PlacedText || state == PlacedView) Unplace(FieldNumber);
    if (state != View && state != Held) ++mUnplaced;
    Slot& slot = mSlots[FieldNumber];
    slot.Held = std::move(NewValue);
    slot.Cached = false;
    Touch(FieldNumber);
    mState[FieldNumber] = Held;
    mStatesSet = true;
}

void clsRecType::SetViewOther(size_t FieldNumber, const ValueView& NewValue) {
    const State state = mState.at(FieldNumber);
    const clsField& field = mFields[FieldNumber];
    Slot& slot = mSlots[FieldNumber];
    if (state == Held) slot.Held.reset();
    slot.Cached = false;
    if (NewValue.IsText()) {
        slot.FastText.assign(NewValue.Text);
        slot.Fast = ValueView::OfText(slot.FastText);
    } else {
        slot.Fast = NewValue;
    }
    const bool placed = mCanPlace && field.TryInsert(mLine, slot.Fast);
    if (placed) {
        if (state == View || state == Held) --mUnplaced;
        Placed(FieldNumber, field, PlacedView);
    } else {
        if (state == PlacedText || state == PlacedView) Unplace(FieldNumber);
        if (state != View && state != Held) ++mUnplaced;
        mState[FieldNumber] = View;
        mStatesSet = true;
    }
}

std::string clsRecType::BuildLine(int PadTo) const {
    std::string line;
    BuildLine(line, PadTo);
    return line;
}

void clsRecType::BuildLine(std::string& Line, int PadTo) const {
    // The line is cut after the last field written (a field without a value stays blank,
    // or absent when nothing follows it) or padded to PadTo.
    const size_t pad = PadTo >= 1 ? static_cast<size_t>(PadTo) : size_t{0};
    if (mUnplaced == 0 && !mParsed) {
        // Every value is in mLine already.
        const size_t end = std::max(mPlacedEnd, pad);
        Line.assign(mLine, 0, std::min(end, mLine.size()));
        Line.resize(end, ' ');
        return;
    }
    // The line starts as mLine, blank to its widest, so that no field has to grow it.
    Line.assign(mLine);
    if (Line.size() < pad) Line.resize(pad, ' ');
    size_t end = 0;
    for (size_t i = 0; i < mFields.size(); ++i) {
        const clsField& field = mFields[i];
        switch (mState[i]) {
        case PlacedText:
        case PlacedView: break;
        case View:
            if (mSlots[i].Fast.IsNull()) continue;
            field.Insert(Line, mSlots[i].Fast);
            break;
        default: {
            const dovrex::Value* value = FieldValue(i);
            if (value == nullptr || value->IsNull()) continue;
            field.Insert(Line, *value);
        }
        }
        end = std::max(end, static_cast<size_t>(field.FieldPos()) - 1 + static_cast<size_t>(field.FieldLen()));
    }
    Line.resize(std::max(end, pad));
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
