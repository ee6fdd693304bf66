#include "ReadingSimulator.h"

#include "QVFReader.h"

#include "platform/DateTime.h"
#include "platform/RuntimeError.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <unordered_set>
#include <vector>

namespace dovrex {

namespace {

// A Palm database file holds at most this many records.
constexpr int32_t kMaxRecords = 32767;

// Shares of the meters of a route.
constexpr double kUnread = 0.08;
constexpr double kSkipCodeOfUnread = 0.6;
constexpr double kOutsideWindow = 0.06;
constexpr double kNote = 0.06;

struct Response {
    int16_t Code;
    const char* Text;
};
// Why a meter was not read, and notes a reader leaves with a reading.
constexpr Response kSkipCodes[] = {
    {1, "DOG IN YARD"}, {2, "LOCKED GATE"}, {3, "METER OBSTRUCTED"}, {4, "CANNOT LOCATE"}, {5, "VACANT"}};
constexpr Response kNotes[] = {{11, "LEAK SUSPECTED"}, {12, "DAMAGED REGISTER"}, {13, "TAMPER SEEN"}};

// The reader's working day: one meter after another from eight to five, starting the day
// after the route database was made.
class FieldClock {
public:
    explicit FieldClock(int64_t routeDate) {
        const int year = static_cast<int>(routeDate / 10000), month = static_cast<int>(routeDate / 100 % 100),
                  day = static_cast<int>(routeDate % 100);
        const bool valid = year >= 1900 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= 31;
        mDays = (valid ? DaysFromCivil(year, month, day) : DaysFromCivil(2004, 1, 15)) + 1;
    }
    void Advance(int64_t seconds) {
        mSeconds += seconds;
        if (mSeconds >= kEnd) {
            ++mDays;
            mSeconds = kStart;
        }
    }
    int32_t Date() const {
        int year = 0, month = 0, day = 0;
        CivilFromDays(mDays, year, month, day);
        return year * 10000 + month * 100 + day;
    }
    int32_t Time() const {
        return static_cast<int32_t>(mSeconds / 3600 * 10000 + mSeconds / 60 % 60 * 100 + mSeconds % 60);
    }

private:
    static constexpr int64_t kStart = 8 * 3600, kEnd = 17 * 3600;
    int64_t mDays = 0;
    int64_t mSeconds = kStart;
};

} // namespace

ReadingSimulator::ReadingSimulator(uint64_t Seed, int32_t RouteKind) : mState(Seed), mRouteKind(RouteKind) {}

uint64_t ReadingSimulator::Next() {
    // splitmix64: the same numbers on every platform and compiler.
    uint64_t z = (mState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int64_t ReadingSimulator::Below(int64_t n) { return n <= 0 ? 0 : static_cast<int64_t>(Next() % static_cast<uint64_t>(n)); }

bool ReadingSimulator::Chance(double probability) {
    return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0) < probability;
}

ReadingSimulator::Summary ReadingSimulator::Simulate(const std::string& RouteFile, const std::string& ReadingsFile) {
    QVFReader reader;
    if (!reader.Open(RouteFile)) RaiseError(ErrBadFileFormat, RouteFile + ": " + reader.FailureReason());
    const int version = reader.Version();
    if (version < 1) RaiseError(ErrBadFileFormat, RouteFile + ": no header record names a schema with readings");
    std::error_code sameFile;
    if (std::filesystem::equivalent(RouteFile, ReadingsFile, sameFile)) {
        RaiseError(ErrPathFileAccess, ReadingsFile + ": the readings cannot replace the route database they come from");
    }
    clsQVF& route = reader.Database();
    const int16_t container = route.GetType();
    const int32_t records = route.RecordCount(); // -1 when the container does not know
    // A Palm database file reserves its record list: room for the route and the orphans.
    const int32_t presize = records < 0 ? 0 : std::min(kMaxRecords, records + 3 + records / 200);

    clsQVF readings;
    readings.SetVersion(version);
    if (const int16_t status = readings.CreateQVF(ReadingsFile, container, presize); status != 0) {
        throw RuntimeError(status, RuntimeError::StandardDescription(status) + " (" + ReadingsFile + ")");
    }

    Summary summary;
    std::optional<FieldClock> clock;
    std::vector<int64_t> tags;
    std::unordered_set<int64_t> onRoute;
    int32_t written = 0;
    QVFRecord record;
    while (reader.ReadNext(record)) {
        readings.SetRawData(route.RawData());
        const auto kind = QVFRecord::KindOf(record.RecordType);
        auto number = [&](const char* name) { return static_cast<int64_t>(record.Fields.Item(name).ToNumber()); };
        if (kind == clsQVF::rtHeader && !clock) clock.emplace(number("Sequence"));
        if (kind == clsQVF::rtRoute) readings.SetItem("RecType", Value(mRouteKind));
        if (kind == clsQVF::rtMeter && record.Problem.empty()) {
            if (!clock) clock.emplace(0);
            ++summary.Meters;
            const int64_t tag = number("MeterTagNbr");
            tags.push_back(tag);
            onRoute.insert(tag);
            clock->Advance(30 + Below(120));
            auto respond = [&](const Response& response) {
                readings.SetItem("ResponseCode", Value(int64_t{response.Code}));
                readings.SetItem("ResponseText", Value(response.Text));
                ++summary.Responses;
            };
            if (Chance(kUnread)) {
                ++summary.Unread;
                for (const char* cleared : {"Status", "CurReading", "ReadingDate", "ReadingTime"}) {
                    readings.SetItem(cleared, Value(int64_t{0}));
                }
                if (Chance(kSkipCodeOfUnread)) respond(kSkipCodes[Below(std::size(kSkipCodes))]);
            } else {
                ++summary.Read;
                const int64_t previous = number("PrvReading"), low = number("MinReading"), high = number("MaxReading");
                const int64_t digits = number("Digits");
                int64_t rollover = 1;
                for (int64_t d = 0; d < (digits >= 1 && digits <= 9 ? digits : 9); ++d) rollover *= 10;
                // A reading outside the window where the window leaves room for one.
                std::optional<int64_t> reading;
                if (Chance(kOutsideWindow)) {
                    if (low < high && high + 1 < rollover) reading = high + 1 + Below(std::min<int64_t>(rollover - 1 - high, 500));
                    else if (low < high && low > 0) reading = low - 1 - Below(std::min<int64_t>(low, 500));
                    else if (low > high + 1) reading = high + 1 + Below(low - high - 1);
                    if (reading) ++summary.OutsideWindow;
                }
                if (!reading) {
                    if (low < high) reading = low + Below(high - low + 1);
                    else if (low > high && low < rollover) reading = (low + Below(rollover - low + high + 1)) % rollover;
                    else reading = (std::max<int64_t>(previous, 0) + Below(400)) % rollover;
                }
                int64_t readType = number("ReadType");
                if (readType < 1 || readType > 3) readType = 2;
                readings.SetItem("Status", Value(int64_t{1}));
                readings.SetItem("CurReading", Value(*reading));
                readings.SetItem("ReadingDate", Value(clock->Date()));
                readings.SetItem("ReadingTime", Value(clock->Time()));
                readings.SetItem("ReadType", Value(readType));
                readings.SetItem("Initials", Value("SIM"));
                if (readType == 1) {
                    readings.SetItem("Signal", Value(10 + Below(90)));
                    readings.SetItem("TamperCount", Value(Chance(0.03) ? 1 + Below(3) : int64_t{0}));
                }
                if (Chance(kNote)) respond(kNotes[Below(std::size(kNotes))]);
            }
        }
        readings.WriteData();
        ++written;
    }

    // Transponders heard on the way that belong to no meter of the route.
    int32_t orphans = 3 + summary.Meters / 200;
    if (container == ContainerPDB) orphans = std::max(0, std::min(orphans, presize - written));
    if (!clock) clock.emplace(0);
    for (int32_t i = 0; i < orphans; ++i) {
        int64_t tag = 16000000 + Below(700000);
        while (onRoute.count(tag) != 0) ++tag;
        onRoute.insert(tag);
        clock->Advance(30 + Below(120));
        readings.AddNew();
        readings.SetItem("RecType", Value(int64_t{clsQVF::rtOrphan}));
        readings.SetItem("MeterTagNbr", Value(tag));
        readings.SetItem("CurReading", Value(Below(1000000)));
        readings.SetItem("ReadingDate", Value(clock->Date()));
        readings.SetItem("ReadingTime", Value(clock->Time()));
        readings.SetItem("TamperCount", Value(Chance(0.1) ? int64_t{1} : int64_t{0}));
        readings.SetItem("UtilityCode", Value(int64_t{1}));
        // The tags of the route meters heard nearby, in the four fields an orphan map names so.
        const auto first = static_cast<size_t>(Below(static_cast<int64_t>(tags.size())));
        const char* nearby[] = {"PrvReading", "MaxReading", "MinReading", "LstReadingDate"};
        for (size_t n = 0; n < std::size(nearby); ++n) {
            readings.SetItem(nearby[n], Value(first + n < tags.size() ? tags[first + n] : int64_t{0}));
        }
        readings.WriteData();
        ++summary.Orphans;
    }
    readings.Close();
    return summary;
}

} // namespace dovrex
