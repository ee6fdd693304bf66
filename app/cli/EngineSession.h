#pragma once

#include "CliContext.h"
#include "CliUnitChooser.h"
#include "StreamLog.h"

#include "engine/clsExchange.h"
#include "install/PalmDesktopFolder.h"
#include "platform/DateTime.h"
#include "platform/IProgress.h"
#include "platform/clsRegistry.h"

#include <memory>

namespace dovrex::cli {

// The prompt dialog on the command line: values come from --prompt NAME=VALUE, else
// from the terminal; without either the dialog counts as cancelled.
class CliPromptView final : public IPromptVariablesView {
public:
    explicit CliPromptView(CliContext& context) : mContext(context) {}
    PromptAnswer ShowPrompts(const std::vector<PromptRow>& rows) override;

private:
    std::optional<std::string> Ask(const PromptRow& row);
    CliContext& mContext;
};

// An engine set up for the command line: the settings store, the log on standard
// output, message boxes on standard error, the prompt values and the unit of the
// options, and the Palm Desktop folder.
class EngineSession {
public:
    // Raises the reason when the settings store exists but cannot be read.
    explicit EngineSession(CliContext& context);
    clsExchange& Engine() { return *mEngine; }
    clsRegistry& Registry() { return *mRegistry; }

private:
    ProgramLocations mLocations;
    StreamLog mLog;
    NullProgress mProgress;
    SystemClock mClock;
    CliPromptView mPromptView;
    CliUnitChooser mUnitChooser;
    PalmDesktopFolder mPalmDesktop;
    std::unique_ptr<clsRegistry> mRegistry;
    std::unique_ptr<clsExchange> mEngine;
};

} // namespace dovrex::cli
