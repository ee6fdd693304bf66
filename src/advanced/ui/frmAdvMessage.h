#pragma once

#include "AdvEditDialog.h"

#include <memory>
#include <string>

namespace Ui {
class frmAdvMessage;
}

namespace dovrex::ui {

// "Message": the supervisor message of one meter, by route (or any route) and the
// identifier of the message list (account, serial number or tag number). In mode "Edit"
// only the message text can change.
class frmAdvMessage final : public AdvEditDialog {
    Q_OBJECT

public:
    frmAdvMessage(clsAdvanced& store, IMessageBox& messages, QWidget* parent = nullptr);
    ~frmAdvMessage() override;

    // Mode "Add" (empty fields) or "Edit" (the entry of that key); returns "Save",
    // "Delete" or "Cancel".
    std::string Display(const std::string& Mode, const std::string& RouteNbr, const std::string& MeterID,
                        const std::string& MessageType);

private:
    bool Checked() override;
    void WriteSave() override;
    void WriteDelete() override;
    // The route part of the key: the typed route, "ANY" for any route; in mode "Edit" the
    // stored one.
    std::string RouteKey() const;
    void cRouteNbr_Change();
    void chkMessageAnyRoute_Click(bool checked);

    std::string mMessageType;
    std::string mStoredRoute;
    std::unique_ptr<Ui::frmAdvMessage> ui;
};

} // namespace dovrex::ui
