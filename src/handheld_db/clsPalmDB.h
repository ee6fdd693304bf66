#pragma once

#include "IPalmFile.h"

#include "platform/IMessageBox.h"
#include "platform/Value.h"
#include "platform/ValueCollection.h"
#include "platform/modRuntime.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace dovrex {

// A field is addressed by its name (letter case ignored) or its 1-based number.
class FieldIndex {
public:
    FieldIndex(int number) : mNumber(number) {}
    FieldIndex(const char* name) : mName(name) {}
    FieldIndex(std::string name) : mName(std::move(name)) {}
    bool IsName() const { return mNumber < 0; }
    int Number() const { return mNumber; }
    const std::string& Name() const { return mName; }
    std::string Describe() const { return IsName() ? mName : std::to_string(mNumber); }

private:
    int mNumber = -1;
    std::string mName;
};

// Records with named, typed fields over one container. A schema (an ordered list of
// fields) describes the record; one record at a time lives in the buffer RawData.
class clsPalmDB {
public:
    enum FieldTypes : int16_t { ftString = 0, ftInt8 = 1, ftInt16 = 2, ftInt32 = 3 };

    // Errors while decoding a field are shown through messages; it may be null.
    explicit clsPalmDB(IMessageBox* messages = nullptr);
    ~clsPalmDB();

    // Database.
    int16_t CreateDB(int16_t FileType, const std::string& Filename, const std::string& Title,
                     const std::string& NewCreator, const std::string& NewDBType, int32_t PresizeRecords,
                     std::string& AppInfo, std::string& SortInfo);
    // FileType -1 detects the kind (VFS first, then PDB); -1 when neither accepts the file.
    int16_t OpenDB(const std::string& Filename, int16_t FileType);
    int16_t GetType() const { return mFileType; }
    // Closes the file; a file being written is completed, and an error doing so is raised.
    void Close();

    std::string Title() const;
    std::string Creator() const;
    std::string DBType() const;
    std::string AppInfo() const;
    std::string SortInfo() const;
    std::optional<DateTime> CreateDate() const;
    std::optional<DateTime> ModifyDate() const;
    std::optional<DateTime> BackupDate() const;
    uint16_t Attributes() const;
    int16_t RecordCount() const;
    int16_t Position255() const;
    void Rewind();

    // Schema.
    void ClearSchema();
    void AddField(int16_t FieldType, const std::string& FieldName, int32_t Offset = -1);
    int16_t FieldCount() const { return static_cast<int16_t>(mFields.size()); }
    std::string FieldName(int Index) const;
    int16_t FieldType(int Index) const;
    int16_t FieldOffset(int Index) const;
    int16_t FindItem(const FieldIndex& Index) const;
    int16_t FixedLength() const { return mFixedLength; }
    int16_t StringCount() const { return mStringCount; }

    // Record buffer.
    void AddNew();
    Value Item(const FieldIndex& Index);
    void SetItem(const FieldIndex& Index, const Value& NewValue);
    // SetItem with a text or a whole number, and Item(...).ToText(), for a field given by
    // its number: the loops that write and read every record use these, without a Value.
    void SetText(int16_t Number, std::string_view NewValue);
    void SetInteger(int16_t Number, int64_t NewValue);
    // The text is a view of the record buffer (of scratch for a number), valid until the
    // buffer or scratch next changes.
    std::string_view ItemText(int16_t Number, std::string& scratch);
    // Item(Number) as a view of the record buffer, valid until the buffer next changes.
    ValueView ItemView(int16_t Number);
    ValueCollection GetValues();

    // Reading the fields of every record read: ViewRecord once after ReadData, then View
    // per field. A number is read straight from its offset, and the string part is gone
    // through once per record, as far as the texts read need it, where an ItemView per
    // field would check the record and go through the string part again.
    // How View finds the texts of a record: all of them at the first text asked for (a
    // reader of every field), or each as far as the block of bytes that ends it (a reader
    // that mostly reads only the first few texts of a record).
    enum class TextSearch { Whole, AsAsked };
    // Starts reading the record in the buffer through View.
    void ViewRecord(TextSearch search = TextSearch::Whole) {
        mViewsWhole = mRawData.size() >= static_cast<size_t>(mFixedLength);
        mSearchWhole = search == TextSearch::Whole;
        mPiecesFound = 0;
        mPiecePosition = static_cast<size_t>(mFixedLength);
    }
    // ItemView(Number) of the record given to ViewRecord last, valid until the buffer next
    // changes. A record too short for its numbers is read through ItemView, which reports it,
    // and so is a record read (ReadData, SetRawData) without a ViewRecord after it.
    ValueView View(int16_t Number) {
        if (Number < 1 || Number > FieldCount()) return {};
        if (!mViewsWhole) return ItemView(Number);
        const Field& field = mFields[static_cast<size_t>(Number) - 1];
        const auto* p = reinterpret_cast<const unsigned char*>(mRawData.data()) + field.Offset;
        // AddField takes no other field types.
        if (field.Type == ftString) return ValueView::OfText(Piece(field.Offset));
        return ValueView::OfInteger(FixedNumber(field.Type, p));
    }
    // The value of a number field of Type (ftInt8, ftInt16 or ftInt32) from its bytes at p,
    // as View reads it: big-endian and unsigned; as BytesToLong, an Int32 with its top bit
    // set does not fit and reads as 0. A reader that has made sure the record holds its
    // numbers reads them with this straight from the record.
    static int64_t FixedNumber(int16_t Type, const unsigned char* p) {
        switch (Type) {
        case ftInt8: return p[0];
        case ftInt16: return (p[0] << 8) | p[1];
        default: {
            const uint32_t value = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
            return (value & 0x80000000u) != 0 ? 0 : static_cast<int32_t>(value);
        }
        }
    }
    // View(Number) as a whole number, as static_cast<int64_t>(View(Number).ToNumber()) gives
    // it; a number field's value is taken as it is.
    int64_t ViewWhole(int16_t Number) {
        const ValueView value = View(Number);
        return value.Kind == Value::Kind::Integer ? value.Integer : static_cast<int64_t>(value.ToNumber());
    }

    const std::string& RawData() const { return mRawData; }
    // Copied into the record buffer, which keeps its capacity from record to record.
    void SetRawData(std::string_view data);

    // Byte-level operations on the buffer; setters return the offset past what they wrote.
    int32_t SetInt8(int32_t Offset, const Value& NewValue);
    int32_t SetInt16(int32_t Offset, const Value& NewValue);
    int32_t SetInt32(int32_t Offset, const Value& NewValue);
    int32_t GetInt8(int32_t Offset) const;
    int32_t GetInt16(int32_t Offset) const;
    int32_t GetInt32(int32_t Offset) const;
    std::string GetString(int32_t Offset) const;
    void SetString(int32_t Offset, std::string_view NewValue);
    int32_t AppendString(int32_t Offset, const std::string& NewValue, bool PadEven);

    // Records.
    bool WriteData();
    bool WriteRaw(std::string_view RawData);
    // A record that writes its own bytes, straight into the file's pending data; the
    // second for a caller that knows its size (RawData.Size()).
    bool WriteRaw(const RecordSource& RawData);
    bool WriteRaw(const RecordSource& RawData, size_t Size);
    bool ReadData(int32_t RecordNo = -1);
    bool ReadRaw(std::string& RawData, int32_t RecordNo = -1);

private:
    struct Field {
        int16_t Type;
        int16_t Offset;
        std::string Name;
    };

    IPalmFile& File() const;
    // The field of a number, or null (and the error shown) when there is none.
    const Field* FieldNumbered(int16_t Number) const;
    // Where a fixed-size value of size bytes goes; writing 2 bytes just past the end grows
    // the record first.
    char* FixedTarget(int32_t Offset, size_t size);
    int32_t SetFixed(int32_t Offset, const Value& NewValue, size_t size);
    std::string_view StringView(int32_t Offset) const;
    std::string_view ReadFixed(int32_t Offset, size_t size) const;
    void ShowError(const std::string& text) const;

    IMessageBox* mMessages;
    std::unique_ptr<IPalmFile> mFile;
    int16_t mFileType = 0;
    std::vector<Field> mFields;
    std::unordered_map<std::string, int16_t, NoCaseHash, NoCaseEqual> mByName; // name -> first field number
    int16_t mFixedLength = 0;
    int16_t mStringCount = 0;
    std::string mRawData;
    // Where the string piece set or read last starts in mRawData; Number 0 when unknown.
    // Records are filled and read piece by piece, mostly in order: the next search goes on
    // from there.
    struct PieceStart {
        int32_t Number = 0;
        size_t Start = 0;
    };
    mutable PieceStart mKnownPiece;

    // The record read through View: whether it holds its numbers, and its text pieces
    // found so far (from 1) and where the next one starts.
    bool mViewsWhole = false;
    bool mSearchWhole = true;
    std::vector<std::string_view> mPieces;
    int16_t mPiecesFound = 0;
    size_t mPiecePosition = 0;
    // Text piece Number (from 1) of the record read through View, as StringView finds it.
    std::string_view Piece(int16_t Number) {
        if (Number > mPiecesFound) FindPieces(Number);
        return mPieces[static_cast<size_t>(Number)];
    }
    // Finds the pieces of the record read through View not found yet, in one pass: all, or
    // as far as the block of bytes that ends piece Number (TextSearch::AsAsked).
    void FindPieces(int16_t Number);
};

} // namespace dovrex
