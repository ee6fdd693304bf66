#include "install/PalmDesktopFolder.h"
#include "install/clsInstaller.h"
#include "install/clsPalmUsers.h"

#include "platform/BinaryFile.h"
#include "platform/RuntimeError.h"

#include "support/ScriptedPalmDesktop.h"
#include "support/TempFolder.h"
#include "support/TestDoubles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using namespace dovrex;
using dovrex::test::RecordingLog;
using dovrex::test::RecordingMessageBox;
using dovrex::test::ScriptedPalmDesktop;
using dovrex::test::TempFolder;

namespace {

namespace fs = std::filesystem;

// A program folder and a Palm Desktop folder side by side.
class PalmFolderTest : public ::testing::Test {
protected:
    PalmFolderTest()
        : home(temp.File("home")), palm(temp.File("PalmDesktop")), desktop(palm, home),
          installer(desktop, messages, home) {
        fs::create_directories(home);
        fs::create_directories(palm);
    }

    std::string WriteHome(const std::string& name, const std::string& bytes) {
        WriteWholeFile(home + "/" + name, bytes);
        return name;
    }
    std::string Queued(const std::string& user, const std::string& name) {
        const std::string path = palm + "/" + user + "/Install/" + name;
        return FileExists(path) ? ReadWholeFile(path) : "<not queued>";
    }
    // Every path below the temporary folder, to show that nothing else was written.
    std::set<std::string> Tree() const {
        std::set<std::string> paths;
        for (const auto& entry : fs::recursive_directory_iterator(temp.Path())) paths.insert(entry.path().string());
        return paths;
    }
    // The description of the error a call raised; empty when it raised none.
    template <typename Call>
    static std::string Raised(Call call) {
        try {
            call();
        } catch (const RuntimeError& e) {
            return e.Description();
        }
        return {};
    }

    TempFolder temp;
    std::string home;
    std::string palm;
    PalmDesktopFolder desktop;
    RecordingMessageBox messages;
    clsInstaller installer;
};

} // namespace

TEST_F(PalmFolderTest, QueueingStatusesMessagesAndUsers) {
    WriteHome("PELLUCORA.PRC", "application");
    struct Step {
        bool Remove;
        const char* User;
        std::string File;
        int16_t Status;
        std::string Message; // empty: none
    };
    const std::vector<Step> steps = {
        {false, "SMITH", "PELLUCORA.PRC", 0, ""},
        {false, "smith", "PELLUCORA.PRC", 0,
         "Application (PELLUCORA.PRC) is already scheduled to be installed during next HotSync operation."},
        {false, "SMITH", "missing.prc", -513, "Application not found in " + home + ": missing.prc"},
        {false, "Bob Jones", home + "/PELLUCORA.PRC", 0, ""},
        {true, "SMITH", "pellucora.prc", 0, ""},
        {true, "SMITH", "PELLUCORA.PRC", -523, ""},
        {true, "SMITH", "..", -523, ""},
    };
    for (const Step& step : steps) {
        messages.Shown.clear();
        const int16_t status = step.Remove ? installer.RemovePRC(step.User, step.File) : installer.PRC(step.User, step.File);
        EXPECT_EQ(status, step.Status) << step.User << " " << step.File;
        EXPECT_EQ(messages.Lines(), step.Message.empty() ? std::vector<std::string>{}
                                                         : std::vector<std::string>{"[] " + step.Message})
            << step.File;
    }
    EXPECT_EQ(Queued("SMITH", "PELLUCORA.PRC"), "<not queued>");
    EXPECT_EQ(Queued("Bob Jones", "PELLUCORA.PRC"), "application");
    // Users are added once each, letter case aside, with the name as first given.
    EXPECT_EQ(ReadWholeFile(palm + "/users"), "1\tSMITH\tSMITH\n2\tBob Jones\tBob Jones\n");
    EXPECT_EQ(installer.UserCount(), 2);
    EXPECT_EQ(installer.UserNames(), (std::vector<std::string>{"SMITH", "Bob Jones"}));
}

TEST_F(PalmFolderTest, RemoveThenInstallReplacesAnEarlierRouteDatabase) {
    const std::string route = temp.Write("RouteQVF.pdb", "first route");
    ASSERT_EQ(installer.PRC("SMITH", route), 0);
    temp.Write("RouteQVF.pdb", "second route");
    EXPECT_EQ(installer.PRC("SMITH", route), 0); // already scheduled: the first stays
    EXPECT_EQ(Queued("SMITH", "RouteQVF.pdb"), "first route");
    messages.Shown.clear();
    EXPECT_EQ(installer.RemovePRC("SMITH", route), 0);
    EXPECT_EQ(installer.PRC("SMITH", route), 0);
    EXPECT_EQ(Queued("SMITH", "RouteQVF.pdb"), "second route");
    EXPECT_TRUE(messages.Shown.empty());
}

TEST(InstallerTest, NamesAndStatusesAsPalmDesktopSeesThem) {
    struct Row {
        bool Remove;
        std::string File;
        int16_t Status;
        std::string Passed;
        int16_t Result;
        std::string Message;
    };
    const std::vector<Row> rows = {
        {false, "APP.PRC", 0, "./APP.PRC", 0, ""},
        {false, "/data/RouteQVF.pdb", 0, "/data/RouteQVF.pdb", 0, ""},
        {false, "sub/RouteQVF.pdb", 0, "sub/RouteQVF.pdb", 0, ""},
        {false, "APP.PRC", PalmStatusAlreadyQueued, "./APP.PRC", 0,
         "Application (APP.PRC) is already scheduled to be installed during next HotSync operation."},
        {false, "APP.PRC", PalmStatusFileNotFound, "./APP.PRC", -513, "Application not found in /prog: APP.PRC"},
        {false, "APP.PRC", 5, "./APP.PRC", 5, "Undefined error: 5 occurred."},
        {false, "APP.PRC", PalmStatusNotQueued, "./APP.PRC", -523, "Undefined error: -523 occurred."},
        {true, "APP.PRC", 0, "APP.PRC", 0, ""},
        {true, "APP.PRC", PalmStatusAlreadyQueued, "APP.PRC", 0, ""},
        {true, "APP.PRC", PalmStatusNotQueued, "APP.PRC", -523, ""},
        {true, "APP.PRC", PalmStatusFileNotFound, "APP.PRC", -513, ""},
        {true, "APP.PRC", -1, "APP.PRC", -1, "Undefined error: -1 occurred."},
    };
    for (const Row& row : rows) {
        ScriptedPalmDesktop desktop;
        desktop.Status = row.Status;
        RecordingMessageBox messages;
        clsInstaller installer(desktop, messages, "/prog");
        const int16_t result = row.Remove ? installer.RemovePRC("U", row.File) : installer.PRC("U", row.File);
        EXPECT_EQ(result, row.Result) << row.File << " " << row.Status;
        EXPECT_EQ(desktop.Calls, (std::vector<std::string>{"add U 0", (row.Remove ? "remove U " : "install U ") + row.Passed}));
        EXPECT_EQ(messages.Lines(),
                  row.Message.empty() ? std::vector<std::string>{} : std::vector<std::string>{"[] " + row.Message});
    }
}

TEST(InstallerTest, SnapshotCountsBuffersAndApplicationFile) {
    for (const auto& [count, expected] : std::vector<std::pair<int32_t, int>>{{-3, 0}, {0, 0}, {1, 1}, {255, 255}}) {
        ScriptedPalmDesktop desktop;
        desktop.Count = count;
        clsPalmUsers users(desktop);
        EXPECT_EQ(users.UserCount(), expected);
        RecordingMessageBox messages;
        EXPECT_EQ(clsInstaller(desktop, messages, "").UserCount(), expected);
    }
    ScriptedPalmDesktop crowded;
    crowded.Count = 256;
    EXPECT_THROW(clsPalmUsers{crowded}, RuntimeError);

    ScriptedPalmDesktop desktop;
    desktop.Count = 2;
    clsPalmUsers users(desktop);
    std::string name = "keep", folder = "keep";
    for (const int16_t index : {int16_t{3}, int16_t{-1}}) {
        users.GetUserData(index, name, folder);
        EXPECT_EQ(name + folder, "keepkeep") << index;
    }
    users.GetUserData(2, name, folder);
    EXPECT_EQ(name + "|" + folder, "User101|Dir101");

    std::string text("ab\0cd", 5);
    EXPECT_EQ(clsPalmUsers::CleanZ(text), "ab");
    EXPECT_EQ(text, "ab");

    for (const auto& [program, file] : std::vector<std::pair<std::string, std::string>>{
             {"Dovrex", "PELLUCORA.PRC"}, {"/usr/bin/dovrex", "PELLUCORA.PRC"}, {"C:\\Prog\\DOVREX.EXE", "PELLUCORA.PRC"},
             {"Lumetra", "CASPELINE.PRC"}, {"ELumetra.exe", "VEDERODARI.PRC"}, {"dovrex-cli", ""}, {"Lumetra2", ""},
             {"", ""}}) {
        EXPECT_EQ(clsInstaller::ApplicationFile(program), file) << program;
    }
}

TEST_F(PalmFolderTest, UserDatabaseLookupsAndNameLimits) {
    const std::string longest(49, 'N');
    WriteWholeFile(palm + "/users", "7\tSMITH\tSmithJ\r\n\r\n9\t" + longest + "\t" + std::string(149, 'F') + "\r\n");
    clsPalmUsers users(desktop);
    ASSERT_EQ(users.UserCount(), 2);
    std::string name, folder;
    users.GetUserData(2, name, folder);
    EXPECT_EQ(name, longest);
    EXPECT_EQ(folder, std::string(149, 'F'));
    name = "smith";
    users.GetUserData(0, name, folder);
    EXPECT_EQ(name + "|" + folder, "SMITH|SmithJ"); // the user database's spelling
    name = "NOBODY";
    users.GetUserData(0, name, folder);
    EXPECT_EQ(name + "|" + folder, "|");

    // A user name must stay one folder inside the Palm Desktop folder.
    for (const auto& [candidate, valid] : std::vector<std::pair<std::string, bool>>{
             {"Bob Jones", true}, {longest, true}, {std::string(50, 'N'), false}, {"", false}, {"   ", false},
             {"a/b", false}, {"../x", false}, {"..", false}, {"a..b", false}, {".", false}, {"a\\b", false},
             {"a\tb", false}, {"a\nb", false}}) {
        EXPECT_EQ(PalmDesktopFolder::IsValidUserName(candidate), valid) << candidate;
    }
}

TEST_F(PalmFolderTest, BadInputIsRefusedWithoutWritingAnything) {
    WriteHome("APP.PRC", "application");
    // Junk in the users file: every call names the file and the line.
    const std::vector<std::pair<std::string, std::string>> junk = {
        {"1\tA\tA\njunk\n", "users, line 2: expected ID, TAB, name, TAB, folder"},
        {"1\tA\n", "line 1: expected ID"},
        {"x\tA\tA\n", "the user ID \"x\" is not a number from 1 to 4294967295"},
        {"0\tA\tA\n", "the user ID \"0\""},
        {"4294967296\tA\tA\n", "the user ID \"4294967296\""},
        {"1\tA/B\tA\n", "\"A/B\" is not a usable user name"},
        {"1\tA\t../elsewhere\n", "\"../elsewhere\" is not a folder name inside the Palm Desktop folder"},
        {"1\tA\t" + std::string(150, 'F') + "\n", "is not a folder name inside"},
        {"1\tA\tA\n1\tB\tB\n", "line 2: the user ID 1 appears twice"},
        {"1\tA\tA\n2\ta\tB\n", "the user name \"a\" appears twice"},
        {"1\tA\tA\n2\tB\ta\n", "the folder \"a\" appears twice"},
    };
    for (const auto& [content, message] : junk) {
        WriteWholeFile(palm + "/users", content);
        const auto before = Tree();
        EXPECT_NE(Raised([&] { desktop.UmGetUserCount(); }).find(message), std::string::npos) << content;
        EXPECT_NE(Raised([&] { installer.PRC("C", "APP.PRC"); }).find(message), std::string::npos) << content;
        EXPECT_EQ(Tree(), before);
        EXPECT_EQ(ReadWholeFile(palm + "/users"), content);
    }
    WriteWholeFile(palm + "/users", "4294967295\tA\tA\n");
    EXPECT_EQ(desktop.UmGetUserCount(), 1);
    EXPECT_EQ(Raised([&] { desktop.UmAddUser("B", 0); }), "Overflow");

    // Names that would leave the folder.
    fs::remove(palm + "/users");
    const auto before = Tree();
    for (const std::string unit : {"../x", "a/b", "..", "/abs", ""}) {
        EXPECT_NE(Raised([&] { installer.PRC(unit, "APP.PRC"); }).find("cannot be a HotSync user name"), std::string::npos)
            << unit;
    }
    EXPECT_EQ(Tree(), before);

    // A missing or unwritable Palm Desktop folder.
    PalmDesktopFolder missing(temp.File("missing"), home);
    clsInstaller missingInstaller(missing, messages, home);
    EXPECT_EQ(Raised([&] { missingInstaller.UserCount(); }), "Palm Desktop folder not found: " + temp.File("missing"));
    EXPECT_EQ(Raised([&] { missingInstaller.PRC("A", "APP.PRC"); }), "Palm Desktop folder not found: " + temp.File("missing"));
    EXPECT_FALSE(fs::exists(temp.File("missing")));
    PalmDesktopFolder readOnly("/proc", home);
    EXPECT_NE(Raised([&] { readOnly.UmAddUser("A", 0); }).find("Palm Desktop folder /proc: cannot write the users file"),
              std::string::npos);
    // A queue that cannot be created leaves no partial copy behind.
    fs::create_directories(palm + "/A");
    WriteWholeFile(palm + "/A/Install", "in the way");
    EXPECT_NE(Raised([&] { installer.PRC("A", "APP.PRC"); }).find("cannot write the install queue of A"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(palm + "/A/Install"), "in the way");
    EXPECT_EQ(std::distance(fs::directory_iterator(palm + "/A"), fs::directory_iterator()), 1);
}

TEST_F(PalmFolderTest, InstallToUnitsWithAndWithoutMeazuraFiles) {
    WriteHome("PELLUCORA.PRC", "application");
    RecordingLog log;
    ASSERT_TRUE(installer.InstallToUnits({"SMITH", "JONES"}, "PELLUCORA.PRC", true, log));
    const std::string notFound = "[] Application not found in " + home + ": ";
    EXPECT_EQ(messages.Lines(), (std::vector<std::string>{notFound + "MeazuraLib_V302b.prc",
                                                          notFound + "MeazuraStartupPatch_V200b.prc",
                                                          notFound + "MeazuraLib_V302b.prc",
                                                          notFound + "MeazuraStartupPatch_V200b.prc"}));
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"Warning: Meazura Support extension file failed to install",
                                                   "Warning: Meazura Startup patch file failed to install",
                                                   "Warning: Meazura Support extension file failed to install",
                                                   "Warning: Meazura Startup patch file failed to install"}));
    EXPECT_EQ(Queued("SMITH", "PELLUCORA.PRC") + Queued("JONES", "PELLUCORA.PRC"), "applicationapplication");

    // With the Meazura files present and not asked for, only the application goes.
    WriteHome("MeazuraLib_V302b.prc", "lib");
    messages.Shown.clear();
    log.Lines.clear();
    ASSERT_TRUE(installer.InstallToUnits({"BROWN"}, "PELLUCORA.PRC", false, log));
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_TRUE(log.Lines.empty());
    EXPECT_EQ(Queued("BROWN", "MeazuraLib_V302b.prc"), "<not queued>");

    // An unexpected failure is shown and ends the run.
    PalmDesktopFolder missing(temp.File("missing"), home);
    clsInstaller missingInstaller(missing, messages, home);
    EXPECT_FALSE(missingInstaller.InstallToUnits({"SMITH"}, "PELLUCORA.PRC", true, log));
    EXPECT_EQ(messages.Lines().back(), "[] Palm Desktop folder not found: " + temp.File("missing"));
    EXPECT_TRUE(log.Lines.empty());
}
