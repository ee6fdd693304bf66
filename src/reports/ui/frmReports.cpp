#include "frmReports.h"

#include "ui_frmReports.h"

#include "platform/modRuntime.h"
#include "platform/ui/UserSettings.h"

#include <QCheckBox>
#include <QPushButton>

namespace dovrex::ui {

namespace {

int16_t IndexOf(const QObject* control) { return static_cast<int16_t>(control->property("index").toInt()); }

} // namespace

frmReports::frmReports(UserSettings& settings, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmReports>()), mSettings(settings) {
    ui->setupUi(this);
    for (QPushButton* button : findChildren<QPushButton*>()) {
        if (button->objectName().startsWith(QStringLiteral("btnPreview_"))) {
            connect(button, &QPushButton::clicked, this, [this, button] { Finish(static_cast<int16_t>(IndexOf(button) | 1)); });
        }
    }
    connect(ui->btnAction_0, &QPushButton::clicked, this, [this] {
        int16_t ticked = 0;
        for (const QCheckBox* box : findChildren<QCheckBox*>()) {
            if (box->isChecked()) ticked = static_cast<int16_t>(ticked + IndexOf(box));
        }
        mSettings.SaveSetting("Reports", "Options", NumberText(ticked));
        Finish(ticked);
    });
    // "Printer ..." does what "Close" does.
    for (QPushButton* button : {ui->btnAction_1, ui->btnAction_2}) {
        connect(button, &QPushButton::clicked, this, [this] { Finish(0); });
    }
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

frmReports::~frmReports() = default;

int16_t frmReports::Display() {
    // A stored value that is no 32-bit number ticks nothing.
    const double stored = Val(mSettings.GetSetting("Reports", "Options", "0"));
    const int32_t remembered = stored > -2147483649.0 && stored < 2147483648.0 ? static_cast<int32_t>(stored) : 0;
    for (QCheckBox* box : findChildren<QCheckBox*>()) box->setChecked((remembered & IndexOf(box)) != 0);
    mResult = 0;
    exec();
    return mResult;
}

void frmReports::Finish(int16_t result) {
    mResult = result;
    done(result == 0 ? Rejected : Accepted);
}

} // namespace dovrex::ui
