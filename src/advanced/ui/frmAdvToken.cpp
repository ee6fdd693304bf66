#include "frmAdvToken.h"

#include "ui_frmAdvToken.h"

#include "platform/ui/QtText.h"

namespace dovrex::ui {

frmAdvToken::frmAdvToken(clsAdvanced& store, IMessageBox& messages, QWidget* parent)
    : AdvEditDialog(store, messages, parent), ui(std::make_unique<Ui::frmAdvToken>()) {
    ui->setupUi(this);
    SetUpButtons(ui->OKButton, ui->CancelButton, ui->DeleteButton, "Delete Token");
}

frmAdvToken::~frmAdvToken() = default;

std::string frmAdvToken::Display(const std::string& Mode, const std::string& Token, const std::string& TokenType) {
    mTokenType = TokenType;
    if (Mode != "Add") {
        std::string token = Token;
        mStore.GetToken(TokenType, Token, token);
        ui->cToken->setText(FromCore(token));
    }
    return Run(Mode);
}

bool frmAdvToken::Checked() {
    // The same text for both lists.
    if (!Required(ui->cToken, "Address Token is required")) return false;
    std::string token;
    if (Adding() && mStore.GetToken(mTokenType, Text(ui->cToken), token) >= 0) return Fail("Already have this Token", nullptr);
    return true;
}

void frmAdvToken::WriteSave() {
    // An excluded word has nothing but its key: editing one changes nothing.
    if (Adding()) mStore.AddToken(mTokenType, Text(ui->cToken));
}

void frmAdvToken::WriteDelete() { mStore.DeleteToken(mTokenType, Text(ui->cToken)); }

} // namespace dovrex::ui
