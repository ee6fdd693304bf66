#pragma once

#include "advanced/clsAdvanced.h"
#include "platform/DateTime.h"

#include <QDialog>

#include <memory>
#include <string>

namespace Ui {
class frmFavorites;
}

namespace dovrex::ui {

// "Favorites": chooses the readings file of a reading conversion by handheld unit. Each
// unit's line shows the file's date, "[File Not Found]" or "[No Path set]"; only an
// existing file can be used.
class frmFavorites : public QDialog {
    Q_OBJECT

public:
    // formats: the short date of the file dates; programFolder: where relative paths start.
    frmFavorites(const clsAdvanced& store, LocaleFormats formats, std::string programFolder, QWidget* parent = nullptr);
    ~frmFavorites() override;

    // The chosen readings file's path as stored, or empty when the window was closed
    // without a choice.
    std::string Display();

private:
    void FormLoad();
    void List1_Click();
    void btnUse_Click();

    std::unique_ptr<Ui::frmFavorites> ui;
    const clsAdvanced& mStore;
    LocaleFormats mFormats;
    std::string mProgramFolder;
    std::string mResult;
};

} // namespace dovrex::ui
