#pragma once

#include "clsPalmDB.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dovrex {

// One entry of an index record: a word and the record positions of its occurrences.
struct QVFIndexEntry {
    std::string Word;
    std::vector<int32_t> Positions;
    // "WORD:pos:pos", as GetIndexRecord gives it.
    std::string Text() const;
};

// One entry of an index record being written: its word and how many positions follow it.
struct QVFIndexWord {
    std::string_view Word;
    uint32_t Count;
};

// Writes the entries of one index record in place, in word order, into the room that
// clsQVF::BeginIndexRecord gives: per entry a link, its word with a NUL, a pad byte where
// that leaves an odd length (entries start at even offsets), then its positions. Each link
// is the offset of the next entry's link, filled in when that entry starts; the last one
// is -1. Numbers are 16-bit big-endian.
class QVFIndexWriter {
public:
    // The room per entry beside its word's bytes (link, NUL and pad byte) and per position;
    // and the slack after the last entry that lets a short word be stored as 16 bytes.
    static constexpr size_t EntryRoom = 4;
    static constexpr size_t PositionRoom = 2;
    static constexpr size_t Slack = 16;

    // The record at base, its first entry at first; spare, two bytes of the room past any
    // entry's bytes, takes the link that comes before the first entry, so that no entry
    // asks whether it is the first.
    QVFIndexWriter(char* base, char* first, char* spare) : mBase(base), mOut(first), mLink(spare) {}

    // Starts an entry with its word.
    void Entry(std::string_view word);
    // The same for a word of at most 16 bytes given as two big-endian numbers, zero-filled
    // (the collector's head of a word): stored as 16 bytes, of which the NUL, pad and
    // positions overwrite what is past the word.
    void Entry(uint64_t head, uint64_t next, size_t size) {
        Link();
        uint64_t bytes[2] = {head, next};
        if constexpr (std::endian::native == std::endian::little) {
            bytes[0] = __builtin_bswap64(bytes[0]);
            bytes[1] = __builtin_bswap64(bytes[1]);
        }
        std::memcpy(mOut, bytes, sizeof bytes);
        EndWord(size);
    }
    // Adds a position to the entry begun last.
    void Position(int16_t position) {
        Store(mOut, static_cast<uint16_t>(position));
        mOut += 2;
    }
    // Ends the last entry; the record's end.
    char* Finish() {
        Store(mLink, 0xFFFF);
        return mOut;
    }
    char* Base() const { return mBase; }

private:
    static void Store(char* out, uint16_t value) {
        if constexpr (std::endian::native == std::endian::little) value = __builtin_bswap16(value);
        std::memcpy(out, &value, sizeof value);
    }
    // Links the previous entry to the one starting here, and leaves room for its own link.
    void Link() {
        const int64_t start = mOut - mBase;
        if (start > INT16_MAX) OffsetOverflow(start);
        Store(mLink, static_cast<uint16_t>(start));
        mLink = mOut;
        mOut += 2;
    }
    // The NUL after a word of size bytes, and the pad byte after a word of even length:
    // after one of odd length the second byte is only room that what follows overwrites.
    void EndWord(size_t size) {
        mOut += size;
        mOut[0] = '\0';
        mOut[1] = '\0';
        mOut += 2 - size % 2;
    }
    [[noreturn]] static void OffsetOverflow(int64_t start);

    char* mBase;
    char* mOut;
    char* mLink;
};

// The QVF route and readings database: the one record format shared with the
// handheld. Schema records (header, route, meter, orphan) follow one of four schema
// versions; code records and index records have layouts of their own.
class clsQVF {
public:
    static constexpr const char* DatabaseTitle = "RouteQVF";
    static constexpr const char* DatabaseType = "DATA";
    static constexpr const char* DatabaseCreator = "kELZ";
    static constexpr int CurrentVersion = 3;

    // Record kinds: the big-endian 16-bit value at the start of every record.
    enum RecordKind : int16_t {
        rtHeader = 0, rtRoute = 1, rtMeter = 2, rtOrphan = 3, rtLogins = 4, rtCodes = 5, rtIndex = 6, rtAlerts = 7,
        rtReadingRoute = 256,
    };

    explicit clsQVF(IMessageBox* messages = nullptr);
    ~clsQVF();
    clsQVF(const clsQVF&) = delete;
    clsQVF& operator=(const clsQVF&) = delete;

    // True when the open FAILED (missing, unreadable or of no known kind).
    bool OpenQVF(const std::string& Filename);
    int16_t CreateQVF(const std::string& Filename, int16_t FileType, int32_t PresizeRecords);
    // Completes and closes the file; errors are raised (releasing the object closes it too,
    // but cannot report them).
    void Close() { DB().Close(); }
    void SetVersion(int Version) { BuildSchema(Version); }
    void BuildSchema(int Version);
    int Version() const { return mVersion; }

    Value Item(const FieldIndex& Index) { return DB().Item(Index); }
    void SetItem(const FieldIndex& Index, const Value& NewValue) { DB().SetItem(Index, NewValue); }
    void AddNew() { DB().AddNew(); }
    bool WriteData() { return DB().WriteData(); }
    void Rewind() { DB().Rewind(); }
    // Reads the next record in sequence into the buffer.
    bool ReadData() { return DB().ReadData(-1); }
    ValueCollection GetValues() { return DB().GetValues(); }
    int16_t Position255() { return DB().Position255(); }
    int16_t GetType() { return DB().GetType(); }
    int16_t RecordCount() { return DB().RecordCount(); }
    const std::string& RawData() { return DB().RawData(); }
    void SetRawData(std::string_view data) { DB().SetRawData(data); }
    // The record kind of the record in the buffer (its first 16-bit value).
    int32_t RecordType() { return DB().RawData().size() >= 2 ? DB().GetInt16(0) : -1; }
    // Raises "damaged" when the schema record in the buffer is shorter than its fixed fields;
    // recordNumber and path name it in the message.
    void RequireFixedPart(int32_t recordNumber, const std::string& path);

    // The texts are indexed from 1 in the old interface; here they are plain vectors of iCount items.
    void AddCodeRecord(int16_t RecordType, int16_t CodeType, int16_t Flags, int16_t iCount,
                       const std::vector<std::string>& aCodes, const std::vector<std::string>& aValues,
                       const std::vector<std::string>& aData);
    void AddIndexRecord(int16_t RouteIndex, int16_t IndexType, int32_t lCount, const std::vector<std::string>& aValues,
                        const std::vector<int32_t>& aPositions);
    // The same from its entries: each word with the count of its positions, which follow
    // one another in Positions, word by word.
    void AddIndexRecord(int16_t RouteIndex, int16_t IndexType, std::span<const QVFIndexWord> Words,
                        std::span<const int16_t> Positions);
    // An index record assembled in place: BeginIndexRecord starts a new record with its
    // header and returns the writer of its entries, with room for Bound bytes of entries
    // (QVFIndexWriter::EntryRoom per entry beside its word, PositionRoom per position);
    // EndIndexRecord writes the record the writer finished straight from the writer's room
    // (the record buffer is left as it was) and returns its bytes. The writer's room
    // lasts until the next index record.
    QVFIndexWriter BeginIndexRecord(int16_t RouteIndex, int16_t IndexType, size_t Bound);
    std::string_view EndIndexRecord(QVFIndexWriter& writer);
    // Decodes the index record in the buffer: one "WORD:pos:pos" text per entry.
    void GetIndexRecord(int32_t& RouteIndex, int32_t& IndexType, int32_t& lCount, std::vector<std::string>& aEntries);
    // The same walk with each entry's word and positions apart.
    void GetIndexEntries(int32_t& RouteIndex, int32_t& IndexType, std::vector<QVFIndexEntry>& Entries);

    // Decodes the code record in the buffer; false when it is damaged (entries then hold
    // what could be read).
    bool GetCodeRecord(int32_t& RecordType, int32_t& CodeType, int32_t& Flags, std::vector<std::string>& aCodes,
                       std::vector<std::string>& aValues, std::vector<std::string>& aData);

    // The underlying typed record object (there from construction on).
    clsPalmDB& DB() { return *mDB; }

private:
    IMessageBox* mMessages;
    const std::unique_ptr<clsPalmDB> mDB;
    int mVersion = 0;
    std::string mIndexRecord; // an index record being assembled, kept for its capacity
};

// The schema version of a QVF file, learnt from its header record: MeterType when the
// first record is a header with MeterType above 0, else 0. -1 when the file cannot be
// opened as a QVF database.
int ReadQVFVersion(const std::string& Filename, IMessageBox* messages = nullptr);

// Names of the 13 strings of a schema record, in record order.
const std::vector<std::string>& QVFStringFields();

} // namespace dovrex
