#pragma once

#include "maps/clsExchMap.h"
#include "platform/IMessageBox.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <string>

class QComboBox;
class QWidget;

namespace Ui {
class frmMapEdit;
}

namespace dovrex::ui {

// The map editor: one conversion map of one use, created, changed, saved under its own
// or a new name, or deleted. Every change of a control goes into the map at once; nothing
// reaches the disk before a save.
class frmMapEdit : public QDialog {
    Q_OBJECT

public:
    // What Display returns after the map was deleted.
    static constexpr const char* DeletedResult = "{DELETED}";

    // programFolder: where the map files are; messages: where a failed save or delete is shown.
    frmMapEdit(std::string programFolder, IMessageBox& messages, QWidget* parent = nullptr);
    ~frmMapEdit() override;

    // Edits the map MapName (empty: a new map) of MapUse modally. Returns the name typed
    // at the save prompt (without extension) when the map was saved under a typed name,
    // empty when it was saved under its own name, DeletedResult when it was deleted, and
    // MapName when nothing was saved or deleted.
    std::string Display(int32_t MapUse, const std::string& MapName, const std::string& FileExtension);

private:
    // Fills the fixed lists and shows the map-level controls the use has.
    void SetupForm(int32_t MapUse);
    // Shows the map: its type, delimiter, quote, filter, terminator, length, options and fields.
    void SetupData();
    // The actions offered for a field of this map.
    void SetupOptions(const std::string& FieldName);
    // Shows the selected field's mapping.
    void ShowField();
    void EnableControls(bool on);
    // Appends an entry carrying code, after emptying the list when asked.
    static void NewItem(QComboBox& list, const QString& text, int32_t code, bool clearFirst = false);

    void lstMapFields_Click();
    void cboMapType_Click();
    void cboMapOption_Click();
    // Shows the field controls that the selected action, the map type and the field's data type call for.
    void ShowFieldControls();
    void btnAction_Click(int Index);
    // False when nothing was saved (no name given, or the file could not be written).
    bool Save(bool Prompt);

    // Writes into the map unless the window is filling its controls.
    template <class Write> void Change(Write&& write);

    std::unique_ptr<Ui::frmMapEdit> ui;
    std::string mProgramFolder;
    IMessageBox& mMessages;
    std::unique_ptr<clsExchMap> mMap;
    int32_t mMapUse = 0;
    std::string mExtension;
    std::string mResult;
    int16_t mField = 0; // the selected field's number, 0 when none
    bool mLoading = false;
};

} // namespace dovrex::ui
