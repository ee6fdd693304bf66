#pragma once

#include "engine/clsExchange.h"
#include "engine/ui/frmPromptVariables.h"
#include "install/PalmDesktopFolder.h"
#include "install/ui/frmPromptUnit.h"
#include "platform/DateTime.h"
#include "platform/ILog.h"
#include "platform/IProgress.h"
#include "platform/ProgramFolder.h"
#include "platform/clsRegistry.h"
#include "platform/ui/QtMessageBox.h"
#include "platform/ui/UserSettings.h"

#include <memory>

namespace dovrex::ui {

// What the desktop program shares for its whole run: the program's folders, the
// settings store, the per-user settings, the message boxes and the one conversion
// engine, created on first use, whose log lines and progress reach the main window.
class DesktopSession {
public:
    // messages: where boxes and questions go; null for Qt's message boxes.
    DesktopSession(ProgramLocations locations, UserSettings& settings, IMessageBox* messages = nullptr);
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    clsExchange& Engine();
    clsRegistry& Registry() { return *mRegistry; }
    IMessageBox& Messages() { return *mMessages; }
    UserSettings& Settings() { return mSettings; }
    const ProgramLocations& Locations() const { return mLocations; }
    // The main window: it shows the log and the progress and owns the dialogs (none:
    // log and progress are dropped).
    void AttachWindow(QWidget* owner, ILog* log, IProgress* progress);
    // The runtime prompt dialog the engine asks; replaceable for tests.
    void SetPromptView(IPromptVariablesView& view);
    // The executable's name, which chooses the handheld application file.
    static std::string ProgramName();

private:
    class WindowRelay : public ILog, public IProgress {
    public:
        void AddLog(const std::string& line) override;
        void SetProgressButton(int32_t maxValue, int32_t currentValue) override;
        ILog* Log = nullptr;
        IProgress* Progress = nullptr;
    };

    ProgramLocations mLocations;
    UserSettings& mSettings;
    QtMessageBox mQtMessages;
    IMessageBox* mMessages;
    WindowRelay mRelay;
    SystemClock mClock;
    QtPromptVariablesView mQtPromptView;
    IPromptVariablesView* mPromptView;
    QtUnitChooser mUnitChooser;
    PalmDesktopFolder mPalmDesktop;
    std::unique_ptr<clsRegistry> mRegistry;
    std::unique_ptr<clsExchange> mEngine;
};

} // namespace dovrex::ui
