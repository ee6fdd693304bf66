#include "clsQVF.h"

#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace dovrex {

clsQVF::clsQVF(IMessageBox* messages) : mMessages(messages), mDB(std::make_unique<clsPalmDB>(messages)) {
    BuildSchema(0);
}

clsQVF::~clsQVF() = default;

const std::vector<std::string>& QVFStringFields() {
    static const std::vector<std::string> names = {
        "Initials", "ResponseText", "Message", "ServiceAddress", "BillingName", "ServiceUniqueID", "MeterSerialNbr",
        "ReceiverData", "User1", "User2", "User3", "User4", "User5",
    };
    return names;
}

void clsQVF::BuildSchema(int Version) {
    clsPalmDB& db = DB();
    db.ClearSchema();
    mVersion = Version;
    // The order of AddField decides both offsets and field numbers.
    db.AddField(clsPalmDB::ftInt16, "RecType");
    db.AddField(clsPalmDB::ftInt32, "RouteNbr");
    db.AddField(clsPalmDB::ftInt32, "Sequence");
    db.AddField(clsPalmDB::ftInt32, "MeterTagNbr");
    db.AddField(clsPalmDB::ftInt8, "MeterType");
    if (Version < 1) return;
    db.AddField(clsPalmDB::ftInt8, "Digits");
    if (Version >= 2) {
        db.AddField(clsPalmDB::ftInt8, "Decimals");
        db.AddField(clsPalmDB::ftInt8, "Reserved1");
    }
    db.AddField(clsPalmDB::ftInt32, "PrvReading");
    db.AddField(clsPalmDB::ftInt32, "MaxReading");
    db.AddField(clsPalmDB::ftInt32, "MinReading");
    db.AddField(clsPalmDB::ftInt32, "CurReading");
    db.AddField(clsPalmDB::ftInt32, "ReadingDate");
    db.AddField(clsPalmDB::ftInt32, "ReadingTime");
    db.AddField(clsPalmDB::ftInt8, "Status");
    db.AddField(clsPalmDB::ftInt8, "ReadType");
    db.AddField(clsPalmDB::ftInt16, "ResponseCode");
    db.AddField(clsPalmDB::ftInt32, "LstReadingDate");
    db.AddField(clsPalmDB::ftInt16, "TamperCount");
    db.AddField(clsPalmDB::ftInt8, "UtilityCode");
    db.AddField(clsPalmDB::ftInt8, "Signal");
    db.AddField(clsPalmDB::ftInt32, "Lat");
    db.AddField(clsPalmDB::ftInt32, "Lng");
    db.AddField(clsPalmDB::ftInt32, "ScaleFactor");
    db.AddField(clsPalmDB::ftInt32, "InitReading");
    if (Version >= 3) {
        db.AddField(clsPalmDB::ftInt32, "InitPulseCount");
        db.AddField(clsPalmDB::ftInt16, "InitTamperCount");
    }
    for (const std::string& name : QVFStringFields()) db.AddField(clsPalmDB::ftString, name);
}

bool clsQVF::OpenQVF(const std::string& Filename) { return DB().OpenDB(Filename, ContainerDetect) != 0; }

int16_t clsQVF::CreateQVF(const std::string& Filename, int16_t FileType, int32_t PresizeRecords) {
    std::string appInfo;
    std::string sortInfo;
    return DB().CreateDB(FileType, Filename, DatabaseTitle, DatabaseCreator, DatabaseType, PresizeRecords, appInfo,
                         sortInfo);
}

void clsQVF::AddCodeRecord(int16_t RecordType, int16_t CodeType, int16_t Flags, int16_t iCount,
                           const std::vector<std::string>& aCodes, const std::vector<std::string>& aValues,
                           const std::vector<std::string>& aData) {
    if (iCount < 0 || static_cast<size_t>(iCount) > aCodes.size() || static_cast<size_t>(iCount) > aValues.size() ||
        static_cast<size_t>(iCount) > aData.size()) {
        RaiseError(ErrSubscript);
    }
    clsPalmDB& db = DB();
    db.AddNew();
    int32_t offset = db.SetInt16(0, RecordType);
    offset = db.SetInt16(offset, CodeType);
    offset = db.SetInt16(offset, Flags);
    offset = db.SetInt16(offset, iCount);
    for (size_t i = 0; i < static_cast<size_t>(iCount); ++i) {
        offset = db.AppendString(offset, aCodes[i], true);
        offset = db.AppendString(offset, aValues[i], true);
        offset = db.AppendString(offset, aData[i], true);
    }
    db.SetInt16(offset, -1);
    db.WriteData();
}

void clsQVF::AddIndexRecord(int16_t RouteIndex, int16_t IndexType, int32_t lCount,
                            const std::vector<std::string>& aValues, const std::vector<int32_t>& aPositions) {
    if (lCount < 0 || static_cast<size_t>(lCount) > aValues.size() || static_cast<size_t>(lCount) > aPositions.size()) {
        RaiseError(ErrSubscript);
    }
    // Equal neighbours form one entry.
    std::vector<QVFIndexWord> words;
    std::vector<int16_t> positions;
    for (size_t i = 0; i < static_cast<size_t>(lCount); ++i) {
        if (words.empty() || words.back().Word != aValues[i]) words.push_back({aValues[i], 0});
        ++words.back().Count;
        positions.push_back(static_cast<int16_t>(aPositions[i]));
    }
    AddIndexRecord(RouteIndex, IndexType, words, positions);
}

void QVFIndexWriter::Entry(std::string_view word) {
    Link();
    // Words of at most 16 bytes (nearly all) in two overlapping pieces.
    const char* in = word.data();
    const size_t n = word.size();
    const auto copyEnds = [this, in, n]<class Piece>(Piece) {
        Piece first;
        Piece last;
        std::memcpy(&first, in, sizeof first);
        std::memcpy(&last, in + n - sizeof last, sizeof last);
        std::memcpy(mOut + n - sizeof last, &last, sizeof last);
        std::memcpy(mOut, &first, sizeof first);
    };
    if (n > 16) {
        std::memcpy(mOut, in, n);
    } else if (n >= 8) {
        copyEnds(uint64_t{});
    } else if (n >= 4) {
        copyEnds(uint32_t{});
    } else if (n > 0) {
        mOut[0] = in[0];
        mOut[n / 2] = in[n / 2];
        mOut[n - 1] = in[n - 1];
    }
    EndWord(n);
}

void QVFIndexWriter::OffsetOverflow(int64_t start) {
    CheckInt16(start);
    RaiseError(ErrOverflow);
}

QVFIndexWriter clsQVF::BeginIndexRecord(int16_t RouteIndex, int16_t IndexType, size_t Bound) {
    // The header (the record kind, then the route index and the index type, 16-bit
    // big-endian), then the entries. The room only grows: what a shorter record left past
    // its end is overwritten, and shrinking would fill the room with zeros again for the
    // next longer one.
    constexpr size_t header = 6;
    std::string& record = mIndexRecord;
    const size_t room = header + Bound + QVFIndexWriter::Slack;
    if (record.size() < room) record.resize(room);
    const auto store = [&record](size_t at, int16_t value) {
        record[at] = static_cast<char>(static_cast<uint16_t>(value) >> 8);
        record[at + 1] = static_cast<char>(value & 0xFF);
    };
    store(0, rtIndex);
    store(2, RouteIndex);
    store(4, IndexType);
    // The room's last two bytes lie past any entry's (the slack's end) and are no part of
    // the record.
    return QVFIndexWriter(record.data(), record.data() + header, record.data() + room - 2);
}

std::string_view clsQVF::EndIndexRecord(QVFIndexWriter& writer) {
    char* const end = writer.Finish();
    const std::string_view record(writer.Base(), static_cast<size_t>(end - writer.Base()));
    DB().WriteRaw(record);
    return record;
}

void clsQVF::AddIndexRecord(int16_t RouteIndex, int16_t IndexType, std::span<const QVFIndexWord> Words,
                            std::span<const int16_t> Positions) {
    size_t bound = 0;
    size_t counted = 0;
    for (const QVFIndexWord& word : Words) {
        bound += word.Word.size() + QVFIndexWriter::EntryRoom;
        counted += word.Count;
    }
    if (counted != Positions.size()) RaiseError(ErrSubscript);
    if (Words.empty()) {
        clsPalmDB& db = DB();
        db.AddNew();
        int32_t offset = db.SetInt16(0, 6);
        offset = db.SetInt16(offset, RouteIndex);
        db.SetInt16(offset, IndexType);
        db.WriteData();
        return;
    }
    QVFIndexWriter writer = BeginIndexRecord(RouteIndex, IndexType, bound + QVFIndexWriter::PositionRoom * Positions.size());
    const int16_t* position = Positions.data();
    for (const QVFIndexWord& entry : Words) {
        writer.Entry(entry.Word);
        for (const int16_t* end = position + entry.Count; position < end; ++position) writer.Position(*position);
    }
    // The record stays in the record buffer, as with the other records added whole.
    DB().SetRawData(EndIndexRecord(writer));
}

std::string QVFIndexEntry::Text() const {
    std::string text = Word;
    for (const int32_t position : Positions) {
        text += ':';
        text += std::to_string(position);
    }
    return text;
}

void clsQVF::GetIndexRecord(int32_t& RouteIndex, int32_t& IndexType, int32_t& lCount,
                            std::vector<std::string>& aEntries) {
    std::vector<QVFIndexEntry> entries;
    GetIndexEntries(RouteIndex, IndexType, entries);
    aEntries.clear();
    for (const QVFIndexEntry& entry : entries) aEntries.push_back(entry.Text());
    lCount = static_cast<int32_t>(entries.size());
}

void clsQVF::GetIndexEntries(int32_t& RouteIndex, int32_t& IndexType, std::vector<QVFIndexEntry>& Entries) {
    clsPalmDB& db = DB();
    const std::string& record = db.RawData();
    const auto length = static_cast<int32_t>(record.size());
    Entries.clear();
    RouteIndex = length >= 4 ? db.GetInt16(2) : 0;
    IndexType = length >= 6 ? db.GetInt16(4) : 0;
    int32_t offset = 6;
    // Every step moves the offset forward, so a damaged link can only end the walk early.
    while (offset + 2 <= length) {
        const int32_t link = db.GetInt16(offset);
        offset += 2;
        const size_t nul = record.find('\0', static_cast<size_t>(offset));
        const size_t wordEnd = nul == std::string::npos ? record.size() : nul;
        QVFIndexEntry entry{record.substr(static_cast<size_t>(offset), wordEnd - static_cast<size_t>(offset)), {}};
        offset = static_cast<int32_t>(wordEnd) + 1;
        if (offset % 2 == 1) ++offset;
        const bool last = link == 0xFFFF;
        const int32_t end = last || link > length ? length : link;
        while (offset + 2 <= end) {
            entry.Positions.push_back(db.GetInt16(offset));
            offset += 2;
        }
        Entries.push_back(std::move(entry));
        if (last || offset < end) break;
    }
}

bool clsQVF::GetCodeRecord(int32_t& RecordType, int32_t& CodeType, int32_t& Flags, std::vector<std::string>& aCodes,
                           std::vector<std::string>& aValues, std::vector<std::string>& aData) {
    clsPalmDB& db = DB();
    const std::string& record = db.RawData();
    aCodes.clear();
    aValues.clear();
    aData.clear();
    if (record.size() < 8) return false;
    RecordType = db.GetInt16(0);
    CodeType = db.GetInt16(2);
    Flags = db.GetInt16(4);
    const int32_t count = db.GetInt16(6);
    size_t offset = 8;
    // Each string ends in NUL and is padded so that the next one starts at an even offset.
    auto nextString = [&](std::string& text) {
        const size_t nul = record.find('\0', offset);
        if (nul == std::string::npos) return false;
        text = record.substr(offset, nul - offset);
        offset = nul + 1;
        if (offset % 2 == 1) ++offset;
        return true;
    };
    for (int32_t i = 0; i < count; ++i) {
        std::string code, value, data;
        if (!nextString(code) || !nextString(value) || !nextString(data)) return false;
        aCodes.push_back(std::move(code));
        aValues.push_back(std::move(value));
        aData.push_back(std::move(data));
    }
    return offset + 2 <= record.size() && db.GetInt16(static_cast<int32_t>(offset)) == 0xFFFF;
}

int ReadQVFVersion(const std::string& Filename, IMessageBox* messages) {
    clsQVF probe(messages);
    if (probe.OpenQVF(Filename)) return -1;
    if (!probe.ReadData()) return 0;
    if (probe.RawData().size() < 15) return 0;
    const Value recType = probe.Item("RecType");
    const Value meterType = probe.Item("MeterType");
    if (recType.ToNumber() == 0 && meterType.ToNumber() > 0) return static_cast<int>(meterType.ToNumber());
    return 0;
}

void clsQVF::RequireFixedPart(int32_t recordNumber, const std::string& path) {
    const size_t length = RawData().size();
    const auto fixed = static_cast<size_t>(DB().FixedLength());
    if (length >= fixed) return;
    RaiseError(ErrBadRecordLength, "Record " + std::to_string(recordNumber) + " of " + path + " is damaged: " +
                                       std::to_string(length) + " bytes, fewer than the " + std::to_string(fixed) +
                                       " bytes of its fields");
}

} // namespace dovrex
