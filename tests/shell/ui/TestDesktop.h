#pragma once

// A desktop session on folders of the test's own: program folder, settings store, Palm
// Desktop folder and per-user settings; message boxes recorded and answered No unless queued.

#include "shell/ui/DesktopSession.h"

#include "platform/ProgramFolder.h"

#include "support/TempFolder.h"
#include "support/TestDoubles.h"

#include <QString>

namespace dovrex::test {

struct TestDesktop {
    TempFolder folder;
    ProgramLocations locations{folder.File("home"), folder.File("registry.ini"), folder.File("palm")};
    ui::UserSettings settings{QString::fromStdString(folder.File("user.ini"))};
    RecordingMessageBox messages;
    ui::DesktopSession session{locations, settings, &messages};

    TestDesktop() { MakeFolders(locations.Home); }
};

} // namespace dovrex::test
