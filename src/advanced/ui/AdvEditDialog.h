#pragma once

#include "advanced/clsAdvanced.h"
#include "platform/IMessageBox.h"

#include <QDialog>

#include <string>

class QLineEdit;
class QPushButton;
class QWidget;

namespace dovrex::ui {

// What the six edit dialogs of the advanced configuration share: the mode ("Add" or
// "Edit"), the buttons Save, Cancel and Delete, the checks that keep the dialog open,
// the confirmation before a deletion and the result text "Save", "Delete" or "Cancel".
// The dialog itself changes nothing: Display writes through the store once it is hidden.
class AdvEditDialog : public QDialog {
    Q_OBJECT

protected:
    AdvEditDialog(clsAdvanced& store, IMessageBox& messages, QWidget* parent);

    // Wires the form's buttons; deleteTitle titles the "Are you sure?" question.
    void SetUpButtons(QPushButton* save, QPushButton* cancel, QPushButton* remove, std::string deleteTitle);
    // Takes the mode, enables Delete in mode "Edit", shows the dialog modally and, after
    // a Save or Delete, lets the dialog write through the store. Returns the result text.
    std::string Run(const std::string& Mode);

    // The checks in order; the first failure is reported with Fail and keeps the dialog open.
    virtual bool Checked() = 0;
    virtual void WriteSave() = 0;
    virtual void WriteDelete() = 0;

    // Shows message in an OK box and puts the focus into field (none: the focus stays).
    bool Fail(const std::string& message, QWidget* field);
    // Fails with message when the box is empty after trimming spaces.
    bool Required(QLineEdit* box, const std::string& message);
    bool Adding() const { return mMode == "Add"; }

    clsAdvanced& mStore;
    IMessageBox& mMessages;
    std::string mMode;

private:
    void OKButton_Click();
    void DeleteButton_Click();

    QPushButton* mDelete = nullptr;
    std::string mDeleteTitle;
    std::string mResult = "Cancel";
};

// A line edit's text as the core holds it.
std::string Text(const QLineEdit* box);

} // namespace dovrex::ui
