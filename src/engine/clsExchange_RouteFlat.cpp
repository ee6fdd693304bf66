// The flat route import: a billing route file of one meter per line, fixed-width or
// delimited, read twice (to count routes and meters, then to write the records).

#include "clsExchange.h"

#include "handheld_db/clsQVF.h"
#include "maps/clsExchMap.h"
#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <functional>

namespace dovrex {

namespace {

constexpr int32_t kProgressBlock = 128;

bool IsManualReadType(const std::string& readType) {
    return readType == "M" || readType == "P" || readType == "S";
}

bool IsNumericType(int32_t dataType) {
    return dataType == DataTypeInt16 || dataType == DataTypeInt32 || dataType == DataTypeDouble;
}

bool IsDateOrTime(int32_t dataType) { return dataType == DataTypeDate || dataType == DataTypeTime; }

} // namespace

std::string clsExchange::RawFieldText(int field, const std::string& sourceText) {
    switch (Run().CurrentMap->MapOption(field)) {
    case MapOptionFromSource: return sourceText;
    case MapOptionConstant: return Run().CurrentMap->MapConstant(field);
    case MapOptionPrompt: return mPrompts.Value(Run().CurrentMap->FieldName(field, false));
    case MapOptionAutonumber:
        Run().AutoNumberCounter = CheckInt16(static_cast<int64_t>(Run().AutoNumberCounter) + 1);
        return NumberText(Run().AutoNumberCounter);
    default: return {};
    }
}

Value clsExchange::ParsedValue(int field, const std::string& raw, bool fixedWidth) {
    switch (Run().CurrentMap->DataType(field)) {
    case DataTypeText: return Value(fixedWidth ? Trim(raw) : RTrim(raw)); // delimited texts keep leading blanks
    case DataTypeInt16: return Value(CInt(Val(raw)));
    case DataTypeInt32: return Value(CLng(Val(raw)));
    case DataTypeDouble: return Value(Val(raw));
    case DataTypeDate:
    case DataTypeTime: return Value(RTrim(raw));
    default: return Value();
    }
}

ValueCollection clsExchange::ParseFields(const std::function<std::string(int)>& sourceText, bool fixedWidth) {
    ValueCollection values;
    Run().CurrentReadType.clear();
    for (int field = 1; field <= Run().CurrentMap->FieldCount(); ++field) {
        const int32_t dataType = Run().CurrentMap->DataType(field);
        if (dataType < DataTypeText || dataType > DataTypeTime) continue; // not a field the line can carry
        const bool fromSource = Run().CurrentMap->MapOption(field) == MapOptionFromSource;
        const std::string raw = RawFieldText(field, fromSource ? sourceText(field) : std::string());
        std::string name = Run().CurrentMap->FieldName(field, false);
        if (fromSource && EqualsNoCase(name, "ReadType")) Run().CurrentReadType = UCase(raw);
        values.Set(std::move(name), ParsedValue(field, raw, fixedWidth));
    }
    return values;
}

ValueCollection clsExchange::ParseRouteFixed(const std::string& Buffer) {
    return ParseFields(
        [&](int field) {
            const int position = Run().CurrentMap->DataPosition(field);
            const int width = Run().CurrentMap->DataWidth(field);
            // A line that ends before the field gives a shorter or empty text.
            if (position < 1 || width <= 0 || static_cast<size_t>(position) > Buffer.size()) return std::string();
            return Buffer.substr(static_cast<size_t>(position) - 1, static_cast<size_t>(width));
        },
        true);
}

ValueCollection clsExchange::ParseRouteDelimited(const std::string& Buffer) {
    const std::string delimiter = Run().CurrentMap->MapDelimiterChar();
    const std::string quote = Run().CurrentMap->MapQuote();
    std::string line = Buffer;
    // A delimiter inside quotes is hidden as "~" while the line is split.
    if (!quote.empty() && !delimiter.empty()) {
        std::string hidden;
        bool inQuotes = false;
        for (size_t i = 0; i < line.size();) {
            if (line.compare(i, quote.size(), quote) == 0) {
                inQuotes = !inQuotes;
                hidden += quote;
                i += quote.size();
            } else if (inQuotes && line.compare(i, delimiter.size(), delimiter) == 0) {
                hidden += '~';
                i += delimiter.size();
            } else {
                hidden += line[i++];
            }
        }
        line = std::move(hidden);
    }
    std::vector<std::string> columns = delimiter.empty() ? std::vector<std::string>{line} : Split(line, delimiter);
    if (!quote.empty()) {
        for (std::string& column : columns) {
            if (StartsWith(column, quote)) column.erase(0, quote.size());
            if (EndsWith(column, quote)) column.erase(column.size() - quote.size());
            column = Replace(column, quote + quote, quote);
            column = Replace(column, "~", delimiter);
        }
    }
    return ParseFields(
        [&](int field) {
            const int column = Run().CurrentMap->DataPosition(field);
            if (column < 1 || static_cast<size_t>(column) > columns.size()) return std::string();
            return columns[static_cast<size_t>(column) - 1];
        },
        false);
}

ValueCollection clsExchange::ParseRoute(const std::string& Source) {
    switch (Run().CurrentMap->MapType()) {
    case MapTypeFixed: return ParseRouteFixed(Source);
    case MapTypeDelimited: return ParseRouteDelimited(Source);
    default:
        RaiseError(ErrInvalidCall, "The conversion map " + Run().CurrentMap->MapName() +
                                       " is neither a fixed-width nor a delimited map");
    }
}

void clsExchange::ReportValidation(const std::string& message, int16_t& result) {
    if (Run().ValidationMessageCount < 50) {
        WriteLog(message);
        ++Run().ValidationMessageCount;
        result = std::max<int16_t>(result, 1);
    } else if (Run().ValidationMessageCount == 50) {
        WriteLog("Remaining validation messages suppressed");
        WriteLog("Fatal Error limit reached");
        ++Run().ValidationMessageCount;
        result = 3;
    }
}

int16_t clsExchange::ValidateRoute(const ValueCollection& Values) {
    int16_t result = 0;
    const bool manual = IsManualReadType(Run().CurrentReadType);
    const std::string line = NumberText(static_cast<int64_t>(Run().LineNumber));
    for (int field = 1; field <= Run().CurrentMap->FieldCount(); ++field) {
        const std::string name = Run().CurrentMap->FieldName(field, false);
        if (manual && EqualsNoCase(name, "MeterTagNbr")) continue;
        const Value& value = Values.Item(name);
        const double maxValue = Run().CurrentMap->MaxValue(field);
        if (maxValue > 0 && value.ToNumber() > maxValue) {
            ReportValidation("Value of " + name + "(" + value.ToText() + ") exceeds maximum permitted value in Line " + line,
                             result);
        }
        if (Run().CurrentMap->Required(field)) {
            const int32_t dataType = Run().CurrentMap->DataType(field);
            if (IsNumericType(dataType)) {
                if (value.ToNumber() == 0) ReportValidation(name + " zero in Line " + line, result);
            } else if (Trim(value.ToText()).empty()) {
                ReportValidation(name + " empty in Line " + line, result);
            }
        }
    }
    if (!manual) {
        const std::string info = Values.Item("ServiceAddress").ToText() + " " + Values.Item("BillingName").ToText();
        if (CheckDuplicateTag(Values.Item("MeterTagNbr").ToText(), info, Run().LineNumber)) result = 3;
    }
    return result;
}

bool clsExchange::CheckDuplicateTag(const std::string& tag, const std::string& info, int32_t line) {
    try {
        if (Run().SeenTags.Insert(tag)) return false;
        WriteLog("Meter Tag Number of " + tag + " is duplicate in Line " + NumberText(static_cast<int64_t>(line)));
        WriteLog("   Info: " + info);
        return true;
    } catch (const std::exception& e) {
        mMessages.Inform(DescribeException(e));
        return false;
    }
}

std::string clsExchange::LookupMessage(const ValueCollection& Values) {
    const std::string prior = Values.Item("Message").ToText();
    const std::string route = Values.Item("RouteNbr").ToText();
    const std::string account = Values.Item("ServiceUniqueID").ToText();
    const std::string serial = Values.Item("MeterSerialNbr").ToText();
    const std::string tag = Values.Item("MeterTagNbr").ToText();
    if (mAdvanced == nullptr) return BillingMessageOnly(prior);
    return mAdvanced->LookupMessage(prior, route, account, serial, tag);
}

void clsExchange::WriteMeterRecord(const ValueCollection& Values, int16_t routePosition) {
    clsQVF& db = *Run().RouteDatabase;
    auto copyTexts = [&](std::initializer_list<const char*> names) {
        for (const char* name : names) db.SetItem(name, Values.Item(name));
    };
    // Dates and times arrive as text; in a numeric field they are yyyymmdd / hhnn numbers.
    auto copyNumbers = [&](std::initializer_list<const char*> names) {
        for (const char* name : names) {
            const Value& value = Values.Item(name);
            const bool dateText = value.IsText() && IsDateOrTime(Run().CurrentMap->DataType(name));
            db.SetItem(name, dateText ? Value(Val(value.Text())) : value);
        }
    };

    db.AddNew();
    db.SetItem("RecType", Value(int64_t{2}));
    db.SetItem("RouteNbr", Value(routePosition));
    copyNumbers({"Sequence", "MeterTagNbr"});
    const std::string meterType = Values.Item("MeterType").ToText();
    // A text that sorts at or after "A" is a meter type letter, stored as its character code.
    if (!meterType.empty() && static_cast<unsigned char>(meterType[0]) >= 'A') {
        db.SetItem("MeterType", Value(static_cast<int64_t>(static_cast<unsigned char>(meterType[0]))));
    } else {
        db.SetItem("MeterType", Value(Val(meterType)));
    }
    copyNumbers({"Digits", "Decimals", "PrvReading", "MaxReading", "MinReading"});
    if (Run().CurrentReadType == "R") db.SetItem("ReadType", Value(int64_t{1}));
    else if (Run().CurrentReadType == "M" || Run().CurrentReadType == "S") db.SetItem("ReadType", Value(int64_t{2}));
    else if (Run().CurrentReadType == "P") db.SetItem("ReadType", Value(int64_t{3}));
    else db.SetItem("ReadType", Value(Values.Item("ReadType").ToNumber()));
    copyNumbers({"LstReadingDate", "UtilityCode", "Lat", "Lng"});
    db.SetItem("Message", Value(LookupMessage(Values)));
    copyTexts({"ServiceAddress", "BillingName", "ServiceUniqueID", "MeterSerialNbr"});
    copyNumbers({"ScaleFactor", "InitReading", "InitPulseCount", "InitTamperCount"});
    db.SetItem("ReceiverData", Value(""));
    copyTexts({"User1", "User2", "User3", "User4", "User5"});
    db.WriteData();
}

void clsExchange::IndexWrittenMeter() {
    clsQVF& db = *Run().RouteDatabase;
    if (mIndexer) {
        mIndexer->IndexMeter(db, Run().CreateIndexes, static_cast<int32_t>(db.Item("RouteNbr").ToNumber()), Run().IndexPosition,
                             db.Item("MeterTagNbr").ToText(), db.Item("MeterSerialNbr").ToText(),
                             db.Item("BillingName").ToText(), db.Item("ServiceAddress").ToText(),
                             db.Item("ServiceUniqueID").ToText());
    }
    Run().IndexPosition = CheckInt16(static_cast<int64_t>(Run().IndexPosition) + 1);
}

bool clsExchange::ConvertRouteFlat() {
    const std::string source = ResolvedPath(mvarRouteSource);
    if (const int status = Run().SourceFile.Open(source); status != 0) throw RuntimeError(status);
    const auto blocks = static_cast<int32_t>((Run().SourceFile.Length() + kProgressBlock - 1) / kProgressBlock);
    const int32_t progressMax = CheckInt32(3 * static_cast<int64_t>(blocks));
    auto progressAt = [&](int32_t base) {
        SetProgress(progressMax, base + static_cast<int32_t>(Run().SourceFile.Position() / kProgressBlock));
    };

    // First pass: the routes, their meter counts and the number of lines.
    int16_t lines = 0;
    std::string line;
    for (;;) {
        progressAt(0);
        if (!Run().SourceFile.ReadLine(line)) break;
        ++Run().LineNumber;
        const ValueCollection values = ParseRoute(line);
        const int16_t route = Run().AddRoute(values.Item("RouteNbr").ToText());
        int16_t& count = Run().RouteMeterCount[static_cast<size_t>(route) - 1];
        count = CheckInt16(static_cast<int64_t>(count) + 1);
        lines = CheckInt16(static_cast<int64_t>(lines) + 1);
    }

    Run().SourceFile.Close();
    if (const int status = Run().SourceFile.Open(source); status != 0) throw RuntimeError(status);
    Run().LineNumber = 0;

    const std::string destination = ResolvedPath(mvarRouteDestination);
    const int64_t presize = static_cast<int64_t>(lines) + static_cast<int64_t>(Run().RouteList.size()) + 2 + 2100;
    if (Run().RouteDatabase->CreateQVF(destination, RouteFileType(mvarRouteQVFType), CheckInt32(presize)) != 0) {
        WriteLog("Error: Could not Create Route QVF File");
        // Nothing usable was written: the closing line must say so.
        Run().ConversionProblems = true;
        return false;
    }
    WriteOpeningRecords(lines, source);

    Run().AutoNumberCounter = 0;
    Run().ValidationMessageCount = 0;
    for (;;) {
        progressAt(blocks);
        if (!Run().SourceFile.ReadLine(line)) break;
        ++Run().LineNumber;
        const ValueCollection values = ParseRoute(line);
        const int16_t validation = ValidateRoute(values);
        if (validation == 1) Run().ConversionWarnings = true;
        if (validation == 3) return false;
        const int16_t route = Run().AddRoute(values.Item("RouteNbr").ToText());
        WriteMeterRecord(values, route);
        ++Run().MetersWritten;
        IndexWrittenMeter();
    }
    return !Run().ConversionProblems;
}

} // namespace dovrex
