#include "RouteLineLayout.h"

#include "clsPrompts.h"

#include "platform/WordBytes.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

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
        if (field.Parsed) mParsedFields.push_back(mFields.size());
        if (field.Parsed && !field.FixedForRun) mVaryingFields.push_back(mFields.size());
        if (field.Parsed && field.IsReadType && field.Option == MapOptionFromSource) {
            mReadTypeField = static_cast<int>(mFields.size());
        }
        mFields.push_back(std::move(field));
    }
    for (const size_t checked : mCheckedFields) {
        const Field& field = mFields[checked];
        const bool numeric = field.DataType == DataTypeInt16 || field.DataType == DataTypeInt32 ||
                             field.DataType == DataTypeDouble;
        mChecks.push_back({checked, field.Slot, field.MaxValue, field.Required && numeric, field.Required && !numeric,
                           field.IsMeterTag});
    }
    mRouteSlot = Slot("RouteNbr");
    for (size_t i = 0; i < mFields.size(); ++i) {
        const Field& field = mFields[i];
        const bool numeric = field.DataType == DataTypeInt16 || field.DataType == DataTypeInt32 ||
                             field.DataType == DataTypeDouble;
        if (!field.Parsed || !(numeric || field.Slot == mRouteSlot || field.Option == MapOptionAutonumber)) continue;
        if (field.Slot != mRouteSlot && field.Option != MapOptionAutonumber) {
            // A number that is the same on every line is checked on the first; a fixed-width
            // column too narrow to hold a number too large for its type is not checked at all.
            if (field.Option != MapOptionFromSource) {
                mFixedCountingFields.push_back(i);
                continue;
            }
            if (mMapType == MapTypeFixed && field.Width <= (field.DataType == DataTypeDouble ? 4 : 2)) continue;
        }
        mCountingFields.push_back(i);
        if (mMapType == MapTypeFixed && numeric && field.Slot != mRouteSlot && field.Option == MapOptionFromSource &&
            field.Position >= 1 && field.Width > 0 && static_cast<size_t>(field.Width) <= PlainDigits(field.DataType)) {
            mFields[i].InCountingSpan = true;
            const size_t start = static_cast<size_t>(field.Position) - 1;
            const size_t end = start + static_cast<size_t>(field.Width);
            const bool first = mCountingSpan.second == 0;
            mCountingSpan = {first ? start : std::min(mCountingSpan.first, start),
                             std::max(mCountingSpan.second, end)};
        }
        if (field.Option == MapOptionFromSource) {
            mCountingColumns = std::max(mCountingColumns, static_cast<size_t>(std::max<int16_t>(field.Position, 0)));
        }
    }
    for (const size_t counted : mCountingFields) {
        if (!mFields[counted].InCountingSpan) mCountingFieldsOutsideSpan.push_back(counted);
    }
    if (mMapType == MapTypeFixed) {
        for (Field& field : mFields) {
            if (field.Position < 1 || field.Width <= 0) continue;
            field.Start = static_cast<size_t>(field.Position) - 1;
            field.Length = static_cast<size_t>(field.Width);
            mColumnEnd = std::max(mColumnEnd, field.Start + field.Length);
        }
    }
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

namespace {

// Finds three byte values in a text, eight bytes at a time: the columns of a delimited
// line are split at its delimiters, quotes and "~" only.
class SpecialBytes {
public:
    SpecialBytes(char a, char b, char c)
        : mA(a), mB(b), mC(c), mWordA(SpreadByte(a)), mWordB(SpreadByte(b)), mWordC(SpreadByte(c)) {}

    // Calls visit with the position of each of the bytes in text, in order, while it
    // returns true.
    template <class Visit> void ForEach(std::string_view text, const Visit& visit) const {
        const char* const p = text.data();
        const size_t n = text.size();
        size_t i = 0;
        if constexpr (std::endian::native == std::endian::little) {
            for (; i + 8 <= n; i += 8) {
                uint64_t word;
                std::memcpy(&word, p + i, sizeof word);
                uint64_t found =
                    ExactZeroBytes(word ^ mWordA) | ExactZeroBytes(word ^ mWordB) | ExactZeroBytes(word ^ mWordC);
                for (; found != 0; found &= found - 1) {
                    if (!visit(i + static_cast<size_t>(std::countr_zero(found) / 8))) return;
                }
            }
        }
        for (; i < n; ++i) {
            if ((p[i] == mA || p[i] == mB || p[i] == mC) && !visit(i)) return;
        }
    }

private:
    char mA, mB, mC;
    uint64_t mWordA, mWordB, mWordC;
};

} // namespace

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

void ParsedLine::SplitColumns(std::string_view text, const std::string& delimiter, const std::string& quote,
                              size_t columnsWanted) {
    if (delimiter.size() == 1 && quote.size() == 1 && delimiter != quote && delimiter != "~" && quote != "~") {
        SplitQuotedColumns(text, delimiter[0], quote[0], columnsWanted);
    } else {
        SplitColumnsAnyWidth(text, delimiter, quote);
    }
}

void ParsedLine::SplitColumnsAnyWidth(std::string_view Buffer, const std::string& delimiter, const std::string& quote) {
    std::string& hiddenLine = mHiddenLine;
    std::string_view text = Buffer;
    // A delimiter inside quotes is hidden as "~" while the line is split.
    if (!quote.empty() && !delimiter.empty() && Buffer.find(quote) != std::string::npos) {
        hiddenLine.clear();
        // Copied in runs up to the next quote (and, inside quotes, the next delimiter); a
        // quote and a delimiter at the same place count as the quote.
        // Both searches go on from where they stopped, so a long line is scanned once.
        constexpr size_t none = std::string::npos;
        bool inQuotes = false;
        size_t quoteAt = Buffer.find(quote);
        size_t delimiterAt = Buffer.find(delimiter);
        for (size_t i = 0; i < Buffer.size();) {
            if (quoteAt != none && quoteAt < i) quoteAt = Buffer.find(quote, i);
            if (delimiterAt != none && delimiterAt < i) delimiterAt = Buffer.find(delimiter, i);
            const size_t nextQuote = quoteAt;
            const size_t nextDelimiter = inQuotes ? delimiterAt : none;
            if (nextQuote == std::string::npos && nextDelimiter == std::string::npos) {
                hiddenLine.append(Buffer.substr(i));
                break;
            }
            if (nextQuote <= nextDelimiter) {
                hiddenLine.append(Buffer.substr(i, nextQuote - i + quote.size()));
                inQuotes = !inQuotes;
                i = nextQuote + quote.size();
            } else {
                hiddenLine.append(Buffer.substr(i, nextDelimiter - i));
                hiddenLine += '~';
                i = nextDelimiter + delimiter.size();
            }
        }
        text = hiddenLine;
    }
    // The columns are views of the line; only a column that needs its doubled quotes or
    // hidden delimiters put back gets a text of its own.
    std::vector<std::string_view>& columns = mColumns;
    columns.clear();
    if (delimiter.empty()) {
        columns.push_back(text);
    } else {
        for (size_t start = 0;;) {
            const size_t found = text.find(delimiter, start);
            if (found == std::string_view::npos) {
                columns.push_back(text.substr(start));
                break;
            }
            columns.push_back(text.substr(start, found - start));
            start = found + delimiter.size();
        }
    }
    if (!quote.empty()) {
        const std::string doubled = quote + quote;
        for (std::string_view& column : columns) {
            if (StartsWith(column, quote)) column.remove_prefix(quote.size());
            if (EndsWith(column, quote)) column.remove_suffix(quote.size());
            if (column.find(doubled) != std::string_view::npos || column.find('~') != std::string_view::npos) {
                column = Keep(Replace(Replace(column, doubled, quote), "~", delimiter));
            }
        }
    }
    mColumnCount = columns.size();
}

std::string_view ParsedLine::Unescaped(std::string_view column, char delimiter, char quote) {
    const char doubled[] = {quote, quote};
    if (column.find('~') == std::string_view::npos && column.find(std::string_view(doubled, 2)) == std::string_view::npos) {
        return column;
    }
    std::string& made = mHiddenLine;
    made.clear();
    for (size_t i = 0; i < column.size(); ++i) {
        const char c = column[i];
        if (c == '~') {
            made += delimiter;
        } else {
            made += c;
            if (c == quote && i + 1 < column.size() && column[i + 1] == quote) ++i;
        }
    }
    return Keep(made);
}

void ParsedLine::SplitQuotedColumns(std::string_view Buffer, char delimiter, char quote, size_t columnsWanted) {
    // The same columns as SplitColumns gives for a one-character delimiter and quote, in one
    // pass over the line: a delimiter between quotes belongs to its column, and a column's
    // text is a view of the line unless it holds a doubled quote or a "~" (which stands for
    // the delimiter).
    // A line of n bytes has at most n + 1 columns.
    if (mColumns.size() <= Buffer.size()) mColumns.resize(Buffer.size() + 1);
    std::string_view* const columns = mColumns.data();
    size_t count = 0;
    // Inlined into the scan: it runs for every column of every line.
    // start <= end <= Buffer.size(): the column's bytes, its quotes taken off by moving its ends.
    auto add = [&](size_t start, size_t end, bool mayRemake) __attribute__((always_inline)) {
        const char* first = Buffer.data() + start;
        const char* last = Buffer.data() + end;
        if (first != last && *first == quote) ++first;
        if (first != last && last[-1] == quote) --last;
        std::string_view column(first, static_cast<size_t>(last - first));
        if (mayRemake) column = Unescaped(column, delimiter, quote);
        columns[count++] = column;
    };
    bool inQuotes = false;
    bool mayRemake = false; // two quotes in a row or a "~" in the column, before its quotes come off
    size_t start = 0;
    SpecialBytes(delimiter, quote, '~').ForEach(Buffer, [&](size_t i) {
        const char c = Buffer[i];
        if (c == quote) {
            inQuotes = !inQuotes;
            mayRemake |= i > start && Buffer[i - 1] == quote;
        } else if (c == delimiter) {
            if (inQuotes) return true;
            add(start, i, mayRemake);
            start = i + 1;
            mayRemake = false;
            return count < columnsWanted;
        } else {
            mayRemake = true;
        }
        return true;
    });
    if (count < columnsWanted) add(start, Buffer.size(), mayRemake);
    mColumnCount = count;
}

} // namespace dovrex
