#pragma once

#include "DesktopSession.h"

#include "platform/ILog.h"
#include "platform/IProgress.h"

#include <QElapsedTimer>
#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAbstractButton;
class QAction;
class QPushButton;

namespace Ui {
class frmMain;
}

namespace dovrex::ui {

class ProgressPanel;

// Replacements for windows and engine operations (tests fill them with recording doubles).
// A command whose seam is empty runs the program's own operation.
struct frmMainSeams {
    // Setup distributions; true when one was loaded or written.
    std::function<bool(QWidget& parent)> LoadDistribution;
    std::function<bool(QWidget& parent)> CreateDistribution;
    // The re-read and reading conversions; true when they succeeded.
    std::function<bool(clsExchange& engine)> ConvertReRead;
    std::function<bool(clsExchange& engine)> ConvertReading;
    // After a successful reading conversion: the readings reports (none when empty).
    std::function<void(QWidget& parent, clsExchange& engine)> ReportsStep;
};

// The program's main window: the command column, the log pane and the menus. It starts
// every conversion on the shared engine and shows its progress in place of the command.
class frmMain : public QMainWindow, public ILog, public IProgress {
    Q_OBJECT

public:
    explicit frmMain(DesktopSession& session, frmMainSeams seams = {}, QWidget* parent = nullptr);
    ~frmMain() override;

    // Opening the window: caption, stored layout, the engine's settings, and on first
    // start the offer to load a setup distribution.
    void FormLoad();

    // The log pane: one line and a line break; the newest line stays visible.
    void AddLog(const std::string& Message) override;
    // Draws the busy command's progress and lets the window process pending events.
    void SetProgressButton(int32_t MaxValue, int32_t CurrentValue) override;

    // The caption for a program of this executable name.
    static QString Caption(const QString& executableName);
    // True while a conversion runs.
    bool Busy() const { return mBusyButton != nullptr; }
    // The favourites chooser: true when the user picked a readings file, which becomes
    // the engine's ReadingSource.
    bool ChooseFavorite();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Conversion { Route, ReRead, Reading };

    void ProgressButton(QPushButton* CommandButton, bool OnOff);
    void RunConversion(QPushButton* button, Conversion conversion);
    bool Convert(Conversion conversion);
    // Enables each command by what it needs and by whether a conversion runs.
    void UpdateCommands();
    void EditSource(const std::string& path);
    void OpenLog();
    void ClearLog();
    void ShowViewer();
    void LoadDistribution();
    void CreateDistribution();
    void ShowAbout();
    void InstallToUnits();
    void ShowSetup();
    // "Advanced": the configuration dialog, then a fresh configuration from the store.
    void ShowAdvanced();
    // A fresh shared advanced configuration read from the store, unless changes are unsaved.
    void RenewAdvanced();
    // Before a reading conversion: false when favourites are in use and none was chosen.
    bool ChooseReadingSource();

    std::unique_ptr<Ui::frmMain> ui;
    DesktopSession& mSession;
    frmMainSeams mSeams;
    ProgressPanel* mPanel;
    QPushButton* mBusyButton = nullptr;
    bool mCloseRequested = false;
    QElapsedTimer mSinceEvents; // since pending events last ran during a conversion
    std::vector<QString> mLogFiles; // temporary files handed to the editor, removed at the end
};

} // namespace dovrex::ui
