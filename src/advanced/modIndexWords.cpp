#include "modIndexWords.h"

#include "platform/RuntimeError.h"
#include "platform/WordBytes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
inline bool IsOrdinalEnding(unsigned last) {
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

// A word of a name or address as the splitter finds it: its first 16 upper-cased bytes as
// two big-endian numbers, zero-filled (clsIndex::HeadOf), its size and where it starts in
// the text.
struct ShapedWord {
    uint64_t Head;
    uint64_t Next;
    size_t Size;
    const unsigned char* Source;
};

// The eight bytes of a text from p, little-endian, with zero bytes (no word character)
// past its end: read at once where the text allows it, and never past its end.
inline uint64_t LoadPiece(const unsigned char* p, const unsigned char* text, const unsigned char* end) {
    const auto load = [](const unsigned char* at) {
        uint64_t piece;
        std::memcpy(&piece, at, sizeof piece);
        if constexpr (std::endian::native == std::endian::big) piece = __builtin_bswap64(piece);
        return piece;
    };
    const auto left = static_cast<size_t>(end - p);
    if (left >= 8) return load(p);
    if (left == 0) return 0;
    // The text's last eight bytes, moved down so that p's byte is the lowest.
    if (end - text >= 8) return load(end - 8) >> (8 * (8 - left));
    uint64_t piece = 0;
    for (size_t i = 0; i < left; ++i) piece |= uint64_t{p[i]} << (8 * i);
    return piece;
}

// The word characters (A-Z, a-z, 0-9) at the start of piece (LoadPiece), upper-cased, in
// the top bytes of a big-endian number, zero-filled; count is how many (8 when the word
// may go on past them). Each byte is classed by arithmetic on its low 7 bits, which
// carries out of no byte; bytes at or above 0x80 are no word character.
inline uint64_t WordPiece(uint64_t piece, size_t& count) {
    constexpr uint64_t high = 0x8080808080808080u;
    const auto spread = [](int c) { return SpreadByte(static_cast<char>(c)); };
    const uint64_t low = piece & ~high;
    // A byte's top bit: v + (0x80 - lo) sets it from lo on, v + (0x7F - hi) above hi.
    const uint64_t digit = (low + spread(0x80 - '0')) & ~(low + spread(0x7F - '9'));
    const uint64_t folded = low | spread(0x20);
    const uint64_t letter = (folded + spread(0x80 - 'a')) & ~(folded + spread(0x7F - 'z'));
    const uint64_t lower = (low + spread(0x80 - 'a')) & ~(low + spread(0x7F - 'z')) & ~piece & high;
    const uint64_t other = ~((digit | letter) & ~piece) & high;
    count = other == 0 ? 8 : static_cast<size_t>(std::countr_zero(other)) / 8;
    // A lower-case letter less 0x20 (its top bit moved down two places).
    uint64_t value = __builtin_bswap64(piece - (lower >> 2));
    if (count < 8) value &= ~(~uint64_t{0} >> (8 * count));
    return value;
}

// Hands each word of Text of the right shape to sink as a ShapedWord; the excluded words
// are left to the sink. The head is built from eight bytes at a time, upper-cased as it
// is read, so that the words need no copy and no reading byte by byte: the collector
// finds and writes most words by their head.
template <typename Sink>
void EachShapedWord(std::string_view Text, const Sink& sink) {
    const char* const word = kWordChar.data();
    const auto* const text = reinterpret_cast<const unsigned char*>(Text.data());
    const auto* const end = text + Text.size();
    const auto* p = text;
    while (p != end) {
        if (word[*p] == 0) {
            ++p;
            continue;
        }
        size_t count;
        const uint64_t head = WordPiece(LoadPiece(p, text, end), count);
        uint64_t next = 0;
        size_t size = count;
        if (count == 8) {
            next = WordPiece(LoadPiece(p + 8, text, end), count);
            size += count;
            // Past the 16th byte only the size counts.
            if (count == 8) {
                while (p + size != end && word[p[size]] != 0) ++size;
            }
        }
        const unsigned char* const start = p;
        p += size;
        if (size < 2) continue;
        if (IsLetter(static_cast<char>(head >> 56)) ||
            IsOrdinalEnding(static_cast<unsigned>(static_cast<unsigned char>(word[p[-2]]) << 8 |
                                                  static_cast<unsigned char>(word[p[-1]])))) {
            sink(ShapedWord{head, next, size, start});
        }
    }
}

#if defined(__SSE2__)

// A text of at most 64 bytes classed 16 bytes at a time: Upper holds its bytes upper-cased,
// with 0 for every byte that is no word character and for the 16 bytes past its end (so
// that eight bytes may be read from any byte of the text); bit i of Words is set when byte
// i is a word character (A-Z, a-z, 0-9).
struct ClassedText {
    static constexpr size_t MaxSize = 64;
    alignas(16) unsigned char Upper[MaxSize + 16];
    uint64_t Words;
};

// The word-character bits of the 16 bytes v, with their upper-cased bytes (0 for the
// others) stored at out. A range is tested on signed bytes, moved to start at -128.
inline unsigned ClassBlock(__m128i v, unsigned char* out) {
    const auto spread = [](int c) { return _mm_set1_epi8(static_cast<char>(c)); };
    const auto below = [&spread](__m128i x, int from, int count) {
        return _mm_cmplt_epi8(_mm_add_epi8(x, spread(0x80 - from)), spread(-128 + count));
    };
    const __m128i digit = below(v, '0', 10);
    const __m128i letter = below(_mm_or_si128(v, spread(0x20)), 'a', 26);
    const __m128i lower = below(v, 'a', 26);
    const __m128i word = _mm_or_si128(digit, letter);
    const __m128i upper = _mm_sub_epi8(v, _mm_and_si128(lower, spread(0x20)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_and_si128(upper, word));
    return static_cast<unsigned>(_mm_movemask_epi8(word));
}

// The bytes of a text of fewer than 16 bytes, zero-filled to 16, read in overlapping
// pieces that stay within the text.
inline __m128i LoadShort(const unsigned char* p, size_t n) {
    uint64_t low = 0;
    uint64_t high = 0;
    const auto load = [](const unsigned char* at, auto piece) {
        std::memcpy(&piece, at, sizeof piece);
        return uint64_t{piece};
    };
    if (n >= 8) {
        low = load(p, uint64_t{});
        if (n > 8) high = load(p + n - 8, uint64_t{}) >> (8 * (16 - n));
    } else if (n >= 4) {
        low = load(p, uint32_t{}) | (load(p + n - 4, uint32_t{}) << (8 * (n - 4)));
    } else if (n > 0) {
        low = uint64_t{p[0]} | uint64_t{p[n / 2]} << (8 * (n / 2)) | uint64_t{p[n - 1]} << (8 * (n - 1));
    }
    return _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low));
}

// Classes Text (of at most ClassedText::MaxSize bytes) into classed; the last block of a
// text of 16 bytes or more overlaps the one before, never reading past its end.
inline void ClassText(std::string_view Text, ClassedText& classed) {
    const auto* const text = reinterpret_cast<const unsigned char*>(Text.data());
    const size_t n = Text.size();
    unsigned char* const out = classed.Upper;
    if (n < 16) {
        classed.Words = ClassBlock(LoadShort(text, n), out);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_setzero_si128());
        return;
    }
    uint64_t words = 0;
    for (size_t at = 0; at + 16 < n; at += 16) {
        words |= uint64_t{ClassBlock(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at)), out + at)} << at;
    }
    const size_t last = n - 16;
    words |= uint64_t{ClassBlock(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + last)), out + last)} << last;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n), _mm_setzero_si128());
    classed.Words = words;
}

// The eight bytes of classed from at, as a big-endian number, of which the first count
// (1 to 8) are kept and the rest zero.
inline uint64_t ClassedPiece(const ClassedText& classed, size_t at, size_t count) {
    uint64_t piece;
    std::memcpy(&piece, classed.Upper + at, sizeof piece);
    piece = __builtin_bswap64(piece);
    return count >= 8 ? piece : piece & ~(~uint64_t{0} >> (8 * count));
}

// EachShapedWord for a text of at most ClassedText::MaxSize bytes: the words are the runs
// of set bits of the classed text, each taken by its head without a loop over its bytes.
template <typename Sink>
void EachShapedWordClassed(std::string_view Text, const Sink& sink) {
    ClassedText classed;
    ClassText(Text, classed);
    const auto* const text = reinterpret_cast<const unsigned char*>(Text.data());
    uint64_t bits = classed.Words;
    while (bits != 0) {
        // Adding the lowest set bit carries through its run: the sum's lowest set bit is
        // the one past the run (none when the run ends at bit 63), and the sum's bits
        // above it, with bits, are the runs left.
        const uint64_t after = bits + (bits & (~bits + 1));
        const auto start = static_cast<size_t>(std::countr_zero(bits));
        const size_t size = static_cast<size_t>(std::countr_zero(after)) - start;
        bits &= after;
        if (size < 2) continue;
        const unsigned char* const upper = classed.Upper + start;
        if (!IsLetter(static_cast<char>(upper[0])) && !IsOrdinalEnding(unsigned{upper[size - 2]} << 8 | upper[size - 1])) {
            continue;
        }
        const uint64_t head = ClassedPiece(classed, start, size);
        const uint64_t next = size > 8 ? ClassedPiece(classed, start + 8, size - 8) : 0;
        sink(ShapedWord{head, next, size, text + start});
    }
}

#endif

// EachShapedWord by the fastest way that applies to Text.
template <typename Sink>
void EachShapedWordFast(std::string_view Text, const Sink& sink) {
#if defined(__SSE2__)
    if (Text.size() <= ClassedText::MaxSize) {
        EachShapedWordClassed(Text, sink);
        return;
    }
#endif
    EachShapedWord(Text, sink);
}

// The upper-cased bytes of a word of Text, in buffer where the word is in Text: the
// buffer, at least as large as Text, holds each word of it at a place of its own.
std::string_view WordBytes(const ShapedWord& found, std::string_view Text, std::string& buffer) {
    char* const out = buffer.data() + (reinterpret_cast<const char*>(found.Source) - Text.data());
    for (size_t i = 0; i < found.Size; ++i) out[i] = kWordChar[found.Source[i]];
    return std::string_view(out, found.Size);
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
    // Sized once, before any view into it is taken.
    if (buffer.size() < Text.size()) buffer.resize(Text.size());
    EachShapedWord(Text, [&](const ShapedWord& found) {
        const std::string_view bytes = WordBytes(found, Text, buffer);
        if (!(tokens && advanced.HasToken(list, bytes))) sink(bytes);
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

// Zero when every byte of v is below 'a' (so neither a lower-case letter nor at or above
// 0x80), as digits, upper case and most punctuation are: a byte from 0x61 up gets its top
// bit from the sum, and one at or above 0x80 has it already (a carry out of such a byte
// only adds to what is found). Not zero is no answer: BytesChangingInUpperCase gives it.
inline uint64_t BytesFromLowerCaseA(uint64_t v) {
    return (v | (v + SpreadByte(static_cast<char>(0x80 - 'a')))) & 0x8080808080808080u;
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

// IndexTextWords for a collector that is distinct at sort, which the meter's step does not
// make for names and addresses: each word by the general splitter, excluded words left out.
[[gnu::noinline]] void IndexTextWordsAsValues(std::string_view text, int16_t IndexType, const clsAdvanced& advanced,
                                              std::string& buffer, clsIndex& collector, int16_t Position) {
    EachIndexWord(text, IndexType, advanced, buffer, [&collector, Position](std::string_view word) {
        collector.Insert(word, Position);
    });
}

// Inserts each word of a name or address (kind IndexType) with Position into collector.
// Inlined into the meter's step, with the splitter's loop and the collector's lookup: one
// call per meter, not one per text and word.
[[gnu::always_inline]] inline void IndexTextWords(std::string_view text, int16_t IndexType, const clsAdvanced& advanced,
                                                  std::string& buffer, clsIndex& collector, int16_t Position) {
    if (collector.DistinctAtSort()) {
        IndexTextWordsAsValues(text, IndexType, advanced, buffer, collector, Position);
        return;
    }
    const auto excluded = [&advanced, list = TokenList(IndexType)](std::string_view w) { return advanced.HasToken(list, w); };
    EachShapedWordFast(text, [&](const ShapedWord& word) __attribute__((always_inline)) {
        // The bytes of a long word, which the collector reads, in buffer.
        const char* bytes = nullptr;
        if (word.Size > 16) {
            if (buffer.size() < text.size()) buffer.resize(text.size());
            bytes = WordBytes(word, text, buffer).data();
        }
        collector.InsertRepeating(word.Head, word.Next, word.Size, bytes, Position, excluded);
    });
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
    // Taken once: the collectors do not move while their entries are added.
    clsIndex* const collector = collectors.data();
    // Names and addresses repeat their words: each distinct word of a route is looked up
    // among the excluded words once, by its collector.
    for (int16_t kind : {ixBillingName, ixServiceAddress}) {
        IndexTextWords(fields[static_cast<size_t>(kind)], kind, advanced, buffer, collector[kind], Position);
    }
    // Whole values: the head the collector keys them by also shows whether upper case
    // changes them, without another pass (most are numbers or upper case already).
    for (int16_t kind = ixMeterTagNbr; kind < IndexKindCount; ++kind) {
        std::string_view whole = TrimSpaces(fields[static_cast<size_t>(kind)]);
        if (whole.empty()) continue;
        uint64_t head;
        uint64_t next;
        clsIndex::HeadOf(whole, head, next);
        const bool changes =
            whole.size() > 16 ? MayChangeInUpperCase(whole)
                              : (BytesFromLowerCaseA(head) | BytesFromLowerCaseA(next)) != 0 &&
                                    (BytesChangingInUpperCase(head) | BytesChangingInUpperCase(next)) != 0;
        if (changes) {
            whole = UpperCopy(whole, buffer);
            clsIndex::HeadOf(whole, head, next);
        }
        if (kind == ixMeterTagNbr && whole == "0") continue;
        collector[kind].Insert(whole, head, next, Position);
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
