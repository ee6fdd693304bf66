#pragma once

// One record of a database's schema, built field by field and written whole: the
// writers that fill every field of thousands of records use it instead of the database's
// record buffer. Numbers go straight into the fixed part; each text is kept apart until
// the record is written, so setting one never moves the texts after it, and the texts
// are joined once, in field order. Every setter overwrites its whole field, so a writer
// may keep what is the same in every record and set only the rest.

#include "IPalmFile.h"

#include "platform/Value.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace dovrex {

class clsPalmDB;

class RecordAssembly : private RecordSource {
public:
    // Takes the database's schema as it is now.
    explicit RecordAssembly(const clsPalmDB& schema);

    // A field of the schema as the setters find it. A writer that sets the same fields of
    // every record resolves them once (Resolve) and sets them through the overloads that
    // take a Field, which skip the field number's check.
    struct Field {
        int16_t Type;
        int16_t Offset; // a byte offset in the fixed part, or the 1-based text number
        int16_t Size;   // the bytes of a number in the fixed part; 0 for any other field
        bool Text;      // a text field (the string part)
    };
    // A field number the schema lacks raises.
    const Field& Resolve(int16_t Number) const { return FieldNumbered(Number); }

    // The field's type (clsPalmDB::FieldTypes); a field number the schema lacks raises.
    int16_t FieldType(int16_t Number) const { return FieldNumbered(Number).Type; }

    // An empty record: zeros in the fixed part, every text empty.
    void AddNew();
    // As the database's setters of the same names store them. A text ends at its first NUL
    // byte; a field number the schema lacks raises an error.
    void SetText(int16_t Number, std::string_view NewValue);
    void SetText(const Field& field, std::string_view NewValue);
    // SetText for a text the caller knows holds no NUL byte (it checked the whole line the
    // text comes from): the text is copied without a search for one. Inline: the imports
    // set most texts of every record through it.
    __attribute__((always_inline)) void SetTextWithoutNul(int16_t Number, std::string_view NewValue) {
        const Field& field = FieldNumbered(Number);
        if (field.Text) AssignWithoutNul(PieceOf(field), NewValue);
        else SetTextOther(field, NewValue);
    }
    __attribute__((always_inline)) void SetTextWithoutNul(const Field& field, std::string_view NewValue) {
        if (field.Text) AssignWithoutNul(PieceOf(field), NewValue);
        else SetTextOther(field, NewValue);
    }
    // SetTextWithoutNul of a text the record does not copy: it keeps the view, and the
    // caller keeps the text's bytes, and RecordSource::Slack readable bytes after them,
    // unchanged until the field is set again or the record is written (and, to read it
    // back, until then). For a writer that sets the field of every record it writes from
    // a line held in a buffer, which saves a copy of the text per record.
    __attribute__((always_inline)) void SetTextView(const Field& field, std::string_view NewValue) {
        if (!field.Text) return SetTextOther(field, NewValue);
        Piece& piece = PieceOf(field);
        mTextBytes += NewValue.size() - piece.Size;
        piece.Size = NewValue.size();
        piece.Data = NewValue.data();
    }
    // Room for a text field's new text of Size bytes, for a writer that makes the text in
    // place rather than copying it in: the caller fills the room with a text that holds no
    // NUL byte before the record is next read or written. Null, with the field unchanged,
    // for a field that is not a text; a field number the schema lacks raises.
    char* TextRoom(int16_t Number, size_t Size);
    // Inline: the record writers set most number fields of every record through it, and
    // most numbers are not negative and fit, which stores their low bytes big-endian.
    void SetInteger(int16_t Number, int64_t NewValue) {
        const Field& field = FieldNumbered(Number);
        if (field.Size != 0 && static_cast<uint64_t>(NewValue) <= INT32_MAX) {
            StoreBigEndian(field, static_cast<uint32_t>(NewValue));
        } else {
            SetIntegerOther(field, NewValue);
        }
    }
    void SetInteger(const Field& field, int64_t NewValue) {
        if (field.Size != 0 && static_cast<uint64_t>(NewValue) <= INT32_MAX) {
            StoreBigEndian(field, static_cast<uint32_t>(NewValue));
        } else {
            SetIntegerOther(field, NewValue);
        }
    }
    void SetItem(int16_t Number, const Value& NewValue);
    // SetItem with a number that may have a fraction, without a Value.
    // Inline for a whole number that is not negative and fits, which needs no rounding.
    void SetNumber(int16_t Number, double NewValue) {
        const Field& field = FieldNumbered(Number);
        if (field.Size != 0 && NewValue >= 0 && NewValue <= INT32_MAX) {
            if (const auto whole = static_cast<uint32_t>(NewValue); whole == NewValue) return StoreBigEndian(field, whole);
        }
        SetNumberOther(field, NewValue);
    }
    void SetNumber(const Field& field, double NewValue) {
        if (field.Size != 0 && NewValue >= 0 && NewValue <= INT32_MAX) {
            if (const auto whole = static_cast<uint32_t>(NewValue); whole == NewValue) return StoreBigEndian(field, whole);
        }
        SetNumberOther(field, NewValue);
    }
    // As the database reads the field back from the record written; a view valid until
    // the field next changes.
    ValueView ItemView(int16_t Number) const;
    // The field as text: a text field's own, a number's in scratch.
    std::string_view ItemText(int16_t Number, std::string& scratch) const;

    // The record's bytes: the fixed part, then each text ended by a NUL. A view valid
    // until the record next changes.
    std::string_view Bytes();
    // Appends the record to the database (the record length is checked there), joined
    // straight into the file's pending data.
    bool WriteTo(clsPalmDB& db);

private:
    // The joined record's length, and the join itself.
    size_t Size() const override;
    void Write(char* out) const override;

    void StoreBigEndian(const Field& field, uint32_t value) {
        char* const out = mFixed.data() + field.Offset;
        switch (field.Size) {
        case 4:
            out[0] = static_cast<char>(value >> 24);
            out[1] = static_cast<char>(value >> 16);
            out[2] = static_cast<char>(value >> 8);
            out[3] = static_cast<char>(value);
            break;
        case 2:
            out[0] = static_cast<char>(value >> 8);
            out[1] = static_cast<char>(value);
            break;
        default: out[0] = static_cast<char>(value); break;
        }
    }
    void SetIntegerOther(const Field& field, int64_t NewValue);
    void SetNumberOther(const Field& field, double NewValue);
    // SetText of a field that is not a text field.
    void SetTextOther(const Field& field, std::string_view NewValue);
    const Field& FieldNumbered(int16_t Number) const {
        if (Number < 1 || static_cast<size_t>(Number) > mFields.size()) NoSuchField(Number);
        return mFields[static_cast<size_t>(Number) - 1];
    }
    [[noreturn]] static void NoSuchField(int16_t Number);
    // A text field's bytes. Its buffer always holds kSlack initialised bytes past the text,
    // so that joining the record copies a short text in one fixed-size move.
    struct Piece {
        std::string Buffer = std::string(kSlack, '\0');
        size_t Size = 0;
        // Where the text lies: Buffer's bytes, or the writer's own (SetTextView). A copy of
        // a piece points into its own Buffer where the original pointed into its.
        const char* Data = Buffer.data();
        Piece() = default;
        Piece(const Piece& other)
            : Buffer(other.Buffer), Size(other.Size), Data(other.Owns() ? Buffer.data() : other.Data) {}
        Piece& operator=(const Piece& other) {
            const bool owns = other.Owns();
            Buffer = other.Buffer;
            Size = other.Size;
            Data = owns ? Buffer.data() : other.Data;
            return *this;
        }
        bool Owns() const { return Data == Buffer.data(); }
        std::string_view Text() const { return std::string_view(Data, Size); }
    };
    static constexpr size_t kSlack = RecordSource::Slack;
    Piece& PieceOf(const Field& field) { return mPieces[static_cast<size_t>(field.Offset) - 1]; }
    const Piece& PieceOf(const Field& field) const { return mPieces[static_cast<size_t>(field.Offset) - 1]; }
    void Assign(Piece& piece, std::string_view text);
    void AssignWithoutNul(Piece& piece, std::string_view text) {
        char* const out = Resize(piece, text.size());
        if (!text.empty()) std::memcpy(out, text.data(), text.size());
    }
    // The piece made size bytes long (what it held before is not kept), with its slack.
    char* Resize(Piece& piece, size_t size) {
        if (piece.Buffer.size() < size + kSlack) piece.Buffer.resize(size + kSlack);
        mTextBytes += size - piece.Size;
        piece.Size = size;
        piece.Data = piece.Buffer.data();
        return piece.Buffer.data();
    }

    std::vector<Field> mFields;
    size_t mFixedSize;  // the fixed part's length
    std::string mFixed; // the fixed part, zero-filled to whole kSlack bytes
    std::vector<Piece> mPieces;
    size_t mTextBytes = 0; // the sum of the texts' sizes, kept as they are set
    std::string mBytes; // the joined record, then kSlack bytes of room
    std::string mNumberText;
};

} // namespace dovrex
