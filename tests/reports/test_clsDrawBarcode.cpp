#include "reports/clsDrawBarcode.h"

#include "RecordingSurface.h"
#include "support/TestDoubles.h"

#include "platform/RuntimeError.h"

#include <gtest/gtest.h>

using namespace dovrex;
using dovrex::test::DrawCall;
using dovrex::test::RecordingPrinter;

// Code 128 in its GS1-128 form: start, FNC1, code set changes around runs of six or more
// digits, the weighted check value and the stop.
TEST(clsDrawBarcode, Code128CodeValues) {
    struct Row { std::string text; std::vector<int> codes; };
    const Row rows[] = {
        {"123456", {105, 102, 12, 34, 56, 42, 106}},
        {"AB12345", {104, 102, 33, 34, 17, 18, 19, 20, 21, 27, 106}},
        {"ABC1234567", {104, 102, 33, 34, 35, 99, 12, 34, 56, 100, 23, 13, 106}},
        {"12345678", {105, 102, 12, 34, 56, 78, (105 + 102 + 2 * 12 + 3 * 34 + 4 * 56 + 5 * 78) % 103, 106}},
        {"A\x80", {104, 102, 33, (104 + 102 + 2 * 33) % 103, 106}}, // outside space..~: skipped
        {"", {104, 102, (104 + 102) % 103, 106}},
    };
    for (const Row& row : rows) {
        int16_t count = 0;
        std::vector<uint8_t> codes;
        clsDrawBarcode::Array128(row.text, count, codes);
        EXPECT_EQ(std::vector<int>(codes.begin(), codes.end()), row.codes) << row.text;
        EXPECT_EQ(count, static_cast<int16_t>(row.codes.size())) << row.text;
    }
    // Start B is 211214 and the stop 2331112, written with "A"-"D".
    EXPECT_EQ(clsDrawBarcode::Char128(2, {104, 106}), "BAABADBCCAAAB");

    // Nineteen characters get the GS1 check digit first (2 here), making ten digit pairs.
    int16_t count = 0;
    std::vector<uint8_t> codes;
    clsDrawBarcode::Array128("00012345600000000012", count, codes);
    EXPECT_EQ(std::vector<int>(codes.begin(), codes.end()),
              (std::vector<int>{105, 102, 0, 1, 23, 45, 60, 0, 0, 0, 0, 12, 92, 106}));
    EXPECT_EQ(clsDrawBarcode::Elements(clsDrawBarcode::bcCode128, "0001234560000000001"),
              clsDrawBarcode::Char128(count, codes));
    clsDrawBarcode::Array128("000123456000000001", count, codes); // eighteen: unchanged
    EXPECT_EQ(clsDrawBarcode::Elements(clsDrawBarcode::bcCode128, "000123456000000001"),
              clsDrawBarcode::Char128(count, codes));
}

TEST(clsDrawBarcode, CheckDigitCode39Interleaved2of5AndUPCA) {
    struct Check { std::string text, digit; };
    for (const Check& c : {Check{"03600029145", "2"}, Check{"1", "7"}, Check{"", "0"}, Check{"A", "0"},
                           Check{"0001234560000000001", "2"}}) {
        EXPECT_EQ(clsDrawBarcode::CheckUPC(c.text), c.digit) << c.text;
    }

    // Code 39: "*" start and stop, a wide gap after every character, lower case as upper,
    // a character outside the table only its gap.
    const std::string star = "NWNNWNWNN", a = "WNNNNWNNW", one = "WNNWNNNNW";
    EXPECT_EQ(clsDrawBarcode::Char39("a1"), star + "W" + a + "W" + one + "W" + star + "W");
    EXPECT_EQ(clsDrawBarcode::Char39("#"), star + "W" + "W" + star + "W");

    // Interleaved 2 of 5: 12345 draws the pairs 12 and 34; a non-digit counts as 0.
    EXPECT_EQ(clsDrawBarcode::Char2of5("12345"), "NNNN" "WNNWNNNNWW" "WNWNNWNNNW" "WNNN");
    EXPECT_EQ(clsDrawBarcode::Char2of5("A1"), clsDrawBarcode::Char2of5("01"));
    EXPECT_EQ(clsDrawBarcode::Char2of5("7"), "NNNNWNNN");

    // UPC-A 03600029145 with its check digit 2: guards and the outer digits full height.
    EXPECT_EQ(clsDrawBarcode::CharUPC("03600029145"),
              "AAA" "CBAA" "<" "ADAA" "AAAD" "CBAA" "CBAA" "CBAA" ">AAAAA<" "BABB" "CAAB" "BBBA" "AACB" "ABCA"
              ">" "BABB" "AAA");
    EXPECT_THROW(clsDrawBarcode::CharUPC("0360002914"), RuntimeError);
}

// Bars are painted in pixels from the element string; wide is 2.75 modules rounded half to
// even; short bars leave a text line; the surface keeps its units.
TEST(clsDrawBarcode, DrawElementsPaintsBarsInPixels) {
    struct Row { int16_t width; std::string elements; std::vector<std::pair<double, double>> bars; int32_t end; };
    const Row rows[] = {
        {0, "NWN", {{100, 101}, {104, 105}}, 105},           // 0 means one-pixel modules; wide 3
        {1, "0NN", {{101, 102}}, 102},                       // "0" draws nothing but still alternates
        {2, "WNBx", {{100, 106}, {108, 112}}, 112},          // wide 5.5 -> 6; "x" ignored
        {4, "DAA1", {{100, 116}, {120, 124}}, 128},
    };
    for (const Row& row : rows) {
        RecordingPrinter surface;
        surface.SetScaleMode(smInches);
        clsDrawBarcode drawer;
        EXPECT_EQ(drawer.DrawElements(row.elements, surface, 1.0, 0.5, 0.4, row.width), row.end) << row.elements;
        ASSERT_EQ(surface.Calls.size(), row.bars.size()) << row.elements;
        for (size_t i = 0; i < row.bars.size(); ++i) {
            EXPECT_DOUBLE_EQ(surface.Calls[i].X * 100, row.bars[i].first) << row.elements;
            EXPECT_DOUBLE_EQ(surface.Calls[i].X2 * 100, row.bars[i].second) << row.elements;
            EXPECT_DOUBLE_EQ(surface.Calls[i].Y * 100, 50) << row.elements;
            EXPECT_DOUBLE_EQ(surface.Calls[i].Y2 * 100, 91) << row.elements; // 40 high, last pixel included
        }
        EXPECT_EQ(surface.ScaleMode(), smInches);
    }

    RecordingPrinter surface;
    surface.SetScaleMode(smInches);
    clsDrawBarcode drawer;
    drawer.DrawElements("N<NN>N", surface, 0, 0, 1, 1);
    ASSERT_EQ(surface.Calls.size(), 2u);
    EXPECT_DOUBLE_EQ(surface.Calls[0].Y2 * 100, 101);
    EXPECT_NEAR(surface.Calls[1].Y2 * 100, 101 - RecordingPrinter::LineHeight(10) * 100, 1e-9);

    // A text UPC-A cannot encode is shown as a message and draws nothing.
    test::RecordingMessageBox messages;
    clsDrawBarcode failing(&messages);
    failing.Draw(clsDrawBarcode::bcUPCA, surface, 0, 0, 1, 1, "123");
    EXPECT_EQ(surface.Calls.size(), 2u);
    EXPECT_EQ(messages.Lines(), (std::vector<std::string>{"[] A UPC-A barcode needs eleven digits"}));
}
