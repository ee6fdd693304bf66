#include "handheld_db/clsIndex.h"
#include "handheld_db/clsQVF.h"
#include "platform/RuntimeError.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <random>

using namespace dovrex;
using dovrex::test::Bytes;
using dovrex::test::TempFolder;

namespace {

using Pairs = std::vector<std::pair<std::string, int32_t>>;

// The index order as the handheld format defines it: a bubble sort that swaps neighbours
// only when the left word is strictly greater, passes shrinking from the end, stopping
// after a pass without swaps.
Pairs BubbleSorted(Pairs pairs) {
    for (size_t end = pairs.size(); end > 1; --end) {
        bool swapped = false;
        for (size_t i = 0; i + 1 < end; ++i) {
            if (pairs[i].first > pairs[i + 1].first) {
                std::swap(pairs[i], pairs[i + 1]);
                swapped = true;
            }
        }
        if (!swapped) break;
    }
    return pairs;
}

Pairs Sorted(const Pairs& input) {
    clsIndex index;
    for (const auto& [word, position] : input) index.Insert(word, static_cast<int16_t>(position));
    index.SortEntries();
    Pairs result;
    for (int16_t i = 0; i < index.Count(); ++i) result.emplace_back(index.Word(i), index.Position(i));
    return result;
}

} // namespace

TEST(clsIndex, SortsExactlyAsTheStableBubbleSort) {
    // Ties, letter case, prefixes, digits, bytes above 127 and the empty word, shuffled.
    // Words of 8 and 16 bytes and longer ones that share them, a NUL inside and a high byte
    // past the 16th.
    const std::vector<std::string> words = {"MAIN", "MAIN", "main", "MAI", "MAINS", "", "1ST", "Z", "ELM", "ELM",
                                            "\xC9LM", "A", "a", "MAIN ", "10", "9", "MAIN", "ELM", "ABCDEFGH",
                                            std::string("ABCDEFGH\0", 9), "ABCDEFGHI", "ABCDEFGHIJKLMNOP",
                                            "ABCDEFGHIJKLMNOPQ", "ABCDEFGHIJKLMNOPR", "ABCDEFGHIJKLMNOPQ\xFF",
                                            "ABCDEFGHIJKLMNOPQR", "ABCDEFGHIJKLMNOPQ"};
    Pairs input;
    std::mt19937 random(7);
    for (int i = 0; i < 1000; ++i) input.emplace_back(words[random() % words.size()], i);
    EXPECT_EQ(Sorted(input), BubbleSorted(input));
    const Pairs reversed(input.rbegin(), input.rend());
    EXPECT_EQ(Sorted(reversed), BubbleSorted(reversed));

    // A route of 30,000 meters in reverse order: the bubble sort's worst case.
    Pairs large;
    for (int i = 0; i < 30000; ++i) large.emplace_back("W" + std::to_string(100000 - i / 2), i);
    const Pairs sorted = Sorted(large);
    ASSERT_EQ(sorted.size(), 30000u);
    for (size_t i = 1; i < sorted.size(); ++i) {
        ASSERT_TRUE(sorted[i - 1].first < sorted[i].first ||
                    (sorted[i - 1].first == sorted[i].first && sorted[i - 1].second < sorted[i].second))
            << i;
    }
}

TEST(clsIndex, WriteRecordWritesTheSortedPairsOnceAndNothingWhenEmpty) {
    TempFolder folder;
    const std::string path = folder.File("index.pdb");
    {
        clsQVF qvf;
        qvf.SetVersion(3);
        ASSERT_EQ(qvf.CreateQVF(path, 1, 10), 0);
        clsIndex index;
        index.SetRouteIndex(1);
        index.SetIndexType(1);
        index.WriteRecord(qvf); // empty: nothing
        index.Insert("MAIN", 3);
        index.Insert("ELM", 7);
        index.Insert("MAIN", 9);
        index.WriteRecord(qvf);
        EXPECT_EQ(index.Count(), 0);
        index.WriteRecord(qvf); // emptied by the write
        qvf.Close();
    }
    clsQVF qvf;
    ASSERT_FALSE(qvf.OpenQVF(path));
    EXPECT_EQ(qvf.RecordCount(), 1);
    ASSERT_TRUE(qvf.ReadData());
    EXPECT_EQ(qvf.RawData(), Bytes({0, 6, 0, 1, 0, 1, 0, 14, 'E', 'L', 'M', 0, 0, 7, 0xFF, 0xFF, 'M', 'A', 'I', 'N', 0,
                                    0, 0, 3, 0, 9}));

    // 32767 pairs fit a collector; one more is an overflow.
    clsIndex full;
    for (int i = 0; i < 32767; ++i) full.Insert("W", 0);
    EXPECT_THROW(full.Insert("W", 0), RuntimeError);
}
