#include "frmFavorites.h"

#include "ui_frmFavorites.h"

#include "platform/ProgramFolder.h"
#include "platform/ui/QtText.h"
#include "platform/ui/TabStopDelegate.h"

#include <QDateTime>
#include <QFileInfo>

namespace dovrex::ui {

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int ExistsRole = Qt::UserRole + 1;

} // namespace

frmFavorites::frmFavorites(const clsAdvanced& store, LocaleFormats formats, std::string programFolder, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmFavorites>()), mStore(store), mFormats(std::move(formats)),
      mProgramFolder(std::move(programFolder)) {
    ui->setupUi(this);
    TabStopDelegate::Install(*ui->List1, {40, 80});
    connect(ui->List1, &QListWidget::itemSelectionChanged, this, &frmFavorites::List1_Click);
    connect(ui->List1, &QListWidget::itemDoubleClicked, this, [this] {
        if (ui->btnUse->isEnabled()) btnUse_Click();
    });
    connect(ui->btnUse, &QPushButton::clicked, this, &frmFavorites::btnUse_Click);
    connect(ui->btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

frmFavorites::~frmFavorites() = default;

std::string frmFavorites::Display() {
    mResult.clear();
    FormLoad();
    exec();
    return mResult;
}

void frmFavorites::FormLoad() {
    ui->List1->clear();
    std::string unit, path;
    for (int position = 1;; ++position) {
        unit.clear();
        if (mStore.GetFavorite(position, unit, path) < 0) break;
        if (unit.empty()) continue;
        std::string status = "[No Path set]";
        bool exists = false;
        if (!path.empty()) {
            const QFileInfo file(FromCore(ResolvePath(mProgramFolder, path)));
            exists = file.isFile();
            if (exists) {
                const QDateTime changed = file.lastModified();
                const DateTime date{changed.date().year(), changed.date().month(), changed.date().day(),
                                    changed.time().hour(), changed.time().minute(), changed.time().second()};
                status = mFormats.ShortDate(date);
            } else {
                status = "[File Not Found]";
            }
        }
        auto* item = new QListWidgetItem(FromCore(unit + "\t" + status + "\t" + path), ui->List1);
        item->setData(PathRole, QByteArray::fromStdString(path));
        item->setData(ExistsRole, exists);
    }
    ui->btnUse->setEnabled(false);
}

void frmFavorites::List1_Click() {
    const QList<QListWidgetItem*> selected = ui->List1->selectedItems();
    ui->btnUse->setEnabled(!selected.isEmpty() && selected.constFirst()->data(ExistsRole).toBool());
}

void frmFavorites::btnUse_Click() {
    const QList<QListWidgetItem*> selected = ui->List1->selectedItems();
    if (selected.isEmpty()) return;
    const std::string path = selected.constFirst()->data(PathRole).toByteArray().toStdString();
    if (path.empty()) return;
    mResult = path;
    accept();
}

} // namespace dovrex::ui
