#include "frmSplash.h"

#include "ui_frmSplash.h"

#include "ProgramLogo.h"

#include <DovrexVersion.h>

#include <QTimer>

namespace dovrex::ui {

frmSplash::frmSplash(QWidget* parent)
    : QFrame(parent, Qt::SplashScreen | Qt::FramelessWindowHint), ui(std::make_unique<Ui::frmSplash>()),
      Timer1(new QTimer(this)) {
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose, false);
    ui->imgLogo->setPixmap(ProgramLogo(96));
    ui->lblVersion->setText(QStringLiteral("Version %1.%2.%3").arg(version::Major).arg(version::Minor).arg(version::Revision));
    ui->lblProductName->setText(QString::fromUtf8(version::Title));
    ui->lblCompany->setText(QString::fromUtf8(version::CompanyName));
    ui->lblCompanyProduct->setText(QString::fromUtf8(version::ProductName));
    ui->lblCopyright->setText(QString::fromUtf8(version::LegalCopyright));
    ui->lblPlatform->setText(QString::fromUtf8(version::FileDescription));
    ui->lblWarning->clear();
    QFont title = ui->lblProductName->font();
    title.setPointSizeF(title.pointSizeF() * 2.2);
    title.setBold(true);
    ui->lblProductName->setFont(title);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(3000);
    connect(Timer1, &QTimer::timeout, this, [this] {
        Timer1->stop();
        close();
    });
    Timer1->start();
}

frmSplash::~frmSplash() = default;

void frmSplash::keyPressEvent(QKeyEvent*) { close(); }

void frmSplash::mousePressEvent(QMouseEvent*) { close(); }

} // namespace dovrex::ui
