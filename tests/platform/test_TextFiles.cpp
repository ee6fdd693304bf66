#include "platform/BinaryFile.h"
#include "platform/ProgramFolder.h"
#include "platform/RuntimeError.h"
#include "platform/TextLineReader.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace dovrex;
using dovrex::test::TempFolder;

namespace {

std::vector<std::string> ReadLines(const std::string& path) {
    TextLineReader reader;
    EXPECT_EQ(reader.Open(path), 0);
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line)) lines.push_back(line);
    EXPECT_EQ(reader.Position(), reader.Length());
    return lines;
}

} // namespace

TEST(TextLineReader, LinesEndAtCarriageReturnsAndLoneLineFeedsStayInside) {
    TempFolder folder;
    using V = std::vector<std::string>;
    EXPECT_EQ(ReadLines(folder.Write("a", "one\r\ntwo\rthree\nstill three\r\n")), (V{"one", "two", "three\nstill three"}));
    EXPECT_EQ(ReadLines(folder.Write("b", "\r\n\r\nlast")), (V{"", "", "last"}));
    EXPECT_EQ(ReadLines(folder.Write("c", "")), V{});
    EXPECT_EQ(ReadLines(folder.Write("d", std::string("bin\0ary\r\n", 9))), (V{std::string("bin\0ary", 7)}));
    // A Unix text file (no carriage return anywhere) ends its lines at line feeds.
    EXPECT_EQ(ReadLines(folder.Write("e", "one\ntwo\n\nfour")), (V{"one", "two", "", "four"}));
}

TEST(TextLineReader, LongLinesAndTerminatorsAcrossBufferBoundaries) {
    TempFolder folder;
    std::string content;
    std::vector<std::string> expected;
    for (int i = 0; i < 3000; ++i) {
        std::string line(static_cast<size_t>(i % 97 + 1), static_cast<char>('a' + i % 26));
        expected.push_back(line);
        content += line + "\r\n";
    }
    expected.push_back(std::string(200000, 'x'));
    content += expected.back() + "\r";
    EXPECT_EQ(ReadLines(folder.Write("big", content)), expected);
}

TEST(TextLineReader, TerminatorsFallingOnTheReadBufferEdge) {
    // The reader fills its buffer 64 KiB at a time; put CR, CR LF and a final CR on the edge.
    TempFolder folder;
    const size_t edge = 1 << 16;
    using V = std::vector<std::string>;
    for (size_t at = edge - 2; at <= edge + 1; ++at) {
        const std::string head(at, 'h');
        EXPECT_EQ(ReadLines(folder.Write("a", head + "\r\nnext\r")), (V{head, "next"})) << at;
        EXPECT_EQ(ReadLines(folder.Write("b", head + "\r")), (V{head})) << at;
        EXPECT_EQ(ReadLines(folder.Write("c", head + "\rx\ny\r\n")), (V{head, "x\ny"})) << at;
        EXPECT_EQ(ReadLines(folder.Write("d", "a\r" + head + "\r")), (V{"a", head})) << at;
    }
}

TEST(BinaryFile, ReportsMissingFilesAsErrorNumbersAndWritesAtOffsets) {
    TempFolder folder;
    BinaryFile file;
    EXPECT_EQ(file.OpenRead(folder.File("missing")), ErrFileNotFound);
    EXPECT_EQ(file.OpenRead(folder.Path()), ErrPathFileAccess);
    EXPECT_EQ(TextLineReader().Open(folder.File("missing")), ErrFileNotFound);
    ASSERT_EQ(file.Create(folder.File("f")), 0);
    file.WriteAt(4, "xy");
    file.WriteAt(0, "ab");
    EXPECT_EQ(file.Length(), 6u);
    EXPECT_EQ(file.ReadAt(0, 100), std::string("ab\0\0xy", 6));
    EXPECT_EQ(file.ReadAt(10, 4), "");
    file.Close();
    EXPECT_THROW(ReadWholeFile(folder.File("missing")), RuntimeError);
    WriteWholeFile(folder.File("g"), "whole");
    EXPECT_EQ(ReadWholeFile(folder.File("g")), "whole");
    EXPECT_TRUE(FileExists(folder.File("g")));
    EXPECT_FALSE(FileExists(folder.Path()));
}

TEST(ProgramLocationsTest, ARelativeHomeIsMadeAbsolute) {
    TempFolder folder;
    const std::string home = folder.File("home");
    const std::string relative = std::filesystem::relative(home).string();
    ASSERT_NE(relative.front(), '/');
    const ProgramLocations locations = ProgramLocations::Resolve(relative, folder.File("registry.ini"), std::nullopt);
    EXPECT_EQ(std::filesystem::weakly_canonical(locations.Home), std::filesystem::weakly_canonical(home));
    EXPECT_EQ(locations.Home.front(), '/');
    EXPECT_TRUE(std::filesystem::is_directory(home));
}

TEST(TextLineReader, NotesANulOnceWatchingAndBeforeItsLineIsHandedOut) {
    TempFolder folder;
    const size_t edge = 1 << 16; // the reader fills its buffer 64 KiB at a time
    const std::string lines = std::string(edge - 5, 'a') + "\r\n" + std::string(edge, 'b') + "\r\nend\r\n";
    struct Row {
        size_t nulAt;      // npos: none
        bool watch;
        int readBefore;    // lines read before watching
        bool expectedNul;  // at the end of the file
    };
    const size_t none = std::string::npos;
    const Row rows[] = {
        {none, true, 0, false},          {0, true, 0, true},           {edge - 1, true, 0, true},
        {edge, true, 0, true},           {edge + 1, true, 0, true},    {lines.size() - 3, true, 0, true},
        {none, true, 1, true},           // bytes passed unwatched count as holding one
        {0, false, 0, false},            // not watching: nothing noted
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.nulAt << " " << row.readBefore);
        std::string content = lines;
        if (row.nulAt != none) content[row.nulAt] = '\0';
        TextLineReader reader;
        ASSERT_EQ(reader.Open(folder.Write("n", content)), 0);
        std::string_view line;
        for (int i = 0; i < row.readBefore; ++i) ASSERT_TRUE(reader.ReadLine(line));
        if (row.watch) reader.WatchForNul();
        while (reader.ReadLine(line)) {
            if (row.watch && line.find('\0') != std::string_view::npos) {
                EXPECT_TRUE(reader.NulRead());
            }
        }
        EXPECT_EQ(reader.NulRead(), row.expectedNul);
    }
}
