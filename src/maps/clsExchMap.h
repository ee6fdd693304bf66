#pragma once

// One conversion map in memory: how the fields of the QVF database correspond to the
// columns of a billing system's flat text file, with its map file in the program's folder.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dovrex {

// Map use codes; the file extension follows the use (".bcm", ".brm", ".bom").
enum MapUseCode : int32_t {
    MapUseRoute = 1,
    MapUseReRead = 2,
    MapUseReading = 3,
    MapUseOrphan = 99,
};

// Map types: 0 = not chosen yet (a new map).
enum MapTypeCode : int32_t {
    MapTypeNone = 0,
    MapTypeFixed = 1,
    MapTypeDelimited = 2,
    MapTypeMVRS = 3,
    MapTypeE5000 = 4,
};

// What a field holds (`DataType`).
enum MapDataTypeCode : int32_t {
    DataTypeText = 0,
    DataTypeInt16 = 1,
    DataTypeInt32 = 2,
    DataTypeDouble = 3,
    DataTypeDate = 4,
    DataTypeTime = 5,
};

// How a field is mapped (`MapOption`).
enum MapOptionCode : int32_t {
    MapOptionDoNotMap = 1,
    MapOptionFromSource = 2,
    MapOptionConstant = 3,
    MapOptionPrompt = 4,
    MapOptionToDestination = 5,
    MapOptionAutonumber = 6,
};

// A field of a map, given by its number (from 1) or by its name (letter case ignored),
// so that callers write map.DataType("MeterTagNbr") as well as map.DataType(3).
class MapFieldIndex {
public:
    MapFieldIndex(int number) : mNumber(number) {}
    MapFieldIndex(std::string name) : mName(std::move(name)), mByName(true) {}
    MapFieldIndex(const char* name) : mName(name != nullptr ? name : ""), mByName(true) {}

    bool ByName() const { return mByName; }
    int Number() const { return mNumber; }
    const std::string& Name() const { return mName; }
    // The index as the caller gave it, for messages.
    std::string Text() const;

private:
    int mNumber = 0;
    std::string mName;
    bool mByName = false;
};

// One field record of a map.
struct MapField {
    std::string FieldName;
    int32_t DataType = 0; // 0 text, 1/2/3 number of a 1/2/4-byte field, 4 date, 5 time
    bool Required = false;
    int32_t MapOption = MapOptionDoNotMap;
    int16_t DataPosition = 0;
    int16_t DataWidth = 0;
    std::string MapConstant;
    int32_t MapAlign = 0; // 1 left, 2 right
    int32_t MapPad = 0;   // 1 zeros, 2 spaces
    double MaxValue = 0;  // 0 = no limit
    double MinValue = 0;
    std::string Prompt;
    int32_t MapFormat = 0; // date or time format code, 0 = none
};

class clsExchMap {
public:
    // The highest option slot a map keeps (slots are numbered like 16-bit indexes).
    static constexpr int kMaxMapOptions = 32767;

    explicit clsExchMap(std::string programFolder);

    // Map-level properties.
    const std::string& MapName() const { return mMapName; }
    void SetMapName(std::string value);
    int32_t MapUse() const { return mMapUse; }
    void SetMapUse(int32_t value);
    int32_t MapType() const { return mMapType; }
    void SetMapType(int32_t value);
    const std::string& MapDelimiter() const { return mMapDelimiter; }
    void SetMapDelimiter(std::string value);
    // The text to split or join columns on: a tab for "<tab>", else the delimiter itself.
    std::string MapDelimiterChar() const;
    const std::string& MapQuote() const { return mMapQuote; }
    void SetMapQuote(std::string value);
    int32_t MapTerminator() const { return mMapTerminator; }
    void SetMapTerminator(int32_t value);
    int16_t MapLength() const { return mMapLength; }
    void SetMapLength(int16_t value);
    int32_t MapFilter() const { return mMapFilter; }
    void SetMapFilter(int32_t value);
    // Index 0 is every non-blank option as one line, "1:Y;3:N"; other indexes one option
    // (empty when out of range). Writing index 0 sets each pair of such a text; writing another
    // index sets that option and grows the list. Indexes outside 0..kMaxMapOptions are ignored.
    std::string MapOptions(int index) const;
    void SetMapOptions(int index, std::string_view value);
    bool Dirty() const { return mDirty; }
    void SetDirty(bool value) { mDirty = value; }

    // Files. MapFileName is the program's folder and MapName, empty without a name.
    std::string MapFileName() const;
    void NewMap(std::string newMapName, int32_t newMapUse);
    // False when the map file does not exist or cannot be opened; the object then holds
    // the default map of the use.
    bool LoadMap(std::string loadMapName, int32_t loadMapUse);
    // False, with nothing written, when MapName is empty or the file cannot be written;
    // SaveError then says why (the runtime error's description), for the caller to show.
    bool SaveMap();
    // Why the last SaveMap failed; empty after one that succeeded.
    const std::string& SaveError() const { return mSaveError; }
    // True when a map file was deleted.
    bool DeleteMap();

    // Fields.
    int FieldCount() const { return static_cast<int>(mFields.size()); }
    // The field number (from 1) of a name or a valid number, else 0.
    int FindItem(const MapFieldIndex& index) const;
    std::string FieldName(const MapFieldIndex& index, bool showRequired = false) const;
    // The field's display prompt, or its name when it has none.
    std::string Prompt(const MapFieldIndex& index, bool showRequired = false) const;
    int AddField(int32_t dataType, std::string fieldName, bool required = false, double maxValue = 0,
                 double minValue = 0, std::string prompt = {});

    // Per-field properties; unknown fields read as 0 / empty / false and ignore writes.
    int32_t DataType(const MapFieldIndex& index) const;
    void SetDataType(const MapFieldIndex& index, int32_t value);
    bool Required(const MapFieldIndex& index) const;
    void SetRequired(const MapFieldIndex& index, bool value);
    int32_t MapOption(const MapFieldIndex& index) const;
    void SetMapOption(const MapFieldIndex& index, int32_t value);
    int32_t MapAlign(const MapFieldIndex& index) const;
    void SetMapAlign(const MapFieldIndex& index, int32_t value);
    int32_t MapPad(const MapFieldIndex& index) const;
    void SetMapPad(const MapFieldIndex& index, int32_t value);
    int32_t MapFormat(const MapFieldIndex& index) const;
    void SetMapFormat(const MapFieldIndex& index, int32_t value);
    std::string MapConstant(const MapFieldIndex& index) const;
    void SetMapConstant(const MapFieldIndex& index, std::string value);
    int16_t DataPosition(const MapFieldIndex& index) const;
    void SetDataPosition(const MapFieldIndex& index, int16_t value);
    int16_t DataWidth(const MapFieldIndex& index) const;
    void SetDataWidth(const MapFieldIndex& index, int16_t value);
    double MaxValue(const MapFieldIndex& index) const;
    double MinValue(const MapFieldIndex& index) const;

    // Applies the parts of a map file line ("N", "P", "A", "C,constant" or
    // "position,width,align,pad,format") to a field; false for an unknown field.
    bool SetMapping(const MapFieldIndex& field, std::string_view part0, std::string_view part1 = {},
                    std::string_view part2 = {}, std::string_view part3 = {}, std::string_view part4 = {});

    // Validation. MappedOK appends at most one tab-indented, CR LF-terminated line to
    // message and returns true when the field needs none. ValidateMap sets message to the
    // whole report (empty when the map is valid).
    bool MappedOK(const MapFieldIndex& index, std::string& message) const;
    bool ValidateMap(std::string& message) const;

private:
    MapField* Find(const MapFieldIndex& index);
    const MapField* Find(const MapFieldIndex& index) const;
    template <typename T> T Get(const MapFieldIndex& index, T MapField::*member) const;
    template <typename T> void Set(const MapFieldIndex& index, T MapField::*member, T value);
    void AddDefaultFields(int32_t use);
    void ApplyLine(std::string_view line);
    std::string FileText() const;

    std::string mProgramFolder;
    std::string mMapName;
    int32_t mMapUse = 0;
    int32_t mMapType = MapTypeNone;
    std::string mMapDelimiter;
    std::string mMapQuote;
    int32_t mMapTerminator = 0;
    int16_t mMapLength = 0;
    int32_t mMapFilter = 0;
    std::vector<std::string> mMapOptions; // option n in element n - 1
    bool mDirty = false;
    std::vector<MapField> mFields;
    std::string mSaveError;
};

} // namespace dovrex
