#pragma once

#include "AdvEditDialog.h"

#include <memory>
#include <string>

namespace Ui {
class frmAdvFavorite;
}

namespace dovrex::ui {

// "Favorite": the readings file of one handheld unit, chosen by typing or browsing.
class frmAdvFavorite final : public AdvEditDialog {
    Q_OBJECT

public:
    frmAdvFavorite(clsAdvanced& store, IMessageBox& messages, std::string programFolder, QWidget* parent = nullptr);
    ~frmAdvFavorite() override;

    // Mode "Add" (empty fields) or "Edit" (the entry of that key); returns "Save",
    // "Delete" or "Cancel".
    std::string Display(const std::string& Mode, const std::string& UnitID);

private:
    bool Checked() override;
    void WriteSave() override;
    void WriteDelete() override;
    void btnBrowse_Click();

    std::string mProgramFolder;
    std::string mUnitID; // the key the dialog was opened with
    std::unique_ptr<Ui::frmAdvFavorite> ui;
};

} // namespace dovrex::ui
