#include "platform/Cp1252.h"
#include "platform/DateTime.h"
#include "platform/RuntimeError.h"
#include "platform/Value.h"
#include "platform/ValueCollection.h"
#include "platform/WordBytes.h"
#include "platform/modRuntime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <utility>

using namespace dovrex;

TEST(Runtime, LenientParseTakesTheLeadingNumberAndIgnoresBlanks) {
    struct Case { const char* text; double expected; };
    const Case cases[] = {
        {"", 0}, {"abc", 0}, {"  42", 42}, {"1 2 3", 123}, {"-12.5abc", -12.5}, {"- 5", -5},
        {".5", 0.5}, {"1e3", 1000}, {"2D2", 200}, {"7E", 7}, {"12-3", 12}, {"0012", 12},
        {"\t 9\n9", 99}, {"+3", 3}, {"-", 0}, {"1.2.3", 1.2},
        // whole numbers of up to 18 digits take a short path; longer ones the full parse
        {"123456789012345678", 123456789012345678.0}, {"1234567890123456789", 1234567890123456789.0},
        {"-99999999999999999 9", -999999999999999999.0}, {"12 .5", 12.5},
        // right-aligned digits take the shortest path, at 18 digits and one past it
        {"     7789", 7789}, {"7789   ", 7789}, {"   ", 0}, {" 000000000000000012", 12},
        {" 0000000000000000012", 12}, {"99999999999999999999", 1e20},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(Val(c.text), c.expected) << '"' << c.text << '"';
    EXPECT_THROW(Val("1e999"), RuntimeError);
    EXPECT_FALSE(std::signbit(Val("-"))); // no number is a plain zero
    // Fractions, short path or full parse, round exactly as the standard parser: digits up to
    // 2^53 and past it, 18 digits and 19.
    const std::pair<const char*, const char*> fractions[] = {
        {"0.1", "0.1"}, {" 0012.50", "12.50"}, {"-0.0", "-0.0"}, {"3.14159 26535 89793", "3.141592653589793"},
        {"9007199254740.992", "9007199254740.992"}, {"9007199254740.993", "9007199254740.993"},
        {"12345678901234.5678", "12345678901234.5678"}, {"0.000000000000000001", "0.000000000000000001"},
        {"1.2e-3x", "1.2e-3"}, {"123456.7890123456789", "123456.7890123456789"},
    };
    for (const auto& [text, parsed] : fractions) EXPECT_EQ(Val(text), std::strtod(parsed, nullptr)) << text;
    EXPECT_TRUE(std::signbit(Val("-0.0")));
}

TEST(Runtime, ShortNumberScansAgreeWithTheLenientParse) {
    // Padded digits: at 15 digits and one past it; anything else is left to Val.
    const std::pair<const char*, bool> padded[] = {
        {"", true}, {"   ", true}, {"     7789", true}, {"0012", true}, {"123456789012345", true},
        {"  999999999999999", true}, {"1234567890123456", false}, {"7789 ", false}, {"-5", false},
        {"1 2", false}, {"\t5", false}, {"1e3", false}, {"R", false}, {"12.5", false},
    };
    for (const auto& [text, plain] : padded) {
        int64_t whole = -1;
        EXPECT_EQ(ReadPaddedDigits(text, whole), plain) << '"' << text << '"';
        if (plain) {
            EXPECT_EQ(static_cast<double>(whole), Val(text)) << '"' << text << '"';
        }
    }
    // Texts of 7 to 17 bytes (the last eight are read at once) with a stray byte at each
    // place: bytes next to the digits, a blank after a digit, and bytes at or above 0x80.
    const auto plainScan = [](std::string_view text, int64_t& whole) {
        size_t at = text.find_first_not_of(' ');
        if (at == std::string_view::npos) at = text.size();
        if (text.size() - at > 15) return false;
        whole = 0;
        for (; at < text.size(); ++at) {
            if (text[at] < '0' || text[at] > '9') return false;
            whole = whole * 10 + (text[at] - '0');
        }
        return true;
    };
    for (size_t length = 7; length <= 17; ++length) {
        for (size_t blanks = 0; blanks <= length; blanks += 3) {
            std::string text = std::string(blanks, ' ') + std::string("98765432109876543").substr(0, length - blanks);
            for (size_t at = blanks; at <= length; ++at) {
                for (const char stray : {'/', ':', ' ', 'E', '\x80', '\xBA', '\xC6', '\xFF'}) {
                    std::string with = text;
                    if (at < length) with[at] = stray;
                    int64_t expected = -1;
                    int64_t whole = -1;
                    const bool plain = plainScan(with, expected);
                    ASSERT_EQ(ReadPaddedDigits(with, whole), plain) << '"' << with << '"';
                    if (plain) {
                        ASSERT_EQ(whole, expected) << '"' << with << '"';
                    }
                }
            }
        }
    }
    // Exponent letters at every place of texts of 0 to 40 bytes (across the four- and
    // eight-byte words and the sixteen-byte blocks), among bytes that differ from them in
    // one bit only.
    for (size_t length = 0; length <= 40; ++length) {
        std::string text(length, '5');
        for (size_t i = 0; i < length; ++i) text[i] = "5FGfgTUtu4\x85\xC5"[i % 12];
        EXPECT_FALSE(HasExponentLetter(text)) << text;
        for (size_t at = 0; at < length; ++at) {
            for (const char letter : {'D', 'E', 'd', 'e'}) {
                std::string with = text;
                with[at] = letter;
                EXPECT_TRUE(HasExponentLetter(with)) << with;
                // Only the bytes of the view count, not those around it.
                EXPECT_FALSE(HasExponentLetter(std::string_view(with).substr(0, at))) << with;
                EXPECT_FALSE(HasExponentLetter(std::string_view(with).substr(at + 1))) << with;
            }
        }
    }
}

TEST(Runtime, RoundingIsHalfToEvenAndRangeChecksRaiseOverflow) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-3.5), -4);
    EXPECT_EQ(RoundHalfEven(2.6), 3);
    EXPECT_EQ(CInt(32767.4), 32767);
    EXPECT_EQ(CInt(-32768.5), -32768);
    try {
        CInt(32767.5);
        FAIL() << "expected overflow";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Number(), ErrOverflow);
        EXPECT_EQ(e.Description(), "Overflow");
    }
    EXPECT_EQ(CLng(2147483647.0), 2147483647);
    EXPECT_THROW(CLng(2147483648.0), RuntimeError);
    EXPECT_THROW(CheckInt16(32768), RuntimeError);
    EXPECT_EQ(CheckInt16(-32768), -32768);
    EXPECT_THROW(CheckInt32(int64_t{1} << 31), RuntimeError);
    // Converting a text reads a whole number without a double; it must still round and
    // raise as converting its Val does: at each limit and one past it.
    const char* texts[] = {"32767", "32768", "-32768", "-32769", " 32767.5", "32766.5", "1e4", "4E4", "12abc",
                           "- 7", "", "2147483647", "2147483648", "-2147483648", "-2147483649", "123456789012345678",
                           "1234567890123456789", "0.5", "1.5", "-2.5"};
    for (const char* text : texts) {
        const auto same = [&](auto converted, auto fromVal) {
            try {
                const auto expected = fromVal();
                EXPECT_EQ(converted(), expected) << text;
            } catch (const RuntimeError&) {
                EXPECT_THROW(converted(), RuntimeError) << text;
            }
        };
        same([&] { return CIntVal(text); }, [&] { return CInt(Val(text)); });
        same([&] { return CLngVal(text); }, [&] { return CLng(Val(text)); });
    }
}

TEST(Runtime, NumbersBecomePlainDecimalText) {
    EXPECT_EQ(NumberText(int64_t{-12}), "-12");
    EXPECT_EQ(NumberText(1234567.0), "1234567");
    EXPECT_EQ(NumberText(20040115.0), "20040115");
    EXPECT_EQ(NumberText(2.5), "2.5");
    EXPECT_EQ(NumberText(0.1), "0.1");
    EXPECT_EQ(NumberText(-0.0), "0");
    EXPECT_EQ(Value(3.0).ToText(), "3");
    EXPECT_EQ(Value("12 5x").ToNumber(), 125);
    EXPECT_TRUE(Value().ToText().empty());
    // Written over a reused buffer, longer than the text, the same texts come out.
    std::string out(40, 'x');
    for (const double number : {-12.0, 1234567.0, 2.5, 0.1, -0.0, 999999999999999.0, 1e15, 1e300, std::nan("")}) {
        AssignNumberText(out, number);
        EXPECT_EQ(out, NumberText(number)) << number;
    }
    AssignNumberText(out, int64_t{-9223372036854775807 - 1});
    EXPECT_EQ(out, "-9223372036854775808");
}

TEST(Runtime, TextHelpersTrimBlanksOnlyAndFoldWindows1252Case) {
    EXPECT_EQ(Trim("  a b \t "), "a b \t");
    EXPECT_EQ(RTrim("  x  "), "  x");
    EXPECT_EQ(LTrim("  x  "), "x  ");
    // Trailing blanks are skipped eight at a time: runs of 7, 8, 9 and 16, and all blanks.
    for (const size_t blanks : {0, 7, 8, 9, 16, 17}) {
        EXPECT_EQ(TrimView(" ab c" + std::string(blanks, ' ')), "ab c") << blanks;
        EXPECT_EQ(RTrimView(std::string(blanks, ' ')), "") << blanks;
        EXPECT_EQ(RTrimView("x\t" + std::string(blanks, ' ')), "x\t") << blanks;
    }
    EXPECT_EQ(UCase("main st \xe9"), "MAIN ST \xc9");
    EXPECT_TRUE(EqualsNoCase("MeterTagNbr", "METERTAGNBR"));
    EXPECT_FALSE(EqualsNoCase("a", "ab"));
    EXPECT_EQ(Split("a||b||", "||"), (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(Split("", ","), (std::vector<std::string>{""}));
    EXPECT_EQ(Replace("a\"\"b\"\"", "\"\"", "\""), "a\"b\"");
}

TEST(Runtime, PalmDatesCountSecondsFrom1904) {
    EXPECT_EQ(DateFromPdbSeconds(0), (DateTime{1904, 1, 1, 0, 0, 0}));
    const DateTime d{2004, 1, 15, 13, 45, 30};
    EXPECT_EQ(DateFromPdbSeconds(PdbSecondsFromDate(d)), d);
    EXPECT_EQ(PdbSecondsFromDate({1904, 1, 2, 0, 0, 1}), 86401u);
    EXPECT_EQ(DateFromPdbSeconds(0xFFFFFFFFu).Year, 2040);
    EXPECT_EQ(DateNumber(d), 20040115);
    EXPECT_EQ(TimeNumberHHNN(d), 1345);
    EXPECT_EQ(TimeNumberHHNNSS(d), 134530);
}

TEST(Runtime, ShortDateAndTimeFollowTheGivenPatterns) {
    const DateTime d{2026, 3, 7, 0, 5, 9};
    LocaleFormats fallback;
    EXPECT_EQ(fallback.ShortDate(d), "3/7/2026");
    EXPECT_EQ(fallback.ShortTime(d), "12:05 AM");
    EXPECT_EQ(fallback.ShortTime({2026, 3, 7, 13, 5, 0}), "1:05 PM");
    EXPECT_EQ(FormatDateTime(d, "dd.MM.yy HH:mm:ss"), "07.03.26 00:05:09");
    EXPECT_EQ(FormatDateTime(d, "yyyy'y'MM"), "2026y03");
}

TEST(Runtime, Windows1252RoundTripsThroughUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue;
        all += static_cast<char>(b);
    }
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(Utf8ToCp1252("\xE2\x98\x83"), "?"); // snowman has no single byte
    EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");       // truncated sequence
}

TEST(Runtime, CollectionsLookUpKeysWithoutRegardToCase) {
    ValueCollection values;
    values.Add("MeterTagNbr", Value(int64_t{12}));
    values.Add("BillingName", Value("SMITH"));
    EXPECT_EQ(values.Item("metertagnbr"), Value(int64_t{12}));
    EXPECT_TRUE(values.Item("Nope").IsNull());
    EXPECT_THROW(values.Add("METERTAGNBR", Value()), RuntimeError);
    EXPECT_EQ(values.Items().front().first, "MeterTagNbr");

    CaseInsensitiveSet tags;
    EXPECT_TRUE(tags.Insert("ab12"));
    EXPECT_FALSE(tags.Insert("AB12"));
    // Growing the table keeps every text findable, in any letter case.
    for (int i = 0; i < 5000; ++i) EXPECT_TRUE(tags.Insert("t" + std::to_string(i)));
    EXPECT_EQ(tags.Count(), 5001u);
    for (int i = 0; i < 5000; i += 7) EXPECT_FALSE(tags.Insert("T" + std::to_string(i)));
    EXPECT_TRUE(tags.Contains("AB12"));
    EXPECT_FALSE(tags.Contains("t5000"));
    tags.Clear();
    EXPECT_FALSE(tags.Contains("ab12"));
    tags.Reserve(10);
    EXPECT_TRUE(tags.Insert(""));
    EXPECT_FALSE(tags.Insert(""));
}
