#include "clsPalmDB.h"

#include "clsPalmFilePDB.h"
#include "clsPalmFileVFS.h"
#include "modPDB.h"

#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <bit>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace dovrex {

namespace {

// Record buffers and offsets are 16-bit: a record holds at most 32767 bytes.
constexpr size_t kMaxRecord = 32767;

std::unique_ptr<IPalmFile> MakeContainer(int16_t fileType) {
    if (fileType == ContainerPDB) return std::make_unique<clsPalmFilePDB>();
    if (fileType == ContainerVFS) return std::make_unique<clsPalmFileVFS>();
    RaiseError(ErrInvalidCall);
}

size_t FieldSize(int16_t type) {
    switch (type) {
    case clsPalmDB::ftInt8: return 1;
    case clsPalmDB::ftInt16: return 2;
    case clsPalmDB::ftInt32: return 4;
    default: return 0;
    }
}

// Bytes looked at at once when finding the NULs of a record's string part.
constexpr size_t kNulBlock = 16;

// A mask of the NUL bytes among the size bytes at data (at most kNulBlock): bit k is set
// when data[k] is NUL. The bytes from begin up to data are readable too: when there are
// kNulBlock bytes from begin to data + size, the block ending at data + size is tested at
// once.
uint32_t NulMask(const char* data, size_t size, const char* begin) {
#ifdef __SSE2__
    if (size == kNulBlock || static_cast<size_t>(data + size - begin) >= kNulBlock) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + size - kNulBlock));
        const auto nuls = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128())));
        return nuls >> (kNulBlock - size);
    }
#endif
    uint32_t mask = 0;
    for (size_t k = 0; k < size; ++k) mask |= static_cast<uint32_t>(data[k] == '\0') << k;
    return mask;
}

void CheckRecordLength(size_t length) {
    if (length > kMaxRecord) RaiseError(ErrOverflow);
}

} // namespace

clsPalmDB::clsPalmDB(IMessageBox* messages) : mMessages(messages) {}

clsPalmDB::~clsPalmDB() = default;

IPalmFile& clsPalmDB::File() const {
    if (!mFile) RaiseError(ErrBadFileNumber, "No database file is open");
    return *mFile;
}

void clsPalmDB::ShowError(const std::string& text) const {
    if (mMessages) mMessages->Inform(text);
}

int16_t clsPalmDB::CreateDB(int16_t FileType, const std::string& Filename, const std::string& Title,
                            const std::string& NewCreator, const std::string& NewDBType, int32_t PresizeRecords,
                            std::string& AppInfo, std::string& SortInfo) {
    mFile.reset();
    mFile = MakeContainer(FileType);
    mFileType = FileType;
    return mFile->CreateFile(Filename, Title, NewCreator, NewDBType, PresizeRecords, AppInfo, SortInfo);
}

int16_t clsPalmDB::OpenDB(const std::string& Filename, int16_t FileType) {
    mFile.reset();
    if (FileType == ContainerDetect) {
        if (clsPalmFileVFS().TestFileType(Filename)) {
            FileType = ContainerVFS;
        } else {
            // A Palm database file is tested by opening it (reading its record list): the
            // open that accepts it is kept rather than done again.
            auto file = std::make_unique<clsPalmFilePDB>();
            if (file->OpenFile(Filename) != 0) return -1;
            mFile = std::move(file);
            mFileType = ContainerPDB;
            return 0;
        }
    }
    mFile = MakeContainer(FileType);
    mFileType = FileType;
    return mFile->OpenFile(Filename);
}

void clsPalmDB::Close() {
    if (!mFile) return;
    const std::unique_ptr<IPalmFile> file = std::move(mFile);
    file->CloseFile();
}

std::string clsPalmDB::Title() const { return File().Title(); }
std::string clsPalmDB::Creator() const { return File().Creator(); }
std::string clsPalmDB::DBType() const { return File().DBType(); }
std::string clsPalmDB::AppInfo() const { return File().AppInfo(); }
std::string clsPalmDB::SortInfo() const { return File().SortInfo(); }
std::optional<DateTime> clsPalmDB::CreateDate() const { return File().CreateDate(); }
std::optional<DateTime> clsPalmDB::ModifyDate() const { return File().ModifyDate(); }
std::optional<DateTime> clsPalmDB::BackupDate() const { return File().BackupDate(); }
uint16_t clsPalmDB::Attributes() const { return File().Attributes(); }
int16_t clsPalmDB::RecordCount() const { return File().RecordCount(); }
int16_t clsPalmDB::Position255() const { return File().Position255(); }
void clsPalmDB::Rewind() { File().Rewind(); }

void clsPalmDB::ClearSchema() {
    mKnownPiece = {};
    mViewsWhole = false; // the fields read through View belong to the schema gone
    mFields.clear();
    mByName.clear();
    mFixedLength = 0;
    mStringCount = 0;
}

void clsPalmDB::AddField(int16_t FieldType, const std::string& FieldName, int32_t Offset) {
    mKnownPiece = {}; // where the string part starts may move
    mViewsWhole = false;
    Field field{FieldType, 0, Trim(FieldName)};
    if (FieldType == ftString) {
        mStringCount = CheckInt16(static_cast<int64_t>(mStringCount) + 1);
        field.Offset = mStringCount;
    } else {
        const auto size = static_cast<int64_t>(FieldSize(FieldType));
        if (size == 0) RaiseError(ErrInvalidCall);
        if (Offset < 0) {
            field.Offset = mFixedLength;
            mFixedLength = CheckInt16(mFixedLength + size);
        } else {
            field.Offset = CheckInt16(Offset);
            mFixedLength = std::max<int16_t>(mFixedLength, CheckInt16(Offset + size));
        }
    }
    const int16_t number = CheckInt16(static_cast<int64_t>(mFields.size()) + 1);
    mByName.emplace(field.Name, number);
    mFields.push_back(std::move(field));
}

std::string clsPalmDB::FieldName(int Index) const {
    if (Index < 1 || Index > FieldCount()) return {};
    return mFields[static_cast<size_t>(Index) - 1].Name;
}

int16_t clsPalmDB::FieldType(int Index) const {
    if (Index < 1 || Index > FieldCount()) return -1;
    return mFields[static_cast<size_t>(Index) - 1].Type;
}

int16_t clsPalmDB::FieldOffset(int Index) const {
    if (Index < 1 || Index > FieldCount()) return -1;
    return mFields[static_cast<size_t>(Index) - 1].Offset;
}

int16_t clsPalmDB::FindItem(const FieldIndex& Index) const {
    if (Index.IsName()) {
        const auto it = mByName.find(std::string_view(Index.Name()));
        return it == mByName.end() ? 0 : it->second;
    }
    return Index.Number() >= 1 && Index.Number() <= FieldCount() ? static_cast<int16_t>(Index.Number()) : 0;
}

void clsPalmDB::AddNew() {
    mRawData.assign(static_cast<size_t>(mFixedLength) + static_cast<size_t>(mStringCount), '\0');
    mKnownPiece = {};
}

Value clsPalmDB::Item(const FieldIndex& Index) {
    const int16_t number = FindItem(Index);
    if (number == 0) return Value::Null();
    const Field& field = mFields[static_cast<size_t>(number) - 1];
    try {
        switch (field.Type) {
        case ftString: return Value(GetString(field.Offset));
        case ftInt8: return Value(static_cast<int16_t>(GetInt8(field.Offset)));
        case ftInt16: return Value(GetInt16(field.Offset));
        case ftInt32: return Value(GetInt32(field.Offset));
        default: return Value::Null();
        }
    } catch (const RuntimeError& e) {
        // A short record: tell the user and go on with an empty value.
        ShowError(e.Description());
        return Value();
    }
}

void clsPalmDB::SetItem(const FieldIndex& Index, const Value& NewValue) {
    const int16_t number = FindItem(Index);
    if (number == 0) {
        ShowError(Index.Describe() + " not valid field in Record");
        return;
    }
    const Field& field = mFields[static_cast<size_t>(number) - 1];
    switch (field.Type) {
    case ftString:
        if (NewValue.IsText()) SetString(field.Offset, NewValue.Text());
        else SetString(field.Offset, NewValue.ToText());
        break;
    case ftInt8: SetInt8(field.Offset, NewValue); break;
    case ftInt16: SetInt16(field.Offset, NewValue); break;
    case ftInt32: SetInt32(field.Offset, NewValue); break;
    default: break;
    }
}

const clsPalmDB::Field* clsPalmDB::FieldNumbered(int16_t Number) const {
    if (Number >= 1 && Number <= FieldCount()) return &mFields[static_cast<size_t>(Number) - 1];
    ShowError(std::to_string(Number) + " not valid field in Record");
    return nullptr;
}

void clsPalmDB::SetText(int16_t Number, std::string_view NewValue) {
    const Field* field = FieldNumbered(Number);
    if (field == nullptr) return;
    if (field->Type == ftString) return SetString(field->Offset, NewValue);
    const size_t size = FieldSize(field->Type);
    if (size == 0) return;
    char* target = FixedTarget(field->Offset, size);
    WriteTextBytes(NewValue, size, target);
}

void clsPalmDB::SetInteger(int16_t Number, int64_t NewValue) {
    const Field* field = FieldNumbered(Number);
    if (field == nullptr) return;
    if (field->Type == ftString) return SetString(field->Offset, NumberText(NewValue));
    const size_t size = FieldSize(field->Type);
    if (size == 0) return;
    char* target = FixedTarget(field->Offset, size);
    // Converted first: a value that does not fit leaves the record as it was.
    char bytes[4];
    WriteIntegerBytes(NewValue, size, bytes);
    std::copy_n(bytes, size, target);
}

std::string_view clsPalmDB::ItemText(int16_t Number, std::string& scratch) {
    return ItemView(Number).TextIn(scratch);
}

ValueView clsPalmDB::ItemView(int16_t Number) {
    if (Number < 1 || Number > FieldCount()) return {};
    const Field& field = mFields[static_cast<size_t>(Number) - 1];
    try {
        switch (field.Type) {
        case ftString: return ValueView::OfText(StringView(field.Offset));
        case ftInt8: return ValueView::OfInteger(static_cast<int16_t>(GetInt8(field.Offset)));
        case ftInt16: return ValueView::OfInteger(GetInt16(field.Offset));
        case ftInt32: return ValueView::OfInteger(GetInt32(field.Offset));
        default: return {};
        }
    } catch (const RuntimeError& e) {
        // A short record: tell the user and go on with an empty value.
        ShowError(e.Description());
        return ValueView::OfEmpty();
    }
}

void clsPalmDB::FindPieces(int16_t Number) {
    if (mPieces.size() <= static_cast<size_t>(mStringCount)) mPieces.resize(static_cast<size_t>(mStringCount) + 1);
    // Each piece starts after the NUL that ends the one before; a piece past the record's
    // end is empty, and so is every piece after one without a NUL. The NULs are found a
    // block at a time, each NUL in a block ending one piece. Searching as asked, the search
    // stops after the block that ends piece Number: a record read for its first texts only
    // (a report row left out) is not gone through to its end.
    std::string_view* const pieces = mPieces.data();
    const int16_t count = mStringCount;
    const char* const data = mRawData.data();
    const size_t size = mRawData.size();
    size_t start = mPiecePosition;
    int16_t found = mPiecesFound;
    const int16_t target = mSearchWhole ? count : Number;
    // Ends a piece at each NUL of the block at block; true once the last piece is found
    // (whatever follows its NUL belongs to no piece).
    auto endPieces = [&](uint32_t nuls, size_t block) {
        for (; nuls != 0; nuls &= nuls - 1) {
            const size_t nul = block + static_cast<size_t>(std::countr_zero(nuls));
            pieces[++found] = std::string_view(data + start, nul - start);
            start = nul + 1;
            if (found == count) return true;
        }
        return false;
    };
    bool done = false;
    size_t block = start;
    for (; !done && found < target && block + kNulBlock <= size; block += kNulBlock) {
        done = endPieces(NulMask(data + block, kNulBlock, data), block);
    }
    if (!done && found < target && block < size) done = endPieces(NulMask(data + block, size - block, data), block);
    // No NUL from start to the record's end: the rest is the next piece, the pieces after it empty.
    if (!done && found < target) {
        pieces[++found] = std::string_view(data + start, size - start);
        start = size;
        while (found < count) pieces[++found] = {};
    }
    mPiecesFound = found;
    mPiecePosition = start;
}

ValueCollection clsPalmDB::GetValues() {
    ValueCollection values;
    for (int16_t i = 1; i <= FieldCount(); ++i) values.Set(mFields[static_cast<size_t>(i) - 1].Name, Item(i));
    return values;
}

void clsPalmDB::SetRawData(std::string_view data) {
    CheckRecordLength(data.size());
    mRawData.assign(data);
    mKnownPiece = {};
    mViewsWhole = false; // View reads a new record only after ViewRecord
}

char* clsPalmDB::FixedTarget(int32_t Offset, size_t size) {
    // Writing 16 bits just past the end grows the record: that is how variable-length
    // records are built.
    if (size == 2 && Offset >= 0 && static_cast<size_t>(Offset) == mRawData.size()) {
        CheckRecordLength(mRawData.size() + 2);
        mRawData.append(2, '\0');
        mKnownPiece = {};
    }
    if (Offset < 0 || static_cast<size_t>(Offset) + size > mRawData.size()) RaiseError(ErrSubscript);
    // Bytes written into the string part may move where its pieces start.
    if (static_cast<size_t>(Offset) + size > static_cast<size_t>(mFixedLength)) mKnownPiece = {};
    return mRawData.data() + Offset;
}

int32_t clsPalmDB::SetFixed(int32_t Offset, const Value& NewValue, size_t size) {
    char* target = FixedTarget(Offset, size);
    // Converted first: a value that does not fit leaves the record as it was.
    char bytes[4];
    WriteValueBytes(NewValue, size, bytes);
    std::copy_n(bytes, size, target);
    return Offset + static_cast<int32_t>(size);
}

int32_t clsPalmDB::SetInt8(int32_t Offset, const Value& NewValue) { return SetFixed(Offset, NewValue, 1); }

int32_t clsPalmDB::SetInt32(int32_t Offset, const Value& NewValue) { return SetFixed(Offset, NewValue, 4); }

int32_t clsPalmDB::SetInt16(int32_t Offset, const Value& NewValue) { return SetFixed(Offset, NewValue, 2); }

std::string_view clsPalmDB::ReadFixed(int32_t Offset, size_t size) const {
    if (Offset < 0 || static_cast<size_t>(Offset) + size > mRawData.size()) {
        RaiseError(ErrSubscript, "Subscript out of range: offset " + std::to_string(Offset) + " lies past the end of a " +
                                     std::to_string(mRawData.size()) + "-byte record");
    }
    return std::string_view(mRawData).substr(static_cast<size_t>(Offset), size);
}

int32_t clsPalmDB::GetInt8(int32_t Offset) const { return BytesToLong(ReadFixed(Offset, 1)); }
int32_t clsPalmDB::GetInt16(int32_t Offset) const { return BytesToLong(ReadFixed(Offset, 2)); }
int32_t clsPalmDB::GetInt32(int32_t Offset) const { return BytesToLong(ReadFixed(Offset, 4)); }

std::string_view clsPalmDB::StringView(int32_t Offset) const {
    size_t position = static_cast<size_t>(mFixedLength);
    int32_t skip = 1;
    if (mKnownPiece.Number > 0 && mKnownPiece.Number <= Offset) {
        skip = mKnownPiece.Number;
        position = mKnownPiece.Start;
    }
    for (; skip < Offset; ++skip) {
        const size_t nul = mRawData.find('\0', position);
        if (nul == std::string::npos) return {};
        position = nul + 1;
    }
    if (position >= mRawData.size()) return {};
    const size_t nul = mRawData.find('\0', position);
    // Fields are mostly read in order: the next piece starts just after this one.
    if (Offset >= 1) mKnownPiece = nul == std::string::npos ? PieceStart{Offset, position} : PieceStart{Offset + 1, nul + 1};
    return std::string_view(mRawData).substr(position, nul == std::string::npos ? std::string::npos : nul - position);
}

std::string clsPalmDB::GetString(int32_t Offset) const { return std::string(StringView(Offset)); }

void clsPalmDB::SetString(int32_t Offset, std::string_view NewValue) {
    // The string part is NUL-separated pieces; find piece number Offset and replace it.
    // Records are filled string by string, so the search goes on from the piece set last.
    size_t start = std::min(static_cast<size_t>(mFixedLength), mRawData.size());
    int32_t pieces = 1;
    if (mKnownPiece.Number > 0 && mKnownPiece.Number <= Offset) {
        pieces = mKnownPiece.Number;
        start = mKnownPiece.Start;
    }
    for (; pieces < Offset; ++pieces) {
        const size_t nul = mRawData.find('\0', start);
        if (nul == std::string::npos) break;
        start = nul + 1;
    }
    if (Offset < 1 || pieces < Offset) {
        RaiseError(ErrSubscript, "Subscript out of range: string " + std::to_string(Offset) + " of a record with " +
                                     std::to_string(pieces) + " pieces");
    }
    const size_t nul = mRawData.find('\0', start);
    const size_t end = nul == std::string::npos ? mRawData.size() : nul;
    // A text ends at its first NUL byte: the string part cannot hold more.
    const std::string_view text(NewValue.data(), std::min(NewValue.size(), NewValue.find('\0')));
    CheckRecordLength(mRawData.size() - (end - start) + text.size());
    mRawData.replace(start, end - start, text);
    mKnownPiece = {Offset, start};
}

int32_t clsPalmDB::AppendString(int32_t Offset, const std::string& NewValue, bool PadEven) {
    if (Offset < 0) RaiseError(ErrInvalidCall);
    // The record is cut (or NUL-filled) to Offset and the text appended, in place: records
    // are built piece by piece, and copying them for every piece would be quadratic.
    const size_t length = static_cast<size_t>(Offset) + NewValue.size() + 1;
    CheckRecordLength(PadEven && length % 2 == 1 ? length + 1 : length);
    mRawData.resize(static_cast<size_t>(Offset), '\0');
    mRawData += NewValue;
    mRawData += '\0';
    if (PadEven && mRawData.size() % 2 == 1) mRawData += '\0';
    mKnownPiece = {};
    return static_cast<int32_t>(mRawData.size());
}

bool clsPalmDB::WriteData() { return File().WriteRecord(mRawData); }

bool clsPalmDB::WriteRaw(std::string_view RawData) {
    CheckRecordLength(RawData.size());
    return File().WriteRecord(RawData);
}

bool clsPalmDB::WriteRaw(const RecordSource& RawData) { return WriteRaw(RawData, RawData.Size()); }

bool clsPalmDB::WriteRaw(const RecordSource& RawData, size_t Size) {
    CheckRecordLength(Size);
    return File().WriteRecordFrom(RawData, Size);
}

bool clsPalmDB::ReadData(int32_t RecordNo) {
    mKnownPiece = {};
    mViewsWhole = false; // View reads a new record only after ViewRecord
    return File().ReadRecord(RecordNo, mRawData);
}

bool clsPalmDB::ReadRaw(std::string& RawData, int32_t RecordNo) { return File().ReadRecord(RecordNo, RawData); }

} // namespace dovrex
