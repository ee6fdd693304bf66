#include "frmAbout.h"

#include "ui_frmAbout.h"

#include "ProgramLogo.h"

#include <DovrexVersion.h>

namespace dovrex::ui {

frmAbout::frmAbout(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::frmAbout>()) {
    ui->setupUi(this);
    const QString title = QString::fromUtf8(version::Title);
    setWindowTitle(QStringLiteral("About ") + title);
    ui->picIcon->setPixmap(ProgramLogo(64));
    ui->lblVersion->setText(QStringLiteral("Version %1.%2.%3").arg(version::Major).arg(version::Minor).arg(version::Revision));
    ui->lblTitle->setText(title);
    QFont big = ui->lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    ui->lblTitle->setFont(big);
    ui->lblDescription->setText(QString::fromUtf8(version::FileDescription));
    ui->lblDisclaimer->setText(QString::fromUtf8(version::LegalCopyright) + QLatin1Char(' ') +
                               QString::fromUtf8(version::CompanyName));
    ui->lblProductName->setText(QString::fromUtf8(version::ProductName));
    connect(ui->cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

frmAbout::~frmAbout() = default;

} // namespace dovrex::ui
