#pragma once

// The fields of a flat route or re-read map, resolved once per conversion so that no
// line looks a field up by name: where each field's text comes from, what it becomes,
// how it is checked, and where each meter record field finds its value.

#include "maps/clsExchMap.h"

#include "platform/Value.h"

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <utility>
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
        // The same value on every line of a run: a constant, a prompt, no field.
        bool FixedForRun = false;
        // Where the field's value is kept in a parsed line.
        int Slot = -1;
        // A fixed-width field's bytes in a line that holds every column whole (at least
        // ColumnEnd() bytes): from Start, Length of them; both 0 for a field of no column.
        size_t Start = 0, Length = 0;
        // A delimited field's column: Position - 1, past any line's columns for a position
        // below 1.
        size_t Column = SIZE_MAX;
        // A number that counting checks with the others of CountingSpan() at once.
        bool InCountingSpan = false;
    };

    // Prompt values are taken as entered before the conversion started.
    RouteLineLayout(const clsExchMap& map, const clsPrompts& prompts);

    int32_t MapType() const { return mMapType; }
    // Slots the import reads on every line; -1 when the map has no such field.
    int RouteSlot() const { return mRouteSlot; }
    int TagSlot() const { return mTagSlot; }
    int AddressSlot() const { return mAddressSlot; }
    int NameSlot() const { return mNameSlot; }
    // The last field named ReadType that gives a line a value from the line itself, as an
    // index into Fields(); -1 when there is none.
    int ReadTypeField() const { return mReadTypeField; }
    const std::string& Delimiter() const { return mDelimiter; }
    const std::string& Quote() const { return mQuote; }
    const std::vector<Field>& Fields() const { return mFields; }
    // The fields with a maximum value or required, as indexes into Fields().
    const std::vector<size_t>& CheckedFields() const { return mCheckedFields; }
    // What each of CheckedFields is checked for, side by side for the check of every line.
    struct Check {
        size_t Field; // index into Fields()
        int Slot;
        double MaxValue;     // none when 0 or less
        bool RequiredNumber; // a required number: not zero
        bool RequiredText;   // any other required field: not blank
        bool IsMeterTag;
    };
    const std::vector<Check>& Checks() const { return mChecks; }
    // The fields that give a line a value, as indexes into Fields(); those of them that
    // are not fixed for the run.
    const std::vector<size_t>& ParsedFields() const { return mParsedFields; }
    const std::vector<size_t>& VaryingFields() const { return mVaryingFields; }
    // What counting the routes reads on every line, as indexes into Fields(): the route,
    // every number from the line that could be too large for its type (converted to find
    // one that is) and every autonumber (counted). Then the numbers that are the same on
    // every line, which counting checks on its first line.
    // A number's text could be too large for its type unless it is a fixed-width column of
    // at most two characters ("9E" is 9; "9E9" overflows a whole number) or, for a Double,
    // four (the shortest text beyond a double's range is "1E309").
    const std::vector<size_t>& CountingFields() const { return mCountingFields; }
    const std::vector<size_t>& FixedCountingFields() const { return mFixedCountingFields; }
    // CountingFields without those of the counting span: what counting reads on a line
    // whose span holds no exponent letter.
    const std::vector<size_t>& CountingFieldsOutsideSpan() const { return mCountingFieldsOutsideSpan; }
    // The columns of a delimited line that counting reads.
    size_t CountingColumns() const { return mCountingColumns; }
    // The bytes of a fixed-width line up to the end of its last column.
    size_t ColumnEnd() const { return mColumnEnd; }
    // The bytes of a fixed-width line [first, second) that hold every counted number no
    // wider than PlainDigits of its type: such a number can only be too large for its
    // type with an exponent letter, so that a span without one clears them all.
    std::pair<size_t, size_t> CountingSpan() const { return mCountingSpan; }
    // The most characters of a number's text of the data type that, without an exponent
    // letter, cannot be too large for it.
    static size_t PlainDigits(int32_t dataType) {
        return dataType == DataTypeInt16 ? 4 : dataType == DataTypeInt32 ? 9 : 300;
    }
    size_t SlotCount() const { return mSlotNames.size(); }
    const std::string& SlotName(size_t slot) const { return mSlotNames[slot]; }
    // The slot of a field name (letter case ignored); -1 when the map has no such field.
    int Slot(std::string_view name) const;

private:
    int32_t mMapType = 0;
    std::string mDelimiter;
    std::string mQuote;
    std::vector<Field> mFields;
    std::vector<size_t> mCheckedFields;
    std::vector<Check> mChecks;
    std::vector<size_t> mParsedFields;
    std::vector<size_t> mVaryingFields;
    std::vector<size_t> mCountingFields;
    std::vector<size_t> mFixedCountingFields;
    std::vector<size_t> mCountingFieldsOutsideSpan;
    size_t mCountingColumns = 0;
    size_t mColumnEnd = 0;
    std::pair<size_t, size_t> mCountingSpan{0, 0};
    std::vector<std::string> mSlotNames;
    int mRouteSlot = -1, mTagSlot = -1, mAddressSlot = -1, mNameSlot = -1;
    int mReadTypeField = -1;
};

// One parsed value of a source line: its text is a view of the line, of the layout's
// constants or of texts the parsed line keeps, valid until the next line is parsed. A
// whole number read from its digits may keep their text, without leading zeros, in Text
// (which ValueView ignores for a number), so that it needs no conversion back to text.
// A text is trimmed as its field's data type has it: it never ends in a blank.
using ParsedField = ValueView;

// One parsed source line: a value per slot of its layout, Null where the line has none.
class ParsedLine {
public:
    // Every slot is written by its field on every line, so a line only needs sizing once.
    void Reset(size_t slots) {
        if (mValues.size() != slots) [[unlikely]] Resize(slots);
        mKeptUsed = 0;
        mColumnsInView = false;
    }
    // The values of the fields fixed for the run stay from the line that parsed them.
    bool FixedKept() const { return mFixedKept; }
    void SetFixedKept() { mFixedKept = true; }
    // Whether the texts taken from the source line hold no NUL byte: the line has none, and
    // no column is rebuilt with one.
    bool SourceWithoutNul() const { return mSourceWithoutNul; }
    void SetSourceWithoutNul(bool withoutNul) { mSourceWithoutNul = withoutNul; }
    // The source line the texts are views of, when they may go into a record as views
    // (RecordAssembly::SetTextView): the line lies in a buffer that keeps it, and enough
    // bytes after it, until the record is written. Empty otherwise.
    void SetViewSource(std::string_view source) { mViewSource = source; }
    // Whether a text parsed from the line may go into a record as a view: it lies in the
    // view source (a column rebuilt with its quotes put back does not).
    bool Viewable(std::string_view text) const {
        return text.data() >= mViewSource.data() && text.data() + text.size() <= mViewSource.data() + mViewSource.size() &&
               !mViewSource.empty();
    }
    // Whether every text taken from the source line is Viewable: the line is the view
    // source and its texts are pieces of it (a fixed-width line that holds every column).
    bool ColumnsInView() const { return mColumnsInView; }
    void SetColumnsInView(bool inView) { mColumnsInView = inView; }
    // Whether the line's counting span (RouteLineLayout::CountingSpan) holds no exponent
    // letter: its numbers need no check.
    bool CountingSpanPlain() const { return mCountingSpanPlain; }
    void SetCountingSpanPlain(bool plain) { mCountingSpanPlain = plain; }
    // Whether counting has checked the numbers that are the same on every line.
    bool FixedCounted() const { return mFixedCounted; }
    void SetFixedCounted() { mFixedCounted = true; }
    const ParsedField& Item(int slot) const { return slot < 0 ? Null() : mValues[static_cast<size_t>(slot)]; }
    void Set(int slot, const ParsedField& value) { mValues[static_cast<size_t>(slot)] = value; }
    size_t Count() const { return mValues.size(); }
    // Keeps a text made while parsing (an autonumber, a column with its quotes put back)
    // until the next Reset; the view stays valid as more texts are kept.
    std::string_view Keep(std::string_view text);
    // A delimited line's columns into Columns(), as views of text (or kept texts): their
    // quotes taken off, doubled quotes made single, a "~" standing for the delimiter, and a
    // delimiter between quotes part of its column. Text must outlive the columns. Splitting
    // may stop once columnsWanted columns are found.
    void SplitColumns(std::string_view text, const std::string& delimiter, const std::string& quote,
                      size_t columnsWanted = SIZE_MAX);
    // The same for any delimiter and quote, through a copy of the line with the quoted
    // delimiters hidden; SplitColumns takes one pass over the line for the common case of
    // one-character delimiter and quote.
    void SplitColumnsAnyWidth(std::string_view text, const std::string& delimiter, const std::string& quote);
    std::span<const std::string_view> Columns() const { return {mColumns.data(), mColumnCount}; }

private:
    // Null in every slot, no fields kept: the first line of a layout.
    void Resize(size_t slots);
    void SplitQuotedColumns(std::string_view text, char delimiter, char quote, size_t columnsWanted);
    // A column with its doubled quotes made single and each "~" made the delimiter: a kept
    // text when that changes it, else the column itself.
    std::string_view Unescaped(std::string_view column, char delimiter, char quote);

    static const ParsedField& Null();
    std::vector<ParsedField> mValues;
    std::deque<std::string> mKept; // a deque: keeping more texts never moves the earlier ones
    size_t mKeptUsed = 0;
    bool mFixedKept = false;
    bool mFixedCounted = false;
    bool mSourceWithoutNul = false;
    bool mCountingSpanPlain = false;
    bool mColumnsInView = false;
    std::string_view mViewSource;
    std::string mHiddenLine;
    // Sized for the most columns a line seen so far could hold, so that splitting a line
    // stores its columns by position; the first mColumnCount are the line's.
    std::vector<std::string_view> mColumns;
    size_t mColumnCount = 0;
};

} // namespace dovrex
