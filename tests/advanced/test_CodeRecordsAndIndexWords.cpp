#include "advanced/clsAdvanced.h"
#include "advanced/modCodeRecords.h"
#include "advanced/modIndexWords.h"

#include "handheld_db/clsQVF.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string_view>

using namespace dovrex;
using dovrex::test::TempFolder;
using Words = std::vector<std::string>;

namespace {

// The entries a meter's collector of the text's kind keeps for it, in the collector's sorted
// order; distinctAtSort as the imports set it for tags, serials and IDs.
Words CollectedWords(int16_t kind, std::string_view text, const clsAdvanced& advanced, bool distinctAtSort) {
    std::vector<clsIndex> collectors(IndexKindCount);
    for (clsIndex& collector : collectors) collector.SetDistinctAtSort(distinctAtSort);
    std::array<std::string_view, IndexKindCount> fields{};
    fields[static_cast<size_t>(kind)] = text;
    std::string buffer;
    IndexMeterEntries(fields, advanced, buffer, collectors, 7);
    clsIndex& collector = collectors[static_cast<size_t>(kind)];
    collector.SortEntries();
    Words found;
    for (int16_t i = 0; i < collector.Count(); ++i) found.emplace_back(collector.Word(i));
    return found;
}

} // namespace

TEST(IndexWords, NamesAndAddressesSplitIntoKeptWords) {
    clsAdvanced advanced(""); // the default excluded words
    advanced.AddToken("Owner", "estate");
    const struct {
        int16_t kind;
        const char* text;
        Words expected;
    } rows[] = {
        {ixBillingName, "SMITH & JONES INC", {"SMITH", "JONES"}},
        {ixServiceAddress, "123 1ST AVE", {"1ST"}},
        {ixServiceAddress, "4TH ST", {}},
        {ixServiceAddress, "22nd st  /  3rd-rd", {"22ND", "3RD"}},                // RD is an address word
        {ixBillingName, "o'neil, the   estate of j.", {"NEIL"}},                 // O and J are too short
        {ixBillingName, "Ave Co Main Main", {"AVE", "MAIN", "MAIN"}},           // each kind its own words
        {ixServiceAddress, "Ave Co Main", {"CO", "MAIN"}},
        {ixServiceAddress, "  \xE9LM 12B B12 ", {"LM", "B12"}},                  // only A-Z and 0-9 count
        {ixMeterTagNbr, "THE ST", {"THE", "ST"}},                                // no excluded words
        {ixBillingName, "", {}},
        // Words of 7 to 9 and 15 to 17 bytes and longer, at the end of the text and not, a
        // byte above 127 inside a word, a long number and a long ordinal.
        {ixBillingName, "abcdefg ABCDEFGH abcdefghi", {"ABCDEFG", "ABCDEFGH", "ABCDEFGHI"}},
        {ixBillingName, "abcdefghijklmno ABCDEFGHIJKLMNOP abcdefghijklmnopq",
         {"ABCDEFGHIJKLMNO", "ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOPQ"}},
        {ixServiceAddress, "ab\xC9" "cdefghijk x1234567890123456789z 1234567890123456789 12345678901234567nd",
         {"AB", "CDEFGHIJK", "X1234567890123456789Z", "12345678901234567ND"}},
        {ixBillingName, "zz", {"ZZ"}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SplitIndexWords(row.text, row.kind, advanced), row.expected) << row.kind << " " << row.text;
        // The same through the collector of a meter, which takes each word by its head, and
        // through one that finds equal words at the sort (not made so for these kinds).
        if (row.kind > ixServiceAddress) continue;
        Words sorted = row.expected;
        std::sort(sorted.begin(), sorted.end());
        for (bool distinctAtSort : {false, true}) {
            EXPECT_EQ(CollectedWords(row.kind, row.text, advanced, distinctAtSort), sorted) << row.kind << " " << row.text;
        }
    }
    EXPECT_TRUE(IsIndexToken(ixBillingName, "ESTATE", advanced));
    EXPECT_FALSE(IsIndexToken(ixServiceAddress, "ESTATE", advanced));
    EXPECT_FALSE(IsIndexToken(ixMeterSerialNbr, "ST", advanced));
    // The excluded words follow the configuration, letter case ignored.
    advanced.AddToken("Owner", "\xE9sq");
    EXPECT_TRUE(IsIndexToken(ixBillingName, "\xC9SQ", advanced));
    ASSERT_TRUE(advanced.DeleteToken("Owner", "ESTATE"));
    EXPECT_FALSE(IsIndexToken(ixBillingName, "ESTATE", advanced));
    advanced.AddToken("Owner", "Estate"); // a deleted word added again counts again
    EXPECT_TRUE(IsIndexToken(ixBillingName, "ESTATE", advanced));

    // The other kinds take the whole value, trimmed and upper-cased.
    const struct {
        int16_t kind;
        const char* text;
        Words expected;
    } whole[] = {
        {ixMeterTagNbr, "0", {}},           {ixMeterTagNbr, " ", {}},          {ixMeterTagNbr, "12345678", {"12345678"}},
        {ixMeterSerialNbr, "0", {"0"}},     {ixMeterSerialNbr, " ab 1 ", {"AB 1"}},
        {ixServiceUniqueID, "", {}},        {ixServiceAddress, "ELM ST", {"ELM"}},
        // A letter to raise or a byte above 127 at either end and inside, at every length
        // class (up to 3, up to 7, 8, up to 16, more); the neighbours of a and z stay.
        {ixMeterSerialNbr, "z", {"Z"}},     {ixMeterSerialNbr, "1a2", {"1A2"}},  {ixMeterSerialNbr, "`{@[", {"`{@["}},
        {ixMeterSerialNbr, "12b456", {"12B456"}},    {ixMeterSerialNbr, "1234567y", {"1234567Y"}},
        {ixMeterSerialNbr, "\xE9" "1234567", {"\xC9" "1234567"}}, {ixMeterSerialNbr, "123456789x", {"123456789X"}},
        {ixMeterSerialNbr, "12345678901234567a", {"12345678901234567A"}},
        {ixMeterSerialNbr, "12345678`{12345678", {"12345678`{12345678"}},
        {ixMeterSerialNbr, "123456789012345q", {"123456789012345Q"}},
        {ixMeterSerialNbr, "1234567890123456q", {"1234567890123456Q"}},
        {ixServiceUniqueID, "q234567890123456", {"Q234567890123456"}},
        // Bytes just below a (the quick look passes them) and above z (it leaves them to
        // the exact one) in the first and the second eight bytes.
        {ixMeterSerialNbr, "`Z@9`Z@9`Z@9`Z@9", {"`Z@9`Z@9`Z@9`Z@9"}},
        {ixMeterSerialNbr, "`Z@9`Z@9`\x7F@9`Z~9", {"`Z@9`Z@9`\x7F@9`Z~9"}},
        {ixMeterSerialNbr, "}|~\x7F" "1234567890`", {"}|~\x7F" "1234567890`"}},
    };
    for (const auto& row : whole) {
        EXPECT_EQ(IndexEntries(row.kind, row.text, advanced), row.expected) << row.kind << " " << row.text;
        // The same through the collectors of a meter, which find equal values at the sort.
        if (row.kind < ixMeterTagNbr) continue;
        EXPECT_EQ(CollectedWords(row.kind, row.text, advanced, true), row.expected) << row.kind << " " << row.text;
    }
}

// A meter's collector finds the words of texts of up to 64 bytes 16 bytes at a time and
// of longer ones byte by byte; both must find the words the splitter finds. Texts of each
// length around the block sizes (15 to 17, 31 to 33, 63 to 65 bytes), with words at both
// ends, lower case, ordinals, bytes above 127 and NULs, from a fixed sequence of bytes.
TEST(IndexWords, TheCollectorFindsTheSplittersWordsAtEveryLength) {
    clsAdvanced advanced("");
    const std::string_view alphabet = std::string_view("aZ3 s\0tNdR\xE9-q9", 14);
    uint32_t seed = 12345;
    for (size_t size = 0; size <= 70; ++size) {
        for (int variant = 0; variant < 6; ++variant) {
            std::string text(size, 'x');
            for (char& c : text) {
                seed = seed * 1103515245u + 12345u;
                c = alphabet[(seed >> 16) % alphabet.size()];
            }
            // One word over the whole text, and words that end at its last byte.
            if (variant == 0) std::fill(text.begin(), text.end(), 'k');
            if (variant == 1 && size >= 3) text.replace(size - 3, 3, " rd");
            for (int16_t kind : {ixBillingName, ixServiceAddress}) {
                Words expected = SplitIndexWords(text, kind, advanced);
                std::sort(expected.begin(), expected.end());
                EXPECT_EQ(CollectedWords(kind, text, advanced, false), expected) << kind << " " << size << " " << variant;
            }
        }
    }
}

namespace {

struct CodeRecord {
    int32_t RecordType, CodeType, Flags;
    std::vector<Words> Entries; // code, value, data
    friend bool operator==(const CodeRecord&, const CodeRecord&) = default;
};

void PrintTo(const CodeRecord& r, std::ostream* out) {
    *out << r.RecordType << "/" << r.CodeType << "/" << r.Flags << ::testing::PrintToString(r.Entries);
}

// Writes the four code records of a configuration into a fresh database and reads them back.
std::vector<CodeRecord> CodeRecords(const clsAdvanced& advanced) {
    TempFolder folder;
    const std::string path = folder.File("codes.pdb");
    {
        clsQVF qvf;
        qvf.SetVersion(3);
        EXPECT_EQ(qvf.CreateQVF(path, 1, 10), 0);
        WriteLoginCodes(advanced, qvf);
        WriteSkipCodes(advanced, qvf);
        WriteChangeoutCodes(advanced, qvf);
        WriteAlertCodes(advanced, qvf);
        qvf.Close();
    }
    std::vector<CodeRecord> records;
    clsQVF qvf;
    qvf.SetVersion(3);
    EXPECT_FALSE(qvf.OpenQVF(path));
    while (qvf.ReadData()) {
        CodeRecord record{};
        Words codes, values, data;
        EXPECT_TRUE(qvf.GetCodeRecord(record.RecordType, record.CodeType, record.Flags, codes, values, data));
        for (size_t i = 0; i < codes.size(); ++i) record.Entries.push_back({codes[i], values[i], data[i]});
        records.push_back(record);
    }
    return records;
}

const CodeRecord kDefaultAlerts{7, 0, 1, {{"RANGE", "0", ""}, {"ROLLOVER", "0", ""}, {"TAMPER", "0", ""}}};

} // namespace

TEST(CodeRecords, TheConfigurationGoesIntoTheDatabaseInItsOrder) {
    clsAdvanced advanced("");
    // Nothing configured: only the alert record.
    EXPECT_EQ(CodeRecords(advanced), std::vector<CodeRecord>{kDefaultAlerts});

    // Logins are written only with login security on, and only those not deleted.
    advanced.AddLogin("SMITH", "pw", "S");
    advanced.AddLogin("GONE", "x", "");
    advanced.AddLogin("JONES", "pw2", "");
    EXPECT_EQ(CodeRecords(advanced), std::vector<CodeRecord>{kDefaultAlerts});
    advanced.SetUseLoginSecurity(true);
    advanced.DeleteLogin("GONE");
    advanced.AddSkip("01", "Dog");
    advanced.AddSkip("02", "Gate locked");
    advanced.DeleteSkip("01");
    advanced.AddChangeout("MS", "58", "5/8 inch");
    advanced.AddChangeout("RC", "B", "Broken");
    advanced.AddChangeout("RC", "S", "Stopped");
    advanced.AddChangeout("MFG", "X", "Gone");
    advanced.DeleteChangeout("MFG", "X");
    advanced.SetAlertOutOfBounds(2);
    advanced.SetAlertTamper(1);
    const std::vector<CodeRecord> expected = {
        {4, 0, 1, {{"SMITH", "pw", "S"}, {"JONES", "pw2", ""}}},
        {5, 0, 0, {{"02", "Gate locked", ""}}},
        {5, 1, 0, {{"B", "Broken", ""}, {"S", "Stopped", ""}}},
        {5, 4, 0, {{"58", "5/8 inch", ""}}},
        {7, 0, 1, {{"RANGE", "2", ""}, {"ROLLOVER", "0", ""}, {"TAMPER", "1", ""}}},
    };
    EXPECT_EQ(CodeRecords(advanced), expected);

    // Every login deleted: no login record even with security on.
    advanced.DeleteLogin("SMITH");
    advanced.DeleteLogin("JONES");
    EXPECT_EQ(CodeRecords(advanced).front().RecordType, 5);
}
