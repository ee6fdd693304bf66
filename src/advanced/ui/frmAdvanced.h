#pragma once

#include "advanced/clsAdvanced.h"
#include "platform/IMessageBox.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace Ui {
class frmAdvanced;
}

namespace dovrex::ui {

// "Advanced": the advanced handheld configuration in seven panels (logins, messages,
// changeout codes, skip codes, index words, favourites, alert preferences). Every change
// goes straight into the store; the store saves whenever the window closes.
class frmAdvanced : public QDialog {
    Q_OBJECT

public:
    // The tabs, in order.
    enum Tab : int { tabLogins, tabMessages, tabChangeouts, tabSkips, tabIndex, tabFavorites, tabPrefs, TabCount };

    // hotSyncUsers: the names of the HotSync users, which the favourites panel lists
    // (it may raise an error, which is shown). programFolder: where Browse starts.
    frmAdvanced(clsAdvanced& store, IMessageBox& messages, std::function<std::vector<std::string>()> hotSyncUsers,
                std::string programFolder, QWidget* parent = nullptr);
    ~frmAdvanced() override;

    // Shows the window modally, centred on the screen, until it closes.
    void Display();

    // The selected lists; empty until their panel was first shown.
    const std::string& MessageType() const { return mMessageType; }
    const std::string& ChangeoutType() const { return mChangeoutType; }
    const std::string& TokenType() const { return mTokenType; }

    void done(int result) override;

private:
    struct Panel {
        QListWidget* List = nullptr;
        QPushButton* Add = nullptr;
        QPushButton* Edit = nullptr;
        // Opens the panel's edit dialog with the mode and, for "Edit", the item's key.
        std::function<void(const std::string& Mode, const QListWidgetItem* item)> Open;
    };

    void SelectTab(int index);
    // Fills the panel of a tab from the store.
    void RefreshTab(int index);
    void FillFavorites();
    // Adds an item: texts joined by tabs on screen, the key parts kept exactly.
    void AddItem(QListWidget* list, const std::string& key, const std::string& second, const std::string& shown);
    void EditClicked(int tab);
    void OpenDialog(int tab, const std::string& Mode, const QListWidgetItem* item);
    // Sets one of the panel's list types and fills the panel anew.
    void SelectListType(std::string& type, const std::string& value, int tab);

    std::unique_ptr<Ui::frmAdvanced> ui;
    clsAdvanced& mStore;
    IMessageBox& mMessages;
    std::function<std::vector<std::string>()> mHotSyncUsers;
    std::string mProgramFolder;
    std::array<Panel, TabCount> mPanels;
    std::string mMessageType;
    std::string mChangeoutType;
    std::string mTokenType;
    int mRefreshing = 0; // while a panel is filled, the controls do not write to the store
    QString mFavoriteCaption; // the favourites check box's own caption
};

} // namespace dovrex::ui
