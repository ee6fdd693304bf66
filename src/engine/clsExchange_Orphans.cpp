// By-products of a reading conversion: the orphan file (meters heard in the field that
// were not on the route) and the re-read database of the meters to visit again.

#include "clsExchange.h"

#include "handheld_db/clsQVF.h"
#include "maps/clsExchMap.h"
#include "platform/BinaryFile.h"
#include "platform/RuntimeError.h"
#include "platform/TextFileWriter.h"
#include "platform/modRuntime.h"

namespace dovrex {

namespace {

constexpr int64_t kMaxRoutes = 32767;

} // namespace

bool clsExchange::IsReReadException(int64_t Status, int64_t MinReading, int64_t MaxReading, int64_t CurReading) {
    if (Status == 0) return true;
    if (MinReading < MaxReading) return CurReading < MinReading || CurReading > MaxReading;
    // A window that wraps past the register's rollover: only the gap between them is outside.
    if (MinReading > MaxReading) return CurReading < MinReading && CurReading > MaxReading;
    return false;
}

bool clsExchange::ConvertOrphanFlat(int FileVersion) {
    ConversionRun& run = Run();
    TextFileWriter orphans;
    orphans.Open(ResolvedPath(mvarOrphanDestination), mvarOrphanReplace == 0);
    // The readings database the export opened is read again from its start, rather than
    // opened again (which reads its record list anew).
    clsQVF& db = run.RouteDatabase ? *run.RouteDatabase : OpenReadingsDatabase(FileVersion);
    db.Rewind();
    const std::string source = ResolvedPath(mvarReadingSource);
    // Orphans are written with their values as stored, and report no defaulted values.
    run.ReadingLayout = std::make_unique<ReadingLineLayout>(*run.CurrentMap, db.DB(), false);
    const ReadingLineLayout& layout = *run.ReadingLayout;
    layout.RequireFlat(run.CurrentMap->MapName());
    run.FirstMeter = false;
    std::vector<ValueView> values;
    std::string line;
    int32_t recordNumber = 0;
    clsPalmDB& records = db.DB();
    const std::string& record = records.RawData();
    for (;;) {
        SetProgress(255, records.Position255());
        if (!records.ReadData()) break;
        ++recordNumber;
        // The record kind (clsQVF::RecordType) read in place: most records are no orphans.
        if (record.size() < 2 || ((static_cast<unsigned char>(record[0]) << 8) | static_cast<unsigned char>(record[1])) !=
                                     clsQVF::rtOrphan) {
            continue;
        }
        db.RequireFixedPart(recordNumber, source);
        ReadValues(db, values);
        AssembleLine(values, line);
        orphans.Write(line);
        orphans.Write(layout.Terminator());
    }
    orphans.Close();
    return true;
}

int32_t clsExchange::BuildReReadDatabase(clsQVF& Readings, const std::string& path) {
    const std::string source = ResolvedPath(mvarReadingSource);
    clsPalmDB& records = Readings.DB();
    struct Fields {
        int16_t RouteNbr, MeterType, Status, MinReading, MaxReading, CurReading;
    };
    auto resolve = [&] {
        return Fields{records.FindItem("RouteNbr"),   records.FindItem("MeterType"),  records.FindItem("Status"),
                      records.FindItem("MinReading"), records.FindItem("MaxReading"), records.FindItem("CurReading")};
    };
    Fields fields = resolve();
    auto number = [&](int16_t field) { return field != 0 ? static_cast<int64_t>(records.Item(field).ToNumber()) : 0; };
    auto isException = [&] {
        return IsReReadException(number(fields.Status), number(fields.MinReading), number(fields.MaxReading),
                                 number(fields.CurReading));
    };
    auto routeOf = [&](int32_t recordNumber, size_t routeSlots) {
        const int64_t route = number(fields.RouteNbr);
        if (route < 1 || static_cast<size_t>(route) > routeSlots) {
            RaiseError(ErrSubscript, "Meter record " + std::to_string(recordNumber) + " of " + source + " names route " +
                                         std::to_string(route) + ", but the file has " + std::to_string(routeSlots) +
                                         " route records");
        }
        return static_cast<size_t>(route) - 1;
    };

    // First pass: the schema version, and the exception meters of each route slot.
    int version = 0;
    std::vector<int32_t> exceptionsByRoute;
    std::vector<size_t> exceptionRoutes; // route slot of each exception meter, in file order
    int32_t recordNumber = 0;
    Readings.Rewind();
    while (Readings.ReadData()) {
        ++recordNumber;
        switch (Readings.RecordType()) {
        case clsQVF::rtHeader:
            Readings.RequireFixedPart(recordNumber, source);
            if (const int64_t meterType = number(fields.MeterType); meterType > 0) {
                version = static_cast<int>(meterType);
                // The rest of the file is read with the schema its header names.
                if (version != Readings.Version()) {
                    Readings.SetVersion(version);
                    fields = resolve();
                }
            }
            break;
        case clsQVF::rtRoute:
        case clsQVF::rtReadingRoute:
            if (static_cast<int64_t>(exceptionsByRoute.size()) >= kMaxRoutes) RaiseError(ErrOverflow);
            exceptionsByRoute.push_back(0);
            break;
        case clsQVF::rtMeter:
            Readings.RequireFixedPart(recordNumber, source);
            if (isException()) exceptionRoutes.push_back(routeOf(recordNumber, exceptionsByRoute.size()));
            break;
        default: break;
        }
    }
    if (version < 1) {
        RaiseError(ErrBadFileFormat, source + " has no header record naming its schema version");
    }
    for (const size_t route : exceptionRoutes) ++exceptionsByRoute[route];
    const auto total = static_cast<int32_t>(exceptionRoutes.size());
    exceptionRoutes = {};

    // Routes with exceptions move up to fill the places of those without.
    std::vector<int32_t> newPosition(exceptionsByRoute.size(), 0);
    int32_t routes = 0;
    for (size_t k = 0; k < exceptionsByRoute.size(); ++k) {
        if (exceptionsByRoute[k] > 0) newPosition[k] = ++routes;
    }

    clsQVF reRead(&mMessages);
    reRead.SetVersion(version);
    if (const int16_t status = reRead.CreateQVF(path, Readings.GetType(), CheckInt32(int64_t{routes} + 1 + total));
        status != 0) {
        throw RuntimeError(status, RuntimeError::StandardDescription(status) + " (" + path + ")");
    }
    const DateTime now = mClock.Now();
    clsPalmDB& written = reRead.DB();
    const int16_t outRouteNbr = written.FindItem("RouteNbr");
    const int16_t cleared[] = {written.FindItem("Status"), written.FindItem("ReadingDate"),
                               written.FindItem("ReadingTime"), written.FindItem("CurReading")};

    // Second pass: copy header, the routes with exceptions and their exception meters.
    recordNumber = 0;
    size_t routeSlot = 0;
    Readings.Rewind();
    while (Readings.ReadData()) {
        ++recordNumber;
        switch (Readings.RecordType()) {
        case clsQVF::rtHeader:
            reRead.SetRawData(Readings.RawData());
            reRead.SetItem("RouteNbr", Value(routes));
            reRead.SetItem("Sequence", Value(DateNumber(now)));
            reRead.SetItem("MeterTagNbr", Value(TimeNumberHHNN(now)));
            // The header names the schema its records are written in: the readings file's.
            reRead.SetItem("MeterType", Value(static_cast<int64_t>(version)));
            reRead.SetItem("PrvReading", Value(total));
            reRead.SetItem("ReadingDate", Value(DateNumber(now)));
            reRead.WriteData();
            break;
        case clsQVF::rtRoute:
        case clsQVF::rtReadingRoute: {
            const size_t k = routeSlot++;
            if (k >= newPosition.size() || newPosition[k] == 0) break;
            reRead.SetRawData(Readings.RawData());
            written.SetItem(outRouteNbr, Value(newPosition[k]));
            reRead.WriteData();
            break;
        }
        case clsQVF::rtMeter: {
            if (!isException()) break;
            const size_t route = routeOf(recordNumber, newPosition.size());
            reRead.SetRawData(Readings.RawData());
            written.SetItem(outRouteNbr, Value(newPosition[route]));
            // The reading is cleared; limits, texts and the handheld's response codes stay.
            for (const int16_t field : cleared) written.SetItem(field, Value(int64_t{0}));
            reRead.WriteData();
            break;
        }
        default: break;
        }
    }
    reRead.Close();
    // The log says that no re-read file is created: none is left behind.
    if (total == 0) DeleteFile(path);
    return total;
}

} // namespace dovrex
