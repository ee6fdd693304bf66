#pragma once

// The Write to Destination fields of a reading or orphan map, resolved once per
// conversion against the schema of the readings database, so that no record looks a
// field up by name: where each output field finds its value, how it is laid out, and
// which fields the reading export adjusts.

#include "MapFormat.h"

#include "maps/clsExchMap.h"

#include "platform/Value.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dovrex {

class clsPalmDB;

class ReadingLineLayout {
public:
    // The reading export's changes to a meter's values before its line is built.
    enum class Adjust { None, RouteText, Reading, ReadTypeLetter };

    struct Field {
        std::string Name;
        int32_t DataType = 0;
        int16_t Position = 0;
        int16_t Width = 0;
        int32_t Align = 0;
        int32_t Pad = 0;
        int32_t Format = 0;
        // Dates and times: the format code resolved.
        MapFormat Formatter;
        // The field's number in the record schema; 0 when the records have no such field.
        int16_t Source = 0;
        Adjust Adjustment = Adjust::None;
        // What a missing value is written as: "0", or empty text for a text field.
        std::string Default;
    };

    // adjust: the meter values of a reading export (RouteNbr, CurReading, ReadType);
    // orphans are written as they are.
    ReadingLineLayout(const clsExchMap& map, const clsPalmDB& schema, bool adjust);

    int32_t MapType() const { return mMapType; }
    // Raises when the map (named in the message) is neither fixed-width nor delimited.
    void RequireFlat(const std::string& mapName) const;
    int16_t MapLength() const { return mMapLength; }
    int32_t MapFilter() const { return mMapFilter; }
    // The bytes written after every line.
    const std::string& Terminator() const { return mTerminator; }
    const std::string& Delimiter() const { return mDelimiter; }
    const std::string& Quote() const { return mQuote; }
    const std::vector<Field>& Fields() const { return mFields; }
    // The indices of the fields with an Adjustment, in field order.
    const std::vector<size_t>& Adjusted() const { return mAdjusted; }
    // A fixed-width line's length: up to the end of its last field, at least MapLength.
    size_t FixedLineLength() const { return mFixedLineLength; }

    // Record fields the exports read on every record; 0 when the schema has none.
    struct RecordFields {
        int16_t RouteNbr = 0, Initials = 0, MeterType = 0, Status = 0, ResponseCode = 0, CurReading = 0,
                Decimals = 0, Digits = 0, ReadType = 0;
    };
    const RecordFields& Record() const { return mRecord; }

    // The bytes of a terminator code: 1 CR, 2 LF, 3 CR LF, 4 one NUL; anything else nothing.
    static std::string TerminatorBytes(int32_t code);

private:
    int32_t mMapType = 0;
    int16_t mMapLength = 0;
    int32_t mMapFilter = 0;
    std::string mTerminator;
    std::string mDelimiter;
    std::string mQuote;
    std::vector<Field> mFields;
    std::vector<size_t> mAdjusted;
    size_t mFixedLineLength = 0;
    RecordFields mRecord;
};

} // namespace dovrex
