#include "MeterFieldNumbers.h"

#include "handheld_db/clsPalmDB.h"
#include "platform/RuntimeError.h"

#include <string>

namespace dovrex {

MeterFieldNumbers MeterFieldNumbers::Resolve(clsPalmDB& db) {
    auto field = [&db](const char* name) {
        const int16_t number = db.FindItem(name);
        if (number == 0) RaiseError(ErrInvalidCall, std::string(name) + " not valid field in Record");
        return number;
    };
    return MeterFieldNumbers{
        field("RecType"),         field("RouteNbr"),       field("Sequence"),        field("MeterTagNbr"),
        field("MeterType"),       field("Digits"),         field("Decimals"),        field("PrvReading"),
        field("MaxReading"),      field("MinReading"),     field("Status"),          field("ReadType"),
        field("LstReadingDate"),  field("TamperCount"),    field("UtilityCode"),     field("Lat"),
        field("Lng"),             field("InitPulseCount"), field("InitTamperCount"), field("Message"),
        field("ServiceAddress"),  field("BillingName"),    field("ServiceUniqueID"), field("MeterSerialNbr"),
        field("ReceiverData"),    field("User1"),          field("User2"),           field("User3"),
        field("User4"),           field("User5"),
    };
}

} // namespace dovrex
