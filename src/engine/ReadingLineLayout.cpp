#include "ReadingLineLayout.h"

#include "handheld_db/clsPalmDB.h"
#include "platform/RuntimeError.h"

#include "platform/modRuntime.h"

#include <algorithm>

namespace dovrex {

ReadingLineLayout::ReadingLineLayout(const clsExchMap& map, const clsPalmDB& schema, bool adjust)
    : mMapType(map.MapType()), mMapLength(map.MapLength()), mMapFilter(map.MapFilter()),
      mTerminator(TerminatorBytes(map.MapTerminator())), mDelimiter(map.MapDelimiterChar()), mQuote(map.MapQuote()) {
    for (int number = 1; number <= map.FieldCount(); ++number) {
        if (map.MapOption(number) != MapOptionToDestination) continue;
        Field field;
        field.Name = map.FieldName(number, false);
        field.DataType = map.DataType(number);
        field.Position = map.DataPosition(number);
        field.Width = map.DataWidth(number);
        field.Align = map.MapAlign(number);
        field.Pad = map.MapPad(number);
        field.Format = map.MapFormat(number);
        if (field.DataType == DataTypeDate) field.Formatter = MapFormat::Date(field.Format);
        if (field.DataType == DataTypeTime) field.Formatter = MapFormat::Time(field.Format);
        field.Source = schema.FindItem(field.Name);
        field.Default = std::string(field.DataType == DataTypeText ? 0 : 1, '0');
        if (adjust) {
            if (EqualsNoCase(field.Name, "RouteNbr")) field.Adjustment = Adjust::RouteText;
            else if (EqualsNoCase(field.Name, "CurReading")) field.Adjustment = Adjust::Reading;
            else if (EqualsNoCase(field.Name, "ReadType")) field.Adjustment = Adjust::ReadTypeLetter;
        }
        // An adjusted value exists only where the record has the field it replaces.
        if (field.Source == 0) field.Adjustment = Adjust::None;
        if (field.Adjustment != Adjust::None) mAdjusted.push_back(mFields.size());
        mFields.push_back(std::move(field));
    }
    mFixedLineLength = static_cast<size_t>(std::max<int16_t>(mMapLength, 0));
    for (const Field& field : mFields) {
        if (field.Position >= 1) {
            mFixedLineLength = std::max(mFixedLineLength, static_cast<size_t>(field.Position) - 1 +
                                                               static_cast<size_t>(std::max<int16_t>(field.Width, 0)));
        }
    }
    mRecord.RouteNbr = schema.FindItem("RouteNbr");
    mRecord.Initials = schema.FindItem("Initials");
    mRecord.MeterType = schema.FindItem("MeterType");
    mRecord.Status = schema.FindItem("Status");
    mRecord.ResponseCode = schema.FindItem("ResponseCode");
    mRecord.CurReading = schema.FindItem("CurReading");
    mRecord.Decimals = schema.FindItem("Decimals");
    mRecord.Digits = schema.FindItem("Digits");
    mRecord.ReadType = schema.FindItem("ReadType");
}

std::string ReadingLineLayout::TerminatorBytes(int32_t code) {
    switch (code) {
    case 1: return "\r";
    case 2: return "\n";
    case 3: return "\r\n";
    case 4: return std::string(1, '\0');
    default: return {};
    }
}

void ReadingLineLayout::RequireFlat(const std::string& mapName) const {
    if (mMapType == MapTypeFixed || mMapType == MapTypeDelimited) return;
    RaiseError(ErrInvalidCall, "The conversion map " + mapName + " is neither a fixed-width nor a delimited map");
}

} // namespace dovrex
