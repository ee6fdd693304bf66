#include "frmLogin.h"

#include "ui_frmLogin.h"

#include "platform/modRuntime.h"
#include "platform/ui/QtText.h"

namespace dovrex::ui {

frmLogin::frmLogin(const clsAdvanced& store, IMessageBox& messages, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmLogin>()), mStore(store), mMessages(messages) {
    ui->setupUi(this);
    ui->txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // "*"
    connect(ui->cmdOK, &QPushButton::clicked, this, &frmLogin::cmdOK_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

frmLogin::~frmLogin() = default;

bool frmLogin::Display() {
    mResult = false;
    exec();
    return mResult;
}

void frmLogin::cmdOK_Click() {
    const std::string user = Trim(ToCore(ui->txtUserName->text()));
    const std::string typed = Trim(ToCore(ui->txtPassword->text()));
    if (user.empty()) {
        mMessages.Show("Login Required!", "Login", MsgButtons::OK, MsgIcon::Exclamation);
        ui->txtUserName->setFocus();
        return;
    }
    if (typed.empty()) {
        mMessages.Show("Password Required!", "Login", MsgButtons::OK, MsgIcon::Exclamation);
        ui->txtPassword->setFocus();
        return;
    }
    std::string id, password, data;
    const bool known = mStore.GetLogin(user, id, password, data) >= 0;
    const bool matches = known && UCase(typed) == UCase(password);
    if (matches && data.find('S') != std::string::npos) {
        mResult = true;
        accept();
        return;
    }
    Refuse(matches ? "Not a supervisor!" : "Invalid User ID or Password, try again!");
}

void frmLogin::Refuse(const std::string& message) {
    mMessages.Show(message, "Login", MsgButtons::OK, MsgIcon::Exclamation);
    ui->txtPassword->setFocus();
    ui->txtPassword->selectAll();
}

bool PassLogin(const QStringList& commandLine, const clsAdvanced& store, IMessageBox& messages, QWidget* parent) {
    if (UCase(ToCore(commandLine.join(QLatin1Char(' ')))).find(LoginAccessWord) != std::string::npos) return true;
    if (!store.UseLoginSecurity()) return true;
    frmLogin login(store, messages, parent);
    return login.Display();
}

} // namespace dovrex::ui
