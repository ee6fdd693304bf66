#include "frmAdvSkip.h"

#include "ui_frmAdvSkip.h"

#include "platform/modRuntime.h"
#include "platform/ui/QtText.h"

namespace dovrex::ui {

frmAdvSkip::frmAdvSkip(clsAdvanced& store, IMessageBox& messages, QWidget* parent)
    : AdvEditDialog(store, messages, parent), ui(std::make_unique<Ui::frmAdvSkip>()) {
    ui->setupUi(this);
    SetUpButtons(ui->OKButton, ui->CancelButton, ui->DeleteButton, "Delete Skip");
}

frmAdvSkip::~frmAdvSkip() = default;

std::string frmAdvSkip::Display(const std::string& Mode, const std::string& Code) {
    mCode = Mode == "Add" ? std::string() : Code;
    std::string code = mCode, description;
    if (!mCode.empty()) mStore.GetSkip(mCode, code, description);
    ui->cCode->setText(FromCore(code));
    ui->cDescription->setText(FromCore(description));
    return Run(Mode);
}

bool frmAdvSkip::Checked() {
    if (!Required(ui->cCode, "Code is required")) return false;
    if (!Required(ui->cDescription, "Reason Skipped is required")) return false;
    const std::string code = Text(ui->cCode);
    std::string found, description;
    // A code changed while editing must not take over another skip code.
    const bool otherKey = !Adding() && !EqualsNoCase(code, mCode);
    if ((Adding() || otherKey) && mStore.GetSkip(code, found, description) >= 0) return Fail("Already have this Code", nullptr);
    return true;
}

void frmAdvSkip::WriteSave() {
    if (Adding()) mStore.AddSkip(Text(ui->cCode), Text(ui->cDescription));
    else mStore.UpdateSkip(Text(ui->cCode), Text(ui->cDescription));
}

void frmAdvSkip::WriteDelete() { mStore.DeleteSkip(Text(ui->cCode)); }

} // namespace dovrex::ui
