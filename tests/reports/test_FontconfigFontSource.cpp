#include "reports/FontconfigFontSource.h"
#include "reports/TrueTypeFontFile.h"

#include "platform/RuntimeError.h"
#include "support/TempFolder.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

using namespace dovrex;
using dovrex::test::TempFolder;

namespace {

uint32_t Word(const std::string& data, size_t at) { return FontTableUnsigned(data, at, 4); }

// The sum of a font file's 32-bit words, the last one padded with zeros.
uint32_t WordSum(const std::string& data) {
    std::string padded = data;
    padded.append((4 - padded.size() % 4) % 4, '\0');
    uint32_t sum = 0;
    for (size_t at = 0; at < padded.size(); at += 4) sum += Word(padded, at);
    return sum;
}

// A fontconfig configuration of one folder's fonts, with its cache in the folder.
std::string ConfigOf(const TempFolder& folder) {
    return folder.Write("fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig><dir>" + folder.Path() + "/fonts</dir><cachedir>" +
                                          folder.Path() + "/cache</cachedir></fontconfig>\n");
}

// The file of the face the system's fontconfig picks for a family.
std::string SystemFontFile(const char* family) {
    FcPattern* request = FcNameParse(reinterpret_cast<const FcChar8*>(family));
    FcConfigSubstitute(nullptr, request, FcMatchPattern);
    FcDefaultSubstitute(request);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, request, &result);
    FcChar8* file = nullptr;
    std::string path;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) path = reinterpret_cast<const char*>(file);
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(request);
    return path;
}

} // namespace

// A font file of the tables a PDF embeds, in the directory's order whatever order they are
// found in, others left out: the directory's binary-search fields for one table, at and past
// each power of two, and for all thirteen; each table at a four-byte boundary with its
// length and checksum, padded with zeros; the head table's checksum adjustment making the
// whole file sum to B1B0AFBA, and none without a head table (or one too short to hold it).
TEST(TrueTypeFontFile, BuildsTheTableDirectoryAndChecksums) {
    const std::vector<const char*> embedded = {"OS/2", "cmap", "cvt ", "fpgm", "glyf", "head", "hhea",
                                               "hmtx", "loca", "maxp", "name", "post", "prep"};
    const struct Row {
        std::vector<const char*> tags;
        uint32_t searchRange, entrySelector, rangeShift;
    } rows[] = {
        {{"head"}, 16, 0, 0},
        {{"glyf", "head"}, 32, 1, 0},
        {{"prep", "glyf", "head"}, 32, 1, 16},
        {{"cmap", "glyf", "head", "loca"}, 64, 2, 0},
        {{"cmap", "glyf", "head", "loca", "name"}, 64, 2, 16},
        {{"OS/2", "cmap", "cvt ", "fpgm", "glyf", "hhea", "hmtx", "loca"}, 128, 3, 0},
        {{"OS/2", "cmap", "cvt ", "fpgm", "glyf", "head", "hhea", "hmtx", "loca"}, 128, 3, 16},
        {embedded, 128, 3, 80},
    };
    for (const Row& row : rows) {
        // Table bodies of 1 to 4 bytes and more, so that every padding occurs; a head table of
        // 54 bytes with a checksum adjustment that must be replaced. GSUB is not embedded.
        std::map<std::string, std::string> tables{{"GSUB", "not embedded"}};
        for (size_t i = 0; i < row.tags.size(); ++i) {
            tables[row.tags[i]] = std::string(row.tags[i]) == "head" ? std::string(54, '\x7F') : std::string(i % 5 + 1, static_cast<char>('a' + i));
        }
        std::vector<std::string> asked;
        const std::string file = TrueTypeFontFile([&](const char* tag) {
            asked.emplace_back(tag);
            const auto found = tables.find(tag);
            return found == tables.end() ? std::string() : found->second;
        });
        SCOPED_TRACE(row.tags.size());
        EXPECT_EQ(asked, std::vector<std::string>(embedded.begin(), embedded.end()));
        const auto count = static_cast<uint32_t>(row.tags.size());
        EXPECT_EQ(Word(file, 0), 0x00010000u);
        EXPECT_EQ(FontTableUnsigned(file, 4, 2), count);
        EXPECT_EQ(FontTableUnsigned(file, 6, 2), row.searchRange);
        EXPECT_EQ(FontTableUnsigned(file, 8, 2), row.entrySelector);
        EXPECT_EQ(FontTableUnsigned(file, 10, 2), row.rangeShift);
        size_t expectedAt = 12 + 16 * size_t{count};
        std::string previous;
        for (uint32_t i = 0; i < count; ++i) {
            const std::string tag = file.substr(12 + 16 * i, 4);
            EXPECT_LT(previous, tag);
            previous = tag;
            ASSERT_EQ(tables.count(tag), 1u) << tag;
            std::string body = tables[tag];
            if (tag == "head") body.replace(8, 4, 4, '\0');
            const uint32_t at = Word(file, 12 + 16 * i + 8);
            EXPECT_EQ(at, expectedAt) << tag;
            EXPECT_EQ(Word(file, 12 + 16 * i + 12), body.size()) << tag;
            EXPECT_EQ(Word(file, 12 + 16 * i + 4), WordSum(body)) << tag;
            if (tag != "head") {
                EXPECT_EQ(file.substr(at, body.size()), body) << tag;
            }
            const size_t padded = (body.size() + 3) / 4 * 4;
            EXPECT_EQ(file.substr(at + body.size(), padded - body.size()), std::string(padded - body.size(), '\0')) << tag;
            expectedAt += padded;
        }
        EXPECT_EQ(file.size(), expectedAt);
        if (tables.count("head")) {
            EXPECT_EQ(WordSum(file), 0xB1B0AFBAu);
        }
    }
    // A head table too short for the adjustment is embedded as it is.
    const std::string shortHead = TrueTypeFontFile([](const char* tag) { return std::string(tag) == "head" ? std::string(11, '\x01') : std::string(); });
    EXPECT_EQ(shortHead.substr(28, 11), std::string(11, '\x01'));
}

// Big-endian fields read up to the table's last byte and as 0 past it; a PostScript name from
// a Macintosh (one byte a character) or Windows (UTF-16) record, and none from a record past
// the table's end or a table without one.
TEST(TrueTypeFontFile, ReadsFieldsAndThePostScriptName) {
    const std::string table = "\x01\x02\xFF\xFE";
    const struct Row {
        size_t at;
        int bytes;
        uint32_t value;
    } fields[] = {{0, 4, 0x0102FFFE}, {2, 2, 0xFFFE}, {3, 1, 0xFE}, {3, 2, 0}, {4, 1, 0}, {5, 0, 0}, {size_t(-1), 2, 0}};
    for (const Row& row : fields) EXPECT_EQ(FontTableUnsigned(table, row.at, row.bytes), row.value) << row.at << "+" << row.bytes;
    EXPECT_EQ(FontTableSigned16(table, 2), -2);

    // A name table of one record: platform, name id 6 or another, the name's bytes.
    const auto names = [](int platform, int id, const std::string& name, int extra) {
        std::string t = {0, 0, 0, 1, 0, 18, 0, static_cast<char>(platform), 0, 0, 0, 0, 0, static_cast<char>(id), 0,
                         static_cast<char>(name.size() + extra), 0, 0};
        return t + name;
    };
    const struct NameRow {
        std::string table;
        std::string name;
    } rows[] = {
        {names(1, 6, "Mono-Bold", 0), "Mono-Bold"},
        {names(3, 6, std::string("\0M\0o\0n\0o", 8), 0), "Mono"},
        {names(0, 6, std::string("\0M", 2), 0), "M"},
        {names(1, 4, "Mono Bold", 0), ""},
        {names(1, 6, "Mono", 1), ""},
        {"", ""},
    };
    for (const NameRow& row : rows) EXPECT_EQ(FontPostScriptName(row.table), row.name);
}

// The characters the layout does not measure by their glyph, in every report font: a tab
// reaches the first tab stop (80 pixels at 96 dpi), line and page breaks and the soft hyphen
// take no room; a vertical tab, a space and a letter do take room.
TEST(FontconfigFontSource, MeasuresLayoutCharactersAsTheLayout) {
    FontconfigFontSource fonts;
    const struct Row {
        unsigned char byte;
        double advance; // < 0: some room
    } rows[] = {{'\t', 1000}, {'\n', 0}, {'\f', 0}, {'\r', 0}, {0xAD, 0}, {'\v', -1}, {' ', -1}, {'M', -1}};
    for (const ReportFont& font : {ReportFont{"Courier New", 8}, ReportFont{"Courier New", 8, true}, ReportFont{"Courier New", 8, true, true}}) {
        const PdfFontMetrics metrics = fonts.Metrics(font);
        for (const Row& row : rows) {
            if (row.advance >= 0) {
                EXPECT_EQ(metrics.Advance[row.byte], row.advance) << int(row.byte);
            }
            else EXPECT_GT(metrics.Advance[row.byte], 0) << int(row.byte);
        }
        EXPECT_GT(metrics.LineHeight, metrics.Ascent);
        EXPECT_FALSE(metrics.PostScriptName.empty());
    }
}

// Sizes from the smallest the layout measures (half a pixel at 1200 dpi, rounded to the
// hundredth first) to the largest FreeType scales to (65534 pixels); past either, and a font
// without a family, a clear error.
TEST(FontconfigFontSource, RaisesForSizesItCannotMeasure) {
    FontconfigFontSource fonts;
    const struct Row {
        ReportFont font;
        const char* error; // nullptr: measured
    } rows[] = {
        {{"Courier New", 0.03}, nullptr},
        {{"Courier New", 0.029}, "The font size 0.029000 of \"Courier New\" is too small"},
        {{"Courier New", 3932.04}, nullptr},
        {{"Courier New", 3932.07}, "The font size 3932.070000 of \"Courier New\" is too large"},
        {{"", 8}, "A report font needs the name of its family"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.font.Size);
        if (row.error == nullptr) {
            EXPECT_GT(fonts.Metrics(row.font).Advance['M'], 0);
            continue;
        }
        try {
            fonts.Metrics(row.font);
            ADD_FAILURE() << "no error";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.Description(), row.error);
        }
    }
}

// Fonts of a configuration of their own: none match from an empty folder; a face that was
// found but can no longer be read is a clear error, for its measures and its font file; a
// configuration that cannot be read is one too.
TEST(FontconfigFontSource, RaisesForFacesItCannotFindOrRead) {
    TempFolder folder;
    std::filesystem::create_directory(folder.File("fonts"));
    const std::string config = ConfigOf(folder);
    const ReportFont font{"Courier New", 8};
    try {
        FontconfigFontSource(config).Metrics(font);
        ADD_FAILURE() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Description(), "No font on this system matches the font \"Courier New\"");
    }

    const std::string system = SystemFontFile("Courier New");
    ASSERT_FALSE(system.empty());
    const std::string copy = folder.File("fonts/face.ttf");
    std::filesystem::copy_file(system, copy);
    FontconfigFontSource fonts(config);
    EXPECT_GT(fonts.Metrics(font).Advance['M'], 0);
    EXPECT_FALSE(fonts.FontProgram(font).empty());
    std::ofstream(copy, std::ios::binary | std::ios::trunc) << "not a font";
    for (int program = 0; program < 2; ++program) {
        try {
            if (program) fonts.FontProgram(font);
            else fonts.Metrics(font);
            ADD_FAILURE() << "no error";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.Description().rfind("Cannot read the font file " + copy + " of the font \"Courier New\" (FreeType error ", 0), 0u)
                << e.Description();
        }
    }

    EXPECT_THROW(FontconfigFontSource(folder.File("missing.conf")), RuntimeError);
}
