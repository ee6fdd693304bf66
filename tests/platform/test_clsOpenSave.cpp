#include "platform/RuntimeError.h"
#include "platform/clsOpenSave.h"

#include <gtest/gtest.h>

using namespace dovrex;
using namespace std::string_literals;

namespace {

class ScriptedDialog : public IFileDialog {
public:
    std::optional<FileDialogAnswer> Ask(const FileDialogRequest& request) override {
        Requests.push_back(request);
        return Answer;
    }
    std::optional<FileDialogAnswer> Answer;
    std::vector<FileDialogRequest> Requests;
};

} // namespace

TEST(clsOpenSave, FilterIsKeptWithNulsAndResultsComeBackOnlyWhenConfirmed) {
    ScriptedDialog dialog;
    clsOpenSave box(&dialog);
    EXPECT_EQ(box.Filter(), "All Files (*.*)\0*.*\0\0"s);
    const struct { std::string in, stored; } filters[] = {
        {"Text (*.txt)|*.txt", "Text (*.txt)\0*.txt\0\0"s},
        {"A|*.a|", "A\0*.a\0\0"s},
        {"A\0*.a\0\0"s, "A\0*.a\0\0"s},
    };
    for (const auto& filter : filters) {
        box.SetFilter(filter.in);
        EXPECT_EQ(box.Filter(), filter.stored);
    }

    // Cancelled: nothing changes, the name given comes back as it was.
    box.SetFilter("Palm Database Files (*.pdb)|*.pdb|All Files(*.*)|*.*");
    box.SetFilename("start.pdb\0junk"s);
    box.DialogTitle = "Open";
    box.FilterIndex = 2;
    box.ShowOpen();
    EXPECT_EQ(box.Filename(), "start.pdb");
    EXPECT_EQ(box.FileTitle, "");
    ASSERT_EQ(dialog.Requests.size(), 1u);
    const FileDialogRequest& asked = dialog.Requests[0];
    EXPECT_FALSE(asked.Save);
    EXPECT_EQ(asked.Title, "Open");
    EXPECT_EQ(asked.Filename, "start.pdb");
    EXPECT_EQ(asked.FilterIndex, 2);
    EXPECT_EQ(asked.Filters, (std::vector<std::pair<std::string, std::string>>{
                                 {"Palm Database Files (*.pdb)", "*.pdb"}, {"All Files(*.*)", "*.*"}}));

    box.CancelError = true;
    EXPECT_NO_THROW(box.ShowOpen());
    try {
        box.ShowSave();
        ADD_FAILURE() << "a cancelled save with CancelError on raises";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Number(), 32755);
        EXPECT_EQ(e.Description(), "Cancel was selected");
    }

    dialog.Answer = FileDialogAnswer{" /data/routes/week 1.dst ", 1};
    box.ShowSave();
    EXPECT_TRUE(dialog.Requests.back().Save);
    EXPECT_EQ(box.Filename(), "/data/routes/week 1.dst");
    EXPECT_EQ(box.FileTitle, "week 1.dst");
    EXPECT_EQ(box.FileExt, 20);
    EXPECT_EQ(box.FilterIndex, 1);
    dialog.Answer = FileDialogAnswer{"/data/v1.0/route", 2};
    box.ShowOpen();
    EXPECT_EQ(box.FileExt, 0); // the dot belongs to the folder
    EXPECT_EQ(clsOpenSave(nullptr).Filename(), "");
}
