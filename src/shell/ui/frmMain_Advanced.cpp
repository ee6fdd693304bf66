// The main window's use of the advanced configuration: the "Advanced" command, its renewal
// after a change of the store, and the favourite readings files of the reading conversion.

#include "frmMain.h"

#include "advanced/clsAdvanced.h"
#include "advanced/ui/frmAdvanced.h"
#include "advanced/ui/frmFavorites.h"
#include "platform/RuntimeError.h"

namespace dovrex::ui {

namespace {

bool Unsaved(const clsAdvanced& advanced) {
    for (int group = 0; group < clsAdvanced::GroupCount; ++group) {
        if (advanced.GroupDirty(static_cast<clsAdvanced::Group>(group))) return true;
    }
    return false;
}

} // namespace

void frmMain::ShowAdvanced() {
    if (Busy()) return;
    try {
        frmAdvanced window(clsAdvanced::Shared(mSession.Registry().StorePath()), mSession.Messages(),
                           [this] { return mSession.Engine().UnitNames(); }, mSession.Locations().Home, this);
        window.Display();
    } catch (const std::exception& e) {
        mSession.Messages().Show(DescribeException(e), "Error", MsgButtons::OK, MsgIcon::Critical);
    }
    // The window saved the store when it closed; a fresh instance reads it again.
    RenewAdvanced();
}

void frmMain::RenewAdvanced() {
    const std::string& store = mSession.Registry().StorePath();
    try {
        // Changes the store refused stay with the old instance until a later save.
        if (!Unsaved(clsAdvanced::Shared(store))) clsAdvanced::RenewShared(store);
    } catch (const std::exception& e) {
        mSession.Messages().Show(DescribeException(e), "Error", MsgButtons::OK, MsgIcon::Critical);
    }
}

bool frmMain::ChooseFavorite() {
    frmFavorites chooser(clsAdvanced::Shared(mSession.Registry().StorePath()), LocaleFormats::System(),
                         mSession.Locations().Home, this);
    const std::string path = chooser.Display();
    if (path.empty()) return false;
    mSession.Engine().SetReadingSource(path);
    return true;
}

bool frmMain::ChooseReadingSource() {
    try {
        return !clsAdvanced::Shared(mSession.Registry().StorePath()).UseFavorite() || ChooseFavorite();
    } catch (const std::exception& e) {
        mSession.Messages().Show(DescribeException(e), "Error", MsgButtons::OK, MsgIcon::Critical);
        return false;
    }
}

} // namespace dovrex::ui
