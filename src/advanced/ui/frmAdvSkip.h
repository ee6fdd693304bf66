#pragma once

#include "AdvEditDialog.h"

#include <memory>
#include <string>

namespace Ui {
class frmAdvSkip;
}

namespace dovrex::ui {

// "Skip": one skip code and the reason for not reading a meter.
class frmAdvSkip final : public AdvEditDialog {
    Q_OBJECT

public:
    frmAdvSkip(clsAdvanced& store, IMessageBox& messages, QWidget* parent = nullptr);
    ~frmAdvSkip() override;

    // Mode "Add" (empty fields) or "Edit" (the entry of that key); returns "Save",
    // "Delete" or "Cancel".
    std::string Display(const std::string& Mode, const std::string& Code);

private:
    bool Checked() override;
    void WriteSave() override;
    void WriteDelete() override;

    std::string mCode; // the key the dialog was opened with
    std::unique_ptr<Ui::frmAdvSkip> ui;
};

} // namespace dovrex::ui
