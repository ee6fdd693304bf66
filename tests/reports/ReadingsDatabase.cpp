#include "ReadingsDatabase.h"

#include "handheld_db/IPalmFile.h"

#include <stdexcept>

namespace dovrex::test {

void WriteReadings(const std::string& path, const std::string& unit, const std::string& initials,
                   const std::vector<ReadingMeter>& meters, int version) {
    clsQVF qvf;
    qvf.SetVersion(version);
    if (qvf.CreateQVF(path, ContainerPDB, static_cast<int32_t>(meters.size()) + 2) != 0) {
        throw std::runtime_error("cannot create " + path);
    }
    qvf.AddNew();
    qvf.SetItem("RouteNbr", Value(int64_t{1}));
    qvf.SetItem("MeterType", Value(int64_t{version}));
    qvf.SetItem("ResponseText", Value(unit));
    qvf.WriteData();
    qvf.AddNew();
    qvf.SetItem("RecType", Value(int64_t{clsQVF::rtReadingRoute}));
    qvf.SetItem("RouteNbr", Value(int64_t{1}));
    qvf.SetItem("Initials", Value(initials));
    qvf.WriteData();
    for (const ReadingMeter& m : meters) {
        qvf.AddNew();
        const std::pair<const char*, int64_t> numbers[] = {
            {"RecType", m.RecType},         {"RouteNbr", 1},
            {"MeterTagNbr", m.MeterTagNbr}, {"Status", m.Status},
            {"ReadType", m.ReadType},       {"CurReading", m.CurReading},
            {"PrvReading", m.PrvReading},   {"MinReading", m.MinReading},
            {"MaxReading", m.MaxReading},   {"ReadingDate", m.ReadingDate},
            {"ReadingTime", m.ReadingTime}, {"Decimals", m.Decimals},
            {"Digits", m.Digits},           {"TamperCount", m.TamperCount},
            {"ResponseCode", m.ResponseCode}, {"LstReadingDate", m.LstReadingDate},
            {"MeterType", m.MeterType},
        };
        for (const auto& [name, value] : numbers) qvf.SetItem(name, Value(value));
        const std::pair<const char*, const std::string*> texts[] = {
            {"ResponseText", &m.ResponseText},       {"Initials", &m.Initials},
            {"ServiceUniqueID", &m.ServiceUniqueID}, {"MeterSerialNbr", &m.MeterSerialNbr},
            {"BillingName", &m.BillingName},         {"ServiceAddress", &m.ServiceAddress},
        };
        for (const auto& [name, value] : texts) qvf.SetItem(name, Value(*value));
        qvf.WriteData();
    }
    qvf.Close();
}

} // namespace dovrex::test
