#include "RecordAssembly.h"

#include "clsPalmDB.h"
#include "modPDB.h"

#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

namespace dovrex {

namespace {

size_t FixedSize(int16_t type) {
    switch (type) {
    case clsPalmDB::ftInt8: return 1;
    case clsPalmDB::ftInt16: return 2;
    case clsPalmDB::ftInt32: return 4;
    default: return 0;
    }
}

} // namespace

RecordAssembly::RecordAssembly(const clsPalmDB& schema)
    : mFixedSize(static_cast<size_t>(schema.FixedLength())),
      mFixed((mFixedSize + kSlack - 1) / kSlack * kSlack, '\0'),
      mPieces(static_cast<size_t>(schema.StringCount())) {
    for (int16_t number = 1; number <= schema.FieldCount(); ++number) {
        const int16_t type = schema.FieldType(number);
        mFields.push_back(
            {type, schema.FieldOffset(number), static_cast<int16_t>(FixedSize(type)), type == clsPalmDB::ftString});
    }
}

void RecordAssembly::NoSuchField(int16_t Number) {
    RaiseError(ErrInvalidCall, std::to_string(Number) + " not valid field in Record");
}

void RecordAssembly::AddNew() {
    std::fill(mFixed.begin(), mFixed.end(), '\0');
    for (Piece& piece : mPieces) {
        piece.Size = 0;
        piece.Data = piece.Buffer.data();
    }
    mTextBytes = 0;
}

// A text as the string part can hold it: up to its first NUL.
void RecordAssembly::Assign(Piece& piece, std::string_view text) {
    if (const auto* nul = text.empty() ? nullptr : static_cast<const char*>(std::memchr(text.data(), '\0', text.size()))) {
        text = text.substr(0, static_cast<size_t>(nul - text.data()));
    }
    AssignWithoutNul(piece, text);
}

void RecordAssembly::SetTextOther(const Field& field, std::string_view NewValue) {
    if (field.Size != 0) WriteTextBytes(NewValue, static_cast<size_t>(field.Size), mFixed.data() + field.Offset);
}

void RecordAssembly::SetText(int16_t Number, std::string_view NewValue) { SetText(FieldNumbered(Number), NewValue); }

void RecordAssembly::SetText(const Field& field, std::string_view NewValue) {
    if (field.Type == clsPalmDB::ftString) {
        Assign(PieceOf(field), NewValue);
    } else if (const size_t size = FixedSize(field.Type); size != 0) {
        WriteTextBytes(NewValue, size, mFixed.data() + field.Offset);
    }
}

void RecordAssembly::SetIntegerOther(const Field& field, int64_t NewValue) {
    if (field.Type == clsPalmDB::ftString) {
        AssignNumberText(mNumberText, NewValue);
        Assign(PieceOf(field), mNumberText);
    } else if (const size_t size = FixedSize(field.Type); size != 0) {
        // A value that does not fit raises before the record changes.
        WriteIntegerBytes(NewValue, size, mFixed.data() + field.Offset);
    }
}

void RecordAssembly::SetItem(int16_t Number, const Value& NewValue) {
    const Field& field = FieldNumbered(Number);
    if (field.Type == clsPalmDB::ftString) {
        Assign(PieceOf(field), NewValue.IsText() ? NewValue.Text() : NewValue.ToText());
    } else if (const size_t size = FixedSize(field.Type); size != 0) {
        char bytes[4];
        WriteValueBytes(NewValue, size, bytes);
        std::copy_n(bytes, size, mFixed.data() + field.Offset);
    }
}

void RecordAssembly::SetNumberOther(const Field& field, double NewValue) {
    if (field.Type == clsPalmDB::ftString) {
        AssignNumberText(mNumberText, NewValue);
        Assign(PieceOf(field), mNumberText);
    } else if (const size_t size = FixedSize(field.Type); size != 0) {
        WriteIntegerBytes(CLng(NewValue), size, mFixed.data() + field.Offset);
    }
}

ValueView RecordAssembly::ItemView(int16_t Number) const {
    const Field& field = FieldNumbered(Number);
    const auto bytes = [&](size_t size) { return std::string_view(mFixed).substr(static_cast<size_t>(field.Offset), size); };
    switch (field.Type) {
    case clsPalmDB::ftString: return ValueView::OfText(PieceOf(field).Text());
    case clsPalmDB::ftInt8: return ValueView::OfInteger(static_cast<int16_t>(BytesToLong(bytes(1))));
    case clsPalmDB::ftInt16: return ValueView::OfInteger(BytesToLong(bytes(2)));
    case clsPalmDB::ftInt32: return ValueView::OfInteger(BytesToLong(bytes(4)));
    default: return {};
    }
}

std::string_view RecordAssembly::ItemText(int16_t Number, std::string& scratch) const {
    const Field& field = FieldNumbered(Number);
    if (field.Type == clsPalmDB::ftString) return PieceOf(field).Text();
    if (field.Size == 0) return {};
    // The number as ItemView reads it, made into text without a view.
    const auto offset = static_cast<size_t>(field.Offset);
    const int32_t number = BytesToLong(std::string_view(mFixed).substr(offset, static_cast<size_t>(field.Size)));
    char digits[16];
    scratch.assign(digits, static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, number).ptr - digits));
    return scratch;
}

size_t RecordAssembly::Size() const {
    return mFixedSize + mTextBytes + mPieces.size();
}

void RecordAssembly::Write(char* out) const {
    // The fixed part in whole moves of kSlack bytes: the texts overwrite what the last one
    // moves past the part, or the slack past the record takes it. Its place and size kept
    // apart, as each text's below.
    const char* const fixed = mFixed.data();
    const size_t fixedSize = mFixedSize;
    for (size_t at = 0; at < fixedSize; at += kSlack) std::memcpy(out + at, fixed + at, kSlack);
    out += fixedSize;
    for (const Piece& piece : mPieces) {
        // Most texts are short: one fixed move of the piece and its room, which the next
        // text or the NUL overwrites past the text's end (the last one's within the slack
        // past the record). The size is kept apart: the move's bytes could otherwise be
        // taken to change it, and it would be read again.
        const size_t size = piece.Size;
        if (size <= kSlack) std::memcpy(out, piece.Data, kSlack);
        else std::memcpy(out, piece.Data, size);
        out += size;
        *out++ = '\0';
    }
}

std::string_view RecordAssembly::Bytes() {
    const size_t length = Size();
    if (mBytes.size() < length + kSlack) mBytes.resize(length + kSlack);
    Write(mBytes.data());
    return std::string_view(mBytes.data(), length);
}

bool RecordAssembly::WriteTo(clsPalmDB& db) {
    // The size without a virtual call: this class's own.
    return db.WriteRaw(static_cast<const RecordSource&>(*this), RecordAssembly::Size());
}

char* RecordAssembly::TextRoom(int16_t Number, size_t Size) {
    const Field& field = FieldNumbered(Number);
    return field.Text ? Resize(PieceOf(field), Size) : nullptr;
}

} // namespace dovrex
