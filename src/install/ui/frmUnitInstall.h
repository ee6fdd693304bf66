#pragma once

#include "platform/IMessageBox.h"

#include <QDialog>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Ui {
class frmUnitInstall;
}

namespace dovrex::ui {

// What "Install to Unit(s)" was confirmed with.
struct UnitInstallChoice {
    std::vector<std::string> Units; // checked, in list order
    bool IncludeMeazura = false;
};

// "Install to Unit(s)": checks any number of units for the handheld application files.
class frmUnitInstall : public QDialog {
    Q_OBJECT

public:
    explicit frmUnitInstall(IMessageBox& messages, QWidget* parent = nullptr);
    ~frmUnitInstall() override;

    // Shows the units modally. Without units it says so and shows nothing. Nothing when
    // the user cancelled.
    std::optional<UnitInstallChoice> Display(const std::vector<std::string>& Units);

private:
    std::unique_ptr<Ui::frmUnitInstall> ui;
    IMessageBox& mMessages;
};

} // namespace dovrex::ui
