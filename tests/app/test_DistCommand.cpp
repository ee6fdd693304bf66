#include "cli/RunCli.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sstream>

using dovrex::test::TempFolder;

namespace {

struct Result {
    int Code;
    std::string Out, Err;
};

// dovrex-cli with the program folder and settings store of one computer.
Result Cli(const TempFolder& computer, std::vector<std::string> args, const std::string& input = "") {
    std::vector<std::string> all = {"dovrex-cli", "--home", computer.File("home"), "--registry", computer.File("registry.ini")};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<const char*> argv;
    for (const auto& arg : all) argv.push_back(arg.c_str());
    std::istringstream in(input);
    std::ostringstream out, err;
    const int code = dovrex::cli::RunCli(static_cast<int>(argv.size()), argv.data(), in, out, err, false);
    return {code, out.str(), err.str()};
}

} // namespace

TEST(CliDist, WriteAndLoadCarryTheSetupBetweenComputers) {
    TempFolder from, to;
    ASSERT_EQ(Cli(from, {"config", "set", "Route/Map=Std", "Skip/01=Dog"}).Code, 0);
    from.Write("home/Std.bcm", "QVF=1.1\r\nMAPTYPE=1\r\n");
    const std::string dst = from.File("setup.dst");
    const Result written = Cli(from, {"dist", "write", dst});
    EXPECT_EQ(written.Code, 0) << written.Err;
    EXPECT_EQ(written.Err, "[Distribution] " + dst + " written.\n");

    const Result loaded = Cli(to, {"dist", "load", dst});
    EXPECT_EQ(loaded.Code, 0) << loaded.Err;
    EXPECT_EQ(loaded.Err, "[Distribution] " + dst + " loaded.\n");
    EXPECT_EQ(Cli(to, {"config", "list"}).Out, "Route/Map=Std\nSkip/01=Dog\n");
    EXPECT_EQ(to.Read("home/Std.bcm"), "QVF=1.1\r\nMAPTYPE=1\r\n");

    // Without a file: the program folder's only distribution, else a name from the terminal
    // (none without one: cancelled).
    to.Write("home/only.dst", "DIST 1.0\r\n[REGISTRY]\r\nRoute:\r\n> Map = \"Other\"\r\n");
    EXPECT_EQ(Cli(to, {"dist", "load"}).Code, 0);
    EXPECT_EQ(Cli(to, {"config", "list"}).Out, "Route/Map=Other\nSkip/01=Dog\n");
    EXPECT_EQ(Cli(to, {"dist", "write"}).Code, 1);
    const Result missing = Cli(to, {"dist", "load", to.File("missing.dst")});
    EXPECT_EQ(missing.Code, 1);
    EXPECT_NE(missing.Err.find("dovrex-cli: File not found"), std::string::npos) << missing.Err;
    EXPECT_EQ(Cli(to, {"dist"}).Code, 2);
}
