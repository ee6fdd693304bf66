#pragma once

// The field numbers of a route database's meter record that the billing-file imports
// (MVRS, E5000) write, looked up once per conversion.

#include <cstdint>

namespace dovrex {

class clsPalmDB;

struct MeterFieldNumbers {
    int16_t RecType, RouteNbr, Sequence, MeterTagNbr, MeterType, Digits, Decimals, PrvReading, MaxReading,
        MinReading, Status, ReadType, LstReadingDate, TamperCount, UtilityCode, Lat, Lng, InitPulseCount,
        InitTamperCount, Message, ServiceAddress, BillingName, ServiceUniqueID, MeterSerialNbr, ReceiverData, User1,
        User2, User3, User4, User5;

    // Raises "<name> not valid field in Record" when the database's schema lacks one.
    static MeterFieldNumbers Resolve(clsPalmDB& db);
};

} // namespace dovrex
