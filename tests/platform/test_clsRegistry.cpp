#include "platform/BinaryFile.h"
#include "platform/RegistryText.h"
#include "platform/clsRegistry.h"
#include "platform/modRuntime.h"

#include "support/FileSizeLimit.h"
#include "support/TempFolder.h"
#include "support/TestDoubles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace dovrex;
using dovrex::test::Bytes;
using dovrex::test::RecordingMessageBox;
using dovrex::test::TempFolder;
using Names = std::vector<std::string>;

namespace {

const std::string kHklm = "HKEY_LOCAL_MACHINE";
const std::string kProgramKey = "Software\\Kelmora, Inc.\\Dovrex\\";

Names Dovrex(std::initializer_list<std::string> rest) {
    Names path{kHklm, "Software", "Kelmora, Inc.", "Dovrex"};
    path.insert(path.end(), rest);
    return path;
}

} // namespace

TEST(clsRegistry, KeyPathNamesTheHiveAndJoinsTheParts) {
    clsRegistry registry("/nonexistent/registry.ini");
    uint32_t root = 0;
    std::string combined;
    const Names hives{"HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                      "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
    for (uint32_t i = 0; i < hives.size(); ++i) {
        EXPECT_TRUE(registry.KeyPath(root, combined, {hives[i]}));
        EXPECT_EQ(root, 0x80000000u + i);
        EXPECT_EQ(combined, std::string(1, '\0'));
    }
    EXPECT_FALSE(registry.KeyPath(root, combined, {"hkey_local_machine", "Software"}));
    EXPECT_FALSE(registry.KeyPath(root, combined, {}));

    ASSERT_TRUE(registry.KeyPath(root, combined, {kHklm, kProgramKey, "Route"}));
    EXPECT_EQ(combined, std::string("Software\\Kelmora, Inc.\\Dovrex\\Route\0", 36));
    ASSERT_TRUE(registry.KeyPath(root, combined, {kHklm, "Soft", std::string("wa\0re", 5), "", "X"}));
    EXPECT_EQ(combined, std::string("Soft\\ware\\X\0", 12));
}

TEST(clsRegistry, KeysAndValuesFollowTheRegistryModel) {
    TempFolder folder;
    clsRegistry registry(folder.File("registry.ini"));

    // The engine's two spellings of the same value.
    EXPECT_TRUE(registry.SaveValue(Value("C:\\route.txt"), Dovrex({"Route", "Source"})));
    EXPECT_EQ(registry.GetValue({kHklm, kProgramKey + "Route", "Source"}), Value("C:\\route.txt"));
    EXPECT_EQ(registry.GetValue({kHklm, "SOFTWARE\\kelmora, inc.\\dovrex\\route\\", "SOURCE"}), Value("C:\\route.txt"));

    // Names keep the case they were created with; values keep their place when rewritten.
    EXPECT_TRUE(registry.SaveValue(Value("Y"), Dovrex({"Route", "AutoReRead"})));
    EXPECT_TRUE(registry.SaveValue(Value(int32_t{42}), Dovrex({"route", "source"})));
    EXPECT_TRUE(registry.SaveValue(Value(""), Dovrex({"Route", "Map"})));
    EXPECT_EQ(registry.GetValues({kHklm, kProgramKey + "Route"}), (Names{"Source", "AutoReRead", "Map"}));
    EXPECT_EQ(registry.GetValue(Dovrex({"Route", "Source"})), Value("42"));
    EXPECT_EQ(registry.GetValue(Dovrex({"Route", "Map"})), Value(""));

    // Subkeys in alphabetical order without regard to case; no empty-named keys.
    for (const char* key : {"reRead", "Orphan", "PRCInstall", "Reading", "apple"}) {
        EXPECT_TRUE(registry.SaveValue(Value("x"), {kHklm, kProgramKey + key + "\\\\", "v"}));
    }
    EXPECT_EQ(registry.GetKeys({kHklm, kProgramKey}), (Names{"apple", "Orphan", "PRCInstall", "Reading", "reRead", "Route"}));
    EXPECT_EQ(registry.GetKeys({kHklm}), Names{"Software"});
    EXPECT_EQ(registry.GetKeys({kHklm, "Software"}), Names{"Kelmora, Inc."});

    // The default value has an empty name.
    EXPECT_TRUE(registry.SaveValue(Value("default"), {kHklm, kProgramKey + "Route", ""}));
    EXPECT_EQ(registry.GetValue(Dovrex({"Route", ""})), Value("default"));
    EXPECT_EQ(registry.GetValues(Dovrex({"Route"})).back(), "");

    // Missing things are empty results, not errors; a hive must be named exactly.
    EXPECT_TRUE(registry.GetValue(Dovrex({"Route", "Nothing"})).IsEmpty());
    EXPECT_TRUE(registry.GetValue(Dovrex({"Nowhere", "Source"})).IsEmpty());
    EXPECT_TRUE(registry.GetValues(Dovrex({"Nowhere"})).empty());
    EXPECT_TRUE(registry.GetKeys(Dovrex({"Nowhere"})).empty());
    EXPECT_FALSE(registry.SaveValue(Value("x"), {"HKLM", "Software", "x"}));
    EXPECT_FALSE(registry.SaveValue(Value("x"), {kHklm}));
    EXPECT_TRUE(registry.GetValue({kHklm}).IsEmpty());

    // Deleting reports whether the value existed; it creates a missing key.
    EXPECT_TRUE(registry.DeleteValue(Dovrex({"ROUTE", "autoreread"})));
    EXPECT_FALSE(registry.DeleteValue(Dovrex({"Route", "AutoReRead"})));
    EXPECT_EQ(registry.GetValues(Dovrex({"Route"})), (Names{"Source", "Map", ""}));
    EXPECT_FALSE(registry.DeleteValue(Dovrex({"Skip", "01"})));
    EXPECT_EQ(registry.GetKeys(Dovrex({})).back(), "Skip");

    // Handles: 0 for a key that cannot be opened; creating makes it exist.
    EXPECT_EQ(registry.OpenKey(false, Dovrex({"New"})), 0u);
    const uint32_t created = registry.OpenKey(true, Dovrex({"New", "Deeper"}));
    const uint32_t opened = registry.OpenKey(false, {kHklm, kProgramKey + "new\\DEEPER"});
    EXPECT_NE(created, 0u);
    EXPECT_NE(opened, 0u);
    EXPECT_NE(created, opened);
    EXPECT_TRUE(registry.CloseKey(created));
    EXPECT_FALSE(registry.CloseKey(created));
    EXPECT_TRUE(registry.CloseKey(opened));
    EXPECT_EQ(clsRegistry(folder.File("registry.ini")).GetKeys(Dovrex({"New"})), Names{"Deeper"});
}

TEST(clsRegistry, EveryByteOfNamesAndValuesSurvivesTheFile) {
    TempFolder folder;
    const std::string path = folder.File("config/Dovrex/registry.ini");
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    std::string keyName = all;
    std::erase(keyName, '\\');
    {
        clsRegistry registry(path);
        EXPECT_TRUE(registry.GetKeys({kHklm}).empty());
        EXPECT_FALSE(FileExists(path)) << "reading must not create the store";
        EXPECT_TRUE(registry.SaveValue(Value(all), {kHklm, keyName, all}));
        EXPECT_TRUE(registry.SaveValue(Value("\"quoted\" = \\x41\r\n[HKEY_USERS\\x]"), {"HKEY_USERS", "k", "=\"@\""}));
        EXPECT_TRUE(registry.SaveValue(Value("with NUL"), {"HKEY_USERS", "k", std::string("cut\0off", 7)}));
        EXPECT_TRUE(registry.SaveValue(Value(std::string("a\0b", 3)), {"HKEY_USERS", "k", "@"}));
    }
    clsRegistry reread(path);
    EXPECT_EQ(reread.GetKeys({kHklm}), Names{keyName});
    EXPECT_EQ(reread.GetValues({kHklm, keyName}), Names{all});
    EXPECT_EQ(reread.GetValue({kHklm, keyName, all}), Value(all));
    EXPECT_EQ(reread.GetValues({"HKEY_USERS", "k"}), (Names{"=\"@\"", "cut", "@"}));
    EXPECT_EQ(reread.GetValue({"HKEY_USERS", "k", "=\"@\""}), Value("\"quoted\" = \\x41\r\n[HKEY_USERS\\x]"));
    EXPECT_EQ(reread.GetValue({"HKEY_USERS", "k", "@"}), Value("a")) << "text ends at the first NUL";
    EXPECT_TRUE(reread.GetValue({"HKEY_USERS", "k", ""}).IsEmpty());
    EXPECT_TRUE(reread.GetKeys({"HKEY_CURRENT_USER"}).empty()) << "each hive is its own tree";

    // One line per value, and the file and its new folders are the owner's only.
    const std::string text = folder.Read("config/Dovrex/registry.ini");
    EXPECT_NE(text.find("\n\"=\\\"@\\\"\"=\"\\\"quoted\\\" = \\\\x41\\r\\n[HKEY_USERS\\\\x]\"\n"), std::string::npos) << text;
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(folder.File("config").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(clsRegistry, KeyInfoListsEveryKindByteForByte) {
    TempFolder folder;
    const std::string path = folder.Write("registry.ini",
        "[HKEY_LOCAL_MACHINE\\Software\\Kelmora, Inc.\\Dovrex]\r\n"
        "\"Version\"=dword:0001e240\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Kelmora, Inc.\\Dovrex\\Route]\n"
        "@=\"route default\"\n"
        "\"Source\"=\"C:\\\\a \\\"b\\\"\\x00hidden\"\n"
        "\"Kinds\"=hex(0):\n\"Exp\"=expand:\"%X%\"\n\"Bin\"=hex:01,02\n\"Big\"=hex(5):00,00,00,01\n"
        "\"Link\"=hex(6):\n\"Multi\"=hex(7):61,00,00\n\"Res\"=hex(8):\n\"Full\"=hex(9):\n\"Req\"=hex(a):\n"
        "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\n\"Short\"=hex(4):01,02\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Kelmora, Inc.\\Dovrex\\Route\\Inner]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Kelmora, Inc.\\Dovrex\\binary default]\n"
        "@=hex:41\n");
    RecordingMessageBox boxes;
    clsRegistry registry(path, &boxes);
    EXPECT_EQ(registry.GetKeyInfo(2, {kHklm, kProgramKey}),
              "  > Version = &H0001E240\r\n"
              "  binary default: Error\r\n"
              "      >  = [binary]\r\n"
              "  Route: route default\r\n"
              "      >  = \"route default\"\r\n"
              "      > Source = \"C:\\a \"b\"\"\r\n"
              "      > Kinds = [none]\r\n"
              "      > Exp = [expand sz]\r\n"
              "      > Bin = [binary]\r\n"
              "      > Big = [dword big endian]\r\n"
              "      > Link = [link]\r\n"
              "      > Multi = [multi sz]\r\n"
              "      > Res = [resource list]\r\n"
              "      > Full = [full resource descriptor]\r\n"
              "      > Req = [resource requirements list]\r\n"
              "      > Quad\r\n"
              "      > Short = &H0201\r\n"
              "      Inner: \r\n");
    EXPECT_EQ(registry.GetValue(Dovrex({"Version"})), Value(int32_t{123456}));
    EXPECT_EQ(registry.GetValue(Dovrex({"Route", "Exp"})), Value("%X%"));
    EXPECT_TRUE(registry.GetValue(Dovrex({"Route", "Bin"})).IsEmpty());
    EXPECT_TRUE(boxes.Shown.empty());

    EXPECT_EQ(registry.GetKeyInfo(0, Dovrex({"Route", "Inner"})), "");
    EXPECT_TRUE(boxes.Shown.empty()) << "an empty key opens fine";
    EXPECT_EQ(registry.GetKeyInfo(0, Dovrex({"Missing"})), "");
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Text, "Error opening key.");
    EXPECT_EQ(boxes.Shown[0].Title, "");

    // Rewriting the file keeps every kind as it was.
    EXPECT_TRUE(registry.SaveValue(Value("2"), Dovrex({"Route", "Added"})));
    const std::string before = registry.GetKeyInfo(0, {kHklm});
    EXPECT_EQ(clsRegistry(path).GetKeyInfo(0, {kHklm}), before);
    const std::string blanks(16, ' ');
    EXPECT_NE(before.find(blanks + "> Quad\r\n" + blanks + "> Short = &H0201\r\n" + blanks + "> Added = \"2\"\r\n"),
              std::string::npos)
        << before;
}

TEST(clsRegistry, InstancesSharingTheFileKeepEachOthersChanges) {
    TempFolder folder;
    const std::string path = folder.File("registry.ini");
    clsRegistry desktop(path);
    clsRegistry commandLine(path);
    EXPECT_TRUE(desktop.GetValue(Dovrex({"Route", "Map"})).IsEmpty()); // read before the other saves
    for (int i = 0; i < 20; ++i) {
        const std::string n = std::to_string(i);
        EXPECT_TRUE(desktop.SaveValue(Value("d" + n), Dovrex({"Route", "D" + n})));
        EXPECT_TRUE(commandLine.SaveValue(Value("c" + n), Dovrex({"Route", "C" + n})));
        EXPECT_EQ(desktop.GetValue(Dovrex({"Route", "C" + n})), Value("c" + n));
        EXPECT_EQ(commandLine.GetValue(Dovrex({"Route", "D" + n})), Value("d" + n));
    }
    EXPECT_TRUE(desktop.DeleteValue(Dovrex({"Route", "C3"})));
    EXPECT_TRUE(commandLine.SaveValue(Value("x"), Dovrex({"Route", "D5"})));
    EXPECT_EQ(desktop.GetValues(Dovrex({"Route"})).size(), 39u);
    EXPECT_EQ(desktop.GetValue(Dovrex({"Route", "D5"})), Value("x"));
    EXPECT_TRUE(commandLine.GetValue(Dovrex({"Route", "C3"})).IsEmpty());

    // Programs saving at the same moment lose nothing.
    constexpr int kChildren = 4, kSaves = 25;
    std::vector<pid_t> children;
    for (int child = 0; child < kChildren; ++child) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            clsRegistry own(path);
            bool ok = true;
            for (int i = 0; i < kSaves; ++i) {
                ok = own.SaveValue(Value(std::to_string(i)), Dovrex({"P" + std::to_string(child), std::to_string(i)})) && ok;
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int child = 0; child < kChildren; ++child) {
        EXPECT_EQ(desktop.GetValues(Dovrex({"P" + std::to_string(child)})).size(), size_t{kSaves});
    }
    EXPECT_EQ(desktop.GetValues(Dovrex({"Route"})).size(), 39u);
}

TEST(clsRegistry, DamagedLinesAreSkippedButNeverDropped) {
    TempFolder folder;
    const std::string damaged =
        "stray text before any key\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Kelmora, Inc.\\Dovrex\\Reading]\n"
        "\"Map\"=\"good too\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Kelmora, Inc.\\Dovrex\\Route]\n"
        "\"Source\"=\"good\"\n"
        "\"Broken\"=\"no closing quote\n"
        "\"SOURCE\"=\"a repeat is not a second value\"\n"
        "; a comment\n"
        "\"Number\"=dword:123456789\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Kelmora, Inc.\\Dovrex\\Half\n"
        "\"Lost\"=\"belongs to the broken header\"\n"
        "[HKEY_NOWHERE\\Dovrex]\n"
        "\"Other\"=\"x\"\n";
    const std::string path = folder.Write("registry.ini", damaged);
    clsRegistry registry(path);
    EXPECT_EQ(registry.GetValue(Dovrex({"Route", "Source"})), Value("good"));
    EXPECT_EQ(registry.GetValues(Dovrex({"Route"})), Names{"Source"});
    EXPECT_EQ(registry.GetKeys(Dovrex({})), (Names{"Reading", "Route"}));
    EXPECT_EQ(registry.GetValue(Dovrex({"Reading", "Map"})), Value("good too"));

    // A save rewrites the file but keeps every line it could not read, under the same key.
    EXPECT_TRUE(registry.SaveValue(Value("new"), Dovrex({"Route", "Map"})));
    const std::string saved = folder.Read("registry.ini");
    size_t from = 0;
    for (const auto& line : Split(damaged, "\n")) {
        if (line.empty() || line == "\"Source\"=\"good\"") continue;
        from = saved.find(line + "\n", from);
        EXPECT_NE(from, std::string::npos) << "lost or reordered: " << line << "\n" << saved;
    }
    clsRegistry again(path);
    EXPECT_EQ(again.GetValues(Dovrex({"Route"})), (Names{"Source", "Map"}));
    EXPECT_EQ(again.GetKeys(Dovrex({})), (Names{"Reading", "Route"}));

    // Garbage and huge lines neither crash nor stop the good lines from reading.
    std::mt19937 random(7);
    std::string garbage;
    for (int i = 0; i < 200000; ++i) garbage += static_cast<char>(random() % 256);
    garbage += "\n[HKEY_USERS\\ok]\n\"v\"=\"" + std::string(1 << 20, 'x') + "\"\n[" + std::string(100000, '[') + "\n";
    garbage += "[HKEY_USERS" + std::string(600, '\\') + "\\" + [] {
        std::string deep;
        for (int i = 0; i < 600; ++i) deep += "k\\";
        return deep;
    }() + "]\n";
    folder.Write("registry.ini", garbage);
    EXPECT_EQ(registry.GetValue({"HKEY_USERS", "ok", "v"}).ToText().size(), size_t{1} << 20);
    EXPECT_EQ(registry.GetKeys({"HKEY_USERS"}), Names{"ok"}) << "over 512 levels is not a key";
    EXPECT_TRUE(registry.SaveValue(Value("1"), {"HKEY_USERS", "ok", "w"}));
    const std::string rewritten = folder.Read("registry.ini");
    const auto garbageLines = Split(garbage.substr(0, 5000), "\n");
    for (size_t i = 0; i + 1 < garbageLines.size(); ++i) {
        std::string line = garbageLines[i];
        if (!line.empty() && line.back() == '\r') line.pop_back(); // a CR LF line end
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        EXPECT_NE(rewritten.find(line), std::string::npos) << "garbage line " << i << " dropped";
    }

    // A store that cannot be read is not overwritten.
    clsRegistry blocked(folder.Path());
    EXPECT_TRUE(blocked.GetKeys({kHklm}).empty());
    EXPECT_FALSE(blocked.SaveValue(Value("x"), Dovrex({"Route", "Map"})));
    EXPECT_EQ(blocked.OpenKey(true, Dovrex({"Route"})), 0u);
}

TEST(RegistryText, EveryLineFormReadsAndWritesBack) {
    const std::string header = "[HKEY_USERS\\k]";
    struct Row {
        std::string Line;
        bool Value;        // read as a value, else kept as a foreign line
        uint32_t Kind;
        std::string Data;
        std::string Written; // the line as written back (a foreign line: when not as read)
    };
    const Row rows[] = {
        {"\"A\"=\"x\"", true, RegistryValue::KindString, "x", "\"A\"=\"x\""},
        {" @ = \"d\" ", true, RegistryValue::KindString, "d", "@=\"d\""},
        {"\"Q\"=\"\\x41\\q\\\\\\\"\\r\\n\\t\\x7f\"", true, RegistryValue::KindString, "A\\q\\\"\r\n\t\x7f",
         "\"Q\"=\"A\\\\q\\\\\\\"\\r\\n\\t\\x7F\""},
        {"\"N\"=dword:2a", true, RegistryValue::KindNumber, Bytes({0x2a, 0, 0, 0}), "\"N\"=dword:0000002A"},
        {"\"N\"=DWORD:ffffffff", true, RegistryValue::KindNumber, Bytes({255, 255, 255, 255}), "\"N\"=dword:FFFFFFFF"},
        {"\"N\"=dword:123456789", false, 0, "", ""},
        {"\"E\"=expand:\"%X%\"", true, RegistryValue::KindExpandString, "%X%", "\"E\"=expand:\"%X%\""},
        {"\"B\"=hex:01, ff,00", true, RegistryValue::KindBinary, Bytes({1, 255, 0}), "\"B\"=hex:01,FF,00"},
        {"\"B\"=hex:", true, RegistryValue::KindBinary, "", "\"B\"=hex:"},
        {"\"B\"=hex:1", false, 0, "", ""},
        {"\"K\"=hex(b):01", true, 11, Bytes({1}), "\"K\"=hex(b):01"},
        {"\"S\"=hex(4):01,02", true, RegistryValue::KindNumber, Bytes({1, 2}), "\"S\"=hex(4):01,02"},
        {"\"U\"=\"unterminated", false, 0, "", ""},
        {"\"T\"=\"x\" trailing", false, 0, "", ""},
        {"junk", false, 0, "", ""},
        {"junk\r", false, 0, "", "junk\r\r"}, // the CR read as part of the line comes back
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Line);
        RegistryTree tree = ParseRegistryText(header + "\r\n" + row.Line + "\r\n");
        const RegistryKey* key = tree.FindKey(3, {"k"});
        ASSERT_NE(key, nullptr);
        ASSERT_EQ(key->Values.size(), row.Value ? 1u : 0u);
        if (row.Value) {
            EXPECT_EQ(key->Values[0].Kind, row.Kind);
            EXPECT_EQ(key->Values[0].Data, row.Data);
        } else {
            EXPECT_EQ(key->Foreign, std::vector<std::string>{row.Line});
        }
        const std::string written = FormatRegistryText(tree);
        EXPECT_EQ(written, "; Dovrex settings store\n\n" + header + "\n" + (row.Written.empty() ? row.Line : row.Written) + "\n");
        const RegistryTree again = ParseRegistryText(written);
        EXPECT_EQ(FormatRegistryText(again), written);
    }

    // Levels escape what would break a header; empty keys and letter case survive.
    RegistryTree tree;
    bool created = false;
    tree.CreateKey(2, {"50%", "a]b\nc", "Empty"}, created);
    const std::string text = FormatRegistryText(tree);
    EXPECT_EQ(text, "; Dovrex settings store\n\n[HKEY_LOCAL_MACHINE\\50%25]\n\n[HKEY_LOCAL_MACHINE\\50%25\\a]b%0Ac]\n\n"
                    "[HKEY_LOCAL_MACHINE\\50%25\\a]b%0Ac\\Empty]\n");
    RegistryTree back = ParseRegistryText(text);
    EXPECT_NE(back.FindKey(2, {"50%", "A]B\nC", "empty"}), nullptr);
    EXPECT_EQ(back.FindKey(2, {"50%", "a]b\nc"})->Subkeys.begin()->second->Name, "Empty");
}

TEST(clsRegistry, SaveValuesStoresABatchAllOrNothingAndKeepsOthersChanges) {
    TempFolder folder;
    const std::string path = folder.File("registry.ini");
    clsRegistry desktop(path);
    clsRegistry commandLine(path);
    EXPECT_TRUE(desktop.GetValue(Dovrex({"Route", "Map"})).IsEmpty()); // read before the other saves
    EXPECT_TRUE(commandLine.SaveValues({{Dovrex({"Advanced", "Skip"}), Value("cmd")}, {Dovrex({"Route", "Map"}), Value("old")}}));

    EXPECT_TRUE(desktop.SaveValues({{Dovrex({"Route", "Source"}), Value("s")},
                                    {Dovrex({"route", "map"}), Value("new")},
                                    {Dovrex({"Route", "Destination"}), Value(int32_t{7})}}));
    EXPECT_EQ(commandLine.GetValues(Dovrex({"Route"})), (Names{"Map", "Source", "Destination"}));
    EXPECT_EQ(commandLine.GetValue(Dovrex({"Route", "Map"})), Value("new"));
    EXPECT_EQ(commandLine.GetValue(Dovrex({"Route", "Destination"})), Value("7"));
    EXPECT_EQ(desktop.GetValue(Dovrex({"Advanced", "Skip"})), Value("cmd"));

    // A path that names no hive saves nothing of the batch.
    const std::string before = folder.Read("registry.ini");
    EXPECT_FALSE(desktop.SaveValues({{Dovrex({"Route", "Map"}), Value("lost")}, {{"HKLM", "Software", "x"}, Value("x")}}));
    EXPECT_FALSE(desktop.SaveValues({{Dovrex({"Route", "Map"}), Value("lost")}, {{}, Value("x")}}));
    EXPECT_EQ(folder.Read("registry.ini"), before);
    EXPECT_TRUE(desktop.SaveValues({}));
}

TEST(clsRegistry, AStoreFileThatCannotBeReadOrSavedIsReportedWithTheReason) {
    TempFolder folder;
    struct Row {
        const char* Case;
        std::function<std::string()> Store; // prepares the store file, returns its path
        std::string ReadReason;             // empty: the file reads
        std::string SaveFailure;
    };
    const std::string filled = "[HKEY_USERS\\k]\n\"v\"=\"old\"\n";
    const Row rows[] = {
        {"a folder", [&] { return folder.Path(); }, "Is a directory", "cannot read the settings store "},
        {"a fifo", [&] {
             const std::string fifo = folder.File("fifo");
             EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
             return fifo;
         }, "not a regular file", "cannot read the settings store "},
        {"below a file", [&] { return folder.Write("plain", "x") + "/registry.ini"; }, "Not a directory",
         "cannot create the folder of the settings store "},
        {"on a full disk", [&] { return folder.Write("full.ini", filled); }, "", "cannot save the settings store "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Case);
        const std::string path = row.Store();
        clsRegistry registry(path);
        const std::string expectedRead =
            row.ReadReason.empty() ? "" : "cannot read the settings store " + path + ": " + row.ReadReason;
        EXPECT_EQ(registry.ReadError(), expectedRead);
        EXPECT_TRUE(registry.GetKeys({"HKEY_USERS"}).empty() == !row.ReadReason.empty());
        EXPECT_EQ(registry.LastError(), expectedRead);
        bool saved = true;
        {
            const dovrex::test::FileSizeLimit full(filled.size() + 10);
            saved = registry.SaveValues({{{"HKEY_USERS", "k", "v"}, Value("new")}, {{"HKEY_USERS", "k", "w"}, Value("x")}});
        }
        EXPECT_FALSE(saved);
        EXPECT_EQ(registry.LastError().rfind(row.SaveFailure + path + ": ", 0), 0u) << registry.LastError();
        if (row.ReadReason.empty()) {
            EXPECT_EQ(registry.LastError(), row.SaveFailure + path + ": File too large");
            EXPECT_EQ(folder.Read("full.ini"), filled) << "a failed save leaves the file as it was";
            EXPECT_EQ(registry.GetValue({"HKEY_USERS", "k", "v"}), Value("old")) << "and the store reads it again";
            EXPECT_EQ(registry.LastError(), "");
        }
        EXPECT_EQ(registry.OpenKey(true, {"HKEY_USERS", "new"}), row.ReadReason.empty() ? 1u : 0u);
    }
    // No temporary file is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
    }
}
