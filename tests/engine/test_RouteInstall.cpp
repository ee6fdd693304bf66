#include "EngineFixture.h"

#include "install/PalmDesktopFolder.h"
#include "platform/BinaryFile.h"

#include "support/ScriptedPalmDesktop.h"

#include <filesystem>
#include <optional>

using namespace dovrex;
using namespace dovrex::test;

namespace {

using Lines = std::vector<std::string>;

// "Install To Unit" answered by the test; records the units it was offered.
struct ScriptedUnitChooser : IUnitChooser {
    std::string ChooseUnit(const std::vector<std::string>& Units) override {
        Offered.push_back(Units);
        return Answer;
    }
    std::string Answer;
    std::vector<std::vector<std::string>> Offered;
};

class RouteInstallTest : public EngineFixture {
protected:
    RouteInstallTest() {
        WriteFixedMap();
        UseSource({FixedLine("0012", 1, "7", "R", "R", "1 MAIN")});
        std::filesystem::create_directory(palm);
        WriteWholeFile(palm + "/users", "1\tSMITH\tSmithJ\n2\tJONES\tJones\n");
    }

    std::string Queued(const std::string& userFolder) const {
        const std::string path = palm + "/" + userFolder + "/Install/RouteQVF.pdb";
        return FileExists(path) ? ReadWholeFile(path) : "";
    }

    const std::string palm = folder.File("PalmDesktop");
    const std::string destination = folder.File("RouteQVF.pdb");
    PalmDesktopFolder desktop{palm, folder.Path()};
};

} // namespace

TEST_F(RouteInstallTest, FinishedRouteDatabasesGoToTheUnitsInstallFolder) {
    const std::string copied = "Info: " + destination + " copied to HotSync install folder for ";
    const std::string removed = "Info: " + destination + " Removed from destination folder";
    const std::string cancelled = "Install Cancelled without selecting unit";
    const std::string withWarnings = "Route Conversion Finished with Warnings";
    struct Row {
        const char* Case;
        std::string QVFType = "PDB";
        bool AutoInstall = true;
        std::string Unit;
        bool Prompt = false;
        std::optional<std::string> Chooser; // none: no chooser attached
        bool Leave = false;
        Lines Log;                          // after the meter count line
        std::string QueuedIn;               // the user folder that holds the database, if any
        bool Kept = true;
    };
    const std::vector<Row> rows = {
        {"unit set", "PDB", true, "SMITH", false, std::nullopt, false,
         {copied + "SMITH", removed, "Route Conversion Finished", ""}, "SmithJ", false},
        {"leave on, unit trimmed", "PRC", true, " jones ", false, std::nullopt, true,
         {copied + "jones", "Route Conversion Finished", ""}, "Jones"},
        {"VFS", "VFS", true, "SMITH", false, "JONES", false, {"Route Conversion Finished", ""}, ""},
        {"install off", "PDB", false, "SMITH", false, "JONES", false, {"Route Conversion Finished", ""}, ""},
        {"prompt", "PDB", true, "SMITH", true, "JONES", true, {copied + "JONES", "Route Conversion Finished", ""}, "Jones"},
        {"no unit: asked", "PDB", true, "  ", false, "NEWUNIT", true,
         {copied + "NEWUNIT", "Route Conversion Finished", ""}, "NEWUNIT"},
        {"prompt cancelled", "PDB", true, "SMITH", true, "", false, {cancelled, withWarnings, ""}, ""},
        {"no chooser", "PDB", true, "", false, std::nullopt, false, {cancelled, withWarnings, ""}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Case);
        for (const char* user : {"SmithJ", "Jones", "NEWUNIT"}) std::filesystem::remove_all(palm + "/" + user);
        WriteWholeFile(palm + "/users", "1\tSMITH\tSmithJ\n2\tJONES\tJones\n");
        DeleteFile(destination);
        log.Lines.clear();
        ScriptedUnitChooser chooser;
        chooser.Answer = row.Chooser.value_or("");
        engine.SetPalmDesktop(&desktop);
        engine.SetUnitChooser(row.Chooser ? &chooser : nullptr);
        engine.SetRouteQVFType(row.QVFType);
        engine.SetAutoInstall(row.AutoInstall);
        engine.SetAutoInstallUnit(row.Unit);
        engine.SetAutoInstallPrompt(row.Prompt);
        engine.SetAutoInstallLeave(row.Leave);

        ASSERT_TRUE(engine.ConvertRoute());
        Lines expected = {"1 meters written to Route QVF File"};
        expected.insert(expected.end(), row.Log.begin(), row.Log.end());
        EXPECT_EQ(LogAfterStart(), expected);
        EXPECT_EQ(FileExists(destination), row.Kept);
        EXPECT_EQ(!Queued("SmithJ").empty(), row.QueuedIn == "SmithJ");
        EXPECT_EQ(!Queued("Jones").empty(), row.QueuedIn == "Jones");
        if (!row.QueuedIn.empty() && row.Kept) {
            EXPECT_EQ(Queued(row.QueuedIn), ReadWholeFile(destination));
        }
        // The chooser is offered the HotSync users of the moment.
        const bool asked = row.Chooser && row.AutoInstall && row.QVFType != "VFS" && (row.Prompt || Trim(row.Unit).empty());
        const std::vector<Lines> offered = asked ? std::vector<Lines>{{"SMITH", "JONES"}} : std::vector<Lines>{};
        EXPECT_EQ(chooser.Offered, offered);
        EXPECT_TRUE(messages.Shown.empty());
    }
}

TEST_F(RouteInstallTest, AReconvertedDatabaseReplacesTheQueuedOneAndFailuresAreWarnings) {
    engine.SetPalmDesktop(&desktop);
    engine.SetAutoInstall(true);
    engine.SetAutoInstallUnit("SMITH");
    engine.SetAutoInstallLeave(true);
    ASSERT_TRUE(engine.ConvertRoute());
    const std::string first = Queued("SmithJ");
    UseSource({FixedLine("0012", 1, "7", "R", "R", "1 MAIN"), FixedLine("0013", 2, "8", "R", "R", "2 ELM")});
    messages.QueueAnswer(MsgResult::Yes); // overwrite the destination
    ASSERT_TRUE(engine.ConvertRoute());
    EXPECT_NE(Queued("SmithJ"), first);
    EXPECT_EQ(Queued("SmithJ"), ReadWholeFile(destination));
    EXPECT_EQ(messages.Shown.size(), 1u); // no "already scheduled" message

    // Palm Desktop out of reach, or a queue that refuses: the conversion still succeeds.
    const std::string missing = folder.File("NoPalm");
    PalmDesktopFolder unreachable(missing, folder.Path());
    ScriptedPalmDesktop refusing;
    refusing.Status = 5;
    struct Row {
        IPalmDesktop* Desktop;
        Lines Log;
        Lines Messages;
    };
    for (const Row& row : std::vector<Row>{
             {&unreachable,
              {"Error: Palm Desktop folder not found: " + missing + " occurred during auto install"},
              {"[Error] Palm Desktop folder not found: " + missing}},
             {&refusing, {"Error: Unable to automatically install route to Handheld unit"}, {"[] Undefined error: 5 occurred.", "[] Undefined error: 5 occurred."}},
             {nullptr,
              {"Error: Palm Desktop is not available occurred during auto install"},
              {"[Error] Palm Desktop is not available"}}}) {
        log.Lines.clear();
        messages.Shown.clear();
        messages.QueueAnswer(MsgResult::Yes);
        engine.SetPalmDesktop(row.Desktop);
        ASSERT_TRUE(engine.ConvertRoute());
        Lines expected = {"2 meters written to Route QVF File"};
        expected.insert(expected.end(), row.Log.begin(), row.Log.end());
        expected.insert(expected.end(), {"Install Cancelled without selecting unit", "Route Conversion Finished with Warnings", ""});
        EXPECT_EQ(LogAfterStart(), expected);
        Lines shown = messages.Lines();
        shown.erase(shown.begin()); // the overwrite question
        EXPECT_EQ(shown, row.Messages);
        EXPECT_TRUE(FileExists(destination));
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(RouteInstallTest, InstallToUnitsQueuesTheProgramsApplicationFile) {
    engine.SetPalmDesktop(&desktop);
    EXPECT_EQ(engine.UnitNames(), (Lines{"SMITH", "JONES"}));
    folder.Write("PELLUCORA.PRC", "application");
    ASSERT_TRUE(engine.InstallToUnits({"JONES"}, false, "/usr/bin/dovrex"));
    EXPECT_EQ(ReadWholeFile(palm + "/Jones/Install/PELLUCORA.PRC"), "application");
    EXPECT_TRUE(log.Lines.empty() && messages.Shown.empty());

    engine.SetPalmDesktop(nullptr);
    EXPECT_FALSE(engine.InstallToUnits({"SMITH"}, false, "dovrex"));
    EXPECT_EQ(messages.Lines(), (Lines{"[] Palm Desktop is not available"}));
}
