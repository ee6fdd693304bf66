#include "modIndexWords.h"

#include "platform/RuntimeError.h"

#include <algorithm>
#include <array>

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
bool EndsAsOrdinal(std::string_view word) {
    if (word.size() < 2) return false;
    const std::string_view last = word.substr(word.size() - 2);
    return last == "ST" || last == "ND" || last == "RD";
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

// Hands each word of Text to sink, as a view into buffer.
template <typename Sink>
void EachIndexWord(std::string_view Text, int16_t IndexType, const clsAdvanced& advanced, std::string& buffer,
                   const Sink& sink) {
    // Only names and addresses have excluded words.
    const bool tokens = IndexType == ixBillingName || IndexType == ixServiceAddress;
    const auto list = IndexType == ixBillingName ? clsAdvanced::lstTokensOwner : clsAdvanced::lstTokensAddress;
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
        if (found.size() >= 2 && (IsLetter(found[0]) || EndsAsOrdinal(found)) &&
            !(tokens && advanced.HasToken(list, found))) {
            sink(found);
        }
    }
}

// Hands each entry of one kind to sink (see IndexEntries).
template <typename Sink>
void EachIndexEntry(int16_t IndexType, std::string_view Text, const clsAdvanced& advanced, std::string& buffer,
                    const Sink& sink) {
    if (IndexType == ixBillingName || IndexType == ixServiceAddress) {
        EachIndexWord(Text, IndexType, advanced, buffer, sink);
        return;
    }
    // Trimmed of spaces only, as Trim does.
    size_t start = 0;
    size_t end = Text.size();
    while (start < end && Text[start] == ' ') ++start;
    while (end > start && Text[end - 1] == ' ') --end;
    if (start == end) return;
    std::string_view whole = Text.substr(start, end - start);
    // Numbers and upper-case texts (the usual) are taken as they are.
    const bool changes = std::any_of(whole.begin(), whole.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || static_cast<unsigned char>(c) >= 0x80;
    });
    if (changes) {
        if (buffer.size() < whole.size()) buffer.resize(whole.size());
        for (size_t i = 0; i < whole.size(); ++i) buffer[i] = UpperChar(whole[i]);
        whole = std::string_view(buffer.data(), whole.size());
    }
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
    for (int16_t kind = 0; kind < IndexKindCount; ++kind) {
        clsIndex& collector = collectors[static_cast<size_t>(kind)];
        EachIndexEntry(kind, fields[static_cast<size_t>(kind)], advanced, buffer,
                       [&collector, Position](std::string_view entry) { collector.Insert(entry, Position); });
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
