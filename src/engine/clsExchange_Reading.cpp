// The reading conversion: the readings database a handheld returns becomes the billing
// system's upload file; the orphan file and the automatic re-read database follow.
// A failing step does not stop the run: its description is kept, the next step runs,
// and the result says that something failed.

#include "RunScope.h"
#include "clsExchange.h"

#include "handheld_db/clsQVF.h"
#include "maps/clsExchMap.h"
#include "platform/BinaryFile.h"
#include "platform/RuntimeError.h"
#include "platform/TextFileWriter.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace dovrex {

namespace {

// Route positions are 16-bit numbers throughout the route database.
constexpr int64_t kMaxRoutes = 32767;

bool IsNumericType(int32_t dataType) {
    return dataType == DataTypeInt16 || dataType == DataTypeInt32 || dataType == DataTypeDouble;
}

bool PassesFilter(int32_t filter, double status, double responseCode) {
    switch (filter) {
    case 0: return true;                               // All Entries
    case 1: return status > 0;                         // Only Readings
    case 2: return status > 0 || responseCode > 0;     // Readings/Exceptions
    case 3: return status == 0;                        // Unread
    default: return false;
    }
}

// The unit flags of a format code (separators, seconds, four-digit year).
int32_t UnitFlags(int32_t code) { return ((code % 10) + 10) % 10; }

// The last digits of a reading written as at least eight digits.
std::string ReadingDigits(int64_t reading, int64_t digits) {
    std::string text = std::to_string(reading < 0 ? -reading : reading);
    if (text.size() < 8) text.insert(0, 8 - text.size(), '0');
    if (reading < 0) text.insert(0, 1, '-');
    if (static_cast<int64_t>(text.size()) > digits) text.erase(0, text.size() - static_cast<size_t>(digits));
    return text;
}

} // namespace

std::vector<std::string> clsExchange::ExtractUser(const std::string& Source) {
    std::string text = Source;
    std::replace(text.begin(), text.end(), '\x01', '\0');
    return Split(text, "~");
}

std::string clsExchange::FormatMapDate(const std::string& value, int32_t code) {
    return MapFormat::Date(code).Write(value);
}

std::string clsExchange::FormatMapTime(const std::string& value, int32_t code) {
    return MapFormat::Time(code).Write(value);
}

bool clsExchange::OpenReadingConversion(int& FileVersion, std::string& pendingFailure) {
    if (!RequireSetting(mvarReadingSource, "Reading Source")) return false;
    const std::string source = ResolvedPath(mvarReadingSource);
    WriteLog("Reading from " + source);
    if (!RequireExistingFile(source, "Reading Source")) return false;
    if (!RequireSetting(mvarReadingDestination, "Reading Destination")) return false;
    if (!RequireSetting(mvarReadingMap, "Reading Conversion Map")) return false;
    if (mvarOrphanConvert != 0) {
        if (!RequireSetting(mvarOrphanDestination, "Orphan Destination")) return false;
        if (!RequireSetting(mvarOrphanMap, "Orphan Conversion Map")) return false;
    }
    if (mvarAutoReRead && !RequireSetting(mvarReReadDestination, "Re-Read Destination")) return false;
    const std::string destination = ResolvedPath(mvarReadingDestination);
    WriteLog("Writing to " + destination);
    // The export replaces the file's content; nothing is deleted before it runs.
    if (!ConfirmOverwrite(destination, "Reading Destination", false)) return false;

    // The file version is the header record's MeterType; a file that cannot be read at
    // all stops here, a damaged first record leaves version 0 and the export reports it.
    try {
        FileVersion = ReadQVFVersion(source, &mMessages);
    } catch (const std::exception& e) {
        pendingFailure = DescribeException(e);
        FileVersion = 0;
    }
    if (FileVersion < 0) {
        WriteLog("Error: Could not read QVF file");
        return false;
    }

    WriteLog("Using map " + mvarReadingMap);
    if (!LoadConversionMap(mvarReadingMap, MapUseReading, "Reading Conversion Map")) return false;
    if (!ValidateConversionMap()) return false;
    return AskPromptValues();
}

bool clsExchange::ConvertReading() {
    if (Busy()) {
        WriteLog("Error: A conversion is already running");
        return false;
    }
    RunScope scope(*this, RunScope::OtherConversion);
    ConversionRun& run = *mRun;
    // The description of the last unexpected failure, kept while the next steps run.
    std::string pending;
    auto attempt = [&](auto&& step) {
        try {
            return step();
        } catch (const std::exception& e) {
            pending = DescribeException(e);
            return false;
        }
    };
    try {
        int fileVersion = 0;
        if (!OpenReadingConversion(fileVersion, pending)) return false;
        LogConversionStart("Reading Conversion Starting  ");

        const bool exported = attempt([&] {
            switch (run.CurrentMap->MapType()) {
            case MapTypeMVRS: return ConvertReadingMVRS(fileVersion);
            case MapTypeE5000: return ConvertReadingE5K(fileVersion);
            default: return ConvertReadingFlat(fileVersion);
            }
        });
        // Without a failure the export reached its end; with one, its description is logged
        // and the result is what the export returned.
        bool result = exported;
        if (!pending.empty()) WriteLog(pending);

        if (mvarOrphanConvert != 0) {
            const std::string orphans = ResolvedPath(mvarOrphanDestination);
            WriteLog("Writing orphans to " + orphans);
            if (mvarOrphanReplace != 0 && FileExists(orphans)) {
                if (const uint64_t length = FileLength(orphans); length > 0) {
                    WriteLog("Notice: File " + orphans + " overwritten per configuration.  " +
                             std::to_string(length) + " bytes lost.");
                }
            }
            WriteLog("Using map " + mvarOrphanMap);
            if (!LoadConversionMap(mvarOrphanMap, MapUseOrphan, "Orphan Conversion Map")) return false;
            if (!ValidateConversionMap()) return false;
            LogConversionStart("Orphan Conversion Starting  ");
            if (!attempt([&] { return ConvertOrphanFlat(fileVersion); })) {
                WriteLog(pending);
                result = false;
            }
            if (FileExists(orphans)) {
                WriteLog("Notice: File " + orphans + " now contains " + std::to_string(FileLength(orphans)) + " bytes.");
            }
        }

        if (mvarAutoReRead) {
            const std::string reRead = ResolvedPath(mvarReReadDestination);
            WriteLog("Writing Exceptions for Re-Read to " + reRead);
            if (!ConfirmOverwrite(reRead, "ReRead Destination", false)) {
                result = false;
            } else {
                int32_t exceptions = 0;
                int16_t container = 0;
                const bool built = attempt([&] {
                    clsQVF& readings = run.RouteDatabase ? *run.RouteDatabase : OpenReadingsDatabase(fileVersion);
                    container = readings.GetType();
                    exceptions = BuildReReadDatabase(readings, reRead);
                    return true;
                });
                if (!built) {
                    WriteLog(pending);
                    result = false;
                } else if (exceptions > 0) {
                    WriteLog("Notice: ReRead File prepared with " + std::to_string(exceptions) + " Meters");
                    // Only a Palm database file goes to HotSync; the re-read file has the
                    // readings file's container kind.
                    if ((mvarReReadQVFType == "PRC" || mvarReReadQVFType == "PDB") && mvarAutoInstall &&
                        container == ContainerPDB && !InstallPRC(reRead)) {
                        WriteLog("Install Cancelled without selecting unit");
                    }
                } else {
                    WriteLog("Notice: No exceptions found in reading.  Not creating re-read file");
                }
            }
        }

        WriteLog("Reading Conversion Finished");
        WriteLog("");
        return result;
    } catch (const std::exception& e) {
        // A failure outside the steps above (the log itself, a map file): report it and close.
        WriteLog(DescribeException(e));
        WriteLog("Reading Conversion Finished");
        WriteLog("");
        return false;
    }
}

clsQVF& clsExchange::OpenReadingsDatabase(int FileVersion) {
    ConversionRun& run = Run();
    run.RouteDatabase.reset();
    auto database = std::make_unique<clsQVF>(&mMessages);
    database->SetVersion(FileVersion);
    const std::string source = ResolvedPath(mvarReadingSource);
    if (database->OpenQVF(source)) RaiseError(ErrBadFileFormat, "Could not read QVF file " + source);
    run.RouteDatabase = std::move(database);
    return *run.RouteDatabase;
}

void clsExchange::ReadValues(clsQVF& db, std::vector<ValueView>& InValues) {
    const std::vector<ReadingLineLayout::Field>& fields = Run().ReadingLayout->Fields();
    InValues.resize(fields.size());
    // The record is decoded once; each field's value is then a view of it (Null without a source).
    clsPalmDB& records = db.DB();
    records.ViewRecord();
    for (size_t i = 0; i < fields.size(); ++i) InValues[i] = records.View(fields[i].Source);
}

bool clsExchange::ConvertReadingFlat(int FileVersion) {
    ConversionRun& run = Run();
    run.ClearRoute();
    TextFileWriter upload;
    upload.Open(ResolvedPath(mvarReadingDestination), false);
    clsQVF& db = OpenReadingsDatabase(FileVersion);
    const std::string source = ResolvedPath(mvarReadingSource);
    run.ReadingLayout = std::make_unique<ReadingLineLayout>(*run.CurrentMap, db.DB(), true);
    const ReadingLineLayout& layout = *run.ReadingLayout;
    layout.RequireFlat(run.CurrentMap->MapName());
    const ReadingLineLayout::RecordFields& fields = layout.Record();
    clsPalmDB& records = db.DB();
    // Header and route records are decoded as they are read; a meter record by ReadValues.
    auto number = [&](int16_t field) { return records.View(field).ToNumber(); };

    run.FirstMeter = true;
    std::vector<ValueView> values;
    std::string readingText; // an adjusted reading's digits
    std::string line;
    int32_t recordNumber = 0;
    for (;;) {
        SetProgress(255, records.Position255());
        if (!records.ReadData()) break;
        ++recordNumber;
        switch (db.RecordType()) {
        case clsQVF::rtHeader: {
            db.RequireFixedPart(recordNumber, source);
            records.ViewRecord();
            // Positions 1..count, all empty until their route records arrive.
            const auto count = static_cast<int64_t>(number(fields.RouteNbr));
            run.RouteList.assign(static_cast<size_t>(std::clamp<int64_t>(count, 0, kMaxRoutes)), std::string());
            run.RouteMeterCount.assign(run.RouteList.size(), 0);
            break;
        }
        case clsQVF::rtRoute:
        case clsQVF::rtReadingRoute: {
            db.RequireFixedPart(recordNumber, source);
            records.ViewRecord();
            const auto position = static_cast<int64_t>(number(fields.RouteNbr));
            if (position < 1 || position > kMaxRoutes) {
                RaiseError(ErrSubscript, "Route record " + std::to_string(recordNumber) + " of " + source +
                                             " names route position " + std::to_string(position));
            }
            // A route beyond the header's count is still a route.
            if (static_cast<size_t>(position) > run.RouteList.size()) {
                run.RouteList.resize(static_cast<size_t>(position));
                run.RouteMeterCount.resize(static_cast<size_t>(position), 0);
            }
            run.RouteList[static_cast<size_t>(position) - 1] = fields.Initials != 0 ? records.Item(fields.Initials).ToText() : "";
            break;
        }
        case clsQVF::rtMeter: {
            db.RequireFixedPart(recordNumber, source);
            ReadValues(db, values);
            for (const size_t i : layout.Adjusted()) {
                ValueView& value = values[i];
                switch (layout.Fields()[i].Adjustment) {
                case ReadingLineLayout::Adjust::None: break;
                case ReadingLineLayout::Adjust::RouteText: {
                    // A route position without a route record gives an empty text.
                    const auto position = static_cast<int64_t>(value.ToNumber());
                    value = ValueView::OfText(position >= 1 && static_cast<size_t>(position) <= run.RouteList.size()
                                                  ? std::string_view(run.RouteList[static_cast<size_t>(position) - 1])
                                                  : std::string_view());
                    break;
                }
                case ReadingLineLayout::Adjust::Reading: {
                    const auto decimals = static_cast<int64_t>(number(fields.Decimals));
                    const auto digits = static_cast<int64_t>(number(fields.Digits));
                    if (decimals <= 0 && digits <= 0) break;
                    auto reading = static_cast<int64_t>(value.ToNumber());
                    if (decimals > 0) {
                        // Past the reading's own size every further power of ten gives 0.
                        const int64_t magnitude = reading < 0 ? -reading : reading;
                        int64_t divisor = 1;
                        for (int64_t d = 0; d < decimals && divisor <= magnitude; ++d) divisor *= 10;
                        reading /= divisor;
                    }
                    if (digits > 0) {
                        readingText = ReadingDigits(reading, digits);
                        value = ValueView::OfText(readingText);
                    } else {
                        value = ValueView::OfInteger(reading);
                    }
                    break;
                }
                case ReadingLineLayout::Adjust::ReadTypeLetter: {
                    const double code = value.ToNumber();
                    if (code == 1) value = ValueView::OfText("R");
                    else if (code == 2) value = ValueView::OfText("M");
                    else if (code == 3) value = ValueView::OfText("P");
                    break;
                }
                }
            }
            AssembleLine(values, line);
            if (PassesFilter(layout.MapFilter(), number(fields.Status), number(fields.ResponseCode))) {
                upload.Write(line);
                upload.Write(layout.Terminator());
            }
            run.FirstMeter = false;
            break;
        }
        default: break;
        }
    }
    upload.Close();
    return true;
}

void clsExchange::AssembleLine(const std::vector<ValueView>& InValues, std::string& line) {
    const ReadingLineLayout& layout = *Run().ReadingLayout;
    line.clear();
    try {
        if (layout.MapType() == MapTypeFixed) AssembleFixed(InValues, line);
        else AssembleDelimited(InValues, line);
    } catch (const std::exception& e) {
        WriteLog("Error: " + DescribeException(e));
        line.clear();
    }
    if (line.size() < static_cast<size_t>(std::max<int16_t>(layout.MapLength(), 0))) {
        line.resize(static_cast<size_t>(layout.MapLength()), ' ');
    }
}

std::string_view clsExchange::OutputText(const ReadingLineLayout::Field& field, const ValueView& value,
                                         std::string& out) {
    // Whole numbers, and the dates and times made of them, are written into out without
    // building a string for them: a line needs no new strings.
    const bool pattern = field.DataType == DataTypeDate || field.DataType == DataTypeTime;
    if (value.Kind == Value::Kind::Integer) {
        // A number's digits at the start of out; a date or time made from it after them.
        constexpr size_t kDigits = 24;
        constexpr size_t kRoom = kDigits + 16;
        if (out.size() < kRoom) out.resize(kRoom);
        if (pattern) {
            char* const text = out.data() + kDigits;
            return std::string_view(text, field.Formatter.WriteNumber(value.Integer, text));
        }
        const char* end = std::to_chars(out.data(), out.data() + kDigits, value.Integer).ptr;
        return std::string_view(out.data(), static_cast<size_t>(end - out.data()));
    }
    std::string_view text;
    if (value.IsNull()) {
        text = field.Default;
        if (Run().FirstMeter) WriteLog("Warning: Defaulted " + field.Name + " to " + field.Default);
    } else if (value.IsText()) {
        text = value.Text;
    } else {
        out = value.ToText();
        text = out;
    }
    if (!pattern) return text;
    // The date or time goes into a buffer of its own, as the text may be in out.
    std::string& formatted = Run().FormattedText;
    field.Formatter.Write(text, formatted);
    return formatted;
}

void clsExchange::AssembleFixed(const std::vector<ValueView>& InValues, std::string& line) {
    const ReadingLineLayout& layout = *Run().ReadingLayout;
    const std::vector<ReadingLineLayout::Field>& fields = layout.Fields();
    // Blanks wherever no field writes; every field then writes its whole width.
    line.assign(layout.FixedLineLength(), ' ');
    char* const out = line.data();
    // The run's text buffer, which keeps its size from line to line (OutputText formats
    // a date or time safely into the same buffer).
    std::string& value = Run().FormattedText;
    for (size_t i = 0; i < fields.size(); ++i) {
        const ReadingLineLayout::Field& field = fields[i];
        if (field.Position < 1) RaiseError(ErrInvalidCall, "Position of " + field.Name + " is below 1");
        const auto start = static_cast<size_t>(field.Position) - 1;
        const auto width = static_cast<size_t>(std::max<int16_t>(field.Width, 0));
        char* const at = out + start;
        const ValueView& input = InValues[i];
        if (input.Kind == Value::Kind::Integer && field.Align == 2 && IsNumericType(field.DataType)) {
            // A right-aligned whole number, written from the field's right end: its low
            // digits (and sign) as far as the width goes, the padding before them.
            const char pad = field.Pad == 2 ? ' ' : '0';
            uint64_t magnitude = input.Integer < 0 ? 0 - static_cast<uint64_t>(input.Integer)
                                                   : static_cast<uint64_t>(input.Integer);
            char* p = at + width;
            do {
                if (p == at) break;
                *--p = static_cast<char>('0' + magnitude % 10);
                magnitude /= 10;
            } while (magnitude != 0);
            if (input.Integer < 0 && p != at) *--p = '-';
            while (p != at) *--p = pad;
            continue;
        }
        std::string_view text = OutputText(field, input, value);
        if (field.Align == 1) {
            // Left aligned: without the blanks around it.
            size_t first = 0;
            size_t end = text.size();
            while (first < end && text[first] == ' ') ++first;
            while (end > first && text[end - 1] == ' ') --end;
            text = text.substr(first, end - first);
        }
        // Numbers keep their low digits, texts their beginning.
        if (text.size() > width) text = IsNumericType(field.DataType) ? text.substr(text.size() - width) : text.substr(0, width);
        // The field's characters replace what the line has under them; right aligned, the
        // padding goes first. Fields are a few characters: copied byte by byte.
        const size_t fill = width - text.size();
        const char pad = field.Pad == 2 ? ' ' : '0';
        char* p = at;
        if (field.Align == 2) p = std::fill_n(p, fill, pad);
        for (const char c : text) *p++ = c;
        if (field.Align != 2) std::fill_n(p, fill, pad);
    }
}

void clsExchange::AssembleDelimited(const std::vector<ValueView>& InValues, std::string& line) {
    const ReadingLineLayout& layout = *Run().ReadingLayout;
    const std::string& quote = layout.Quote();
    std::vector<std::string> columns(1);
    for (size_t i = 0; i < layout.Fields().size(); ++i) {
        const ReadingLineLayout::Field& field = layout.Fields()[i];
        if (field.Position < 1) RaiseError(ErrInvalidCall, "Position of " + field.Name + " is below 1");
        std::string spare;
        std::string text(OutputText(field, InValues[i], spare));
        if (!quote.empty()) {
            const int32_t flags = UnitFlags(field.Format);
            if (field.DataType == DataTypeText) {
                text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }),
                           text.end());
                text = quote + Replace(text, quote, quote + quote) + quote;
            } else if ((field.DataType == DataTypeDate && (flags & 3) != 0) ||
                       (field.DataType == DataTypeTime && (flags & 2) != 0)) {
                text = quote + text + quote;
            }
        }
        const auto column = static_cast<size_t>(field.Position);
        if (columns.size() < column) columns.resize(column);
        columns[column - 1] = std::move(text);
    }
    line = Join(columns, layout.Delimiter());
}

} // namespace dovrex
