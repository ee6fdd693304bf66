#include "frmAdvChangeout.h"

#include "ui_frmAdvChangeout.h"

#include "platform/ui/QtText.h"

namespace dovrex::ui {

frmAdvChangeout::frmAdvChangeout(clsAdvanced& store, IMessageBox& messages, QWidget* parent)
    : AdvEditDialog(store, messages, parent), ui(std::make_unique<Ui::frmAdvChangeout>()) {
    ui->setupUi(this);
    SetUpButtons(ui->OKButton, ui->CancelButton, ui->DeleteButton, "Delete Changeout");
}

frmAdvChangeout::~frmAdvChangeout() = default;

std::string frmAdvChangeout::Display(const std::string& Mode, const std::string& Code, const std::string& ChangeoutType) {
    mChangeoutType = ChangeoutType;
    if (Mode != "Add") {
        std::string code = Code, description;
        mStore.GetChangeout(ChangeoutType, Code, code, description);
        ui->cCode->setText(FromCore(code));
        ui->cDescription->setText(FromCore(description));
        ui->cCode->setEnabled(false);
        ui->cDescription->setFocus();
    }
    return Run(Mode);
}

bool frmAdvChangeout::Checked() {
    if (!Required(ui->cCode, "Code is required")) return false;
    if (!Required(ui->cDescription, "Description is required")) return false;
    std::string code, description;
    if (Adding() && mStore.GetChangeout(mChangeoutType, Text(ui->cCode), code, description) >= 0) {
        return Fail("Already have this Code", nullptr);
    }
    return true;
}

void frmAdvChangeout::WriteSave() {
    if (Adding()) mStore.AddChangeout(mChangeoutType, Text(ui->cCode), Text(ui->cDescription));
    else mStore.UpdateChangeout(mChangeoutType, Text(ui->cCode), Text(ui->cDescription));
}

void frmAdvChangeout::WriteDelete() { mStore.DeleteChangeout(mChangeoutType, Text(ui->cCode)); }

} // namespace dovrex::ui
