#include "frmAdvLogin.h"

#include "ui_frmAdvLogin.h"

#include "platform/modRuntime.h"
#include "platform/ui/QtText.h"

namespace dovrex::ui {

frmAdvLogin::frmAdvLogin(clsAdvanced& store, IMessageBox& messages, QWidget* parent)
    : AdvEditDialog(store, messages, parent), ui(std::make_unique<Ui::frmAdvLogin>()) {
    ui->setupUi(this);
    SetUpButtons(ui->OKButton, ui->CancelButton, ui->DeleteButton, "Delete Login");
}

frmAdvLogin::~frmAdvLogin() = default;

std::string frmAdvLogin::Display(const std::string& Mode, const std::string& LoginID) {
    mLoginID = Mode == "Add" ? std::string() : LoginID;
    std::string id = mLoginID, password, data;
    if (!mLoginID.empty()) mStore.GetLogin(mLoginID, id, password, data);
    ui->cLoginID->setText(FromCore(id));
    ui->cPassword->setText(FromCore(password));
    ui->chkSupervisor->setChecked(data.find('S') != std::string::npos);
    return Run(Mode);
}

bool frmAdvLogin::Checked() {
    if (!Required(ui->cLoginID, "Login ID is required")) return false;
    if (!Required(ui->cPassword, "Password is required")) return false;
    const std::string id = Text(ui->cLoginID);
    std::string found, password, data;
    // An ID changed while editing must not take over another login.
    const bool otherKey = !Adding() && !EqualsNoCase(id, mLoginID);
    if ((Adding() || otherKey) && mStore.GetLogin(id, found, password, data) >= 0) {
        return Fail("Already have a login with this ID", nullptr);
    }
    return true;
}

void frmAdvLogin::WriteSave() {
    const std::string data = ui->chkSupervisor->isChecked() ? "S" : "";
    if (Adding()) mStore.AddLogin(Text(ui->cLoginID), Text(ui->cPassword), data);
    else mStore.UpdateLogin(Text(ui->cLoginID), Text(ui->cPassword), data);
}

void frmAdvLogin::WriteDelete() { mStore.DeleteLogin(Text(ui->cLoginID)); }

} // namespace dovrex::ui
