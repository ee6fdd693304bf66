#pragma once

// What one meter contributes to its route's word index: the words of the billing name
// and the service address (without the excluded words of the configuration), and the
// whole tag number, serial number and service ID.

#include "clsAdvanced.h"

#include "handheld_db/clsIndex.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dovrex {

// Index kinds (IndexType) and the meter field each is fed from.
enum IndexKind : int16_t {
    ixBillingName = 0,
    ixServiceAddress = 1,
    ixMeterTagNbr = 2,
    ixMeterSerialNbr = 3,
    ixServiceUniqueID = 4,
};
inline constexpr int16_t IndexKindCount = 5;

// The words of a name or address, in their order: upper case, split at every character
// other than A-Z and 0-9, keeping words of two or more characters that start with a
// letter or end in ST, ND or RD (1ST, 22ND, 3RD) and are no excluded word of the kind.
std::vector<std::string> SplitIndexWords(const std::string& Text, int16_t IndexType, const clsAdvanced& advanced);
// True when word is an excluded word of the kind: owner words for kind 0, address words
// for kind 1; never for other kinds.
bool IsIndexToken(int16_t IndexType, std::string_view word, const clsAdvanced& advanced);
// The entries of one kind from the matching field's text: the words for kinds 0 and 1;
// the trimmed, upper-cased text for kinds 2 to 4 (none when blank, nor for a tag number 0).
std::vector<std::string> IndexEntries(int16_t IndexType, const std::string& Text, const clsAdvanced& advanced);

// The same two without a copy per word, for a meter at a time: entries is cleared and
// receives views into Text or buffer, valid while Text lives and buffer is not used again.
void SplitIndexWords(std::string_view Text, int16_t IndexType, const clsAdvanced& advanced, std::string& buffer,
                     std::vector<std::string_view>& entries);
void IndexEntries(int16_t IndexType, std::string_view Text, const clsAdvanced& advanced, std::string& buffer,
                  std::vector<std::string_view>& entries);
// The entries of every kind of one meter, from its fields in the order of the kinds,
// each inserted with Position into the collector of its kind (collectors[kind]).
void IndexMeterEntries(const std::array<std::string_view, IndexKindCount>& fields, const clsAdvanced& advanced,
                       std::string& buffer, std::vector<clsIndex>& collectors, int16_t Position);

} // namespace dovrex
