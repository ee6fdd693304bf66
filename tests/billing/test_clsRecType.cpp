// Field kinds and the record engine: reading columns into typed values, writing values
// into columns, recognising and assembling lines.

#include "billing/RecordColumn.h"
#include "billing/RecordLine.h"
#include "billing/clsRecType.h"
#include "platform/RuntimeError.h"
#include "support/TestDoubles.h"

#include <gtest/gtest.h>

#include <optional>

namespace dovrex {
namespace {

constexpr int16_t T = clsField::ftText, N = clsField::ftZeroFilled, D = clsField::ftDate, H = clsField::ftTime,
                  I = clsField::ftInteger, L = clsField::ftLong, S = clsField::ftSingle, Db = clsField::ftDouble,
                  A = clsField::ftAmount, Undefined = -1;

Value Day(int y, int m, int d) { return Value(DateTime{y, m, d, 0, 0, 0}); }
Value Time(int h, int n, int s = 0) { return Value(DateTime{1899, 12, 30, h, n, s}); }
const Value Zero = Value(clsField::ZeroDate());

struct ExtractCase {
    int16_t Kind;
    int16_t Width;
    std::string Columns; // what the line holds from the field's first column on
    Value Expected;
};

TEST(clsField, ExtractReadsEveryKindAndFallsBackToItsDefault) {
    const ExtractCase cases[] = {
        {T, 5, " ab  ", " ab  "}, {T, 5, "ab", "ab"}, {T, 5, "", ""},
        {N, 2, "  ", 0}, {N, 4, "12AB", 12}, {N, 4, " 1 2", 12}, {N, 4, "-5  ", -5}, {N, 4, "12.5", 12},
        {N, 4, "13.5", 14}, {N, 10, "2147483647", 2147483647}, {N, 10, "2147483648", 0},
        {N, 11, "-2147483648", int64_t{-2147483648LL}}, {N, 11, "-2147483649", 0}, {N, 5, "1E999", 0},
        {N, 3, "ABC", 0}, {N, 3, "7", 7},
        {D, 6, "122504", Day(2004, 12, 25)}, {D, 6, "010130", Day(1930, 1, 1)}, {D, 6, "123129", Day(2029, 12, 31)},
        {D, 6, "000000", Zero}, {D, 6, "      ", Zero}, {D, 8, "12252004", Day(2004, 12, 25)},
        {D, 8, "02292004", Day(2004, 2, 29)}, {D, 8, "02292003", Zero}, {D, 8, "13012004", Zero},
        {D, 8, "00000000", Zero}, {D, 8, "1225", Zero}, {D, 10, "12/25/2004", Day(2004, 12, 25)},
        {D, 10, "25/12/2004", Zero},
        {H, 4, "1345", Time(13, 45)}, {H, 4, "2359", Time(23, 59)}, {H, 4, "2400", Value()}, {H, 4, "    ", Value()},
        {H, 6, "      ", Zero}, {H, 6, "134500", Time(13, 45)}, {H, 6, "235959", Time(23, 59, 59)},
        {H, 6, "236000", Zero}, {H, 6, "1345", Zero}, {H, 5, "13450", Value()},
        {I, 5, "32767", 32767}, {I, 5, "32768", 0}, {I, 6, "-32768", -32768}, {I, 6, "-32769", 0},
        {I, 4, " 12 ", 12}, {I, 4, "12AB", 0}, {I, 4, "    ", 0}, {I, 3, "2.5", 2},
        {L, 10, "2147483647", 2147483647}, {L, 10, "2147483648", 0}, {L, 4, "1E3 ", 1000},
        {S, 3, "1.1", 1.1}, {S, 5, "1E39 ", 0.0}, {S, 3, "x", 0.0},
        {Db, 6, "1.5E3 ", 1500.0}, {Db, 3, "abc", 0.0}, {A, 8, "00012.50", 12.5}, {A, 5, "12,50", 0.0},
        {Undefined, 3, "abc", Value()},
    };
    for (const ExtractCase& c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.Kind) + " width " + std::to_string(c.Width) + " '" + c.Columns + "'");
        test::RecordingMessageBox box;
        const clsField field("F", c.Kind, 3, c.Width, &box);
        EXPECT_EQ(field.Extract("##" + c.Columns), c.Expected);
        EXPECT_EQ(box.Lines(), c.Kind == Undefined ? std::vector<std::string>{"[] Undefined Field Type"}
                                                   : std::vector<std::string>{});
    }
}

TEST(clsField, PlainDigitsReadsOneToFifteenDigitsAsTheyStand) {
    // Against a reading digit by digit: texts of 0 to 16 digits (the first eight read as one
    // word), and each with one byte in turn a character just outside the digits.
    const auto general = [](std::string_view text) -> std::optional<int64_t> {
        if (text.empty() || text.size() > 15) return std::nullopt;
        int64_t number = 0;
        for (const char c : text) {
            if (c < '0' || c > '9') return std::nullopt;
            number = number * 10 + (c - '0');
        }
        return number;
    };
    for (size_t length = 0; length <= 16; ++length) {
        std::string text;
        for (size_t i = 0; i < length; ++i) text += "9081726354"[i % 10];
        EXPECT_EQ(clsField::PlainDigits(text), general(text)) << text;
        for (size_t at = 0; at < length; ++at) {
            for (const char other : {'/', ':', ' ', '?', '%', '\xB5'}) {
                std::string with = text;
                with[at] = other;
                EXPECT_EQ(clsField::PlainDigits(with), std::nullopt) << with;
            }
        }
    }
}

struct InsertCase {
    int16_t Kind;
    int16_t Width;
    Value NewValue;
    std::string Expected; // the field's columns
};

const InsertCase kInsertCases[] = {
        {T, 3, "ABCD", "ABC"}, {T, 3, "ABC", "ABC"}, {T, 3, "AB", "AB "}, {T, 4, 42, "42  "},
        {N, 2, 7, "07"}, {N, 2, 99, "99"}, {N, 2, 123, "12"}, {N, 4, 12345, "1234"}, {N, 4, -5, "-000"},
        {N, 5, -5, "-0000"}, {N, 4, 1234.5, "1235"}, {N, 5, 0.5, "00001"}, {N, 4, 0.4, "0000"},
        {N, 4, -0.4, "0000"}, {N, 4, "42", "0042"}, {N, 4, "12AB", "0012"}, {N, 4, "", "    "},
        {N, 4, Value(), "    "}, {N, 10, 2147483647, "2147483647"}, {N, 12, 1e11, "100000000000"},
        {N, 5, "-7", "-0000"}, {N, 6, " -7 ", "-00000"}, {N, 3, -1.0, "-00"}, {N, 3, "   ", "   "},
        {N, 3, "007", "007"}, {N, 16, "999999999999999", "0999999999999999"},
        {N, 17, "1234567890123456", "01234567890123460"}, {N, 17, 999999999999999.0, "00999999999999999"},
        {N, 17, 1e15, "01000000000000000"},
        // Texts and digit texts of every length the short copies take, at and past the width.
        {T, 1, "A", "A"}, {T, 2, "A", "A "}, {T, 4, "ABC", "ABC "}, {T, 9, "ABCDEFGH", "ABCDEFGH "},
        {T, 16, "ABCDEFGHIJKLMNOPQ", "ABCDEFGHIJKLMNOP"}, {T, 17, "ABCDEFGHIJKLMNOPQ", "ABCDEFGHIJKLMNOPQ"},
        {T, 20, "ABCD", "ABCD                "}, {T, 21, "ABC", "ABC                  "},
        {N, 1, "7", "7"}, {N, 4, "0042", "0042"}, {N, 3, "0123", "123"}, {N, 3, "1234", "123"},
        {N, 9, "12345678", "012345678"}, {N, 17, "1", "00000000000000001"},
        {N, 20, "123456789012345", "00000123456789012345"}, {N, 3, 9, "009"}, {N, 3, 10, "010"},
        {N, 3, 100, "100"}, {N, 19, 1234567, "0000000000001234567"},
        {D, 8, Day(1999, 1, 9), "01091999"}, {D, 6, Day(2000, 10, 1), "100100"},
        {I, 3, 5, "005"}, {L, 4, 123, "123 "}, {S, 4, 1.5, "1.5 "}, {Db, 5, 0.25, "0.25 "},
        {A, 8, 12.5, "00012.50"}, {A, 8, 1.005, "00001.01"}, {A, 8, -1.5, "-00001.5"}, {A, 8, 0.996, "00001.00"},
        {A, 8, 123456.785, "123456.7"},
        {D, 8, Zero, "00000000"}, {D, 8, Value(), "00000000"}, {D, 8, "", "00000000"}, {D, 8, 0, "00000000"},
        {D, 8, Day(2004, 12, 25), "12252004"}, {D, 8, "12/25/2004", "12252004"}, {D, 8, "no date", "00000000"},
        {D, 8, 38346, "12252004"}, {D, 6, Day(2004, 12, 25), "122504"}, {D, 6, Zero, "000000"},
        {D, 4, Day(2004, 12, 25), "    "},
        {H, 6, "134500", "134500"}, {H, 6, "945", "945   "}, {H, 6, 94500, "94500 "}, {H, 4, "1345678", "1345"},
        {H, 6, Time(13, 45, 7), "134507"}, {H, 4, Time(13, 45, 7), "1345"},
        {Undefined, 3, "abc", "   "},
};

TEST(clsField, InsertWritesEveryKindLeftJustifiedAndCutToItsWidth) {
    const auto& cases = kInsertCases;
    for (const InsertCase& c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.Kind) + " width " + std::to_string(c.Width) + " -> '" + c.Expected + "'");
        test::RecordingMessageBox box;
        const clsField field("F", c.Kind, 3, c.Width, &box);
        std::string line = "##";
        field.Insert(line, c.NewValue);
        EXPECT_EQ(line, "##" + c.Expected);
        EXPECT_EQ(box.Shown.size(), c.Kind == Undefined ? 1u : 0u);
    }
    // Into a line that is already longer: only the field's columns change.
    std::string line = "ABCDEFGHIJ";
    clsField("F", N, 3, 3).Insert(line, 7);
    EXPECT_EQ(line, "AB007FGHIJ");
    // Past the end of a shorter line: blanks fill the gap.
    line = "AB";
    clsField("F", T, 5, 2).Insert(line, "XY");
    EXPECT_EQ(line, "AB  XY");
    // The minus sign comes in front of the full width of digits; halves round away from zero.
    EXPECT_EQ(clsField("F", N, 1, 2).Format(-2.5), "-03");
    // A value that no number column can hold is raised to the caller.
    EXPECT_THROW(clsField("F", N, 1, 8).Insert(line, Day(2004, 1, 1)), RuntimeError);
    EXPECT_THROW(clsField("F", T, 0, 1), RuntimeError);
}

TEST(clsRecType, TestIDComparesTheIdentifierColumnsExactly) {
    clsRecType rdg;
    rdg.SetID(1, 3, "RDG");
    clsRecType inner;
    inner.SetID(2, 2, "AB");
    const std::pair<std::string, bool> rdgLines[] = {
        {"RDG", true}, {"RDG0001", true}, {"rdg", false}, {"RD", false}, {"", false}, {" RDG", false}};
    for (const auto& [line, match] : rdgLines) EXPECT_EQ(rdg.TestID(line), match) << line;
    EXPECT_TRUE(inner.TestID("xAB"));
    EXPECT_FALSE(inner.TestID("xA"));
}

TEST(clsRecType, FieldsAreLaidOutLeftToRight) {
    clsRecType kind;
    kind.AddField("RecID", T, 0, 3);
    kind.AddField("Count", N, 0, 4);
    kind.AddField("Placed", T, 20, 2);  // an explicit column; the record still grows by its width
    kind.AddField("Next", T, 0, 1);
    EXPECT_EQ(kind.Fields()[1].FieldPos(), 4);
    EXPECT_EQ(kind.Fields()[2].FieldPos(), 20);
    EXPECT_EQ(kind.Fields()[3].FieldPos(), 10);
    EXPECT_EQ(kind.RecLen(), 10);
    EXPECT_THROW(kind.AddField("count", T, 0, 1), RuntimeError); // names are unique in any letter case
    clsRecType wide;
    wide.AddField("A", T, 0, 32767);
    EXPECT_THROW(wide.AddField("B", T, 0, 1), RuntimeError);
    kind.ClearFields();
    EXPECT_EQ(kind.RecLen(), 0);
    EXPECT_TRUE(kind.Fields().empty());
}

TEST(clsRecType, ValuesParseAndBuffer) {
    test::RecordingMessageBox box;
    clsRecType kind(&box);
    kind.SetID(1, 3, "XYZ");
    const FieldDecl layout[] = {{"RecID", T, 3}, {"Count", N, 4}, {"Name", T, 5}, {"When", D, 8}};
    kind.AddFields(layout);

    EXPECT_EQ(kind.Buffer(0), "");
    kind.SetValue("RecID", "XYZ");
    kind.SetValue("name", "hello");
    kind.SetValue("Other", "kept but not written");
    EXPECT_EQ(kind.Buffer(0), "XYZ    hello");           // Count blank, When absent
    EXPECT_EQ(kind.Buffer(15), "XYZ    hello   ");
    EXPECT_EQ(kind.Buffer(5), "XYZ    hello");           // never cut
    EXPECT_EQ(kind.Value("OTHER"), Value("kept but not written"));
    EXPECT_EQ(kind.Value("Missing"), Value());
    kind.SetValue("Name", "world");                     // replaces
    kind.SetValue("When", Day(2004, 12, 25));
    EXPECT_EQ(kind.Buffer(0), "XYZ    world12252004");

    kind.Parse("XYZ0042abc  01022003tail");
    EXPECT_EQ(kind.LastBuffer(), "XYZ0042abc  01022003tail");
    EXPECT_EQ(kind.Value("Count"), Value(42));
    EXPECT_EQ(kind.Value("NAME"), Value("abc  "));
    EXPECT_EQ(kind.Value("When"), Day(2003, 1, 2));
    EXPECT_EQ(kind.Value("Other"), Value()); // parsing drops every earlier value
    EXPECT_EQ(kind.Buffer(0), "XYZ0042abc  01022003");

    // By position: the same values; a value set after parsing wins over the line.
    const size_t count = kind.FieldNumber("count").value();
    EXPECT_EQ(kind.ValueAt(count), Value(42));
    EXPECT_FALSE(kind.FieldNumber("Missing"));
    kind.SetValueAt(count, 7);
    EXPECT_EQ(kind.Buffer(0), "XYZ0007abc  01022003");
    std::string line = "XYZ0001";
    kind.ParseSwap(line);
    EXPECT_EQ(kind.LastBuffer(), "XYZ0001");
    EXPECT_EQ(line, "XYZ0042abc  01022003tail");
    EXPECT_EQ(RecordColumn(&kind, "Count").Number(), 1);
    EXPECT_EQ(RecordColumn(&kind, "Count").Columns(), "0001");
    EXPECT_EQ(RecordColumn(&kind, "Name").Columns(), "");
    EXPECT_THROW(RecordColumn(&kind, "Missing"), RuntimeError);

    kind.Parse("XYZ"); // a short line: missing fields take their defaults
    EXPECT_EQ(kind.Value("Count"), Value(0));
    EXPECT_EQ(kind.Value("Name"), Value(""));
    EXPECT_EQ(kind.Value("When"), Zero);

    EXPECT_EQ(kind.Init(), 0);
    EXPECT_EQ(kind.Value("RecID"), Value());

    // A value that cannot be formatted: the failure is shown and the line is empty.
    kind.SetValue("RecID", "XYZ");
    kind.SetValue("Count", Day(2004, 1, 1));
    EXPECT_EQ(kind.Buffer(10), "");
    EXPECT_EQ(box.Lines(), std::vector<std::string>{"[] Type mismatch"});
    EXPECT_THROW(kind.BuildLine(10), RuntimeError);
}

TEST(clsRecType, FieldsReadStraightFromTheLineAgreeWithTheirValues) {
    clsRecType kind;
    const FieldDecl layout[] = {{"Text", T, 4}, {"Zero", N, 4}, {"Int", I, 3},   {"Date", D, 6},
                                {"Time", H, 4}, {"Wide", N, 10}, {"Long", T, 16}};
    kind.AddFields(layout);
    // Each line once as it stands and once cut short, so that columns go missing. Wide and
    // Long hold digits up to the 32-bit limit and one past it, and 15 digits and 16.
    const std::string lines[] = {" ab 0012 4 1225041345", "x~y -3 123", "    99999AB     2400", "", "  12.5", "ZZ",
                                 "12340567890122504134599",
                                 " ab 0000  412250413452147483647123456789012345",
                                 "abcd0100007000000000021474836481234567890123456",
                                 "       7             0000000000999999999999999 ",
                                 "    0007             0999999999"};
    for (const std::string& line : lines) {
        for (size_t i = 0; i < kind.Fields().size(); ++i) {
            SCOPED_TRACE("'" + line + "' field " + kind.Fields()[i].FieldName());
            kind.Parse(line);
            const std::string text = kind.TextAt(i);
            std::string scratch;
            EXPECT_EQ(kind.TextIn(i, scratch), text);
            const double number = kind.NumberAt(i);
            const std::string columns(kind.ColumnsAt(i));
            // The same read from a kept line while the kind holds another.
            const RecordColumn column(&kind, kind.Fields()[i].FieldName());
            kind.Parse("x");
            EXPECT_EQ(column.TextOf(line, scratch), text);
            EXPECT_EQ(column.NumberOf(line), number);
            EXPECT_EQ(column.ColumnsOf(line), columns);
            kind.Parse(line); // nothing cached by the reads above
            EXPECT_EQ(text, kind.ValueAt(i).ToText());
            EXPECT_EQ(number, kind.ValueAt(i).ToNumber());
            EXPECT_EQ(columns, std::string(kind.Fields()[i].Columns(line)));
            // A value of its own wins over the line, until the next line.
            kind.SetValueAt(i, "77");
            EXPECT_EQ(kind.TextAt(i), "77");
            EXPECT_EQ(kind.NumberAt(i), 77);
            kind.Parse(line);
            EXPECT_EQ(kind.TextAt(i), text);
        }
    }
}

TEST(clsRecType, OneLineBufferServesRecordsOfEveryLength) {
    clsRecType kind;
    kind.AddField("A", T, 0, 3);
    kind.AddField("B", N, 0, 3);
    kind.AddField("Far", T, 12, 2); // past the record's length, as an explicit column may be
    struct Case {
        std::vector<std::pair<const char*, Value>> Values;
        int PadTo;
        std::string Expected;
    };
    const Case cases[] = {
        {{{"A", "abc"}, {"B", 7}, {"Far", "zz"}}, 0, "abc007     zz"},
        {{{"A", "x"}}, 0, "x  "},                  // shorter than the line before: cut after A
        {{{"B", 1}}, 8, "   001  "},                // padded, A blank
        {{{"Far", "q"}}, 0, "           q "},       // only the far field: blanks before it
        {{}, 0, ""},
        {{}, 4, "    "},
        {{{"A", "abcdef"}, {"B", Value::Null()}}, 0, "abc"}, // Null is not written
    };
    std::string line = "left over from before";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Expected);
        kind.Init();
        for (const auto& [name, value] : c.Values) kind.SetValue(name, value);
        kind.BuildLine(line, c.PadTo);
        EXPECT_EQ(line, c.Expected);
        EXPECT_EQ(kind.BuildLine(c.PadTo), c.Expected);
    }
}

ValueView ViewOf(const Value& value) {
    switch (value.GetKind()) {
    case Value::Kind::Text: return ValueView::OfText(value.Text());
    case Value::Kind::Integer: return ValueView::OfInteger(value.Integer());
    case Value::Kind::Double: return ValueView::OfDouble(value.Double());
    case Value::Kind::Empty: return ValueView::OfEmpty();
    default: return ValueView{};
    }
}

TEST(clsRecType, ValuesSetAsViewsActAsTheValuesTheyStandFor) {
    // Whatever the field held before, a value set as a view writes and reads back as the
    // value itself; also where fields share columns and their order decides.
    const std::optional<Value> before[] = {std::nullopt, Value(), Value("a long text, longer than any field"),
                                           Value(42), Value(1234.5)};
    for (const bool shared : {false, true}) {
        for (const InsertCase& c : kInsertCases) {
            if (c.NewValue.IsDate()) continue;
            for (const std::optional<Value>& set : before) {
                const Value earlier = set.value_or(Value());
                SCOPED_TRACE("kind " + std::to_string(c.Kind) + " width " + std::to_string(c.Width) + " '" +
                             c.NewValue.ToText() + "' after '" + earlier.ToText() + "'" + (shared ? " shared" : ""));
                test::RecordingMessageBox byValueBox, byViewBox;
                clsRecType byValue(&byValueBox), byView(&byViewBox);
                for (clsRecType* kind : {&byValue, &byView}) {
                    kind->AddField("Lead", T, 0, 2);
                    kind->AddField("F", c.Kind, shared ? 2 : 0, c.Width);
                    kind->AddField("Tail", T, 0, 1);
                }
                byValue.SetValueAt(1, c.NewValue);
                if (set) byView.SetViewAt(1, ViewOf(earlier));
                byView.SetViewAt(0, ValueView::OfText("LL"));
                byView.SetViewAt(1, ViewOf(c.NewValue));
                byValue.SetValueAt(0, "LL");
                for (const int padTo : {0, 30}) EXPECT_EQ(byView.BuildLine(padTo), byValue.BuildLine(padTo));
                EXPECT_EQ(byView.TextAt(1), byValue.TextAt(1));
                EXPECT_EQ(byView.NumberAt(1), byValue.NumberAt(1));
                EXPECT_EQ(byView.ValueAt(1), byValue.ValueAt(1));
                EXPECT_EQ(byViewBox.Shown.size(), byValueBox.Shown.size());
                // Then the tail by view and the field by value: the line of the values.
                byView.SetViewAt(2, ValueView::OfText("t"));
                byValue.SetValueAt(2, "t");
                byView.SetValueAt(1, earlier);
                byValue.SetValueAt(1, earlier);
                EXPECT_EQ(byView.BuildLine(0), byValue.BuildLine(0));
                byView.Init();
                EXPECT_EQ(byView.BuildLine(3), "   ");
                EXPECT_EQ(byView.ValueAt(1), Value());
            }
        }
    }
}

TEST(RecordLine, TemplateLinesEqualTheLinesBuiltFieldByField) {
    // Each value fixed in the template, or set per record (as a Value and through the
    // overload a caller would pick), gives the line of the record kind with that value,
    // with and without the fields around it and padding.
    enum Way { Fixed, AsValue, AsView };
    for (const InsertCase& c : kInsertCases) {
        for (const Way way : {Fixed, AsValue, AsView}) {
            if (c.NewValue.IsDate() && way == Fixed) continue;
            for (const bool tail : {false, true}) {
                SCOPED_TRACE("kind " + std::to_string(c.Kind) + " width " + std::to_string(c.Width) + " '" +
                             c.NewValue.ToText() + "' way " + std::to_string(way) + (tail ? " tail" : ""));
                test::RecordingMessageBox byFieldBox, byLineBox;
                clsRecType byField(&byFieldBox), byLineKind(&byLineBox);
                for (clsRecType* kind : {&byField, &byLineKind}) {
                    kind->SetID(1, 3, "ABC");
                    kind->AddFields(std::vector<FieldDecl>{{"RecID", T, 3}, {"Lead", T, 2}, {"F", c.Kind, c.Width},
                                                           {"Tail", N, 2}});
                }
                for (const int padTo : {0, 30}) {
                    RecordLine line(&byLineKind, padTo);
                    const clsField& field = line.Field("F");
                    if (way == Fixed) line.Fix("F", ViewOf(c.NewValue));
                    for (int record = 0; record < 2; ++record) {
                        line.Start();
                        line.Set(line.Field("Lead"), "LL");
                        if (way == AsValue) line.Set(field, c.NewValue);
                        if (way == AsView && c.NewValue.IsText()) line.Set(field, std::string_view(c.NewValue.Text()));
                        if (way == AsView && c.NewValue.GetKind() == Value::Kind::Integer) line.Set(field, c.NewValue.Integer());
                        if (way == AsView && c.NewValue.GetKind() == Value::Kind::Double) line.Set(field, c.NewValue.Double());
                        if (way == AsView && c.NewValue.GetKind() == Value::Kind::Empty) line.Set(field, ViewOf(c.NewValue));
                        if (way == AsView && c.NewValue.IsDate()) line.Set(field, c.NewValue.Date());
                        if (tail) line.Set(line.Field("Tail"), 7);
                        byField.Init();
                        byField.SetValue("RecID", "ABC");
                        byField.SetValue("Lead", "LL");
                        byField.SetValue("F", c.NewValue);
                        if (tail) byField.SetValue("Tail", 7);
                        EXPECT_EQ(line.Line(), byField.BuildLine(padTo));
                    }
                }
                // A fixed value is written once per template rather than once per record.
                EXPECT_EQ(byLineBox.Shown.size() * (way == Fixed ? 2u : 1u), byFieldBox.Shown.size());
            }
        }
    }
    // A record starts from the template alone: nothing of the record before remains.
    clsRecType kind;
    kind.AddFields(std::vector<FieldDecl>{{"A", T, 2}, {"B", N, 3}});
    RecordLine line(&kind, 0);
    line.Set(line.Field("B"), 5);
    EXPECT_EQ(line.Line(), "  005");
    line.Start();
    EXPECT_EQ(line.Line(), "");
    EXPECT_THROW(line.Field("None"), RuntimeError);
    // Values written in the order they come need fields that share no columns.
    kind.AddField("Shared", T, 2, 2);
    EXPECT_THROW(RecordLine(&kind, 0), RuntimeError);
    EXPECT_THROW(RecordLine(nullptr, 0), RuntimeError);
}

} // namespace
} // namespace dovrex
