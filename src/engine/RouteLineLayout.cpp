#include "RouteLineLayout.h"

#include "clsPrompts.h"

#include "platform/modRuntime.h"

namespace dovrex {

RouteLineLayout::RouteLineLayout(const clsExchMap& map, const clsPrompts& prompts)
    : mMapType(map.MapType()), mDelimiter(map.MapDelimiterChar()), mQuote(map.MapQuote()) {
    for (int number = 1; number <= map.FieldCount(); ++number) {
        Field field;
        field.Name = map.FieldName(number, false);
        field.DataType = map.DataType(number);
        field.Option = map.MapOption(number);
        field.Position = map.DataPosition(number);
        field.Width = map.DataWidth(number);
        field.Constant = field.Option == MapOptionPrompt ? prompts.Value(field.Name) : map.MapConstant(number);
        field.MaxValue = map.MaxValue(number);
        field.Required = map.Required(number);
        field.Parsed = field.DataType >= DataTypeText && field.DataType <= DataTypeTime;
        field.IsReadType = EqualsNoCase(field.Name, "ReadType");
        field.FixedForRun =
            !field.Parsed || (field.Option != MapOptionFromSource && field.Option != MapOptionAutonumber);
        field.IsMeterTag = EqualsNoCase(field.Name, "MeterTagNbr");
        // A name given twice shares one value: the later field's.
        field.Slot = Slot(field.Name);
        if (field.Slot < 0 && field.Parsed) {
            field.Slot = static_cast<int>(mSlotNames.size());
            mSlotNames.push_back(field.Name);
        }
        if (field.MaxValue > 0 || field.Required) mCheckedFields.push_back(mFields.size());
        if (field.Parsed && !field.FixedForRun) mVaryingFields.push_back(mFields.size());
        mFields.push_back(std::move(field));
    }
    mRouteSlot = Slot("RouteNbr");
    mTagSlot = Slot("MeterTagNbr");
    mAddressSlot = Slot("ServiceAddress");
    mNameSlot = Slot("BillingName");
}

int RouteLineLayout::Slot(std::string_view name) const {
    for (size_t slot = 0; slot < mSlotNames.size(); ++slot) {
        if (EqualsNoCase(mSlotNames[slot], name)) return static_cast<int>(slot);
    }
    return -1;
}

const ParsedField& ParsedLine::Null() {
    static const ParsedField null;
    return null;
}

std::string_view ParsedLine::Keep(std::string_view text) {
    if (mKeptUsed == mKept.size()) mKept.emplace_back();
    std::string& kept = mKept[mKeptUsed++];
    kept.assign(text);
    return kept;
}

} // namespace dovrex
