#include "AdvEditDialog.h"

#include "platform/modRuntime.h"
#include "platform/ui/QtText.h"

#include <QLineEdit>
#include <QPushButton>

namespace dovrex::ui {

std::string Text(const QLineEdit* box) { return ToCore(box->text()); }

AdvEditDialog::AdvEditDialog(clsAdvanced& store, IMessageBox& messages, QWidget* parent)
    : QDialog(parent), mStore(store), mMessages(messages) {}

void AdvEditDialog::SetUpButtons(QPushButton* save, QPushButton* cancel, QPushButton* remove, std::string deleteTitle) {
    mDelete = remove;
    mDeleteTitle = std::move(deleteTitle);
    save->setDefault(true);
    cancel->setAutoDefault(false);
    remove->setAutoDefault(false);
    connect(save, &QPushButton::clicked, this, &AdvEditDialog::OKButton_Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(remove, &QPushButton::clicked, this, &AdvEditDialog::DeleteButton_Click);
}

std::string AdvEditDialog::Run(const std::string& Mode) {
    mMode = Mode;
    mResult = "Cancel";
    if (mDelete != nullptr) mDelete->setEnabled(!Adding());
    exec();
    if (mResult == "Save") WriteSave();
    if (mResult == "Delete") WriteDelete();
    return mResult;
}

bool AdvEditDialog::Fail(const std::string& message, QWidget* field) {
    mMessages.Show(message, "", MsgButtons::OK, MsgIcon::Exclamation);
    if (field != nullptr) field->setFocus();
    return false;
}

bool AdvEditDialog::Required(QLineEdit* box, const std::string& message) {
    return !Trim(Text(box)).empty() || Fail(message, box);
}

void AdvEditDialog::OKButton_Click() {
    if (!Checked()) return;
    mResult = "Save";
    accept();
}

void AdvEditDialog::DeleteButton_Click() {
    if (mMessages.Show("Are you sure?", mDeleteTitle, MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes) return;
    mResult = "Delete";
    accept();
}

} // namespace dovrex::ui
