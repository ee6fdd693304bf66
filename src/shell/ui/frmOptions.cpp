#include "frmOptions.h"

#include "ui_frmOptions.h"

#include "FormLayout.h"

#include "maps/ui/frmMapEdit.h"
#include "platform/RuntimeError.h"
#include "platform/clsOpenSave.h"
#include "platform/modRuntime.h"
#include "platform/ui/QtText.h"

#include <QGuiApplication>
#include <QScopedValueRollback>
#include <QScreen>
#include <QShortcut>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>

namespace dovrex::ui {

namespace {

constexpr std::array<int32_t, 4> kUses = {MapUseRoute, MapUseReRead, MapUseReading, MapUseOrphan};

// The container formats by list position.
constexpr std::array<const char*, 3> kQVFTypes = {"PDB", "PRC", "VFS"};
constexpr std::array<const char*, 3> kQVFTypeTexts = {"Palm Database File (PDB)", "Palm Resource File (PRC)",
                                                       "Virtual File System (VFS)"};

constexpr const char* kAllFilesFilter = "All Files(*.*)|*.*";
constexpr const char* kQVFFilter = "QVF Files (*.qvf)|*.qvf|DAT Files (*.dat)|*.dat|Palm Resource Files (*.prc)|*.prc|"
                                   "Palm Database Files (*.pdb)|*.pdb|All Files(*.*)|*.*";

// Open dialogs in explorer style, and no dialog changes the working folder.
constexpr int32_t kOpenFlags = 0x80008;
constexpr int32_t kSaveFlags = 0x8;

// The smallest window: 6900 x 6060 twips.
constexpr double kMinimumWidthInches = 6900.0 / 1440.0;
constexpr double kMinimumHeightInches = 6060.0 / 1440.0;

// The QVF filter list starts at the pair the current name's extension calls for.
void PreselectFilter(clsOpenSave& dialog, const std::string& current) {
    const std::string name = UCase(current);
    const std::pair<const char*, int16_t> extensions[] = {{".QVF", 1}, {".DAT", 2}, {".PRC", 3}, {".PDB", 4}};
    for (const auto& [extension, index] : extensions) {
        if (name.find(extension) != std::string::npos) {
            dialog.FilterIndex = index;
            return;
        }
    }
}

// The folder a dialog starts in: the current file's folder, else the program's folder.
std::string StartFolder(const std::string& programFolder, const std::string& current) {
    if (current.empty()) return programFolder;
    const std::string folder = std::filesystem::path(ResolvePath(programFolder, current)).parent_path().string();
    return folder.empty() ? programFolder : folder;
}

} // namespace

frmOptions::frmOptions(DesktopSession& session, IFileDialog& files, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmOptions>()), mSession(session), mFiles(files) {
    ui->setupUi(this);
    // A sizable tool window: a title and a close box, no minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    // Buttons stay at the right edge of their text box or list, one letter width apart.
    const int letter = fontMetrics().horizontalAdvance(QLatin1Char('X'));
    for (QGridLayout* grid : {ui->layoutRoute, ui->layoutReRead, ui->layoutReadings, ui->layoutOrphans}) {
        grid->setHorizontalSpacing(letter);
    }
    const QSize least(static_cast<int>(std::ceil(kMinimumWidthInches * logicalDpiX())),
                      static_cast<int>(std::ceil(kMinimumHeightInches * logicalDpiY())));
    // Every tab's caption stays in view: the window is never narrower than the tabs.
    ui->tbsOptions->setUsesScrollButtons(false);
    setMinimumSize(least.expandedTo(minimumSizeHint()));
    resize(size().expandedTo(minimumSize()));

    for (int32_t use : {MapUseRoute, MapUseReRead}) {
        QComboBox* types = Use(use).QVFType;
        for (const char* text : kQVFTypeTexts) types->addItem(QString::fromLatin1(text));
        types->setCurrentIndex(-1);
    }

    for (int32_t use : kUses) {
        const UseControls controls = Use(use);
        if (controls.Source != nullptr) connect(controls.Source, &QPushButton::clicked, this, &frmOptions::btnSource_Click);
        connect(controls.Destination, &QPushButton::clicked, this, [this, use] { btnDestination_Click(use); });
        // "Edit Map" needs a chosen map.
        connect(controls.Mapping, &QComboBox::currentIndexChanged, this,
                [controls](int index) { controls.EditMap->setEnabled(index >= 0); });
        connect(controls.EditMap, &QPushButton::clicked, this,
                [this, controls, use] { EditMap(ToCore(controls.Mapping->currentText()), use); });
        connect(controls.NewMap, &QPushButton::clicked, this, [this, use] { EditMap({}, use); });
        controls.EditMap->setEnabled(false);
    }

    connect(ui->tbsOptions, &QTabWidget::currentChanged, this, &frmOptions::tbsOptions_Click);
    // Ctrl+Tab reaches the window whichever control has the focus.
    auto* nextTab = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    connect(nextTab, &QShortcut::activated, this, [this] { SelectNextTab(1); });
    auto* previousTab = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this);
    connect(previousTab, &QShortcut::activated, this, [this] { SelectNextTab(-1); });

    connect(ui->optInstallPRC_0, &QRadioButton::toggled, this, &frmOptions::optInstallPRC_Click);
    connect(ui->chkPrompt, &QCheckBox::toggled, this, &frmOptions::chkPrompt_Click);
    connect(ui->chkLeave, &QCheckBox::toggled, this, [this](bool ticked) {
        if (!mLoading) mSession.Engine().SetAutoInstallLeave(ticked);
    });
    connect(ui->lstUnits, &QListWidget::itemSelectionChanged, this, &frmOptions::lstUnits_Click);
    connect(ui->chkOrphanConvert, &QCheckBox::toggled, ui->fraOrphans, &QWidget::setVisible);
    connect(ui->chkAutoReread, &QCheckBox::toggled, this, &frmOptions::chkAutoReread_Click);

    connect(ui->cmdApply, &QPushButton::clicked, this, &frmOptions::cmdApply_Click);
    connect(ui->cmdOK, &QPushButton::clicked, this, [this] {
        if (cmdApply_Click()) accept();
    });
    connect(ui->cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

frmOptions::~frmOptions() = default;

frmOptions::UseControls frmOptions::Use(int32_t use) const {
    const auto name = [use](const char* base) { return QStringLiteral("%1_%2").arg(QLatin1String(base)).arg(use); };
    UseControls controls;
    controls.SourcePath = findChild<QLineEdit*>(name("txtSourcePath"));
    controls.Source = findChild<QPushButton*>(name("btnSource"));
    controls.DestinationPath = findChild<QLineEdit*>(name("txtDestinationPath"));
    controls.Destination = findChild<QPushButton*>(name("btnDestination"));
    controls.Mapping = findChild<QComboBox*>(name("cboMapping"));
    controls.EditMap = findChild<QPushButton*>(name("btnEditMap"));
    controls.NewMap = findChild<QPushButton*>(name("btnNewMap"));
    controls.QVFType = findChild<QComboBox*>(name("cboQVFType"));
    return controls;
}

bool frmOptions::Display() {
    FormLoad();
    return exec() == QDialog::Accepted;
}

void frmOptions::FormLoad() {
    QScopedValueRollback<bool> loading(mLoading, true);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect place = frameGeometry();
        place.moveCenter(screen->availableGeometry().center());
        move(place.topLeft());
    }
    LoadFormLayout(*this, mSession.Settings());
    ReloadUsers();

    clsExchange& engine = mSession.Engine();
    const auto showType = [](QComboBox* list, const std::string& type) {
        // Any other text leaves the list as it is.
        const auto found = std::find_if(kQVFTypes.begin(), kQVFTypes.end(), [&](const char* t) { return type == t; });
        if (found != kQVFTypes.end()) list->setCurrentIndex(static_cast<int>(found - kQVFTypes.begin()));
    };
    const UseControls route = Use(MapUseRoute), reRead = Use(MapUseReRead), reading = Use(MapUseReading),
                      orphan = Use(MapUseOrphan);
    route.SourcePath->setText(FromCore(engine.RouteSource()));
    route.DestinationPath->setText(FromCore(engine.RouteDestination()));
    showType(route.QVFType, engine.RouteQVFType());
    reRead.SourcePath->setText(FromCore(engine.ReReadSource()));
    reRead.DestinationPath->setText(FromCore(engine.ReReadDestination()));
    showType(reRead.QVFType, engine.ReReadQVFType());
    reading.SourcePath->setText(FromCore(engine.ReadingSource()));
    reading.DestinationPath->setText(FromCore(engine.ReadingDestination()));
    ui->chkAutoReread->setChecked(engine.AutoReRead());
    orphan.DestinationPath->setText(FromCore(engine.OrphanDestination()));
    ui->chkOrphanConvert->setChecked(engine.OrphanConvert() != 0);
    (engine.OrphanReplace() != 0 ? ui->optOrphanReplace_1 : ui->optOrphanReplace_0)->setChecked(true);
    (engine.AutoInstall() ? ui->optInstallPRC_0 : ui->optInstallPRC_1)->setChecked(true);
    ui->chkLeave->setChecked(engine.AutoInstallLeave());
    ui->chkPrompt->setChecked(engine.AutoInstallPrompt());

    ui->lstUnits->clearSelection();
    const QString unit = FromCore(engine.AutoInstallUnit());
    for (int row = 0; row < ui->lstUnits->count(); ++row) {
        if (ui->lstUnits->item(row)->text() == unit) {
            ui->lstUnits->setCurrentRow(row);
            break;
        }
    }

    ReloadChoices(MapUseRoute, engine.RouteMap());
    ReloadChoices(MapUseReRead, engine.ReReadMap());
    ReloadChoices(MapUseReading, engine.ReadingMap());
    ReloadChoices(MapUseOrphan, engine.OrphanMap());

    tbsOptions_Click();
    ui->fraOrphans->setVisible(ui->chkOrphanConvert->isChecked());
    EnableInstallControls();
}

void frmOptions::tbsOptions_Click() {
    const int selected = ui->tbsOptions->currentIndex();
    for (int tab = 0; tab < ui->tbsOptions->count(); ++tab) ui->tbsOptions->widget(tab)->setEnabled(tab == selected);
    mCurrentTab = selected + 1;
}

void frmOptions::SelectNextTab(int step) {
    const int count = ui->tbsOptions->count();
    ui->tbsOptions->setCurrentIndex((ui->tbsOptions->currentIndex() + step + count) % count);
}

void frmOptions::ReloadChoices(int32_t muUse, const std::string& strSelectedMap) {
    QComboBox* list = Use(muUse).Mapping;
    if (list == nullptr) return;
    list->clear();
    // Map files are opened as name + extension, so only names ending in the extension as
    // the engine spells it can be used.
    const std::string extension = clsExchange::MapExtension(muUse);
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& file : std::filesystem::directory_iterator(mSession.Engine().ProgramFolder(), error)) {
        std::error_code fileError;
        if (!file.is_regular_file(fileError)) continue;
        const std::string name = file.path().filename().string();
        if (name.size() > extension.size() && EndsWith(name, extension)) {
            names.push_back(name.substr(0, name.size() - extension.size()));
        }
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string ua = UCase(a), ub = UCase(b);
        return ua != ub ? ua < ub : a < b;
    });
    int selected = -1;
    for (const std::string& name : names) {
        list->addItem(FromCore(name));
        // The map of that name in any letter case; its own spelling comes first.
        if (name == strSelectedMap || (selected < 0 && EqualsNoCase(name, strSelectedMap))) selected = list->count() - 1;
    }
    list->setCurrentIndex(selected);
    Use(muUse).EditMap->setEnabled(selected >= 0);
}

void frmOptions::ReloadUsers() {
    ui->lstUnits->clear();
    try {
        for (const std::string& name : mSession.Engine().UnitNames()) ui->lstUnits->addItem(FromCore(name));
    } catch (const std::exception& e) {
        mSession.Messages().Show(DescribeException(e), "Error", MsgButtons::OK, MsgIcon::Critical);
    }
}

void frmOptions::EditMap(const std::string& MapName, int32_t Index) {
    const std::string extension = clsExchange::MapExtension(Index);
    std::string result;
    {
        frmMapEdit editor(mSession.Engine().ProgramFolder(), mSession.Messages(), this);
        result = editor.Display(Index, MapName, extension);
    }
    if (result == frmMapEdit::DeletedResult) {
        ReloadChoices(Index, {});
    } else if (!result.empty() && result != MapName) {
        ReloadChoices(Index, result);
    }
    // Route and re-read maps share their files: the other list shows the same maps.
    for (int32_t other : kUses) {
        if (other != Index && clsExchange::MapExtension(other) == extension) {
            ReloadChoices(other, ToCore(Use(other).Mapping->currentText()));
        }
    }
}

void frmOptions::btnSource_Click() {
    const int32_t use = mCurrentTab;
    const UseControls controls = Use(use);
    if (controls.SourcePath == nullptr) return;
    const std::string current = ToCore(controls.SourcePath->text());
    clsOpenSave dialog(&mFiles);
    dialog.CancelError = false;
    dialog.DefaultExt = clsExchange::DefaultFileExtension(use);
    dialog.DialogTitle = clsExchange::TypeDescr(use);
    dialog.Flags = kOpenFlags;
    dialog.InitDir = StartFolder(mSession.Engine().ProgramFolder(), current);
    dialog.SetFilename(current);
    if (use == MapUseReading) {
        dialog.SetFilter(kQVFFilter);
        PreselectFilter(dialog, current);
    } else {
        dialog.SetFilter(kAllFilesFilter);
    }
    dialog.ShowOpen();
    const std::string chosen = dialog.Filename();
    if (!chosen.empty()) controls.SourcePath->setText(FromCore(chosen));
}

void frmOptions::btnDestination_Click(int32_t Index) {
    QLineEdit* box = Use(Index == MapUseOrphan ? MapUseOrphan : mCurrentTab).DestinationPath;
    if (box == nullptr) return;
    const std::string current = ToCore(Use(Index).DestinationPath->text());
    clsOpenSave dialog(&mFiles);
    dialog.CancelError = false;
    dialog.DefaultExt = clsExchange::DefaultFileExtension(Index);
    dialog.DialogTitle = clsExchange::TypeDescr(Index);
    dialog.Flags = kSaveFlags;
    dialog.InitDir = StartFolder(mSession.Engine().ProgramFolder(), current);
    dialog.SetFilename(current);
    if (mCurrentTab == MapUseRoute || mCurrentTab == MapUseReRead) {
        dialog.SetFilter(kQVFFilter);
        PreselectFilter(dialog, current);
    } else {
        dialog.SetFilter(kAllFilesFilter);
    }
    dialog.ShowSave();
    const std::string chosen = dialog.Filename();
    if (!chosen.empty()) box->setText(FromCore(chosen));
}

bool frmOptions::cmdApply_Click() {
    clsExchange& engine = mSession.Engine();
    const auto text = [](const QLineEdit* box) { return ToCore(box->text()); };
    const auto map = [](const QComboBox* list) { return ToCore(list->currentText()); };
    const auto type = [](const QComboBox* list, const std::string& current) {
        const int position = list->currentIndex();
        return position >= 0 && position < static_cast<int>(kQVFTypes.size()) ? std::string(kQVFTypes[static_cast<size_t>(position)]) : current;
    };
    const UseControls route = Use(MapUseRoute), reRead = Use(MapUseReRead), reading = Use(MapUseReading),
                      orphan = Use(MapUseOrphan);
    engine.SetRouteSource(text(route.SourcePath));
    engine.SetRouteDestination(text(route.DestinationPath));
    engine.SetRouteMap(map(route.Mapping));
    engine.SetRouteQVFType(type(route.QVFType, engine.RouteQVFType()));
    engine.SetReReadSource(text(reRead.SourcePath));
    engine.SetReReadDestination(text(reRead.DestinationPath));
    engine.SetReReadMap(map(reRead.Mapping));
    engine.SetReReadQVFType(type(reRead.QVFType, engine.ReReadQVFType()));
    engine.SetReadingSource(text(reading.SourcePath));
    engine.SetReadingDestination(text(reading.DestinationPath));
    engine.SetReadingMap(map(reading.Mapping));
    engine.SetAutoReRead(ui->chkAutoReread->isChecked());
    engine.SetOrphanDestination(text(orphan.DestinationPath));
    engine.SetOrphanMap(map(orphan.Mapping));
    engine.SetOrphanConvert(ui->chkOrphanConvert->isChecked() ? 1 : 0);
    engine.SetOrphanReplace(ui->optOrphanReplace_1->isChecked() ? 1 : 0);
    engine.SetAutoInstall(ui->optInstallPRC_0->isChecked());
    engine.SetAutoInstallLeave(ui->chkLeave->isChecked());
    engine.SetAutoInstallPrompt(ui->chkPrompt->isChecked());
    const QList<QListWidgetItem*> unit = ui->lstUnits->selectedItems();
    engine.SetAutoInstallUnit(unit.isEmpty() ? std::string() : ToCore(unit.constFirst()->text()));
    if (!engine.SaveSettings()) {
        // Nothing was stored: Apply stays available for another try.
        const std::string reason = mSession.Registry().LastError();
        mSession.Messages().Show(reason.empty() ? std::string("The settings could not be saved.") : reason, "Error",
                                 MsgButtons::OK, MsgIcon::Critical);
        return false;
    }
    ui->cmdApply->setEnabled(false);
    return true;
}

void frmOptions::EnableInstallControls() {
    const bool install = ui->optInstallPRC_0->isChecked();
    ui->chkLeave->setEnabled(install);
    ui->chkPrompt->setEnabled(install);
    ui->lstUnits->setEnabled(install && !ui->chkPrompt->isChecked());
    ui->lblUnits->setEnabled(ui->lstUnits->isEnabled());
}

void frmOptions::optInstallPRC_Click() {
    EnableInstallControls();
    if (!mLoading) mSession.Engine().SetAutoInstall(ui->optInstallPRC_0->isChecked());
}

void frmOptions::chkPrompt_Click() {
    EnableInstallControls();
    if (!mLoading) mSession.Engine().SetAutoInstallPrompt(ui->chkPrompt->isChecked());
}

void frmOptions::lstUnits_Click() {
    const QList<QListWidgetItem*> unit = ui->lstUnits->selectedItems();
    if (!mLoading && !unit.isEmpty()) mSession.Engine().SetAutoInstallUnit(ToCore(unit.constFirst()->text()));
}

void frmOptions::chkAutoReread_Click(bool ticked) {
    if (mLoading || !ticked || !Use(MapUseReRead).DestinationPath->text().isEmpty()) return;
    mSession.Messages().Show("Specify the Re-Read destination file in the Re-Read Panel", "Notice", MsgButtons::OK,
                             MsgIcon::Information);
}

void frmOptions::done(int result) {
    // Closing in any way keeps the window's place and size.
    SaveFormLayout(*this, mSession.Settings());
    QDialog::done(result);
}

} // namespace dovrex::ui
