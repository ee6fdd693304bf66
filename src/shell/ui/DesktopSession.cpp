#include "DesktopSession.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace dovrex::ui {

std::string DesktopSession::ProgramName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString();
}

DesktopSession::DesktopSession(ProgramLocations locations, UserSettings& settings, IMessageBox* messages)
    : mLocations(std::move(locations)), mSettings(settings), mMessages(messages != nullptr ? messages : &mQtMessages),
      mQtPromptView(*mMessages), mPromptView(&mQtPromptView), mPalmDesktop(mLocations.PalmDesktop, mLocations.Home),
      mRegistry(std::make_unique<clsRegistry>(mLocations.Registry, mMessages)) {}

DesktopSession::~DesktopSession() = default;

clsExchange& DesktopSession::Engine() {
    if (!mEngine) {
        mEngine = std::make_unique<clsExchange>(mRelay, *mMessages, mRelay, mClock, LocaleFormats::System(),
                                                mLocations.Home);
        mEngine->SetRegistry(mRegistry.get());
        mEngine->SetPromptView(mPromptView);
        mEngine->SetPalmDesktop(&mPalmDesktop);
        mEngine->SetUnitChooser(&mUnitChooser);
    }
    return *mEngine;
}

void DesktopSession::AttachWindow(QWidget* owner, ILog* log, IProgress* progress) {
    mQtMessages.SetOwner(owner);
    mQtPromptView.SetOwner(owner);
    mUnitChooser.SetOwner(owner);
    mRelay.Log = log;
    mRelay.Progress = progress;
}

void DesktopSession::SetPromptView(IPromptVariablesView& view) {
    mPromptView = &view;
    if (mEngine) mEngine->SetPromptView(mPromptView);
}

void DesktopSession::WindowRelay::AddLog(const std::string& line) {
    if (Log != nullptr) Log->AddLog(line);
}

void DesktopSession::WindowRelay::SetProgressButton(int32_t maxValue, int32_t currentValue) {
    if (Progress != nullptr) Progress->SetProgressButton(maxValue, currentValue);
}

} // namespace dovrex::ui
