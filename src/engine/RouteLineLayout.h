#pragma once

// The fields of a flat route or re-read map, resolved once per conversion so that no
// line looks a field up by name: where each field's text comes from, what it becomes,
// how it is checked, and where each meter record field finds its value.

#include "maps/clsExchMap.h"

#include "platform/Value.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dovrex {

class clsPrompts;

class RouteLineLayout {
public:
    struct Field {
        std::string Name;
        int32_t DataType = 0;
        int32_t Option = 0;
        int16_t Position = 0;
        int16_t Width = 0;
        // Map Constant, or the value entered for a prompted field.
        std::string Constant;
        double MaxValue = 0;
        bool Required = false;
        // Data types 0 to 5 give the line a value; others never occur in a line.
        bool Parsed = false;
        bool IsReadType = false;
        bool IsMeterTag = false;
        // Where the field's value is kept in a parsed line.
        int Slot = -1;
    };

    // Prompt values are taken as entered before the conversion started.
    RouteLineLayout(const clsExchMap& map, const clsPrompts& prompts);

    int32_t MapType() const { return mMapType; }
    // Slots the import reads on every line; -1 when the map has no such field.
    int RouteSlot() const { return mRouteSlot; }
    int TagSlot() const { return mTagSlot; }
    int AddressSlot() const { return mAddressSlot; }
    int NameSlot() const { return mNameSlot; }
    const std::string& Delimiter() const { return mDelimiter; }
    const std::string& Quote() const { return mQuote; }
    const std::vector<Field>& Fields() const { return mFields; }
    size_t SlotCount() const { return mSlotNames.size(); }
    const std::string& SlotName(size_t slot) const { return mSlotNames[slot]; }
    // The slot of a field name (letter case ignored); -1 when the map has no such field.
    int Slot(std::string_view name) const;

private:
    int32_t mMapType = 0;
    std::string mDelimiter;
    std::string mQuote;
    std::vector<Field> mFields;
    std::vector<std::string> mSlotNames;
    int mRouteSlot = -1, mTagSlot = -1, mAddressSlot = -1, mNameSlot = -1;
};

// One parsed source line: a value per slot of its layout, Null where the line has none.
class ParsedLine {
public:
    // Every slot is written by its field on every line, so a line only needs sizing once.
    void Reset(size_t slots) {
        if (mValues.size() != slots) mValues.assign(slots, Value::Null());
    }
    const Value& Item(int slot) const { return slot < 0 ? Null() : mValues[static_cast<size_t>(slot)]; }
    void Set(int slot, Value value) { mValues[static_cast<size_t>(slot)] = std::move(value); }
    size_t Count() const { return mValues.size(); }

private:
    static const Value& Null();
    std::vector<Value> mValues;
};

} // namespace dovrex
