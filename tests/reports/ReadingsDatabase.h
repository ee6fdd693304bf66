#pragma once

// Readings databases written for report tests and benchmarks: a header record naming the
// unit, one route record, then meter and orphan records.

#include "handheld_db/clsQVF.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dovrex::test {

struct ReadingMeter {
    int32_t RecType = clsQVF::rtMeter;
    int64_t MeterTagNbr = 0;
    int64_t Status = 1;
    int64_t ReadType = 1;
    int64_t CurReading = 1500;
    int64_t PrvReading = 1400;
    int64_t MinReading = 1000;
    int64_t MaxReading = 2000;
    int64_t ReadingDate = 20240115;
    int64_t ReadingTime = 130509;
    int64_t Decimals = 0;
    int64_t Digits = 0;
    int64_t TamperCount = 0;
    int64_t ResponseCode = 0;
    int64_t LstReadingDate = 0;
    int64_t MeterType = 1;
    std::string ResponseText;
    std::string Initials = "MK";
    std::string ServiceUniqueID = "ACCT";
    std::string MeterSerialNbr = "SN";
    std::string BillingName = "NAME";
    std::string ServiceAddress = "ADDRESS";
};

// Writes a readings database (PDB) of a schema version (the current one unless given) with
// the unit's name in the header record and the reader's initials in the route record; the
// fields an older schema lacks are left out.
void WriteReadings(const std::string& path, const std::string& unit, const std::string& initials,
                   const std::vector<ReadingMeter>& meters, int version = clsQVF::CurrentVersion);

} // namespace dovrex::test
