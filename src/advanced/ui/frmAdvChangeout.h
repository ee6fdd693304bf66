#pragma once

#include "AdvEditDialog.h"

#include <memory>
#include <string>

namespace Ui {
class frmAdvChangeout;
}

namespace dovrex::ui {

// "Changeout": one code of a changeout table and its description; in mode "Edit" the
// code stays.
class frmAdvChangeout final : public AdvEditDialog {
    Q_OBJECT

public:
    frmAdvChangeout(clsAdvanced& store, IMessageBox& messages, QWidget* parent = nullptr);
    ~frmAdvChangeout() override;

    // Mode "Add" (empty fields) or "Edit" (the entry of that key); returns "Save",
    // "Delete" or "Cancel".
    std::string Display(const std::string& Mode, const std::string& Code, const std::string& ChangeoutType);

private:
    bool Checked() override;
    void WriteSave() override;
    void WriteDelete() override;

    std::string mChangeoutType;
    std::unique_ptr<Ui::frmAdvChangeout> ui;
};

} // namespace dovrex::ui
