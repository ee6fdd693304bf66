#include "Dialog.h"

#include "ui_Dialog.h"

#include "platform/ui/QtText.h"

#include <QCoreApplication>
#include <QPushButton>

namespace dovrex::ui {

Dialog::Dialog(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::Dialog>()) {
    ui->setupUi(this);
    connect(ui->btnAbort, &QPushButton::clicked, this, &Dialog::Cancel);
}

Dialog::~Dialog() = default;

bool Dialog::Status(const std::string& NewStatus) {
    if (NewStatus.empty()) {
        mCancel = false;
        ui->btnAbort->setEnabled(true);
        hide();
        return false;
    }
    ui->lReport->setText(MessageText(NewStatus));
    if (!isVisible()) show();
    if (!isActiveWindow()) raise();
    QCoreApplication::processEvents();
    return mCancel;
}

void Dialog::Cancel() {
    // A second press while the first is pending changes nothing.
    if (mCancel) return;
    mCancel = true;
    ui->btnAbort->setEnabled(false);
    ui->lReport->setText(QStringLiteral("Cancelling..."));
    QCoreApplication::processEvents();
}

void Dialog::reject() { Cancel(); }

} // namespace dovrex::ui
