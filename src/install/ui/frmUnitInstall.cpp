#include "frmUnitInstall.h"

#include "ui_frmUnitInstall.h"

#include "install/clsPalmUsers.h"
#include "platform/ui/QtText.h"

namespace dovrex::ui {

frmUnitInstall::frmUnitInstall(IMessageBox& messages, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmUnitInstall>()), mMessages(messages) {
    ui->setupUi(this);
    connect(ui->cmdInstall, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    // Installing needs at least one checked unit.
    connect(ui->lstUnits, &QListWidget::itemChanged, this, [this] {
        bool any = false;
        for (int row = 0; row < ui->lstUnits->count() && !any; ++row) any = ui->lstUnits->item(row)->checkState() == Qt::Checked;
        ui->cmdInstall->setEnabled(any);
    });
    ui->cmdInstall->setEnabled(false);
}

frmUnitInstall::~frmUnitInstall() = default;

std::optional<UnitInstallChoice> frmUnitInstall::Display(const std::vector<std::string>& Units) {
    if (Units.empty()) {
        mMessages.Inform(NoUnitsMessage);
        return std::nullopt;
    }
    for (const std::string& unit : Units) {
        auto* item = new QListWidgetItem(FromCore(unit), ui->lstUnits);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    ui->lstUnits->setCurrentRow(0);
    if (exec() != QDialog::Accepted) return std::nullopt;
    UnitInstallChoice choice;
    for (int row = 0; row < ui->lstUnits->count(); ++row) {
        if (ui->lstUnits->item(row)->checkState() == Qt::Checked) choice.Units.push_back(Units[static_cast<size_t>(row)]);
    }
    choice.IncludeMeazura = ui->chkMeazura->isChecked();
    if (choice.Units.empty()) return std::nullopt;
    return choice;
}

} // namespace dovrex::ui
