#pragma once

#include "DesktopSession.h"

#include "platform/IFileDialog.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <string>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace Ui {
class frmOptions;
}

namespace dovrex::ui {

// "Setup": every conversion setting of the shared engine, on four tabs. The dialog edits
// the engine directly and stores the settings when they are applied; it keeps no copy.
class frmOptions : public QDialog {
    Q_OBJECT

public:
    // files: the dialogs of the "Browse ..." buttons.
    frmOptions(DesktopSession& session, IFileDialog& files, QWidget* parent = nullptr);
    ~frmOptions() override;

    // Fills the dialog and shows it modally; true when it was closed with OK.
    bool Display();
    // Fills the dialog from the engine and the HotSync users (Display runs it first).
    void FormLoad();

    // Refills the map list of one use from the program's folder and selects a map.
    void ReloadChoices(int32_t muUse, const std::string& strSelectedMap);
    // Refills the HotSync user list.
    void ReloadUsers();
    // Runs the map editor for one use (an empty name: a new map) and reselects the list.
    void EditMap(const std::string& MapName, int32_t Index);

    // The number of the tab on show, 1 to 4.
    int CurrentTab() const { return mCurrentTab; }

protected:
    void done(int result) override;

private:
    // The controls of one map use; those a use lacks are null.
    struct UseControls {
        QLineEdit* SourcePath = nullptr;
        QPushButton* Source = nullptr;
        QLineEdit* DestinationPath = nullptr;
        QPushButton* Destination = nullptr;
        QComboBox* Mapping = nullptr;
        QPushButton* EditMap = nullptr;
        QPushButton* NewMap = nullptr;
        QComboBox* QVFType = nullptr;
    };
    UseControls Use(int32_t use) const;

    void tbsOptions_Click();
    void SelectNextTab(int step);
    void btnSource_Click();
    void btnDestination_Click(int32_t Index);
    // False when the settings could not be stored.
    bool cmdApply_Click();
    void optInstallPRC_Click();
    void chkPrompt_Click();
    void chkAutoReread_Click(bool ticked);
    void lstUnits_Click();
    // chkLeave, chkPrompt and the unit list are enabled by the installation choice.
    void EnableInstallControls();

    std::unique_ptr<Ui::frmOptions> ui;
    DesktopSession& mSession;
    IFileDialog& mFiles;
    int mCurrentTab = 1;
    bool mLoading = false;
};

} // namespace dovrex::ui
