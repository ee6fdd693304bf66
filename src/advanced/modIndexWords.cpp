#include "modIndexWords.h"

#include "platform/RuntimeError.h"
#include "platform/WordBytes.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace dovrex {

namespace {

bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }

// Each byte as its upper-case word character (A-Z, 0-9), or 0 when it is none. Only the
// ASCII letters have an upper case among these; other letters stay outside words.
constexpr std::array<char, 256> kWordChar = [] {
    std::array<char, 256> table{};
    for (int c = '0'; c <= '9'; ++c) table[c] = static_cast<char>(c);
    for (int c = 'A'; c <= 'Z'; ++c) table[c] = table[c + 32] = static_cast<char>(c);
    return table;
}();

// Ordinal street numbers (1ST, 22ND, 3RD) are kept although they start with a digit.
// Inline, with the last two bytes as one number: it runs for every house number.
inline bool EndsAsOrdinal(std::string_view word) {
    if (word.size() < 2) return false;
    const auto last = static_cast<unsigned>(static_cast<unsigned char>(word[word.size() - 2]) << 8 |
                                            static_cast<unsigned char>(word[word.size() - 1]));
    return last == ('S' << 8 | 'T') || last == ('N' << 8 | 'D') || last == ('R' << 8 | 'D');
}

std::vector<std::string> Copies(const std::vector<std::string_view>& views) {
    return std::vector<std::string>(views.begin(), views.end());
}

} // namespace

bool IsIndexToken(int16_t IndexType, std::string_view word, const clsAdvanced& advanced) {
    if (IndexType == ixBillingName) return advanced.HasToken(clsAdvanced::lstTokensOwner, word);
    if (IndexType == ixServiceAddress) return advanced.HasToken(clsAdvanced::lstTokensAddress, word);
    return false;
}

namespace {

// Hands each word of Text of the right shape to sink, as a view into buffer; the excluded
// words are left to the sink.
template <typename Sink>
void EachShapedWord(std::string_view Text, std::string& buffer, const Sink& sink) {
    // Sized once, before any view into it is taken.
    if (buffer.size() < Text.size()) buffer.resize(Text.size());
    const char* const word = kWordChar.data();
    char* out = buffer.data();
    const size_t size = Text.size();
    size_t i = 0;
    while (i < size) {
        char c = word[static_cast<unsigned char>(Text[i])];
        if (c == '\0') {
            ++i;
            continue;
        }
        char* const start = out;
        do {
            *out++ = c;
            if (++i == size) break;
            c = word[static_cast<unsigned char>(Text[i])];
        } while (c != '\0');
        const std::string_view found(start, static_cast<size_t>(out - start));
        if (found.size() >= 2 && (IsLetter(found[0]) || EndsAsOrdinal(found))) sink(found);
    }
}

// The list of excluded words of a name or address kind.
clsAdvanced::List TokenList(int16_t IndexType) {
    return IndexType == ixBillingName ? clsAdvanced::lstTokensOwner : clsAdvanced::lstTokensAddress;
}

// Hands each word of Text to sink, as a view into buffer.
template <typename Sink>
void EachIndexWord(std::string_view Text, int16_t IndexType, const clsAdvanced& advanced, std::string& buffer,
                   const Sink& sink) {
    // Only names and addresses have excluded words.
    const bool tokens = IndexType == ixBillingName || IndexType == ixServiceAddress;
    const auto list = TokenList(IndexType);
    EachShapedWord(Text, buffer, [&](std::string_view found) {
        if (!(tokens && advanced.HasToken(list, found))) sink(found);
    });
}

// The top bit of each byte of v that is a lower-case ASCII letter or at or above 0x80.
uint64_t BytesChangingInUpperCase(uint64_t v) {
    constexpr uint64_t high = 0x8080808080808080u;
    const uint64_t low = v & ~high;
    // A byte from a to z carries into its top bit with the first sum, not with the second.
    return (v | ((low + SpreadByte(static_cast<char>(0x80 - 'a'))) & ~(low + SpreadByte(static_cast<char>(0x80 - 'z' - 1))))) &
           high;
}

// Whether some byte of text is a lower-case ASCII letter or at or above 0x80, eight bytes
// at a time (the usual texts are numbers and upper case). The pieces may overlap: a byte
// tested twice does no harm.
bool MayChangeInUpperCase(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    uint64_t found = 0;
    if (n >= 8) {
        for (size_t at = 0;; at += 8) {
            uint64_t piece;
            std::memcpy(&piece, bytes + std::min(at, n - 8), sizeof piece);
            found |= BytesChangingInUpperCase(piece);
            if (at + 8 >= n) break;
        }
    } else if (n >= 4) {
        uint32_t first;
        uint32_t last;
        std::memcpy(&first, bytes, sizeof first);
        std::memcpy(&last, bytes + n - 4, sizeof last);
        found = BytesChangingInUpperCase(uint64_t{first} | uint64_t{last} << 32);
    } else if (n > 0) {
        found = BytesChangingInUpperCase(uint64_t{bytes[0]} | uint64_t{bytes[n / 2]} << 8 | uint64_t{bytes[n - 1]} << 16);
    }
    return found != 0;
}

// Trimmed of spaces only, as Trim does. Values read back from a written record (the
// usual) have none: one look at each end settles it.
inline std::string_view TrimSpaces(std::string_view Text) {
    if (!Text.empty() && Text.front() != ' ' && Text.back() != ' ') return Text;
    size_t start = 0;
    size_t end = Text.size();
    while (start < end && Text[start] == ' ') ++start;
    while (end > start && Text[end - 1] == ' ') --end;
    return Text.substr(start, end - start);
}

// The upper case of text, in buffer.
std::string_view UpperCopy(std::string_view text, std::string& buffer) {
    if (buffer.size() < text.size()) buffer.resize(text.size());
    for (size_t i = 0; i < text.size(); ++i) buffer[i] = UpperChar(text[i]);
    return std::string_view(buffer.data(), text.size());
}

// Hands each entry of one kind to sink (see IndexEntries).
template <typename Sink>
void EachIndexEntry(int16_t IndexType, std::string_view Text, const clsAdvanced& advanced, std::string& buffer,
                    const Sink& sink) {
    if (IndexType == ixBillingName || IndexType == ixServiceAddress) {
        EachIndexWord(Text, IndexType, advanced, buffer, sink);
        return;
    }
    std::string_view whole = TrimSpaces(Text);
    if (whole.empty()) return;
    // Numbers and upper-case texts (the usual) are taken as they are.
    if (MayChangeInUpperCase(whole)) whole = UpperCopy(whole, buffer);
    if (IndexType == ixMeterTagNbr && whole == "0") return;
    sink(whole);
}

} // namespace

void SplitIndexWords(std::string_view Text, int16_t IndexType, const clsAdvanced& advanced, std::string& buffer,
                     std::vector<std::string_view>& entries) {
    entries.clear();
    EachIndexWord(Text, IndexType, advanced, buffer, [&entries](std::string_view word) { entries.push_back(word); });
}

void IndexEntries(int16_t IndexType, std::string_view Text, const clsAdvanced& advanced, std::string& buffer,
                  std::vector<std::string_view>& entries) {
    entries.clear();
    EachIndexEntry(IndexType, Text, advanced, buffer, [&entries](std::string_view entry) { entries.push_back(entry); });
}

void IndexMeterEntries(const std::array<std::string_view, IndexKindCount>& fields, const clsAdvanced& advanced,
                       std::string& buffer, std::vector<clsIndex>& collectors, int16_t Position) {
    if (collectors.size() < fields.size()) RaiseError(ErrSubscript);
    // Names and addresses repeat their words: each distinct word of a route is looked up
    // among the excluded words once, by its collector.
    for (int16_t kind : {ixBillingName, ixServiceAddress}) {
        clsIndex& collector = collectors[static_cast<size_t>(kind)];
        // Made once per text, not once per word.
        const auto excluded = [&advanced, list = TokenList(kind)](std::string_view w) {
            return advanced.HasToken(list, w);
        };
        EachShapedWord(fields[static_cast<size_t>(kind)], buffer,
                       [&](std::string_view word) { collector.Insert(word, Position, excluded); });
    }
    // Whole values: the head the collector keys them by also shows whether upper case
    // changes them, without another pass (most are numbers or upper case already).
    for (int16_t kind = ixMeterTagNbr; kind < IndexKindCount; ++kind) {
        std::string_view whole = TrimSpaces(fields[static_cast<size_t>(kind)]);
        if (whole.empty()) continue;
        uint64_t head;
        uint64_t next;
        clsIndex::HeadOf(whole, head, next);
        const bool changes = whole.size() > 16 ? MayChangeInUpperCase(whole)
                                               : (BytesChangingInUpperCase(head) | BytesChangingInUpperCase(next)) != 0;
        if (changes) {
            whole = UpperCopy(whole, buffer);
            clsIndex::HeadOf(whole, head, next);
        }
        if (kind == ixMeterTagNbr && whole == "0") continue;
        collectors[static_cast<size_t>(kind)].Insert(whole, head, next, Position);
    }
}

std::vector<std::string> SplitIndexWords(const std::string& Text, int16_t IndexType, const clsAdvanced& advanced) {
    std::string buffer;
    std::vector<std::string_view> words;
    SplitIndexWords(Text, IndexType, advanced, buffer, words);
    return Copies(words);
}

std::vector<std::string> IndexEntries(int16_t IndexType, const std::string& Text, const clsAdvanced& advanced) {
    std::string buffer;
    std::vector<std::string_view> entries;
    IndexEntries(IndexType, Text, advanced, buffer, entries);
    return Copies(entries);
}

} // namespace dovrex
