#include "maps/clsExchMap.h"

#include "platform/BinaryFile.h"
#include "platform/ProgramFolder.h"
#include "platform/RuntimeError.h"
#include "platform/TextLineReader.h"
#include "platform/modRuntime.h"

#include <optional>
#include <type_traits>
#include <utility>

namespace dovrex {

namespace {

constexpr const char* kCrLf = "\r\n";

struct DefaultField {
    const char* Name;
    int32_t DataType;
    bool Required;
    double MaxValue;
    double MinValue;
    const char* Prompt;
};

// The QVF fields each use maps, in QVF order. Required fields are the ones a route
// cannot do without on the handheld.
constexpr DefaultField kRouteFields[] = {
    {"RouteNbr", 0, true, 0, 0, ""},
    {"Sequence", 3, true, 0, 1, ""},
    {"MeterTagNbr", 3, true, 16777215, 0, ""},
    {"MeterType", 0, true, 0, 0, ""},
    {"Digits", 1, false, 0, 0, ""},
    {"Decimals", 1, false, 0, 0, ""},
    {"PrvReading", 3, false, 0, 0, ""},
    {"MaxReading", 3, false, 0, 0, ""},
    {"MinReading", 3, false, 0, 0, ""},
    {"ReadType", 1, false, 0, 0, ""},
    {"LstReadingDate", 4, false, 0, 0, ""},
    {"UtilityCode", 1, true, 255, 1, ""},
    {"Lat", 3, false, 0, 0, ""},
    {"Lng", 3, false, 0, 0, ""},
    {"ScaleFactor", 3, false, 0, 0, "Pulse Scaling (434)"},
    {"InitReading", 3, false, 0, 0, "Initial Reading(434)"},
    {"InitPulseCount", 3, false, 0, 0, "Initial Pulse Count(434)"},
    {"InitTamperCount", 2, false, 0, 0, "Initial Tamper Count(434)"},
    {"Message", 0, false, 0, 0, ""},
    {"ServiceAddress", 0, true, 0, 0, ""},
    {"BillingName", 0, false, 0, 0, ""},
    {"ServiceUniqueID", 0, false, 0, 0, ""},
    {"MeterSerialNbr", 0, false, 0, 0, ""},
    {"User1", 0, false, 0, 0, ""},
    {"User2", 0, false, 0, 0, ""},
    {"User3", 0, false, 0, 0, ""},
    {"User4", 0, false, 0, 0, ""},
    {"User5", 0, false, 0, 0, ""},
};

constexpr DefaultField kReadingFields[] = {
    {"RouteNbr", 0, false, 0, 0, ""},
    {"Sequence", 3, false, 0, 0, ""},
    {"MeterTagNbr", 3, false, 0, 0, ""},
    {"MeterType", 0, false, 0, 0, ""},
    {"Digits", 1, false, 0, 0, ""},
    {"Decimals", 1, false, 0, 0, ""},
    {"PrvReading", 3, false, 0, 0, ""},
    {"MaxReading", 3, false, 0, 0, ""},
    {"MinReading", 3, false, 0, 0, ""},
    {"CurReading", 3, false, 0, 0, ""},
    {"ReadingDate", 4, false, 0, 0, ""},
    {"ReadingTime", 5, false, 0, 0, ""},
    {"Status", 1, false, 0, 0, ""},
    {"ReadType", 1, false, 0, 0, ""},
    {"ResponseCode", 2, false, 0, 0, ""},
    {"LstReadingDate", 4, false, 0, 0, ""},
    {"TamperCount", 2, false, 0, 0, ""},
    {"UtilityCode", 1, false, 0, 0, ""},
    {"Signal", 1, false, 0, 0, ""},
    {"Lat", 3, false, 0, 0, ""},
    {"Lng", 3, false, 0, 0, ""},
    {"ScaleFactor", 3, false, 0, 0, "Pulse Scaling (434)"},
    {"InitReading", 3, false, 0, 0, "Initial Reading(434)"},
    {"InitPulseCount", 3, false, 0, 0, "Initial Pulse Count(434)"},
    {"InitTamperCount", 2, false, 0, 0, "Initial Tamper Count(434)"},
    {"Initials", 0, false, 0, 0, ""},
    {"ResponseText", 0, false, 0, 0, ""},
    {"Message", 0, false, 0, 0, ""},
    {"ServiceAddress", 0, false, 0, 0, ""},
    {"BillingName", 0, false, 0, 0, ""},
    {"ServiceUniqueID", 0, false, 0, 0, ""},
    {"MeterSerialNbr", 0, false, 0, 0, ""},
    {"ReceiverData", 0, false, 0, 0, ""},
    {"User1", 0, false, 0, 0, ""},
    {"User2", 0, false, 0, 0, ""},
    {"User3", 0, false, 0, 0, ""},
    {"User4", 0, false, 0, 0, ""},
    {"User5", 0, false, 0, 0, ""},
};

// In an orphan file the four reading columns after UtilityCode carry nearby meters' tags.
constexpr DefaultField kOrphanFields[] = {
    {"MeterTagNbr", 3, false, 0, 0, ""},
    {"CurReading", 3, false, 0, 0, ""},
    {"ReadingDate", 4, false, 0, 0, ""},
    {"ReadingTime", 5, false, 0, 0, ""},
    {"TamperCount", 2, false, 0, 0, ""},
    {"UtilityCode", 1, false, 0, 0, ""},
    {"PrvReading", 3, false, 0, 0, "NearbyTagNbr1"},
    {"MaxReading", 3, false, 0, 0, "NearbyTagNbr2"},
    {"MinReading", 3, false, 0, 0, "NearbyTagNbr3"},
    {"LstReadingDate", 3, false, 0, 0, "NearbyTagNbr4"},
};

// Whether the lenient parse finds a number at the start of a text: after blanks, an
// optional sign, then a digit or a decimal point followed by a digit. "12 chars" is
// numeric (12); "", "Fixed" and "-" are not. Numeric map file keys with a non-numeric
// value keep their previous value.
bool HasLeadingNumber(std::string_view text) {
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
    };
    auto isDigit = [&] { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    skipBlanks();
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    skipBlanks();
    if (isDigit()) return true;
    if (i >= text.size() || text[i] != '.') return false;
    ++i;
    skipBlanks();
    return isDigit();
}

// The numeric value of a text rounded to a whole T, or nothing when it does not fit T.
// A value too large for its property leaves the property as it was (the old runtime's
// overflow skipped the assignment), so validation reports the field instead of the map
// carrying a wrapped-around number.
template <typename T> std::optional<T> WholeNumber(std::string_view text) {
    static_assert(std::is_same_v<T, int16_t> || std::is_same_v<T, int32_t>);
    try {
        const double value = Val(text);
        if constexpr (std::is_same_v<T, int16_t>) {
            return CInt(value);
        } else {
            return CLng(value);
        }
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

// A map file holds one item per line; a text that holds a line break is cut there,
// so that it cannot add lines of its own to the file.
std::string_view OneLine(std::string_view text) { return text.substr(0, text.find_first_of("\r\n")); }

bool IsBlank(std::string_view text) { return Trim(text).empty(); }

} // namespace

std::string MapFieldIndex::Text() const { return mByName ? mName : NumberText(static_cast<int64_t>(mNumber)); }

clsExchMap::clsExchMap(std::string programFolder) : mProgramFolder(std::move(programFolder)) {}

// ---- map-level properties ----

void clsExchMap::SetMapName(std::string value) {
    mMapName = std::move(value);
    mDirty = true;
}

void clsExchMap::SetMapUse(int32_t value) {
    mMapUse = value;
    mDirty = true;
}

void clsExchMap::SetMapType(int32_t value) {
    mMapType = value;
    mDirty = true;
}

void clsExchMap::SetMapDelimiter(std::string value) {
    mMapDelimiter = std::move(value);
    mDirty = true;
}

std::string clsExchMap::MapDelimiterChar() const { return mMapDelimiter == "<tab>" ? "\t" : mMapDelimiter; }

void clsExchMap::SetMapQuote(std::string value) {
    mMapQuote = std::move(value);
    mDirty = true;
}

void clsExchMap::SetMapTerminator(int32_t value) {
    mMapTerminator = value;
    mDirty = true;
}

void clsExchMap::SetMapLength(int16_t value) {
    mMapLength = value;
    mDirty = true;
}

void clsExchMap::SetMapFilter(int32_t value) {
    mMapFilter = value;
    mDirty = true;
}

std::string clsExchMap::MapOptions(int index) const {
    if (index == 0) {
        std::vector<std::string> pairs;
        for (size_t i = 0; i < mMapOptions.size(); ++i) {
            if (IsBlank(mMapOptions[i])) continue;
            pairs.push_back(NumberText(static_cast<int64_t>(i + 1)) + ":" + std::string(OneLine(mMapOptions[i])));
        }
        return Join(pairs, ";");
    }
    if (index < 0 || static_cast<size_t>(index) > mMapOptions.size()) return {};
    return mMapOptions[static_cast<size_t>(index) - 1];
}

void clsExchMap::SetMapOptions(int index, std::string_view value) {
    if (index == 0) {
        for (const std::string& pair : Split(value, ";")) {
            const size_t colon = pair.find(':');
            const std::optional<int32_t> number = WholeNumber<int32_t>(std::string_view(pair).substr(0, colon));
            if (!number || *number <= 0) continue;
            SetMapOptions(*number, colon == std::string::npos ? std::string_view() : std::string_view(pair).substr(colon + 1));
        }
        mDirty = true;
        return;
    }
    if (index < 0 || index > kMaxMapOptions) return;
    if (static_cast<size_t>(index) > mMapOptions.size()) mMapOptions.resize(static_cast<size_t>(index));
    mMapOptions[static_cast<size_t>(index) - 1] = std::string(value);
    mDirty = true;
}

// ---- fields ----

MapField* clsExchMap::Find(const MapFieldIndex& index) {
    return const_cast<MapField*>(std::as_const(*this).Find(index));
}

const MapField* clsExchMap::Find(const MapFieldIndex& index) const {
    if (index.ByName()) {
        for (const MapField& field : mFields) {
            if (EqualsNoCase(field.FieldName, index.Name())) return &field;
        }
        return nullptr;
    }
    if (index.Number() < 1 || index.Number() > FieldCount()) return nullptr;
    return &mFields[static_cast<size_t>(index.Number()) - 1];
}

int clsExchMap::FindItem(const MapFieldIndex& index) const {
    const MapField* field = Find(index);
    return field == nullptr ? 0 : static_cast<int>(field - mFields.data()) + 1;
}

std::string clsExchMap::FieldName(const MapFieldIndex& index, bool showRequired) const {
    const MapField* field = Find(index);
    if (field == nullptr) return {};
    return showRequired && field->Required ? field->FieldName + "(Required)" : field->FieldName;
}

std::string clsExchMap::Prompt(const MapFieldIndex& index, bool showRequired) const {
    const MapField* field = Find(index);
    if (field == nullptr) return {};
    const std::string& shown = field->Prompt.empty() ? field->FieldName : field->Prompt;
    return showRequired && field->Required ? shown + "(Required)" : shown;
}

int clsExchMap::AddField(int32_t dataType, std::string fieldName, bool required, double maxValue, double minValue,
                         std::string prompt) {
    MapField field;
    field.FieldName = std::move(fieldName);
    field.DataType = dataType;
    field.Required = required;
    field.MaxValue = maxValue;
    field.MinValue = minValue;
    field.Prompt = std::move(prompt);
    field.MapOption = MapOptionDoNotMap;
    mFields.push_back(std::move(field));
    mDirty = true;
    return FieldCount();
}

void clsExchMap::AddDefaultFields(int32_t use) {
    auto add = [this](const auto& table) {
        for (const DefaultField& f : table) AddField(f.DataType, f.Name, f.Required, f.MaxValue, f.MinValue, f.Prompt);
    };
    switch (use) {
    case MapUseRoute:
    case MapUseReRead: add(kRouteFields); break;
    case MapUseReading: add(kReadingFields); break;
    case MapUseOrphan: add(kOrphanFields); break;
    default: break; // an unknown use has no fields
    }
}

template <typename T> T clsExchMap::Get(const MapFieldIndex& index, T MapField::*member) const {
    const MapField* field = Find(index);
    return field == nullptr ? T{} : field->*member;
}

template <typename T> void clsExchMap::Set(const MapFieldIndex& index, T MapField::*member, T value) {
    MapField* field = Find(index);
    if (field == nullptr) return;
    field->*member = std::move(value);
    mDirty = true;
}

int32_t clsExchMap::DataType(const MapFieldIndex& i) const { return Get(i, &MapField::DataType); }
void clsExchMap::SetDataType(const MapFieldIndex& i, int32_t v) { Set(i, &MapField::DataType, v); }
bool clsExchMap::Required(const MapFieldIndex& i) const { return Get(i, &MapField::Required); }
void clsExchMap::SetRequired(const MapFieldIndex& i, bool v) { Set(i, &MapField::Required, v); }
int32_t clsExchMap::MapOption(const MapFieldIndex& i) const { return Get(i, &MapField::MapOption); }
void clsExchMap::SetMapOption(const MapFieldIndex& i, int32_t v) { Set(i, &MapField::MapOption, v); }
int32_t clsExchMap::MapAlign(const MapFieldIndex& i) const { return Get(i, &MapField::MapAlign); }
void clsExchMap::SetMapAlign(const MapFieldIndex& i, int32_t v) { Set(i, &MapField::MapAlign, v); }
int32_t clsExchMap::MapPad(const MapFieldIndex& i) const { return Get(i, &MapField::MapPad); }
void clsExchMap::SetMapPad(const MapFieldIndex& i, int32_t v) { Set(i, &MapField::MapPad, v); }
int32_t clsExchMap::MapFormat(const MapFieldIndex& i) const { return Get(i, &MapField::MapFormat); }
void clsExchMap::SetMapFormat(const MapFieldIndex& i, int32_t v) { Set(i, &MapField::MapFormat, v); }
std::string clsExchMap::MapConstant(const MapFieldIndex& i) const { return Get(i, &MapField::MapConstant); }
void clsExchMap::SetMapConstant(const MapFieldIndex& i, std::string v) { Set(i, &MapField::MapConstant, std::move(v)); }
int16_t clsExchMap::DataPosition(const MapFieldIndex& i) const { return Get(i, &MapField::DataPosition); }
void clsExchMap::SetDataPosition(const MapFieldIndex& i, int16_t v) { Set(i, &MapField::DataPosition, v); }
int16_t clsExchMap::DataWidth(const MapFieldIndex& i) const { return Get(i, &MapField::DataWidth); }
void clsExchMap::SetDataWidth(const MapFieldIndex& i, int16_t v) { Set(i, &MapField::DataWidth, v); }
double clsExchMap::MaxValue(const MapFieldIndex& i) const { return Get(i, &MapField::MaxValue); }
double clsExchMap::MinValue(const MapFieldIndex& i) const { return Get(i, &MapField::MinValue); }

bool clsExchMap::SetMapping(const MapFieldIndex& fieldIndex, std::string_view part0, std::string_view part1,
                            std::string_view part2, std::string_view part3, std::string_view part4) {
    MapField* field = Find(fieldIndex);
    if (field == nullptr) return false;
    auto unmapped = [field](int32_t option) {
        field->MapOption = option;
        field->DataPosition = 0;
        field->DataWidth = 0;
        field->MapConstant.clear();
    };
    if (part0 == "N") {
        unmapped(MapOptionDoNotMap);
    } else if (part0 == "P") {
        unmapped(MapOptionPrompt);
    } else if (part0 == "A") {
        unmapped(MapOptionAutonumber);
    } else if (part0 == "C") {
        unmapped(MapOptionConstant);
        field->MapConstant = std::string(part1);
    } else {
        // Numbers that do not fit leave the attribute as it was; the rest of the line applies.
        if (const auto position = WholeNumber<int16_t>(part0)) field->DataPosition = *position;
        if (const auto width = WholeNumber<int16_t>(part1)) field->DataWidth = *width;
        field->MapOption = (mMapUse == MapUseRoute || mMapUse == MapUseReRead) ? MapOptionFromSource
                                                                              : MapOptionToDestination;
        field->MapAlign = part2 == "L" ? 1 : 2;
        field->MapPad = part3 == "Z" ? 1 : 2;
        if (const auto format = WholeNumber<int32_t>(part4)) field->MapFormat = *format;
    }
    mDirty = true;
    return true;
}

// ---- files ----

std::string clsExchMap::MapFileName() const { return mMapName.empty() ? std::string() : JoinPath(mProgramFolder, mMapName); }

void clsExchMap::NewMap(std::string newMapName, int32_t newMapUse) {
    mMapName = std::move(newMapName);
    mMapUse = newMapUse;
    mMapType = MapTypeNone;
    mFields.clear();
    AddDefaultFields(newMapUse);
    // Written files end their records in CR LF unless the user chooses otherwise.
    if (newMapUse == MapUseReading || newMapUse == MapUseOrphan) mMapTerminator = 3;
    mDirty = true;
}

void clsExchMap::ApplyLine(std::string_view line) {
    if (line.empty() || line.front() == '#' || IsBlank(line)) return;
    const size_t equals = line.find('=');
    const std::string key = Trim(line.substr(0, equals));
    std::string value;
    if (equals != std::string_view::npos) {
        const std::string_view rest = line.substr(equals + 1);
        value = Trim(rest.substr(0, rest.find('=')));
    }

    // Numeric keys: a value without a number, or one that does not fit, keeps the old value.
    auto number = [&value]<typename T>(T& target) {
        if (!HasLeadingNumber(value)) return;
        if (const std::optional<T> parsed = WholeNumber<T>(value)) target = *parsed;
    };

    if (key == "QVF" || key == "MAPNAME") {
        // The version is the only one there is; the name comes from the file name.
    } else if (key == "MAPTYPE") {
        number(mMapType);
    } else if (key == "MAPFILTER") {
        number(mMapFilter);
    } else if (key == "MAPTERMINATOR") {
        number(mMapTerminator);
    } else if (key == "MAPLENGTH") {
        number(mMapLength);
    } else if (key == "MAPDELIMITER") {
        mMapDelimiter = value;
    } else if (key == "MAPQUOTE") {
        mMapQuote = value == "<none>" ? std::string() : value;
    } else if (key == "MAPOPTIONS") {
        SetMapOptions(0, value);
    } else {
        std::vector<std::string> parts = Split(value, ",");
        parts.resize(5);
        SetMapping(key, parts[0], parts[1], parts[2], parts[3], parts[4]);
    }
}

bool clsExchMap::LoadMap(std::string loadMapName, int32_t loadMapUse) {
    NewMap(std::move(loadMapName), loadMapUse);
    const std::string path = MapFileName();
    bool opened = false;
    if (FileExists(path)) {
        TextLineReader reader;
        try {
            opened = reader.Open(path) == 0;
            std::string line;
            while (opened && reader.ReadLine(line)) {
                // Lines end in CR LF, CR or (files edited elsewhere) LF alone.
                for (const std::string& piece : Split(line, "\n")) ApplyLine(piece);
            }
        } catch (const RuntimeError&) {
            // A read error ends the file; what was read so far stays.
        }
    }
    mDirty = false;
    return opened;
}

std::string clsExchMap::FileText() const {
    std::string text;
    auto line = [&text](std::string_view a, std::string_view b = {}) {
        text.append(a).append(OneLine(b)).append(kCrLf);
    };
    line("QVF=1.1");
    line("MAPNAME=", mMapName);
    line("MAPTYPE=", NumberText(mMapType));
    line("MAPFILTER=", NumberText(mMapFilter));
    line("MAPDELIMITER=", mMapDelimiter);
    line("MAPQUOTE=", mMapQuote);
    if (!mMapOptions.empty()) line("MAPOPTIONS=", MapOptions(0));
    line("MAPTERMINATOR=", " " + NumberText(mMapTerminator) + " ");
    line("MAPLENGTH=", NumberText(mMapLength));
    for (const MapField& f : mFields) {
        std::string mapping;
        switch (f.MapOption) {
        case MapOptionFromSource:
            mapping = NumberText(f.DataPosition) + "," + NumberText(f.DataWidth) + ",,," + NumberText(f.MapFormat);
            break;
        case MapOptionConstant: mapping = "C," + f.MapConstant; break;
        case MapOptionPrompt: mapping = "P"; break;
        case MapOptionToDestination:
            mapping = NumberText(f.DataPosition) + "," + NumberText(f.DataWidth) + "," + (f.MapAlign == 1 ? "L" : "R") +
                      "," + (f.MapPad == 2 ? "B" : "Z") + "," + NumberText(f.MapFormat);
            break;
        case MapOptionAutonumber: mapping = "A"; break;
        default:
            // Do Not Map, and any option the editor left unchosen: an empty mapping would be
            // read back as "map from position 0" and turn an unmapped field into a broken one.
            mapping = "N";
            break;
        }
        line(f.FieldName + "=", mapping);
    }
    return text;
}

bool clsExchMap::SaveMap() {
    mSaveError.clear();
    if (mMapName.empty()) {
        mSaveError = "The map has no name";
        return false;
    }
    try {
        WriteWholeFile(MapFileName(), FileText());
    } catch (const RuntimeError& e) {
        mSaveError = e.Description();
        return false;
    }
    mDirty = false;
    return true;
}

bool clsExchMap::DeleteMap() { return !mMapName.empty() && DeleteFile(MapFileName()); }

// ---- validation ----

bool clsExchMap::MappedOK(const MapFieldIndex& index, std::string& message) const {
    auto report = [&message](const std::string& text) {
        message += "\t" + text + kCrLf;
        return false;
    };
    const MapField* field = Find(index);
    if (field == nullptr) return report("Mapping of " + index.Text() + " not complete");

    const std::string& name = field->FieldName;
    const int32_t option = field->MapOption;
    const bool positional = option == MapOptionFromSource || option == MapOptionToDestination;
    const bool mapped = option == MapOptionFromSource || option == MapOptionConstant || option == MapOptionPrompt ||
                        option == MapOptionAutonumber;
    if (field->Required && !mapped) return report("Mapping of " + name + " is required");
    if (positional && field->DataPosition < 1) return report("Position of " + name + " is required");
    if (positional && mMapType == MapTypeFixed && field->DataWidth < 1) return report("Width of " + name + " is required");
    if (option == MapOptionToDestination && (field->DataType == DataTypeDate || field->DataType == DataTypeTime) && field->MapFormat == 0)
        return report("Date/Time format missing for " + name);
    if (option == MapOptionConstant && field->MapConstant.empty()) return report("Constant missing for " + name);
    return true;
}

bool clsExchMap::ValidateMap(std::string& message) const {
    std::string lines;
    for (int i = 1; i <= FieldCount(); ++i) MappedOK(i, lines);
    if (lines.empty()) {
        message.clear();
        return true;
    }
    message = std::string("Mapping Errors found:") + kCrLf + lines;
    return false;
}

} // namespace dovrex
