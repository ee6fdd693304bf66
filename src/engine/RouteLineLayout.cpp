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
        field.Column = static_cast<size_t>(static_cast<int64_t>(field.Position) - 1);
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

void ParsedLine::Resize(size_t slots) {
    mValues.assign(slots, ParsedField{});
    mFixedKept = false;
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
    // The line is read in blocks of 64 bytes, each made a mask of its delimiters, quotes and
    // "~"; only the delimiters outside quotes are visited, one per column, and reading stops
    // after the block that ends the last column wanted.
    // A line of n bytes has at most n + 1 columns.
    if (mColumns.size() <= Buffer.size()) mColumns.resize(Buffer.size() + 1);
    std::string_view* const columns = mColumns.data();
    const char* const p = Buffer.data();
    const size_t n = Buffer.size();
    // start <= end < n, a delimiter at end: the column's bytes, its quotes taken off by
    // moving its ends (the byte at start is the delimiter when the column is empty).
    const auto unquoted = [p, quote](size_t start, size_t end) __attribute__((always_inline)) {
        const char* first = p + start;
        const char* last = p + end;
        if (*first == quote) ++first;
        if (first != last && last[-1] == quote) --last;
        return std::string_view(first, static_cast<size_t>(last - first));
    };
    size_t count = 0;
    constexpr size_t block = 64;
    uint64_t inQuotes = 0;    // every bit set when the block starts after an odd number of quotes
    uint64_t quoteBefore = 0; // 1 when the byte before the block is a quote
    bool mayRemake = false;   // two quotes in a row or a "~" in the column, before its quotes come off
    size_t start = 0;
    for (size_t i = 0; i < n && count < columnsWanted; i += block) {
        ByteMatches found;
        if (i + block <= n) {
            found = MatchBytes64(p + i, delimiter, quote, '~');
        } else {
            // The last bytes: read as the line's last 64 bytes, the bits of those before i
            // shifted out, or from a copy when the line is shorter than that.
            const size_t left = n - i;
            if (n >= block) {
                found = MatchBytes64(p + n - block, delimiter, quote, '~');
                found.A >>= block - left;
                found.B >>= block - left;
                found.C >>= block - left;
            } else {
                char copy[block] = {};
                std::memcpy(copy, p + i, left);
                const uint64_t bytes = (uint64_t{1} << left) - 1;
                found = MatchBytes64(copy, delimiter, quote, '~');
                found.A &= bytes;
                found.B &= bytes;
                found.C &= bytes;
            }
        }
        const uint64_t quotes = found.B;
        const uint64_t inside = PrefixXor(quotes) ^ inQuotes;
        inQuotes = 0 - (inside >> 63);
        // A "~", or the second of two quotes in a row: the column holding it may need remaking.
        uint64_t remake = found.C | (quotes & (quotes << 1 | quoteBefore));
        quoteBefore = quotes >> 63;
        uint64_t cuts = found.A & ~inside;
        if (remake == 0 && !mayRemake) {
            // The common block: every column it ends is a view of the line.
            for (; cuts != 0; cuts &= cuts - 1) {
                const size_t end = i + static_cast<unsigned>(std::countr_zero(cuts));
                columns[count++] = unquoted(start, end);
                start = end + 1;
            }
            continue;
        }
        for (; cuts != 0; cuts &= cuts - 1) {
            const unsigned at = static_cast<unsigned>(std::countr_zero(cuts));
            const uint64_t before = (uint64_t{1} << at) - 1;
            const size_t end = i + static_cast<size_t>(at);
            std::string_view column = unquoted(start, end);
            if ((mayRemake || (remake & before) != 0) && !column.empty() && count < columnsWanted) {
                column = Unescaped(column, delimiter, quote);
            }
            columns[count++] = column;
            start = end + 1;
            remake &= ~before;
            mayRemake = false;
        }
        mayRemake |= remake != 0;
    }
    if (count < columnsWanted) {
        std::string_view column = Buffer.substr(start);
        if (!column.empty() && column.front() == quote) column.remove_prefix(1);
        if (!column.empty() && column.back() == quote) column.remove_suffix(1);
        // An empty column ("" when quoted) never needs remaking.
        columns[count++] = mayRemake && !column.empty() ? Unescaped(column, delimiter, quote) : column;
    }
    mColumnCount = std::min(count, columnsWanted);
}

} // namespace dovrex
