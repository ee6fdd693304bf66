#include "frmAdvFavorite.h"

#include "ui_frmAdvFavorite.h"

#include "platform/modRuntime.h"
#include "platform/ui/QtFileDialog.h"
#include "platform/ui/QtText.h"

namespace dovrex::ui {

frmAdvFavorite::frmAdvFavorite(clsAdvanced& store, IMessageBox& messages, std::string programFolder, QWidget* parent)
    : AdvEditDialog(store, messages, parent), mProgramFolder(std::move(programFolder)),
      ui(std::make_unique<Ui::frmAdvFavorite>()) {
    ui->setupUi(this);
    SetUpButtons(ui->OKButton, ui->CancelButton, ui->DeleteButton, "Delete Favorite");
    connect(ui->btnBrowse, &QPushButton::clicked, this, &frmAdvFavorite::btnBrowse_Click);
}

frmAdvFavorite::~frmAdvFavorite() = default;

std::string frmAdvFavorite::Display(const std::string& Mode, const std::string& UnitID) {
    // A HotSync user without a favourite comes in mode "Edit" with its name alone.
    mUnitID = Mode == "Add" ? std::string() : UnitID;
    std::string unit = mUnitID, path;
    if (!mUnitID.empty()) mStore.GetFavorite(mUnitID, unit, path);
    ui->cUnitID->setText(FromCore(unit));
    ui->cPathName->setText(FromCore(path));
    if (!unit.empty()) ui->cPathName->setFocus();
    return Run(Mode);
}

void frmAdvFavorite::btnBrowse_Click() {
    QtFileDialog::Request request;
    request.Title = "Readings File";
    request.DefaultExt = ".pdb";
    request.Filters = {{"Palm Database Files (*.pdb)", "*.pdb"}, {"All Files(*.*)", "*.*"}};
    request.FilterIndex = 1;
    request.InitDir = mProgramFolder;
    request.Filename = Text(ui->cPathName);
    // Cancelled: the field keeps its path.
    if (const auto answer = QtFileDialog::Ask(this, request)) ui->cPathName->setText(FromCore(answer->Filename));
}

bool frmAdvFavorite::Checked() {
    if (!Required(ui->cUnitID, "UnitID is required")) return false;
    if (!Required(ui->cPathName, "PathName is required")) return false;
    const std::string unit = Text(ui->cUnitID);
    std::string found, path;
    // A unit changed while editing must not take over another unit's favourite.
    const bool otherKey = !Adding() && !EqualsNoCase(unit, mUnitID);
    if ((Adding() || otherKey) && mStore.GetFavorite(unit, found, path) >= 0) return Fail("Already have this UnitID", nullptr);
    return true;
}

void frmAdvFavorite::WriteSave() {
    // Update adds the favourite of a unit that has none yet.
    if (Adding()) mStore.AddFavorite(Text(ui->cUnitID), Text(ui->cPathName));
    else mStore.UpdateFavorite(Text(ui->cUnitID), Text(ui->cPathName));
}

void frmAdvFavorite::WriteDelete() { mStore.DeleteFavorite(Text(ui->cUnitID)); }

} // namespace dovrex::ui
