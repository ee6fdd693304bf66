#include "frmAdvMessage.h"

#include "ui_frmAdvMessage.h"

#include "platform/modRuntime.h"
#include "platform/ui/QtText.h"

namespace dovrex::ui {

frmAdvMessage::frmAdvMessage(clsAdvanced& store, IMessageBox& messages, QWidget* parent)
    : AdvEditDialog(store, messages, parent), ui(std::make_unique<Ui::frmAdvMessage>()) {
    ui->setupUi(this);
    SetUpButtons(ui->OKButton, ui->CancelButton, ui->DeleteButton, "Delete Message");
    connect(ui->cRouteNbr, &QLineEdit::textChanged, this, &frmAdvMessage::cRouteNbr_Change);
    connect(ui->chkMessageAnyRoute, &QCheckBox::toggled, this, &frmAdvMessage::chkMessageAnyRoute_Click);
}

frmAdvMessage::~frmAdvMessage() = default;

std::string frmAdvMessage::Display(const std::string& Mode, const std::string& RouteNbr, const std::string& MeterID,
                                   const std::string& MessageType) {
    mMode = Mode;
    mMessageType = MessageType;
    ui->lMeterID->setText(FromCore(MessageType));
    ui->chkMessageAnyRoute->setChecked(false);
    ui->chkMessageAnyRoute->setEnabled(true);
    if (Adding()) return Run(Mode);

    std::string route = RouteNbr, meter = MeterID, message;
    mStore.GetMessage(MessageType, RouteNbr + "||" + MeterID, route, meter, message);
    mStoredRoute = route;
    const bool anyRoute = EqualsNoCase(route, "ANY") || route == "*";
    ui->cRouteNbr->setText(anyRoute ? QString() : FromCore(route));
    ui->chkMessageAnyRoute->setChecked(anyRoute);
    ui->cMeterID->setText(FromCore(meter));
    ui->cMessage->setText(FromCore(message));
    // The key stays: only the message text can change.
    for (QWidget* key : {static_cast<QWidget*>(ui->cRouteNbr), static_cast<QWidget*>(ui->cMeterID),
                         static_cast<QWidget*>(ui->chkMessageAnyRoute)}) {
        key->setEnabled(false);
    }
    ui->cMessage->setFocus();
    return Run(Mode);
}

void frmAdvMessage::cRouteNbr_Change() {
    if (!Adding()) return;
    const bool typed = !Trim(Text(ui->cRouteNbr)).empty();
    if (typed) ui->chkMessageAnyRoute->setChecked(false);
    ui->chkMessageAnyRoute->setEnabled(!typed);
}

void frmAdvMessage::chkMessageAnyRoute_Click(bool checked) {
    if (!Adding()) return;
    if (checked) {
        ui->cRouteNbr->clear();
        ui->cRouteNbr->setEnabled(false);
        ui->cMeterID->setFocus();
    } else {
        ui->cRouteNbr->setEnabled(true);
        ui->cRouteNbr->setFocus();
    }
}

std::string frmAdvMessage::RouteKey() const {
    if (!Adding()) return mStoredRoute;
    return ui->chkMessageAnyRoute->isChecked() ? std::string("ANY") : Text(ui->cRouteNbr);
}

bool frmAdvMessage::Checked() {
    if (!ui->chkMessageAnyRoute->isChecked() && !Required(ui->cRouteNbr, "Route Nbr or (ANY) is required")) return false;
    if (!Required(ui->cMeterID, ToCore(ui->lMeterID->text().remove(QLatin1Char('&'))) + " is required")) return false;
    if (!Required(ui->cMessage, "Message is required")) return false;
    std::string route, meter, message;
    if (Adding() && mStore.GetMessage(mMessageType, RouteKey() + "||" + Text(ui->cMeterID), route, meter, message) >= 0) {
        return Fail("Already have a Message with this ID", nullptr);
    }
    return true;
}

void frmAdvMessage::WriteSave() {
    if (Adding()) mStore.AddMessage(mMessageType, RouteKey(), Text(ui->cMeterID), Text(ui->cMessage));
    else mStore.UpdateMessage(mMessageType, RouteKey(), Text(ui->cMeterID), Text(ui->cMessage));
}

void frmAdvMessage::WriteDelete() { mStore.DeleteMessage(mMessageType, RouteKey(), Text(ui->cMeterID)); }

} // namespace dovrex::ui
