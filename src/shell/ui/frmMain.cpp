#include "frmMain.h"

#include "ui_frmMain.h"

#include "FormLayout.h"
#include "ProgressPanel.h"
#include "frmAbout.h"
#include "frmOptions.h"

#include "handheld_db/ui/frmQVFView.h"
#include "shell/clsDist.h"
#include "install/ui/frmUnitInstall.h"
#include "platform/RuntimeError.h"
#include "platform/ui/QtFileDialog.h"
#include "platform/ui/QtText.h"
#include "platform/ui/TextEditor.h"

#include <DovrexVersion.h>

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QScrollBar>
#include <QTemporaryFile>

namespace dovrex::ui {

namespace {

// A button's caption as the user reads it, without its mnemonic marker.
QString PlainCaption(const QAbstractButton& button) {
    QString caption = button.text();
    caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    caption.remove(QLatin1Char('&'));
    caption.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return caption;
}

void Enable(bool on, std::initializer_list<QObject*> commands) {
    for (QObject* command : commands) {
        if (auto* widget = qobject_cast<QWidget*>(command)) widget->setEnabled(on);
        if (auto* action = qobject_cast<QAction*>(command)) action->setEnabled(on);
    }
}

} // namespace

frmMain::frmMain(DesktopSession& session, frmMainSeams seams, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::frmMain>()), mSession(session), mSeams(std::move(seams)) {
    ui->setupUi(this);
    mPanel = new ProgressPanel(ui->centralWidget);
    ui->txtLog->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // A running command's button keeps its place for the progress panel.
    for (QPushButton* button : {ui->cmdRoute, ui->cmdReRead, ui->cmdReading}) {
        QSizePolicy policy = button->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        button->setSizePolicy(policy);
    }
    ui->layoutCommands->setColumnMinimumWidth(0, ui->btnInstall->sizeHint().width());

    connect(ui->cmdRoute, &QPushButton::clicked, this, [this] { RunConversion(ui->cmdRoute, Conversion::Route); });
    connect(ui->cmdReRead, &QPushButton::clicked, this, [this] { RunConversion(ui->cmdReRead, Conversion::ReRead); });
    connect(ui->cmdReading, &QPushButton::clicked, this, [this] { RunConversion(ui->cmdReading, Conversion::Reading); });
    connect(ui->mnuConvertRoute, &QAction::triggered, ui->cmdRoute, &QPushButton::click);
    connect(ui->mnuConvertReRead, &QAction::triggered, ui->cmdReRead, &QPushButton::click);
    connect(ui->mnuConvertReading, &QAction::triggered, ui->cmdReading, &QPushButton::click);
    connect(ui->cmdRouteEdit, &QToolButton::clicked, this, [this] { EditSource(mSession.Engine().RouteSource()); });
    connect(ui->cmdReReadEdit, &QToolButton::clicked, this, [this] { EditSource(mSession.Engine().ReReadSource()); });
    connect(ui->cmdSetup, &QPushButton::clicked, this, &frmMain::ShowSetup);
    connect(ui->mnuSUConfigure, &QAction::triggered, ui->cmdSetup, &QPushButton::click);
    connect(ui->btnAdvanced, &QPushButton::clicked, this, &frmMain::ShowAdvanced);
    connect(ui->btnInstall, &QPushButton::clicked, this, &frmMain::InstallToUnits);
    connect(ui->btnClear, &QPushButton::clicked, this, &frmMain::ClearLog);
    connect(ui->btnLog, &QPushButton::clicked, this, &frmMain::OpenLog);
    connect(ui->mnuFileViewer, &QAction::triggered, this, &frmMain::ShowViewer);
    connect(ui->mnuFileExit, &QAction::triggered, this, &frmMain::close);
    connect(ui->mnuSULoadDist, &QAction::triggered, this, &frmMain::LoadDistribution);
    connect(ui->mnuSUCreateDist, &QAction::triggered, this, &frmMain::CreateDistribution);
    connect(ui->mnuHelpAbout, &QAction::triggered, this, &frmMain::ShowAbout);

    Enable(false, {ui->btnClear, ui->btnLog});
    UpdateCommands();
    mSession.AttachWindow(this, this, this);
}

frmMain::~frmMain() {
    mSession.AttachWindow(nullptr, nullptr, nullptr);
    for (const QString& file : mLogFiles) QFile::remove(file);
}

QString frmMain::Caption(const QString& executableName) {
    if (executableName.compare(QStringLiteral("Lumetra"), Qt::CaseInsensitive) == 0) {
        return QString::fromUtf8(version::ProductName);
    }
    return QStringLiteral("%1 v%2.%3.%4")
        .arg(QString::fromUtf8(version::ProductName))
        .arg(version::Major)
        .arg(version::Minor)
        .arg(version::Revision);
}

void frmMain::FormLoad() {
    setWindowTitle(Caption(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()));
    LoadFormLayout(*this, mSession.Settings());
    if (const std::string& problem = mSession.Registry().ReadError(); !problem.empty()) {
        // The program runs on; the store file is left as it is for the user to mend.
        mSession.Messages().Show(problem, "Error", MsgButtons::OK, MsgIcon::Critical);
    }
    clsExchange& engine = mSession.Engine();
    engine.LoadSettings();
    if (engine.RouteMap().empty()) {
        if (mSession.Messages().Show("Setup information has not yet been entered.\r\n"
                                     "Would you like to load a setup distribution?",
                                     "", MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes) {
            LoadDistribution();
        }
        engine.LoadSettings();
    }
}

void frmMain::AddLog(const std::string& Message) {
    ui->txtLog->appendPlainText(FromCore(Message));
    ui->txtLog->moveCursor(QTextCursor::End);
    ui->txtLog->ensureCursorVisible();
    Enable(true, {ui->btnClear, ui->btnLog});
}

void frmMain::ProgressButton(QPushButton* CommandButton, bool OnOff) {
    if (OnOff) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        ui->layoutCommands->getItemPosition(ui->layoutCommands->indexOf(CommandButton), &row, &column, &rowSpan,
                                            &columnSpan);
        mBusyButton = CommandButton;
        UpdateCommands();
        CommandButton->hide();
        ui->layoutCommands->addWidget(mPanel, row, column, rowSpan, columnSpan);
        mPanel->setGeometry(CommandButton->geometry());
        mPanel->Start(PlainCaption(*CommandButton));
        mPanel->show();
        mPanel->raise();
        QCoreApplication::processEvents();
        mSinceEvents.invalidate();
        return;
    }
    ui->layoutCommands->removeWidget(mPanel);
    mPanel->hide();
    CommandButton->show();
    mBusyButton = nullptr;
    UpdateCommands();
    CommandButton->setFocus();
    QApplication::restoreOverrideCursor();
}

void frmMain::SetProgressButton(int32_t MaxValue, int32_t CurrentValue) {
    // A wider bar schedules its repaint; pending events (that paint, clicks, the close
    // box) run at the first report and then whenever a fiftieth of a second has passed.
    // A pass over the window system's queue at every line would make a long conversion
    // several times slower than on the command line, for frames nobody could see.
    if (mBusyButton != nullptr) mPanel->SetProgress(MaxValue, CurrentValue);
    if (!mSinceEvents.isValid() || mSinceEvents.elapsed() >= 20) {
        QCoreApplication::processEvents();
        mSinceEvents.start();
    }
}

void frmMain::RunConversion(QPushButton* button, Conversion conversion) {
    // The engine holds one conversion's state: nothing starts while one runs.
    if (Busy() || mSession.Engine().Busy() || !button->isEnabled()) return;
    clsExchange& engine = mSession.Engine();
    // A chosen favourite is the readings source of this run only.
    const std::string readingSource = engine.ReadingSource();
    if (conversion == Conversion::Reading && !ChooseReadingSource()) return;
    ProgressButton(button, true);
    bool converted = false;
    try {
        converted = Convert(conversion);
    } catch (const std::exception& e) {
        mSession.Messages().Show(DescribeException(e), "Error", MsgButtons::OK, MsgIcon::Critical);
    }
    if (!converted) {
        mSession.Messages().Show("Conversion Not Complete\r\nCheck Log", "Error", MsgButtons::OK, MsgIcon::Critical);
    } else if (conversion == Conversion::Reading && mSeams.ReportsStep) {
        mSeams.ReportsStep(*this, engine);
    }
    Enable(true, {ui->btnClear, ui->btnLog});
    ProgressButton(button, false);
    engine.SetReadingSource(readingSource);
    if (mCloseRequested) close();
}

bool frmMain::Convert(Conversion conversion) {
    clsExchange& engine = mSession.Engine();
    switch (conversion) {
    case Conversion::Route: return engine.ConvertRoute();
    case Conversion::ReRead: return mSeams.ConvertReRead ? mSeams.ConvertReRead(engine) : engine.ConvertReRead();
    case Conversion::Reading: return mSeams.ConvertReading ? mSeams.ConvertReading(engine) : engine.ConvertReading();
    }
    return false;
}

void frmMain::UpdateCommands() {
    const bool idle = !Busy();
    Enable(idle, {ui->cmdRoute, ui->mnuConvertRoute, ui->cmdReRead, ui->mnuConvertReRead, ui->cmdReading,
                  ui->mnuConvertReading, ui->mnuFileViewer, ui->cmdSetup, ui->mnuSUConfigure, ui->btnAdvanced,
                  ui->btnInstall, ui->mnuSULoadDist, ui->mnuSUCreateDist});
    // "Usage" and "Maps" have no action.
    Enable(false, {ui->mnuHelpUsage, ui->mnuHelpMaps});
}

void frmMain::EditSource(const std::string& path) {
    const std::string file = mSession.Engine().ResolvedPath(path);
    if (!TextEditor::Open(FromCore(file))) {
        mSession.Messages().Show("No text editor could be started for " + file, "", MsgButtons::OK,
                                 MsgIcon::Exclamation);
    }
}

void frmMain::ClearLog() {
    ui->txtLog->clear();
    Enable(false, {ui->btnClear, ui->btnLog});
}

void frmMain::OpenLog() {
    const QString text = ui->txtLog->toPlainText() + QLatin1Char('\n');
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/dovrex-log-XXXXXX.txt"));
    file.setAutoRemove(false);
    if (!file.open() || file.write(text.toUtf8()) < 0 || !file.flush()) {
        mSession.Messages().Show("The log could not be written to " + ToCore(file.fileName()) + ": " +
                                     ToCore(file.errorString()),
                                 "Error", MsgButtons::OK, MsgIcon::Critical);
        file.remove();
        return;
    }
    file.close();
    mLogFiles.push_back(file.fileName());
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
    QCoreApplication::processEvents();
    if (!TextEditor::Open(file.fileName())) {
        mSession.Messages().Show("No text editor could be started for " + ToCore(file.fileName()), "",
                                 MsgButtons::OK, MsgIcon::Exclamation);
    }
}

void frmMain::ShowViewer() {
    if (Busy()) return;
    QtFileDialog::Request request;
    request.Title = "Exchange File";
    request.DefaultExt = ".pdb";
    request.Filters = {{"Palm Database Files (*.pdb)", "*.pdb"}, {"All Files(*.*)", "*.*"}};
    request.FilterIndex = 1;
    request.InitDir = mSession.Locations().Home;
    request.Filename = mSession.Settings().GetSetting("RememberedUse", "ViewerFile");
    const auto answer = QtFileDialog::Ask(this, request);
    if (!answer || answer->Filename.empty()) return;
    mSession.Settings().SaveSetting("RememberedUse", "ViewerFile", answer->Filename);
    bool shown = false;
    {
        frmQVFView viewer(*this, &mSession.Messages(), this);
        shown = viewer.Display(answer->Filename);
    }
    if (!shown) mSession.Messages().Show("Unable to display file", "", MsgButtons::OK, MsgIcon::Exclamation);
}

void frmMain::LoadDistribution() {
    if (Busy()) return;
    bool loaded = false;
    try {
        if (mSeams.LoadDistribution) {
            loaded = mSeams.LoadDistribution(*this);
        } else {
            QtFileDialog files(this);
            loaded = clsDist(mSession.Registry(), mSession.Messages(), &files, mSession.Locations().Home).LoadDist("");
        }
    } catch (const std::exception& e) {
        mSession.Messages().Show(DescribeException(e), "Error", MsgButtons::OK, MsgIcon::Critical);
    }
    if (!loaded) return;
    mSession.Engine().LoadSettings();
    // The distribution replaced the stored advanced configuration too.
    RenewAdvanced();
}

void frmMain::CreateDistribution() {
    if (Busy()) return;
    if (mSeams.CreateDistribution) {
        mSeams.CreateDistribution(*this);
        return;
    }
    QtFileDialog files(this);
    clsDist(mSession.Registry(), mSession.Messages(), &files, mSession.Locations().Home).WriteDist("");
}

void frmMain::InstallToUnits() {
    if (Busy()) return;
    clsExchange& engine = mSession.Engine();
    std::vector<std::string> units;
    try {
        units = engine.UnitNames();
    } catch (const std::exception& e) {
        mSession.Messages().Inform(DescribeException(e));
        return;
    }
    frmUnitInstall window(mSession.Messages(), this);
    if (const auto choice = window.Display(units)) {
        engine.InstallToUnits(choice->Units, choice->IncludeMeazura, DesktopSession::ProgramName());
    }
}

void frmMain::ShowSetup() {
    if (Busy()) return;
    QtFileDialog files(this);
    frmOptions setup(mSession, files, this);
    setup.Display();
}

void frmMain::ShowAbout() {
    frmAbout about(this);
    about.exec();
}

void frmMain::closeEvent(QCloseEvent* event) {
    // The conversion below on the stack still uses this window: close once it returns.
    if (Busy()) {
        mCloseRequested = true;
        event->ignore();
        return;
    }
    SaveFormLayout(*this, mSession.Settings());
    mSession.Settings().Sync();
    event->accept();
}

} // namespace dovrex::ui
