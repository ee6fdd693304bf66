#pragma once

#include "AdvEditDialog.h"

#include <memory>
#include <string>

namespace Ui {
class frmAdvToken;
}

namespace dovrex::ui {

// "Token": one word excluded from the address or owner index. A word has nothing to
// update: Save in mode "Edit" changes nothing, only Delete removes it.
class frmAdvToken final : public AdvEditDialog {
    Q_OBJECT

public:
    frmAdvToken(clsAdvanced& store, IMessageBox& messages, QWidget* parent = nullptr);
    ~frmAdvToken() override;

    // Mode "Add" (empty fields) or "Edit" (the entry of that key); returns "Save",
    // "Delete" or "Cancel".
    std::string Display(const std::string& Mode, const std::string& Token, const std::string& TokenType);

private:
    bool Checked() override;
    void WriteSave() override;
    void WriteDelete() override;

    std::string mTokenType;
    std::unique_ptr<Ui::frmAdvToken> ui;
};

} // namespace dovrex::ui
