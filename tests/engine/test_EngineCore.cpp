#include "EngineFixture.h"

#include "engine/MapFormat.h"
#include "engine/PromptVariables.h"
#include "platform/clsRegistry.h"

#include "support/FileSizeLimit.h"

using namespace dovrex;
using namespace dovrex::test;

class EngineCoreTest : public EngineFixture {};

TEST_F(EngineCoreTest, SettingsRoundTripThroughTheStoreWithDefaultsWhenAbsent) {
    clsRegistry registry(folder.File("registry.ini"));
    engine.SetRegistry(&registry);
    engine.LoadSettings();
    EXPECT_EQ(engine.RouteDestination(), "RouteQVF.pdb");
    EXPECT_EQ(engine.RouteQVFType(), "PDB");
    EXPECT_EQ(engine.ReReadDestination(), "RouteQVF.pdb");
    EXPECT_EQ(engine.ReadingSource(), "ReadingQVF.pdb");
    EXPECT_EQ(engine.RouteSource(), "");
    EXPECT_FALSE(engine.AutoInstall());
    EXPECT_EQ(engine.OrphanConvert(), 0);

    engine.SetRouteSource("/data/route.txt");
    engine.SetRouteDestination("out.pdb");
    engine.SetRouteQVFType("VFS");
    engine.SetRouteMap("Standard");
    engine.SetReReadMap("ReRead");
    engine.SetReadingDestination("/up/load.txt");
    engine.SetAutoReRead(true);
    engine.SetOrphanConvert(1);
    engine.SetOrphanReplace(-2);
    engine.SetAutoInstall(true);
    engine.SetAutoInstallUnit("SMITH");
    engine.SetAutoInstallLeave(true);
    EXPECT_TRUE(engine.SaveSettings());

    // Another engine on another store object sees every value.
    clsRegistry other(folder.File("registry.ini"));
    RecordingLog otherLog;
    clsExchange second(otherLog, messages, progress, clock, LocaleFormats{}, folder.Path());
    second.SetRegistry(&other);
    second.LoadSettings();
    EXPECT_EQ(second.RouteSource(), "/data/route.txt");
    EXPECT_EQ(second.RouteDestination(), "out.pdb");
    EXPECT_EQ(second.RouteQVFType(), "VFS");
    EXPECT_EQ(second.RouteMap(), "Standard");
    EXPECT_EQ(second.ReReadMap(), "ReRead");
    EXPECT_EQ(second.ReadingDestination(), "/up/load.txt");
    EXPECT_TRUE(second.AutoReRead());
    EXPECT_EQ(second.OrphanConvert(), 1);
    EXPECT_EQ(second.OrphanReplace(), -2);
    EXPECT_TRUE(second.AutoInstall());
    EXPECT_EQ(second.AutoInstallUnit(), "SMITH");
    EXPECT_FALSE(second.AutoInstallPrompt());
    EXPECT_TRUE(second.AutoInstallLeave());

    // The stored layout: strings under the program's key, in the save order.
    EXPECT_EQ(registry.GetValue({"HKEY_LOCAL_MACHINE", "Software\\Kelmora, Inc.\\Dovrex\\Reading", "AutoReRead"}).ToText(), "Y");
    EXPECT_EQ(registry.GetValues({"HKEY_LOCAL_MACHINE", "Software\\Kelmora, Inc.\\Dovrex\\Route"}),
              (std::vector<std::string>{"Source", "Destination", "QVFType", "Map"}));
    EXPECT_EQ(registry.GetValues({"HKEY_LOCAL_MACHINE", "Software\\Kelmora, Inc.\\Dovrex\\PRCInstall"}),
              (std::vector<std::string>{"AutoInstall", "Prompt", "Leave", "Unit"}));

    // Only exactly "Y" is true; an empty value takes the default; numbers are read leniently.
    engine.SaveParm("Reading", "AutoReRead", "y");
    engine.SaveParm("PRCInstall", "AutoInstall", "Yes");
    engine.SaveParm("Route", "Destination", "");
    engine.SaveParm("Orphan", "Convert", " 12abc");
    engine.SaveParm("Orphan", "Replace", "99999");
    engine.LoadSettings();
    EXPECT_FALSE(engine.AutoReRead());
    EXPECT_FALSE(engine.AutoInstall());
    EXPECT_EQ(engine.RouteDestination(), "RouteQVF.pdb");
    EXPECT_EQ(engine.OrphanConvert(), 12);
    EXPECT_NE(engine.OrphanReplace(), 0);
    EXPECT_EQ(engine.GetParm("Route", "Nothing", "dflt"), "dflt");
}

TEST_F(EngineCoreTest, SaveSettingsIsOneUpdateThatKeepsOtherProgramsValuesOrFailsWhole) {
    const std::string path = folder.File("registry.ini");
    clsRegistry registry(path);
    engine.SetRegistry(&registry);
    engine.LoadSettings();
    // Another program saves after this one read the store.
    clsRegistry other(path);
    ASSERT_TRUE(other.SaveValue(Value("pw||S"), {"HKEY_LOCAL_MACHINE", "Software\\Kelmora, Inc.\\Dovrex\\LoginIDs", "SMITH"}));

    engine.SetRouteMap("Standard");
    const std::string before = folder.Read("registry.ini");
    {
        // Room for a value or two, not for all twenty: a save of one value at a time
        // would leave some of them stored.
        const FileSizeLimit full(before.size() + 150);
        EXPECT_FALSE(engine.SaveSettings());
    }
    EXPECT_EQ(folder.Read("registry.ini"), before);
    EXPECT_EQ(registry.LastError(), "cannot save the settings store " + path + ": File too large");

    ASSERT_TRUE(engine.SaveSettings());
    EXPECT_EQ(other.GetValue({"HKEY_LOCAL_MACHINE", "Software\\Kelmora, Inc.\\Dovrex\\LoginIDs", "SMITH"}), Value("pw||S"));
    EXPECT_EQ(other.GetValue({"HKEY_LOCAL_MACHINE", "Software\\Kelmora, Inc.\\Dovrex\\Route", "Map"}), Value("Standard"));
    EXPECT_EQ(other.GetValues({"HKEY_LOCAL_MACHINE", "Software\\Kelmora, Inc.\\Dovrex\\PRCInstall"}),
              (std::vector<std::string>{"AutoInstall", "Prompt", "Leave", "Unit"}));

    clsExchange detached(log, messages, progress, clock, LocaleFormats{}, folder.Path());
    EXPECT_FALSE(detached.SaveSettings()) << "no store to save to";
}

TEST_F(EngineCoreTest, LookupsRouteListAndHelpers) {
    EXPECT_EQ(clsExchange::MapExtension(1), ".bcm");
    EXPECT_EQ(clsExchange::MapExtension(2), ".bcm");
    EXPECT_EQ(clsExchange::MapExtension(3), ".brm");
    EXPECT_EQ(clsExchange::MapExtension(99), ".bom");
    EXPECT_EQ(clsExchange::MapExtension(4), "");
    EXPECT_EQ(clsExchange::TypeDescr(2), "ReRead");
    EXPECT_EQ(clsExchange::TypeDescr(99), "Orphan");
    EXPECT_EQ(clsExchange::TypeDescr(0), "");
    EXPECT_EQ(clsExchange::DefaultFileExtension(3), ".txt");
    EXPECT_EQ(clsExchange::DefaultFileExtension(5), "");

    EXPECT_EQ(engine.LookupFileVersion(3, 0), 3);
    EXPECT_EQ(engine.LookupFileVersion(1, 2), 1);
    EXPECT_EQ(engine.LookupFileVersion(1, 3), 2);
    EXPECT_EQ(engine.LookupFileVersion(1, 6), 3);
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_EQ(engine.LookupFileVersion(2, 0), 0);
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0].Text,
              "Contact Support - cannot determine internal file version from this version of Quenderel");

    ConversionRun run;
    EXPECT_EQ(run.AddRoute("0012"), 1);
    EXPECT_EQ(run.AddRoute("0012"), 1);
    EXPECT_EQ(run.AddRoute("0013"), 2);
    EXPECT_EQ(run.AddRoute("0012"), 1);
    EXPECT_EQ(run.AddRoute("12"), 3);   // leading zeros matter
    EXPECT_EQ(run.AddRoute("a12"), 4);
    EXPECT_EQ(run.AddRoute("A12"), 5);  // so does letter case
    EXPECT_EQ(run.RouteMeterCount, (std::vector<int16_t>(5, 0)));
    run.ClearRoute();
    EXPECT_EQ(run.AddRoute("0013"), 1);

    EXPECT_EQ(clsExchange::CombineUser({"A", "", std::string("b\0c", 3)}), "A~~b\x01" "c");
    EXPECT_TRUE(clsExchange::IsAllDigits(" 0123 "));
    EXPECT_FALSE(clsExchange::IsAllDigits("   "));
    EXPECT_FALSE(clsExchange::IsAllDigits("12a"));
    EXPECT_FALSE(clsExchange::IsAllDigits("-1"));
}

TEST(PromptVariablesTest, RowsKeysAndTheRequiredCheck) {
    TempFolder folder;
    clsExchMap map(folder.Path());
    map.NewMap("P.bcm", MapUseRoute);
    map.SetMapOption("ScaleFactor", MapOptionPrompt);    // data type 3, optional
    map.SetMapOption("MeterType", MapOptionPrompt);      // data type 0, required
    map.SetMapOption("Digits", MapOptionPrompt);         // data type 1
    map.SetMapOption("InitTamperCount", MapOptionPrompt); // data type 2
    map.SetMapOption("LstReadingDate", MapOptionPrompt); // data type 4: a label only
    map.SetMapOption("User1", MapOptionPrompt);
    const auto rows = PromptVariables::Rows(map);
    ASSERT_EQ(rows.size(), 6u);
    std::vector<std::string> names;
    for (const auto& row : rows) names.push_back(row.FieldName);
    EXPECT_EQ(names, (std::vector<std::string>{"MeterType", "Digits", "LstReadingDate", "ScaleFactor", "InitTamperCount", "User1"}));
    EXPECT_EQ(rows[1].MaxLength, 3);
    EXPECT_EQ(rows[4].MaxLength, 5);
    EXPECT_EQ(rows[3].MaxLength, 10);
    EXPECT_EQ(rows[2].Entry, PromptRow::Box::None);
    EXPECT_EQ(rows[0].FieldNumber, 4);

    for (const char c : std::string("0123456789.-")) EXPECT_TRUE(PromptVariables::AcceptKey(c));
    for (const int c : {8, 3, 22, 24}) EXPECT_TRUE(PromptVariables::AcceptKey(c));
    for (const char c : std::string("a+ eE,")) EXPECT_FALSE(PromptVariables::AcceptKey(c));
    EXPECT_EQ(PromptVariables::FilterTyped(rows[1], "a1-2.34"), "1-2");
    EXPECT_EQ(PromptVariables::FilterTyped(rows[0], "a1"), "a1");

    // Text boxes are checked before numeric boxes.
    std::vector<PromptRow> required = rows;
    for (auto& row : required) row.Required = true;
    EXPECT_EQ(PromptVariables::FirstMissing(required, {"x", "", "", "", "", " "}), 5u);
    EXPECT_EQ(PromptVariables::FirstMissing(required, {"x", "", "", "", "", "u"}), 1u);
    EXPECT_FALSE(PromptVariables::FirstMissing(required, {"x", "1", "", "1", "1", "u"}));
    EXPECT_EQ(PromptVariables::RequiredMessage(rows[0]), "MeterType Required");
}

TEST(PromptVariablesTest, DisplayClearsAndRefillsTheStoredValues) {
    TempFolder folder;
    clsExchMap map(folder.Path());
    map.NewMap("P.bcm", MapUseRoute);
    ScriptedPromptView view;
    clsPrompts prompts;
    prompts.Add("Old", "1");

    // No prompted field: nothing shown, the old values stay.
    EXPECT_EQ(PromptVariables::Display(map, prompts, view), "OK");
    EXPECT_TRUE(view.Shown.empty());
    EXPECT_EQ(prompts.Value("Old"), "1");

    map.SetMapOption("ScaleFactor", MapOptionPrompt);
    map.SetMapOption("BillingName", MapOptionPrompt);
    view.Answers.push_back({"OK", {"7.5", "SMITH "}});
    EXPECT_EQ(PromptVariables::Display(map, prompts, view), "OK");
    ASSERT_EQ(prompts.Count(), 2u);
    EXPECT_EQ(prompts.Pairs()[0], (std::pair<std::string, std::string>{"BillingName", "SMITH "}));
    EXPECT_EQ(prompts.Pairs()[1], (std::pair<std::string, std::string>{"ScaleFactor", "7.5"}));
    EXPECT_EQ(prompts.Value("Old"), "");
    EXPECT_EQ(prompts.Value("billingname"), ""); // letter case counts

    view.Answers.push_back({"CANCEL", {"1", "x"}});
    EXPECT_EQ(PromptVariables::Display(map, prompts, view), "CANCEL");
    EXPECT_EQ(prompts.Count(), 0u);
    view.Answers.push_back({"", {"1", "x"}});
    EXPECT_EQ(PromptVariables::Display(map, prompts, view), "");
    EXPECT_EQ(prompts.Count(), 0u);

    prompts.Add("A", "1");
    prompts.Add("A", "2");
    EXPECT_EQ(prompts.Value("A"), "1");
}

TEST(MapFormat, WritesDatesAndTimesAndZerosWhatIsNoDateOrTime) {
    struct Row {
        MapFormat format;
        const char* value;
        const char* written;
    };
    const Row rows[] = {
        {MapFormat::Date(26), "20260917", "09/17/2026"}, {MapFormat::Date(26), "  20260917 ", "09/17/2026"},
        {MapFormat::Date(26), "20240229", "02/29/2024"}, {MapFormat::Date(26), "20230229", "00/00/0000"},
        {MapFormat::Date(26), "20261231", "12/31/2026"}, {MapFormat::Date(26), "20261232", "00/00/0000"},
        {MapFormat::Date(26), "20261301", "00/00/0000"}, {MapFormat::Date(26), "2026-09-17", "00/00/0000"},
        {MapFormat::Date(26), "", "00/00/0000"},         {MapFormat::Date(26), "00000917", "00/00/0000"},
        {MapFormat::Date(10), "20260917", "260917"},     {MapFormat::Date(31), "20260917", "17-09-26"},
        {MapFormat::Time(3), "123456", "12:34:56"},      {MapFormat::Time(3), " 930", "00:09:30"},
        {MapFormat::Time(3), "235959", "23:59:59"},      {MapFormat::Time(3), "240000", "00:00:00"},
        {MapFormat::Time(3), "1234567", "00:00:00"},     {MapFormat::Time(3), "12a4", "00:00:00"},
        {MapFormat::Time(0), "093000", "0930"},           {MapFormat::Time(3), "0", "00:00:00"},
    };
    for (const Row& row : rows) EXPECT_EQ(row.format.Write(row.value), row.written) << row.value;
}
