#pragma once

#include "advanced/clsAdvanced.h"
#include "platform/IMessageBox.h"

#include <QDialog>
#include <QStringList>

#include <memory>

namespace Ui {
class frmLogin;
}

namespace dovrex::ui {

// "Login": the desktop login at start-up. Only a supervisor is admitted; the user may
// try again as often as needed.
class frmLogin : public QDialog {
    Q_OBJECT

public:
    frmLogin(const clsAdvanced& store, IMessageBox& messages, QWidget* parent = nullptr);
    ~frmLogin() override;

    // True when a supervisor logged in, false when the login was cancelled.
    bool Display();

private:
    void cmdOK_Click();
    // Reports a refused login and lets the user type the password again.
    void Refuse(const std::string& message);

    std::unique_ptr<Ui::frmLogin> ui;
    const clsAdvanced& mStore;
    IMessageBox& mMessages;
    bool mResult = false;
};

// The word on the command line that skips the login.
inline constexpr const char* LoginAccessWord = "DIVADA";

// The start-up rule: the access word anywhere on the command line (any letter case)
// skips the login; otherwise the login is asked when login security is on. True when
// the program may go on. commandLine: the arguments after the program's name.
bool PassLogin(const QStringList& commandLine, const clsAdvanced& store, IMessageBox& messages,
               QWidget* parent = nullptr);

} // namespace dovrex::ui
