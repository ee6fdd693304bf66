#include "shell/clsDist.h"

#include "platform/ProgramKey.h"
#include "platform/RuntimeError.h"
#include "platform/clsRegistry.h"

#include "support/TempFolder.h"
#include "support/TestDoubles.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace dovrex;
using dovrex::test::RecordingMessageBox;
using dovrex::test::TempFolder;
using Lines = std::vector<std::string>;

namespace {

class ScriptedDialog : public IFileDialog {
public:
    std::optional<FileDialogAnswer> Ask(const FileDialogRequest& request) override {
        Requests.push_back(request);
        if (Answer.empty()) return std::nullopt;
        return FileDialogAnswer{Answer, 1};
    }
    std::string Answer;
    std::vector<FileDialogRequest> Requests;
};

// A computer: a program folder and a settings store of its own.
struct Computer {
    Computer() : home(folder.File("home")), registry(folder.File("registry.ini"), &messages) {
        std::filesystem::create_directory(home);
    }
    clsDist Dist() { return clsDist(registry, messages, &dialog, home); }
    void Set(const std::string& subkey, const std::string& name, const std::string& value) {
        ASSERT_TRUE(registry.SaveValue(value, ProgramValuePath(subkey, name)));
    }
    std::string Get(const std::string& subkey, const std::string& name) {
        return registry.GetValue(ProgramValuePath(subkey, name)).ToText();
    }
    std::string Listing() { return registry.GetKeyInfo(0, ProgramKeyPath("")); }
    std::string Write(const std::string& name, const std::string& bytes) { return folder.Write("home/" + name, bytes); }
    std::string Read(const std::string& name) { return folder.Read("home/" + name); }
    Lines Files() {
        Lines names;
        for (const auto& entry : std::filesystem::directory_iterator(home)) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder folder;
    std::string home;
    RecordingMessageBox messages;
    clsRegistry registry;
    ScriptedDialog dialog;
};

const std::string kRouteMap = "QVF=1.1\r\nMAPNAME=Std.bcm\r\nMAPTYPE=1\r\nRouteNbr=1,4,,,0\r\n";
const std::string kReadingMap = "QVF=1.1\r\nMAPNAME=Read.brm\r\nMAPTYPE=2\r\n";

} // namespace

TEST(clsDist, ADistributionCarriesSettingsAndMapsToAnotherComputer) {
    Computer from;
    from.Set("Route", "Source", "C:\\routes\\route.txt");
    from.Set("Route", "Map", "Std");
    from.Set("LoginIDs", "SMITH", "pw||S");
    from.Set("Skip", "01", "Dog \"Rex\" = big");
    from.Set("TokenAddress", "AVE", "");
    from.Write("Std.bcm", kRouteMap);
    from.Write("Read.brm", kReadingMap);
    from.Write("Orphans.BOM", "QVF=1.1\r\n");
    from.Write("Custom.bxm", "QVF=1.1\r\nX=1\r\n");
    from.Write("NoBreak.bcm", "QVF=1.1\r\nLast=1"); // ends without a line break
    from.Write("notes.txt", "not a map");
    const std::string dst = from.folder.File("setup.dst");
    ASSERT_TRUE(from.Dist().WriteDist(dst));
    EXPECT_EQ(from.messages.Lines(), Lines{"[Distribution] " + dst + " written."});
    EXPECT_TRUE(from.dialog.Requests.empty());
    EXPECT_EQ(from.folder.Read("setup.dst"),
              "DIST 1.0\r\n[REGISTRY]\r\n"
              "LoginIDs: \r\n    > SMITH = \"pw||S\"\r\n"
              "Route: \r\n    > Source = \"C:\\routes\\route.txt\"\r\n    > Map = \"Std\"\r\n"
              "Skip: \r\n    > 01 = \"Dog \"Rex\" = big\"\r\n"
              "TokenAddress: \r\n    > AVE = \"\"\r\n"
              "\r\n"
              "[UNKNOWN MAP Custom.bxm]\r\nQVF=1.1\r\nX=1\r\n"
              "[ROUTE MAP NoBreak.bcm]\r\nQVF=1.1\r\nLast=1\r\n"
              "[ORPHAN MAP Orphans.BOM]\r\nQVF=1.1\r\n"
              "[READING MAP Read.brm]\r\n" + kReadingMap +
              "[ROUTE MAP Std.bcm]\r\n" + kRouteMap +
              "\r\n");

    Computer to;
    to.Write("Std.bcm", "QVF=1.1\r\nMAPNAME=Old\r\n"); // replaced
    to.Write("Other.bcm", "QVF=1.1\r\nMine\r\n");      // left alone
    ASSERT_TRUE(to.Dist().LoadDist(dst));
    EXPECT_EQ(to.messages.Lines(), Lines{"[Distribution] " + dst + " loaded."});
    EXPECT_EQ(to.Listing(), from.Listing());
    EXPECT_EQ(to.Get("Skip", "01"), "Dog \"Rex\" = big");
    EXPECT_EQ(to.Files(), (Lines{"NoBreak.bcm", "Orphans.BOM", "Other.bcm", "Read.brm", "Std.bcm"}));
    for (const char* map : {"Std.bcm", "Read.brm", "Orphans.BOM"}) EXPECT_EQ(to.Read(map), from.Read(map)) << map;
    EXPECT_EQ(to.Read("NoBreak.bcm"), "QVF=1.1\r\nLast=1\r\n"); // gains the line break that ends its section
    EXPECT_EQ(to.Read("Other.bcm"), "QVF=1.1\r\nMine\r\n");
}

TEST(clsDist, HandWrittenAndHostileDistributionsLoadWhatIsSoundAndNothingOutsideTheFolder) {
    Computer to;
    const std::string dst = to.folder.Write("hand.dst",
                                            "DIST 1.0\n"
                                            "[REGISTRY]\n"
                                            "Route:\n"
                                            "    > Source = \"/a \"b\" c.txt\"\n" // a quote in the middle
                                            "  > Map=\"Std\"\n"                  // no blank: the value starts 3 on
                                            "> Count = &H0000002A\n"
                                            "Garbage line\n"
                                            "Empty:\n"
                                            "[ROUTE MAP Hand.bcm]\nQVF=1.1\nA=1\n"
                                            "[UNKNOWN MAP Custom.bxm]\nQVF=1.1\n"
                                            "[ROUTE MAP ../evil.bcm]\nQVF=1.1\n"
                                            "[READING MAP sub/x.brm]\nQVF=1.1\n"
                                            "[ROUTE MAP a\\b.bcm]\nQVF=1.1\n"
                                            "[ORPHAN MAP ..]\nQVF=1.1\n"
                                            "[ROUTE MAP ]\nQVF=1.1\n"
                                            "[ROUTE MAP .profile]\nQVF=1.1\n"
                                            "[ROUTE MAP Broken.bcm\nQVF=1.1\n"
                                            "[OTHER]\nQVF=1.1\n"
                                            "[ROUTE MAP Last.bcm]\nQVF=1.1\nB=2\n");
    ASSERT_TRUE(to.Dist().LoadDist(dst));
    Lines expected{"[] Improperly formatted registry entry\r\nGarbage line"};
    expected.insert(expected.end(), 7, "[] Improperly formatted map file");
    expected.push_back("[Distribution] " + dst + " loaded.");
    EXPECT_EQ(to.messages.Lines(), expected);
    EXPECT_EQ(to.Get("Route", "Source"), "/a \"b\" c.txt");
    EXPECT_EQ(to.Get("Route", "Map"), "td");
    EXPECT_EQ(to.Get("Route", "Count"), "&H0000002A");
    EXPECT_EQ(to.registry.GetKeys(ProgramKeyPath("")), Lines{"Route"}); // "Empty" got no value, so no key
    EXPECT_EQ(to.Files(), (Lines{"Hand.bcm", "Last.bcm"}));
    EXPECT_EQ(to.Read("Hand.bcm"), "QVF=1.1\nA=1\n");
    EXPECT_EQ(to.Read("Last.bcm"), "QVF=1.1\nB=2\n");
    EXPECT_FALSE(std::filesystem::exists(to.folder.File("evil.bcm")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(to.folder.Path()), {}), 4); // home, dst, store, lock

    // A map section without a map is an error for the caller; so is a file that cannot be read.
    const std::string noMap = to.folder.Write("nomap.dst", "DIST 1.0\r\n[ROUTE MAP X.bcm]\r\nA=1\r\n");
    EXPECT_THROW(to.Dist().LoadDist(noMap), RuntimeError);
    EXPECT_THROW(to.Dist().LoadDist(to.folder.File("missing.dst")), RuntimeError);
    to.messages.Shown.clear();
    EXPECT_FALSE(to.Dist().LoadDist(to.folder.Write("bad.dst", "[REGISTRY]\r\nRoute:\r\n")));
    EXPECT_EQ(to.messages.Lines(), Lines{"[Distribution] Distribution file not properly formatted"});
}

TEST(clsDist, WithoutANameTheDialogIsAskedUnlessTheFolderHoldsOneDistribution) {
    Computer pc;
    pc.Set("Route", "Map", "Std");
    EXPECT_FALSE(pc.Dist().WriteDist("")); // cancelled
    ASSERT_EQ(pc.dialog.Requests.size(), 1u);
    const FileDialogRequest& save = pc.dialog.Requests[0];
    EXPECT_TRUE(save.Save);
    EXPECT_EQ(save.Title, "Save Distribution");
    EXPECT_EQ(save.DefaultExt, "DST");
    EXPECT_EQ(save.InitDir, pc.home);
    EXPECT_EQ(save.Filters, (std::vector<std::pair<std::string, std::string>>{
                                {"Distribution Files (*.dst)", "*.dst"}, {"All Files(*.*)", "*.*"}}));
    EXPECT_TRUE(pc.messages.Shown.empty());

    pc.dialog.Answer = pc.home + "/one.DST";
    ASSERT_TRUE(pc.Dist().WriteDist(""));
    pc.dialog.Requests.clear();
    pc.dialog.Answer.clear();
    EXPECT_TRUE(pc.Dist().LoadDist("")); // the only one: loaded without asking
    EXPECT_TRUE(pc.dialog.Requests.empty());
    EXPECT_EQ(pc.messages.Lines().back(), "[Distribution] " + pc.home + "/one.DST loaded.");

    pc.Write("two.dst", "DIST 1.0\r\n");
    EXPECT_FALSE(pc.Dist().LoadDist("")); // two: asked, and cancelled
    ASSERT_EQ(pc.dialog.Requests.size(), 1u);
    EXPECT_FALSE(pc.dialog.Requests[0].Save);
    EXPECT_EQ(pc.dialog.Requests[0].Title, "Load Distribution");

    // A failure while writing is shown and reported, never raised.
    pc.messages.Shown.clear();
    EXPECT_FALSE(pc.Dist().WriteDist(pc.folder.File("no such folder/x.dst")));
    ASSERT_EQ(pc.messages.Shown.size(), 1u);
    EXPECT_EQ(pc.messages.Shown[0].Title, "Distribution");
    EXPECT_NE(pc.messages.Shown[0].Text.find("no such folder"), std::string::npos) << pc.messages.Shown[0].Text;
}
