#pragma once

// Where each field of a meter record comes from, resolved once per conversion: shared
// by the flat route import and the re-read conversion.

#include "clsExchange.h"

#include "RouteLineLayout.h"

#include "handheld_db/RecordAssembly.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dovrex {

// Where each field of a meter record comes from, resolved once per conversion.
struct clsExchange::MeterRecordPlan {
    enum class From { Text, Number, MeterType, ReadType, Message, Empty };
    struct Step {
        int16_t Target; // field number in the database
        int Slot;       // slot in the parsed line
        From Kind;
        bool DateText;  // a date or time text stored as its number
        bool Constant;  // the same value on every line: a constant, a prompt or no field
    };
    int16_t RecType = 0, RouteNbr = 0;
    std::vector<Step> Steps;
    std::vector<size_t> ConstantSteps;
    std::vector<size_t> VaryingSteps; // the steps that are not Constant nor direct
    // Per slot of the parsed line: the field that a varying text or number goes into
    // unchanged, written as the line is parsed; 0 for a slot whose value goes through a step.
    std::vector<int16_t> DirectTargets;
    // The fields of a line that vary from line to line, in the layout's order, resolved
    // for this plan's record: every line after the first parses just these, each straight
    // into its slot and, where its value goes into a record field unchanged, into the
    // record, without looking the field, its slot or its target up.
    struct LineField {
        const RouteLineLayout::Field* Field;
        int Slot;
        bool FromSource;
        bool Direct; // the value goes into Target unchanged (DirectTargets)
        // A whole number read from its digits keeps their text (ParsedLine::Set): the tag
        // and the numbers of the index are wanted as text.
        bool KeepDigits;
        RecordAssembly::Field Target;
        // A step that reads this field's value alone, done as the field is parsed: the
        // meter type letter's code of a text, a date's or time's digits as a number.
        enum class Then : uint8_t { Nothing, MeterType, DateNumber } ThenStep = Then::Nothing;
        RecordAssembly::Field ThenTarget{};
        // A number field's largest whole number read from plain digits (ReadPaddedDigits)
        // that its type takes as it is; a larger one is read as its type reads any text.
        int64_t MaxWhole = INT64_MAX;
    };
    std::vector<LineField> LineFields;
    // LineFields by what they are, each kind parsed in a loop of its own without a look at
    // the field's data type: the texts and the numbers from the line, then all the others
    // in their order (autonumbers count up in it). Where two line fields share a slot, the
    // later one's value is the slot's, so that their order matters: then every line field
    // is one of the others.
    std::vector<LineField> LineTexts, LineNumbers, LineOthers;
    // VaryingSteps without those the line fields do (LineField::ThenStep), for a line
    // parsed through LineFields (FieldsResolved: every line but the first).
    std::vector<size_t> LineVaryingSteps;
    bool FieldsResolved = false;
    // The lines parsed with the plan are views of the source reader's buffer, which keeps
    // each line and TextLineReader::LineSlack bytes after it until the next read: texts of
    // the line may go into the record as views (RecordAssembly::SetTextView).
    bool LineViews = false;
    // The record being written. The constant steps are written once, with the first
    // meter; every meter after it overwrites only what varies from line to line.
    // Created empty, with its record type, by the plan.
    std::optional<RecordAssembly> Record;
    bool ConstantsWritten = false;
    std::string Scratch; // a number's text on its way into a text field
    // The parsed values the message lookup takes.
    int MessageSlot = -1, RouteSlot = -1, AccountSlot = -1, SerialSlot = -1, TagSlot = -1;
    // What the index builder reads back from the written record, in IndexMeter's order
    // (tag, serial, name, address, account).
    std::array<int16_t, 5> IndexFields{};
    // How the flat import finds those texts without reading the record back: per index
    // field, the slot of the parsed line whose value goes into it unchanged (a text into a
    // text field, or a whole number into a 32-bit one), -1 where the record must be read;
    // and whether the route number field reads back the route position as set.
    enum class IndexFrom { Record, Text, Number };
    std::array<int, 5> IndexSlots{-1, -1, -1, -1, -1};
    std::array<IndexFrom, 5> IndexKinds{};
    bool RouteReadsBack = false;
    // The advanced configuration the messages come from, taken with the first meter, and
    // whether it has supervisor messages.
    const clsAdvanced* Advanced = nullptr;
    bool SupervisorMessages = false;
    // Buffers kept from meter to meter: the message and the texts it is looked up by, and
    // the index texts of numbers.
    std::string Message;
    std::array<std::string, 5> MessageScratch, IndexScratch;
};

} // namespace dovrex
