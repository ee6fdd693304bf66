#pragma once

#include "AdvEditDialog.h"

#include <memory>
#include <string>

namespace Ui {
class frmAdvLogin;
}

namespace dovrex::ui {

// "Login": one login ID with its password and whether it belongs to a supervisor.
class frmAdvLogin final : public AdvEditDialog {
    Q_OBJECT

public:
    frmAdvLogin(clsAdvanced& store, IMessageBox& messages, QWidget* parent = nullptr);
    ~frmAdvLogin() override;

    // Mode "Add" (empty fields) or "Edit" (the entry of that key); returns "Save",
    // "Delete" or "Cancel".
    std::string Display(const std::string& Mode, const std::string& LoginID);

private:
    bool Checked() override;
    void WriteSave() override;
    void WriteDelete() override;

    std::string mLoginID; // the key the dialog was opened with
    std::unique_ptr<Ui::frmAdvLogin> ui;
};

} // namespace dovrex::ui
