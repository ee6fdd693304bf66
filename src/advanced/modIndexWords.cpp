#include "modIndexWords.h"

namespace dovrex {

namespace {

bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }
bool IsWordChar(char c) { return IsLetter(c) || (c >= '0' && c <= '9'); }

// Ordinal street numbers (1ST, 22ND, 3RD) are kept although they start with a digit.
bool EndsAsOrdinal(const std::string& word) {
    if (word.size() < 2) return false;
    const std::string_view last(word.data() + word.size() - 2, 2);
    return last == "ST" || last == "ND" || last == "RD";
}

} // namespace

bool IsIndexToken(int16_t IndexType, const std::string& word, const clsAdvanced& advanced) {
    static const std::string owner = "Owner", address = "Address";
    const std::string* tokenType = IndexType == ixBillingName ? &owner : IndexType == ixServiceAddress ? &address : nullptr;
    return tokenType != nullptr && advanced.HasToken(*tokenType, word);
}

std::vector<std::string> SplitIndexWords(const std::string& Text, int16_t IndexType, const clsAdvanced& advanced) {
    std::vector<std::string> words;
    const std::string upper = UCase(Text);
    size_t i = 0;
    while (i < upper.size()) {
        if (!IsWordChar(upper[i])) {
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < upper.size() && IsWordChar(upper[i])) ++i;
        std::string word = upper.substr(start, i - start);
        if (word.size() >= 2 && (IsLetter(word[0]) || EndsAsOrdinal(word)) && !IsIndexToken(IndexType, word, advanced)) {
            words.push_back(std::move(word));
        }
    }
    return words;
}

std::vector<std::string> IndexEntries(int16_t IndexType, const std::string& Text, const clsAdvanced& advanced) {
    if (IndexType == ixBillingName || IndexType == ixServiceAddress) return SplitIndexWords(Text, IndexType, advanced);
    std::string whole = UCase(Trim(Text));
    if (whole.empty() || (IndexType == ixMeterTagNbr && whole == "0")) return {};
    return {std::move(whole)};
}

} // namespace dovrex
