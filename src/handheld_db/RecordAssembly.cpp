#include "RecordAssembly.h"

#include "clsPalmDB.h"
#include "modPDB.h"

#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <algorithm>
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

// A text as the string part can hold it: up to its first NUL.
std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

} // namespace

RecordAssembly::RecordAssembly(const clsPalmDB& schema)
    : mFixed(static_cast<size_t>(schema.FixedLength()), '\0'), mPieces(static_cast<size_t>(schema.StringCount())) {
    for (int16_t number = 1; number <= schema.FieldCount(); ++number) {
        mFields.push_back({schema.FieldType(number), schema.FieldOffset(number)});
    }
}

void RecordAssembly::NoSuchField(int16_t Number) {
    RaiseError(ErrInvalidCall, std::to_string(Number) + " not valid field in Record");
}

void RecordAssembly::AddNew() {
    std::fill(mFixed.begin(), mFixed.end(), '\0');
    for (std::string& piece : mPieces) piece.clear();
}

void RecordAssembly::SetText(int16_t Number, std::string_view NewValue) {
    const Field& field = FieldNumbered(Number);
    if (field.Type == clsPalmDB::ftString) {
        Piece(field).assign(UpToNul(NewValue));
    } else if (const size_t size = FixedSize(field.Type); size != 0) {
        WriteTextBytes(NewValue, size, mFixed.data() + field.Offset);
    }
}

void RecordAssembly::SetInteger(int16_t Number, int64_t NewValue) {
    const Field& field = FieldNumbered(Number);
    if (field.Type == clsPalmDB::ftString) {
        AssignNumberText(Piece(field), NewValue);
    } else if (const size_t size = FixedSize(field.Type); size != 0) {
        // A value that does not fit raises before the record changes.
        WriteIntegerBytes(NewValue, size, mFixed.data() + field.Offset);
    }
}

void RecordAssembly::SetItem(int16_t Number, const Value& NewValue) {
    const Field& field = FieldNumbered(Number);
    if (field.Type == clsPalmDB::ftString) {
        if (NewValue.IsText()) Piece(field).assign(UpToNul(NewValue.Text()));
        else Piece(field).assign(UpToNul(NewValue.ToText()));
    } else if (const size_t size = FixedSize(field.Type); size != 0) {
        char bytes[4];
        WriteValueBytes(NewValue, size, bytes);
        std::copy_n(bytes, size, mFixed.data() + field.Offset);
    }
}

void RecordAssembly::SetNumber(int16_t Number, double NewValue) {
    const Field& field = FieldNumbered(Number);
    if (field.Type == clsPalmDB::ftString) {
        AssignNumberText(Piece(field), NewValue);
    } else if (const size_t size = FixedSize(field.Type); size != 0) {
        WriteIntegerBytes(CLng(NewValue), size, mFixed.data() + field.Offset);
    }
}

ValueView RecordAssembly::ItemView(int16_t Number) const {
    const Field& field = FieldNumbered(Number);
    const auto bytes = [&](size_t size) { return std::string_view(mFixed).substr(static_cast<size_t>(field.Offset), size); };
    switch (field.Type) {
    case clsPalmDB::ftString: return ValueView::OfText(Piece(field));
    case clsPalmDB::ftInt8: return ValueView::OfInteger(static_cast<int16_t>(BytesToLong(bytes(1))));
    case clsPalmDB::ftInt16: return ValueView::OfInteger(BytesToLong(bytes(2)));
    case clsPalmDB::ftInt32: return ValueView::OfInteger(BytesToLong(bytes(4)));
    default: return {};
    }
}

const std::string& RecordAssembly::Bytes() {
    size_t length = mFixed.size();
    for (const std::string& piece : mPieces) length += piece.size() + 1;
    mBytes.resize(length);
    char* out = mBytes.data();
    out = std::copy(mFixed.begin(), mFixed.end(), out);
    for (const std::string& piece : mPieces) {
        out = std::copy(piece.begin(), piece.end(), out);
        *out++ = '\0';
    }
    return mBytes;
}

bool RecordAssembly::WriteTo(clsPalmDB& db) { return db.WriteRaw(Bytes()); }

} // namespace dovrex
