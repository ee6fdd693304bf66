#include "frmPromptUnit.h"

#include "ui_frmPromptUnit.h"

#include "platform/ui/QtText.h"

#include <QApplication>

namespace dovrex::ui {

frmPromptUnit::frmPromptUnit(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::frmPromptUnit>()) {
    ui->setupUi(this);
    ui->lstUnits->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(ui->cmdInstall, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    // Installing needs a chosen unit.
    connect(ui->lstUnits, &QListWidget::itemSelectionChanged, this,
            [this] { ui->cmdInstall->setEnabled(!ui->lstUnits->selectedItems().isEmpty()); });
    connect(ui->lstUnits, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    ui->cmdInstall->setEnabled(false);
}

frmPromptUnit::~frmPromptUnit() = default;

std::string frmPromptUnit::Display(const std::vector<std::string>& Units) {
    for (const std::string& unit : Units) ui->lstUnits->addItem(FromCore(unit));
    if (exec() != QDialog::Accepted) return {};
    const QList<QListWidgetItem*> chosen = ui->lstUnits->selectedItems();
    if (chosen.isEmpty()) return {};
    return Units[static_cast<size_t>(ui->lstUnits->row(chosen.constFirst()))];
}

std::string QtUnitChooser::ChooseUnit(const std::vector<std::string>& Units) {
    frmPromptUnit window(mOwner ? mOwner.data() : QApplication::activeWindow());
    return window.Display(Units);
}

} // namespace dovrex::ui
