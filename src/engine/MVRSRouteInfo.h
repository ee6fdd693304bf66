#pragma once

#include "platform/DateTime.h"

#include <cstdint>
#include <string>

namespace dovrex {

// One route of an MVRS download or upload. The route conversion fills the route's
// identity from its "RHD" record; the reading conversion rebuilds the counters from the
// readings for the upload's route header and trailer.
struct MVRSRouteInfo {
    std::string RouteNumber;
    int16_t TotalKeys = 0;
    int16_t TotalReadingRecords = 0;
    int16_t TotalKeyedReadings = 0;
    int16_t TotalOpticalProbeReadings = 0;
    int16_t TotalOffsiteRadioReadings = 0;
    int16_t TotalCustomerRecords = 0;
    int16_t TotalMeterRecords = 0;
    int16_t CustomerRecords = 0;
    int16_t MeterRecords = 0;
    int16_t ReadingRecords = 0;
    int16_t MissedReadings = 0;
    int16_t SkippedReadings = 0;
    int16_t GasMeters = 0;
    int16_t WaterMeters = 0;
    int16_t ElectricMeters = 0;
    int16_t LocationMeters = 0;
    int16_t ExtraMeters = 0;
    std::string Region;
    std::string Zone;
    std::string Office;
    // The cycle date current when the route was read; the zero date when none.
    DateTime ScheduledDate{1899, 12, 30, 0, 0, 0};
    int16_t RemoteWandReads = 0;
    // "MTR" records of the route.
    int16_t MeterCount = 0;
};

} // namespace dovrex
