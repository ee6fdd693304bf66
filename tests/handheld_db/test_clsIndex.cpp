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

// The collector's order, with equal words found as they come (by hash) or at the sort.
Pairs Sorted(const Pairs& input, bool distinctAtSort = false) {
    clsIndex index;
    index.SetDistinctAtSort(distinctAtSort);
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
    const Pairs reversed(input.rbegin(), input.rend());
    for (bool distinctAtSort : {false, true}) {
        EXPECT_EQ(Sorted(input, distinctAtSort), BubbleSorted(input)) << distinctAtSort;
        EXPECT_EQ(Sorted(reversed, distinctAtSort), BubbleSorted(reversed)) << distinctAtSort;
        // Already in order, and in order but for the last pair.
        Pairs ordered = BubbleSorted(input);
        EXPECT_EQ(Sorted(ordered, distinctAtSort), ordered) << distinctAtSort;
        ordered.emplace_back("A", 1000);
        EXPECT_EQ(Sorted(ordered, distinctAtSort), BubbleSorted(ordered)) << distinctAtSort;
    }

    // Numbers, serials and short codes in their hundreds (bucketed by two bytes' differing
    // bits at once): digits only, a shared letter before them, digits after letters in a
    // few bits, lengths 1 to 12 so that the bytes that differ fall anywhere in the head.
    Pairs numbers;
    for (int i = 0; i < 3000; ++i) {
        std::string word = i % 3 == 1 ? "S" : i % 3 == 2 ? std::string(1, static_cast<char>('A' + random() % 4)) : "";
        const size_t digits = 1 + random() % 12;
        for (size_t d = 0; d < digits; ++d) word += static_cast<char>('0' + random() % 10);
        numbers.emplace_back(word, i);
        if (i % 50 == 0) numbers.emplace_back(word, i); // a tie
    }
    for (bool distinctAtSort : {false, true}) EXPECT_EQ(Sorted(numbers, distinctAtSort), BubbleSorted(numbers));

    // Two kinds of value that each come in order, mixed (digit serials and maker's serials):
    // each kind's bucket rises already. 16 of a kind (sorted by comparison) and 17 (sorted
    // as a range of its own), rising, falling at its last value, and with a tie.
    for (const size_t ofKind : {size_t{16}, size_t{17}, size_t{40}}) {
        for (int variant = 0; variant < 3; ++variant) {
            Pairs mixed;
            for (size_t i = 0; i < ofKind; ++i) {
                mixed.emplace_back("0" + std::to_string(100000 + i), static_cast<int32_t>(2 * i));
                mixed.emplace_back("WM" + std::to_string(100000 + i), static_cast<int32_t>(2 * i + 1));
            }
            if (variant == 1) mixed.back().first = "WM099999";
            if (variant == 2) mixed.emplace_back(mixed[6].first, static_cast<int32_t>(2 * ofKind));
            for (bool distinctAtSort : {false, true}) {
                EXPECT_EQ(Sorted(mixed, distinctAtSort), BubbleSorted(mixed)) << ofKind << " " << variant;
            }
        }
    }

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

    // 32767 pairs fit a collector; one more is an overflow, but an excluded word adds none.
    for (bool distinctAtSort : {false, true}) {
        clsIndex full;
        full.SetDistinctAtSort(distinctAtSort);
        for (int i = 0; i < 32767; ++i) full.Insert("W", 0);
        EXPECT_NO_THROW(full.Insert("X", 0, [](std::string_view) { return true; }));
        EXPECT_THROW(full.Insert("W", 0), RuntimeError);
    }
}

TEST(clsIndex, ExcludedWordsAreLeftOutAndAskedForOncePerWord) {
    const Pairs input = {{"THE", 0}, {"MAIN", 1}, {"THE", 2}, {"ELM", 3}, {"MAIN", 4}, {"the", 5}, {"THE", 6}};
    for (bool distinctAtSort : {false, true}) {
        clsIndex index;
        index.SetDistinctAtSort(distinctAtSort);
        std::vector<std::string> asked;
        for (const auto& [word, position] : input) {
            index.Insert(word, static_cast<int16_t>(position), [&asked](std::string_view w) {
                asked.emplace_back(w);
                return w == "THE" || w == "ELM";
            });
        }
        // Sorted again (as WriteRecord does after SortEntries), the pairs stay the same.
        for (int pass = 0; pass < 2; ++pass) {
            index.SortEntries();
            Pairs result;
            for (int16_t i = 0; i < index.Count(); ++i) result.emplace_back(index.Word(i), index.Position(i));
            EXPECT_EQ(result, (Pairs{{"MAIN", 1}, {"MAIN", 4}, {"the", 5}})) << distinctAtSort << pass;
        }
        // Found at the sort, equal words are asked for each time.
        using Words = std::vector<std::string>;
        const Words expected = distinctAtSort ? Words{"THE", "MAIN", "THE", "ELM", "MAIN", "the", "THE"}
                                              : Words{"THE", "MAIN", "ELM", "the"};
        EXPECT_EQ(asked, expected);
    }
}
