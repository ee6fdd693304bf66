#include "cli/CliUnitChooser.h"
#include "cli/RunCli.h"

#include "handheld_db/clsQVF.h"
#include "platform/BinaryFile.h"
#include "platform/modRuntime.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <streambuf>
#include <sstream>

#include <sys/stat.h>

using namespace dovrex;
using dovrex::test::Bytes;
using dovrex::test::TempFolder;
using Lines = std::vector<std::string>;

namespace {

struct Result {
    int Code;
    std::string Out;
    std::string Err;
};

// Runs dovrex-cli in a temporary program folder and settings store.
class Cli {
public:
    Cli() {
        for (const char* map : {"FixedSample.bcm", "CsvSample.bcm"}) {
            std::filesystem::copy_file(std::string(DOVREX_SOURCE_DIR) + "/samples/maps/" + map, folder.File(map));
        }
    }

    // With terminal set, standard input counts as a terminal that types input.
    Result Run(std::vector<std::string> args, const std::string& input = "", bool terminal = false,
               std::ostream* output = nullptr) {
        std::vector<std::string> all = {"dovrex-cli", "--home", folder.Path(), "--registry", folder.File("registry.ini"),
                                        "--palm-desktop", folder.File("PalmDesktop")};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<const char*> argv;
        for (const auto& arg : all) argv.push_back(arg.c_str());
        std::istringstream in(input);
        std::ostringstream out, err;
        const int code = cli::RunCli(static_cast<int>(argv.size()), argv.data(), in, output ? *output : out, err, terminal);
        return {code, out.str(), err.str()};
    }

    static std::string Sample(const std::string& name) { return std::string(DOVREX_SOURCE_DIR) + "/samples/routes/" + name; }

    TempFolder folder;
};

std::vector<std::string> OutLines(const Result& r) { return Split(r.Out, "\n"); }

} // namespace

TEST(CliTest, HelpUsageErrorsAndExitCodes) {
    Cli cli;
    const Result help = cli.Run({"--help"});
    EXPECT_EQ(help.Code, 0);
    for (const char* command : {"route", "config", "dump", "reading", "reread", "simulate"}) {
        EXPECT_NE(help.Out.find(command), std::string::npos) << command;
    }
    EXPECT_EQ(cli.Run({"dump", "--help"}).Code, 0);
    EXPECT_NE(cli.Run({"dump", "--help"}).Out.find("--json"), std::string::npos);

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {}, {"dump"}, {"--bogus", "route"}, {"config"}, {"config", "set", "NoSlash=1"}, {"--yes", "--no", "route"}}) {
        const Result r = cli.Run(bad);
        EXPECT_EQ(r.Code, 2) << ::testing::PrintToString(bad);
        EXPECT_NE(r.Err.find("dovrex-cli: "), std::string::npos);
    }
}

TEST(CliTest, ConfigSetListAndUnset) {
    Cli cli;
    EXPECT_EQ(cli.Run({"config", "set", "Route/Source=/a b/route.txt", "LoginIDs/SMITH=pw||S", "Route/Map=Caf\xC3\xA9"}).Code, 0);
    const Result list = cli.Run({"config", "list"});
    EXPECT_EQ(list.Code, 0);
    EXPECT_EQ(list.Out, "LoginIDs/SMITH=pw||S\nRoute/Source=/a b/route.txt\nRoute/Map=Caf\xC3\xA9\n");
    EXPECT_EQ(cli.Run({"config", "unset", "Route/Source"}).Code, 0);
    EXPECT_EQ(cli.Run({"config", "unset", "Route/Source"}).Code, 1);
    EXPECT_EQ(cli.Run({"config", "list"}).Out, "LoginIDs/SMITH=pw||S\nRoute/Map=Caf\xC3\xA9\n");
}

TEST(CliTest, AStoreThatCannotBeReadIsAnErrorNotAnEmptyStore) {
    const std::vector<std::vector<std::string>> commands = {
        {"config", "list"}, {"config", "set", "Route/Map=x"}, {"config", "unset", "Route/Map"}, {"route"}};
    for (const bool fifo : {false, true}) {
        for (const auto& command : commands) {
            SCOPED_TRACE(::testing::PrintToString(command) + (fifo ? " on a fifo" : " on a folder"));
            Cli cli;
            const std::string store = cli.folder.File("registry.ini");
            ASSERT_EQ(fifo ? ::mkfifo(store.c_str(), 0600) : ::mkdir(store.c_str(), 0700), 0);
            const Result r = cli.Run(command);
            EXPECT_EQ(r.Code, 1);
            EXPECT_EQ(r.Out, "");
            EXPECT_EQ(r.Err, "dovrex-cli: cannot read the settings store " + store + ": " +
                                 (fifo ? "not a regular file" : "Is a directory") + "\n");
        }
    }
}

TEST(CliTest, RouteConvertsTheSamplesAndDumpDecodesTheResult) {
    Cli cli;
    const std::string source = Cli::Sample("fixed-route.txt");
    // The advanced configuration goes in as well: logins, skip codes, the word index.
    ASSERT_EQ(cli.Run({"config", "set", "Route/Source=" + source, "Route/Map=FixedSample", "LoginSetup/UseLogin=Y",
                       "LoginIDs/SMITH=pw||S", "Skip/01=Dog"}).Code, 0);
    const Result route = cli.Run({"route"});
    EXPECT_EQ(route.Code, 0) << route.Out << route.Err;
    const auto lines = OutLines(route);
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[0], "Reading from " + source);
    EXPECT_EQ(lines[1], "Writing to " + cli.folder.File("RouteQVF.pdb"));
    EXPECT_EQ(lines[2], "Using Map: FixedSample");
    EXPECT_TRUE(StartsWith(lines[3], "Route Conversion Starting "));
    EXPECT_EQ(lines[4], "300 meters written to Route QVF File");
    EXPECT_EQ(lines[5], "Route Conversion Finished");
    EXPECT_EQ(route.Err, "");

    const Result dump = cli.Run({"dump", cli.folder.File("RouteQVF.pdb"), "--json"});
    ASSERT_EQ(dump.Code, 0) << dump.Err;
    const auto json = nlohmann::json::parse(dump.Out);
    EXPECT_EQ(json["container"], "PDB");
    EXPECT_EQ(json["title"], "RouteQVF");
    EXPECT_EQ(json["type"], "DATA");
    EXPECT_EQ(json["creator"], "kELZ");
    EXPECT_EQ(json["version"], 3);
    const auto& records = json["records"];
    ASSERT_EQ(records.size(), 305u + 20u + 3u); // meters, 4 routes x 5 index kinds, code records
    EXPECT_EQ(records[0]["RouteNbr"], 4);
    EXPECT_EQ(records[1]["Initials"], "000101");
    EXPECT_EQ(records[5]["RecType"], 2);
    EXPECT_EQ(records[5]["User1"], "CYC01");
    EXPECT_EQ(std::count_if(records.begin(), records.end(), [](const auto& r) { return r.value("RecType", 0) == 6; }), 20);
    EXPECT_EQ(records[325], nlohmann::json::parse(R"({"RecordType":4,"CodeType":0,"Flags":1,"entries":[["SMITH","pw","S"]]})"));
    EXPECT_EQ(records[326], nlohmann::json::parse(R"({"RecordType":5,"CodeType":0,"Flags":0,"entries":[["01","Dog",""]]})"));
    EXPECT_EQ(records[327]["RecordType"], 7);
    // The configuration the run loaded saved its first-time defaults when the command ended.
    EXPECT_NE(cli.Run({"config", "list"}).Out.find("Token/IndexControl=1\nTokenAddress/RD=\n"), std::string::npos);

    // Run again: the destination exists and nobody can answer, so the answer is No.
    const Result again = cli.Run({"route"});
    EXPECT_EQ(again.Code, 1);
    EXPECT_EQ(again.Err, "[Route Destination already exists] " + cli.folder.File("RouteQVF.pdb") +
                             " already exists.  Overwrite?\n");
    EXPECT_EQ(OutLines(again).at(2), "Error: Route Destination already exists");
    EXPECT_EQ(cli.Run({"--yes", "route"}).Code, 0);

    // The delimited sample, written as a VFS stream.
    ASSERT_EQ(cli.Run({"config", "set", "Route/Source=" + Cli::Sample("delimited-route.csv"), "Route/Map=CsvSample",
                       "Route/QVFType=VFS", "Route/Destination=csv.vfs", "Token/IndexControl=0"}).Code, 0);
    EXPECT_EQ(cli.Run({"route"}).Code, 0);
    const auto vfs = nlohmann::json::parse(cli.Run({"dump", cli.folder.File("csv.vfs"), "--json"}).Out);
    EXPECT_EQ(vfs["container"], "VFS");
    EXPECT_EQ(vfs["records"].size(), 244u + 3u); // no index records
    EXPECT_EQ(vfs["records"][5]["Sequence"], 2);
}

TEST(CliTest, RouteFailuresExitOneAndPromptsComeFromOptions) {
    Cli cli;
    const Result nothing = cli.Run({"route"});
    EXPECT_EQ(nothing.Code, 1);
    EXPECT_EQ(nothing.Out, "Error: Route Source not specified\n");

    // A map with a prompted field: the value comes from --prompt, else the dialog is cancelled.
    std::string map = cli.folder.Read("FixedSample.bcm");
    map = Replace(map, "ScaleFactor=C,1", "ScaleFactor=P");
    cli.folder.Write("Prompted.bcm", map);
    ASSERT_EQ(cli.Run({"config", "set", "Route/Source=" + Cli::Sample("fixed-route.txt"), "Route/Map=Prompted"}).Code, 0);
    const Result cancelled = cli.Run({"route"});
    EXPECT_EQ(cancelled.Code, 1);
    EXPECT_EQ(OutLines(cancelled).back().empty() ? OutLines(cancelled).end()[-2] : OutLines(cancelled).back(),
              "Error: Prompted entry of runtime variables cancelled");

    // A value given whole, by option or as a terminal line, reaches the parser as a text
    // pasted into the numeric box does: no key filter, cut to the box's 10 characters.
    struct Row { std::vector<std::string> args; std::string typed; int64_t stored; };
    const Row rows[] = {
        {{"--prompt", "ScaleFactor=1e3"}, "", 1000},
        {{"--prompt", "ScaleFactor=x1.5"}, "", 0},
        {{"--prompt", "ScaleFactor=1234567890"}, "", 1234567890},
        {{"--prompt", "ScaleFactor=12345678901"}, "", 1234567890},
        {{}, "2e2\n", 200},
    };
    for (const Row& row : rows) {
        std::vector<std::string> args = row.args;
        args.insert(args.end(), {"--yes", "route"});
        const Result route = cli.Run(args, row.typed, !row.typed.empty());
        ASSERT_EQ(route.Code, 0) << row.typed << route.Out << route.Err;
        const auto json = nlohmann::json::parse(cli.Run({"dump", cli.folder.File("RouteQVF.pdb"), "--json"}).Out);
        EXPECT_EQ(json["records"][5]["ScaleFactor"], row.stored) << ::testing::PrintToString(row.args) << row.typed;
    }
}

TEST(CliTest, QuestionsAreAskedOnTheTerminalWhenStandardInputIsOne) {
    Cli cli;
    ASSERT_EQ(cli.Run({"config", "set", "Route/Source=" + Cli::Sample("fixed-route.txt"), "Route/Map=FixedSample"}).Code, 0);
    ASSERT_EQ(cli.Run({"route"}).Code, 0);
    const std::string question =
        "[Route Destination already exists] " + cli.folder.File("RouteQVF.pdb") + " already exists.  Overwrite? [y/n] ";
    struct Row { std::string typed; int code; int asked; };
    const Row rows[] = {{"y\n", 0, 1}, {" Yes \r\n", 0, 1}, {"NO\n", 1, 1}, {"maybe\n\nn\n", 1, 3}, {"", 1, 1}};
    for (const Row& row : rows) {
        const Result r = cli.Run({"route"}, row.typed, true);
        EXPECT_EQ(r.Code, row.code) << row.typed;
        std::string asked;
        for (int i = 0; i < row.asked; ++i) asked += question;
        EXPECT_EQ(r.Err, asked) << row.typed;
    }
}

TEST(CliTest, OutputThatCannotBeWrittenFailsWithOneLine) {
    Cli cli;
    ASSERT_EQ(cli.Run({"config", "set", "Route/Map=FixedSample"}).Code, 0);
    // A stream that refuses every byte, like standard output on a full disk.
    struct Refusing : std::streambuf {
        int overflow(int) override { return traits_type::eof(); }
    } refusing;
    for (const bool throwing : {false, true}) {
        for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{{"config", "list"}, {"--help"}}) {
            std::ostream out(&refusing);
            if (throwing) out.exceptions(std::ios::badbit);
            const Result r = cli.Run(args, "", false, &out);
            EXPECT_EQ(r.Code, 1) << args[0] << throwing;
            EXPECT_TRUE(StartsWith(r.Err, "dovrex-cli: ")) << r.Err;
            EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
            if (!throwing) {
                EXPECT_EQ(r.Err, "dovrex-cli: cannot write the output\n");
            }
        }
    }
}

TEST(CliTest, DumpShowsCodeAndIndexRecordsAndRejectsDamagedFiles) {
    Cli cli;
    const std::string path = cli.folder.File("codes.pdb");
    {
        clsQVF qvf;
        qvf.SetVersion(3);
        ASSERT_EQ(qvf.CreateQVF(path, 1, 10), 0);
        qvf.AddNew();
        qvf.SetItem("MeterType", Value(int64_t{3}));
        qvf.SetItem("BillingName", Value("Caf\xE9"));
        qvf.WriteData();
        qvf.AddCodeRecord(5, 0, 0, 1, {"AB"}, {"GATE LOCKED"}, {""});
        qvf.AddIndexRecord(1, 1, 3, {"ELM", "MAIN", "MAIN"}, {7, 3, 9});
        qvf.Close();
    }
    const Result dump = cli.Run({"dump", path, "--json"});
    ASSERT_EQ(dump.Code, 0) << dump.Err;
    const auto json = nlohmann::json::parse(dump.Out);
    EXPECT_EQ(json["records"][0]["BillingName"], "Caf\xC3\xA9");
    EXPECT_EQ(json["records"][1], nlohmann::json::parse(
                                      R"({"RecordType":5,"CodeType":0,"Flags":0,"entries":[["AB","GATE LOCKED",""]]})"));
    EXPECT_EQ(json["records"][2],
              nlohmann::json::parse(R"({"RecType":6,"RouteIndex":1,"IndexType":1,"entries":["ELM:7","MAIN:3:9"]})"));

    const Result text = cli.Run({"dump", path});
    EXPECT_EQ(text.Code, 0);
    EXPECT_NE(text.Out.find("Record 1 (skip and changeout codes)"), std::string::npos);
    EXPECT_NE(text.Out.find("  entry MAIN:3:9"), std::string::npos);

    for (const std::string& bad : {std::string("short"), Bytes({0, 0, 0, 9, 'a'}), std::string(100, 'x')}) {
        const Result r = cli.Run({"dump", cli.folder.Write("bad", bad)});
        EXPECT_EQ(r.Code, 1);
        EXPECT_TRUE(StartsWith(r.Err, "dovrex-cli: ")) << r.Err;
        EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
    }
    const Result missing = cli.Run({"dump", cli.folder.File("missing.pdb")});
    EXPECT_EQ(missing.Code, 1);
    EXPECT_NE(missing.Err.find("File not found"), std::string::npos);
}

TEST(CliTest, SimulatedReadingsBecomeAnUploadFileAndAListOfIDsARoute) {
    Cli cli;
    for (const char* map : {"FixedReading.brm", "OrphanSample.bom", "ReReadSample.bcm"}) {
        std::filesystem::copy_file(std::string(DOVREX_SOURCE_DIR) + "/samples/maps/" + map, cli.folder.File(map));
    }
    ASSERT_EQ(cli.Run({"config", "set", "Route/Source=" + Cli::Sample("fixed-route.txt"), "Route/Map=FixedSample",
                       "Reading/Map=FixedReading", "Reading/Destination=upload.txt", "Orphan/Convert=1",
                       "Orphan/Map=OrphanSample", "Orphan/Destination=orphans.txt", "Reading/AutoReRead=Y",
                       "ReRead/Destination=ReReadQVF.pdb"})
                  .Code,
              0);
    ASSERT_EQ(cli.Run({"route"}).Code, 0);
    const std::string route = cli.folder.File("RouteQVF.pdb"), readings = cli.folder.File("ReadingQVF.pdb");
    const Result simulated = cli.Run({"simulate", route, readings, "--seed", "3"});
    ASSERT_EQ(simulated.Code, 0) << simulated.Err;
    EXPECT_TRUE(StartsWith(simulated.Out, "Simulated readings of 300 meters written to " + readings + ": ")) << simulated.Out;
    const std::string first = cli.folder.Read("ReadingQVF.pdb");

    // An existing readings file is replaced only on request; the same seed gives the same file.
    const Result refused = cli.Run({"simulate", route, readings, "--seed", "3"});
    EXPECT_EQ(refused.Code, 1);
    EXPECT_EQ(refused.Err, "[Readings already exist] " + readings + " already exists.  Overwrite?\ndovrex-cli: " +
                               readings + " already exists\n");
    ASSERT_EQ(cli.Run({"--yes", "simulate", route, readings, "--seed", "3"}).Code, 0);
    EXPECT_EQ(cli.folder.Read("ReadingQVF.pdb"), first);

    const Result reading = cli.Run({"reading"});
    ASSERT_EQ(reading.Code, 0) << reading.Out << reading.Err;
    const auto log = OutLines(reading);
    EXPECT_EQ(log[2], "Using map FixedReading");
    EXPECT_NE(std::find_if(log.begin(), log.end(), [](const std::string& l) { return StartsWith(l, "Notice: ReRead File prepared with "); }),
              log.end());
    EXPECT_EQ(log.end()[-3], "Reading Conversion Finished");
    const std::string upload = cli.folder.Read("upload.txt");
    EXPECT_EQ(upload.size(), 300u * 92u); // MapLength 90 and CR LF
    EXPECT_EQ(upload.substr(0, 6), "000101");

    const Result kind = cli.Run({"simulate", route, cli.folder.File("kind.pdb"), "--route-kind", "256"});
    ASSERT_EQ(kind.Code, 0) << kind.Err;
    EXPECT_EQ(nlohmann::json::parse(cli.Run({"dump", cli.folder.File("kind.pdb"), "--json"}).Out)["records"][1]["RecType"],
              256);
    EXPECT_EQ(cli.Run({"simulate", route, cli.folder.File("x.pdb"), "--route-kind", "2"}).Code, 2);
    EXPECT_EQ(cli.Run({"simulate", route}).Code, 2);
    const Result missing = cli.Run({"simulate", cli.folder.File("none.pdb"), cli.folder.File("x.pdb")});
    EXPECT_EQ(missing.Code, 1);
    EXPECT_EQ(missing.Err, "dovrex-cli: " + cli.folder.File("none.pdb") + ": File not found\n");

    ASSERT_EQ(cli.Run({"config", "set", "ReRead/Source=" + std::string(DOVREX_SOURCE_DIR) + "/samples/reread/transponders.txt",
                       "ReRead/Map=ReReadSample", "ReRead/Destination=list.pdb"})
                  .Code,
              0);
    const Result reRead = cli.Run({"reread"});
    ASSERT_EQ(reRead.Code, 0) << reRead.Out << reRead.Err;
    EXPECT_EQ(OutLines(reRead).end()[-4], "25 meters written to ReRead QVF File");
    EXPECT_EQ(nlohmann::json::parse(cli.Run({"dump", cli.folder.File("list.pdb"), "--json"}).Out)["records"].size(), 27u);
}

TEST(CliTest, UnitsListsAndInstallQueuesForHotSyncUsers) {
    Cli cli;
    const std::string palm = cli.folder.File("PalmDesktop");
    const Result missing = cli.Run({"units"});
    EXPECT_EQ(missing.Code, 1);
    EXPECT_EQ(missing.Err, "dovrex-cli: Palm Desktop folder not found: " + palm + "\n");

    std::filesystem::create_directory(palm);
    EXPECT_EQ(cli.Run({"units"}).Out, "");
    cli.folder.Write("PELLUCORA.PRC", "application");
    const Result queued = cli.Run({"install", "Jos\xC3\xA9", "PELLUCORA.PRC"});
    EXPECT_EQ(queued.Code, 0) << queued.Err;
    EXPECT_EQ(cli.folder.Read("PalmDesktop/Jos\xE9/Install/PELLUCORA.PRC"), "application");
    const Result twice = cli.Run({"install", "jos\xC3\xA9", "PELLUCORA.PRC"});
    EXPECT_EQ(twice.Code, 0);
    EXPECT_EQ(twice.Err, "[Dovrex] Application (PELLUCORA.PRC) is already scheduled to be installed during next "
                         "HotSync operation.\n");
    const Result absent = cli.Run({"install", "SMITH", "absent.prc"});
    EXPECT_EQ(absent.Code, 1);
    EXPECT_EQ(absent.Err, "[Dovrex] Application not found in " + cli.folder.Path() + ": absent.prc\n");
    EXPECT_EQ(cli.Run({"units"}).Out, "Jos\xC3\xA9\nSMITH\n");

    const auto before = cli.folder.Read("PalmDesktop/users");
    for (const char* unit : {"../outside", "a/b", ".."}) {
        const Result r = cli.Run({"install", unit, "PELLUCORA.PRC"});
        EXPECT_EQ(r.Code, 1) << unit;
        EXPECT_NE(r.Err.find("cannot be a HotSync user name"), std::string::npos) << r.Err;
    }
    EXPECT_EQ(cli.folder.Read("PalmDesktop/users"), before);
    EXPECT_FALSE(std::filesystem::exists(cli.folder.File("outside")));
    EXPECT_EQ(cli.Run({"install", "SMITH"}).Code, 2);

    cli.folder.Write("PalmDesktop/users", before + "junk\n");
    const Result junk = cli.Run({"units"});
    EXPECT_EQ(junk.Code, 1);
    EXPECT_EQ(junk.Err, "dovrex-cli: Palm Desktop users file " + palm + "/users, line 3: expected ID, TAB, name, TAB, folder\n");
}

TEST(CliTest, UnitChooserTakesTheOptionElseAsksTheTerminal) {
    const std::vector<std::string> units = {"SMITH", "Jos\xE9"};
    struct Row {
        std::optional<std::string> Option;
        bool Interactive;
        std::string Typed;
        std::string Chosen;
    };
    for (const Row& row : std::vector<Row>{{"NEWUNIT", false, "", "NEWUNIT"},
                                           {std::nullopt, false, "1\n", ""},
                                           {std::nullopt, true, "2\n", "Jos\xE9"},
                                           {std::nullopt, true, "0\n3\n1.0\njos\xC3\xA9\n", "Jos\xE9"},
                                           {std::nullopt, true, "nobody\n\n", ""},
                                           {std::nullopt, true, "", ""}}) {
        std::istringstream in(row.Typed);
        std::ostringstream out, err;
        cli::CliContext context(in, out, err, row.Interactive);
        context.Options.Unit = row.Option;
        cli::CliUnitChooser chooser(context);
        EXPECT_EQ(chooser.ChooseUnit(units), row.Chosen) << row.Typed;
        if (row.Interactive) {
            EXPECT_NE(err.str().find("  2) Jos\xC3\xA9\n"), std::string::npos);
        }
    }
}

TEST(CliTest, RouteQueuesForTheUnitOfTheOptionElseTheInstallIsCancelled) {
    Cli cli;
    std::filesystem::create_directory(cli.folder.File("PalmDesktop"));
    ASSERT_EQ(cli.Run({"config", "set", "Route/Source=" + Cli::Sample("fixed-route.txt"), "Route/Map=FixedSample",
                       "PRCInstall/AutoInstall=Y"}).Code, 0);
    const std::string destination = cli.folder.File("RouteQVF.pdb");
    const Result installed = cli.Run({"route", "--unit", "SMITH"});
    EXPECT_EQ(installed.Code, 0) << installed.Err;
    auto lines = OutLines(installed);
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(Lines(lines.begin() + 4, lines.begin() + 8),
              (Lines{"300 meters written to Route QVF File",
                     "Info: " + destination + " copied to HotSync install folder for SMITH",
                     "Info: " + destination + " Removed from destination folder", "Route Conversion Finished"}));
    EXPECT_FALSE(FileExists(destination));
    EXPECT_TRUE(FileExists(cli.folder.File("PalmDesktop/SMITH/Install/RouteQVF.pdb")));

    // Nobody to ask: the chooser counts as cancelled and the conversion ends with warnings.
    const Result cancelled = cli.Run({"route"});
    EXPECT_EQ(cancelled.Code, 0);
    lines = OutLines(cancelled);
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(Lines(lines.begin() + 5, lines.begin() + 7),
              (Lines{"Install Cancelled without selecting unit", "Route Conversion Finished with Warnings"}));
    EXPECT_TRUE(FileExists(destination));
}
