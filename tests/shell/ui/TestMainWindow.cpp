#include "TestDesktop.h"
#include "shell/ui/DesktopSession.h"
#include "shell/ui/FormLayout.h"
#include "shell/ui/ProgressPanel.h"
#include "shell/ui/frmMain.h"

#include "install/clsInstaller.h"
#include "shell/clsDist.h"
#include "platform/ui/QtFileDialog.h"
#include "platform/ui/QtText.h"
#include "platform/ui/TextEditor.h"

#include "support/TempFolder.h"
#include "support/TestDoubles.h"
#include "support/WindowTesting.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QCheckBox>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <map>

using namespace dovrex;
using namespace dovrex::ui;
using dovrex::test::RecordingMessageBox;
using dovrex::test::TempFolder;

namespace {

// The test desktop with the shipped samples at hand.
struct Desktop : dovrex::test::TestDesktop {
    // The shipped fixed-width sample as the route conversion's settings.
    void UseFixedSample() {
        std::filesystem::copy_file(DOVREX_SOURCE_DIR "/samples/maps/FixedSample.bcm", locations.Home + "/FixedSample.bcm");
        clsExchange& engine = session.Engine();
        engine.SetRouteSource(DOVREX_SOURCE_DIR "/samples/routes/fixed-route.txt");
        engine.SetRouteMap("FixedSample");
        engine.SetRouteDestination("RouteQVF.pdb");
        QVERIFY(engine.SaveSettings());
    }
};

template <class T> T* Child(QObject& window, const char* name) {
    T* child = window.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) qWarning("no %s named %s", T::staticMetaObject.className(), name);
    return child;
}

QString Plain(QString caption) { return caption.remove(QLatin1Char('&')); }

QStringList LogLines(frmMain& window) {
    return Child<QPlainTextEdit>(window, "txtLog")->toPlainText().split(QLatin1Char('\n'));
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void controlsCaptionsTooltipsAndMenus();
    void routeConversionShowsBusyStateAndStartsNoSecond();
    void failedConversionShowsConversionNotComplete();
    void firstStartLoadsTheDistributionAndReadingRunsTheEngine();
    void layoutRules();
    void editorAndOpenLogGetTheirFileAsOneArgument();
    void viewerFailures();
    void installToUnitsQueuesTheApplicationFile();
};

void TestMainWindow::controlsCaptionsTooltipsAndMenus() {
    Desktop desktop;
    frmMain window(desktop.session);
    struct Control { const char* name; const char* caption; const char* tooltip; };
    const Control controls[] = {
        {"cmdRoute", "Route File", "Create RouteQVF to send to handheld"},
        {"cmdRouteEdit", nullptr, "Edit File used to Create RouteQVF to send to handheld"},
        {"cmdReRead", "Re-Read File", "Create RouteQVF from text file of Signetra IDs"},
        {"cmdReReadEdit", nullptr, "Edit file used to Create RouteQVF from text file of Signetra IDs"},
        {"cmdReading", "Reading File", "Receive Reading QVF from handheld"},
        {"cmdSetup", "Setup", "Change conversion properties"},
        {"btnAdvanced", "Advanced", ""},
        {"btnInstall", "Install to Unit(s)", ""},
        {"btnClear", "Clear Log", "Clears previous results from log window"},
        {"btnLog", "Open Log", "Opens log using notepad for printing"},
    };
    for (const Control& control : controls) {
        auto* button = Child<QAbstractButton>(window, control.name);
        QVERIFY(button != nullptr);
        if (control.caption != nullptr) QCOMPARE(Plain(button->text()), QString::fromLatin1(control.caption));
        QCOMPARE(button->toolTip(), QString::fromLatin1(control.tooltip));
    }
    auto* log = Child<QPlainTextEdit>(window, "txtLog");
    QVERIFY(log != nullptr && log->isReadOnly());
    QVERIFY(log->font().fixedPitch() || QFontInfo(log->font()).fixedPitch());
    QVERIFY(Child<ProgressPanel>(window, "picPlace") != nullptr);
    QVERIFY(Child<QWidget>(window, "Picture1") != nullptr);
    // Nothing to clear or open before the first line.
    QVERIFY(!Child<QPushButton>(window, "btnClear")->isEnabled());
    QVERIFY(!Child<QPushButton>(window, "btnLog")->isEnabled());

    const std::vector<std::pair<QString, QStringList>> menus = {
        {"File", {"Viewer...", "E&xit"}},
        {"&Convert", {"Make Route Download File", "Make ReRead Download File", "Process Readings File"}},
        {"&Setup", {"Configure Interchange", "Load Distribution", "Create Distribution"}},
        {"&Help", {"Usage", "Maps", "About"}},
    };
    const QList<QAction*> titles = window.menuBar()->actions();
    QCOMPARE(titles.size(), static_cast<qsizetype>(menus.size()));
    for (size_t m = 0; m < menus.size(); ++m) {
        QCOMPARE(titles[m]->text(), menus[m].first);
        QStringList items;
        for (QAction* item : titles[m]->menu()->actions()) {
            if (!item->isSeparator()) items << item->text();
        }
        QCOMPARE(items, menus[m].second);
    }
    QVERIFY(Child<QAction>(window, "mnuSULoadDist") != nullptr);

    QCOMPARE(frmMain::Caption("dovrex"), QStringLiteral("Quenderel v3.0.0"));
    QCOMPARE(frmMain::Caption("Lumetra"), QStringLiteral("Quenderel"));
    QCOMPARE(frmMain::Caption("Lumetra2"), QStringLiteral("Quenderel v3.0.0"));
}

void TestMainWindow::routeConversionShowsBusyStateAndStartsNoSecond() {
    Desktop desktop;
    desktop.UseFixedSample();
    frmMain window(desktop.session);
    window.FormLoad();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(desktop.messages.Shown.empty()); // a route map is set: no distribution question

    auto* route = Child<QPushButton>(window, "cmdRoute");
    auto* panel = Child<ProgressPanel>(window, "picPlace");
    struct Seen {
        int probes = 0;
        bool busyLooksRight = true;
        bool triedAgain = false;
    } seen;
    const QRect place = route->geometry();
    // Runs at every pending-event pass the conversion allows.
    QTimer probe;
    probe.setInterval(0);
    connect(&probe, &QTimer::timeout, this, [&] {
        if (!window.Busy()) return;
        ++seen.probes;
        const QCursor* cursor = QApplication::overrideCursor();
        seen.busyLooksRight &= !route->isVisible() && panel->isVisible() && panel->geometry() == place &&
                               panel->Caption() == QStringLiteral("Route File") && cursor != nullptr &&
                               cursor->shape() == Qt::WaitCursor &&
                               !Child<QAction>(window, "mnuConvertRoute")->isEnabled() &&
                               !Child<QAction>(window, "mnuFileViewer")->isEnabled();
        if (desktop.session.Engine().Busy() && !seen.triedAgain) {
            seen.triedAgain = true;
            Child<QAction>(window, "mnuConvertRoute")->trigger();
            route->click();
            window.close(); // waits for the conversion
        }
    });
    probe.start();
    QTest::mouseClick(route, Qt::LeftButton);
    probe.stop();

    QVERIFY(seen.probes > 1);
    QVERIFY(seen.triedAgain);
    QVERIFY(seen.busyLooksRight);
    QVERIFY(panel->BarWidth() > 10 && panel->BarWidth() <= panel->width());
    // Back to idle, and the close asked for during the conversion done afterwards.
    QVERIFY(!panel->isVisible());
    QVERIFY(!route->isHidden());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(!window.isVisible());
    QVERIFY(Child<QPushButton>(window, "btnLog")->isEnabled());

    const QStringList lines = LogLines(window);
    QCOMPARE(lines.filter(QStringLiteral("Route Conversion Starting ")).size(), 1);
    QVERIFY(lines.contains(QStringLiteral("Using Map: FixedSample")));
    QVERIFY(lines.filter(QRegularExpression(QStringLiteral("^\\d+ meters written to Route QVF File$"))).size() == 1);
    QVERIFY(lines.filter(QRegularExpression(QStringLiteral("^Route Conversion Finished"))).size() == 1);
    QCOMPARE(lines.last(), QString());
    QVERIFY(desktop.messages.Shown.empty());
    QVERIFY(QFile::exists(QString::fromStdString(desktop.locations.Home + "/RouteQVF.pdb")));

    // The bar: panel width x current / max + 10, never wider than the panel; only a
    // change of width counts as one.
    panel->resize(200, 20);
    struct Step { int32_t max, current; int width; bool changed; };
    const Step steps[] = {{300, 0, 10, true},    {300, 1, 10, false},  {300, 150, 110, true}, {300, 285, 200, true},
                          {300, 284, 199, true}, {300, 300, 200, true}, {0, 5, 10, true},     {-1, 5, 10, false},
                          {300, -5, 10, false}};
    for (const Step& step : steps) {
        QCOMPARE(panel->SetProgress(step.max, step.current), step.changed);
        QCOMPARE(panel->BarWidth(), step.width);
    }

    window.show();
    dovrex::test::SaveScreenshot(window, QStringLiteral("main-after-route"));
    window.resize(1100, 720);
    dovrex::test::SaveScreenshot(window, QStringLiteral("main-resized-large"));
    window.resize(10, 10);
    dovrex::test::SaveScreenshot(window, QStringLiteral("main-resized-small"));
    window.close();
}

void TestMainWindow::failedConversionShowsConversionNotComplete() {
    Desktop desktop;
    desktop.session.Engine().SetRouteSource(DOVREX_SOURCE_DIR "/samples/routes/fixed-route.txt");
    QVERIFY(desktop.session.Engine().SaveSettings());
    frmMain window(desktop.session);
    window.FormLoad(); // no route map yet: the distribution question, answered No
    window.show();
    QTest::mouseClick(Child<QPushButton>(window, "cmdRoute"), Qt::LeftButton);
    QCOMPARE(desktop.messages.Lines(),
             (std::vector<std::string>{"[] Setup information has not yet been entered.\r\n"
                                       "Would you like to load a setup distribution?",
                                       "[Error] Conversion Not Complete\r\nCheck Log"}));
    QVERIFY(LogLines(window).contains(QStringLiteral("Error: Route Conversion Map not specified")));
    // Clear Log empties the pane and disables itself and Open Log.
    QTest::mouseClick(Child<QPushButton>(window, "btnClear"), Qt::LeftButton);
    QCOMPARE(Child<QPlainTextEdit>(window, "txtLog")->toPlainText(), QString());
    QVERIFY(!Child<QPushButton>(window, "btnClear")->isEnabled());
    QVERIFY(!Child<QPushButton>(window, "btnLog")->isEnabled());
}

void TestMainWindow::firstStartLoadsTheDistributionAndReadingRunsTheEngine() {
    // A supervisor's setup carried over: the new folder's only distribution file is taken.
    Desktop source;
    source.UseFixedSample();
    Desktop desktop;
    RecordingMessageBox quiet;
    QVERIFY(clsDist(source.session.Registry(), quiet, nullptr, source.locations.Home)
                .WriteDist(desktop.locations.Home + "/setup.dst"));
    desktop.messages.QueueAnswer(MsgResult::Yes);
    frmMain window(desktop.session);
    window.FormLoad();
    QCOMPARE(desktop.messages.Lines(),
             (std::vector<std::string>{"[] Setup information has not yet been entered.\r\n"
                                       "Would you like to load a setup distribution?",
                                       "[Distribution] " + desktop.locations.Home + "/setup.dst loaded."}));
    QCOMPARE(desktop.session.Engine().RouteMap(), std::string("FixedSample"));
    QVERIFY(QFile::exists(QString::fromStdString(desktop.locations.Home + "/FixedSample.bcm")));

    // "Reading File" runs the engine's reading conversion: without a readings map it fails.
    window.show();
    QTest::mouseClick(Child<QPushButton>(window, "cmdReading"), Qt::LeftButton);
    QCOMPARE(desktop.messages.Lines().back(), std::string("[Error] Conversion Not Complete\r\nCheck Log"));
    QVERIFY(LogLines(window).contains(QStringLiteral("Error: Reading Source does not exist")));
}

void TestMainWindow::layoutRules() {
    struct Row {
        std::map<std::string, std::string> stored;
        QPoint place;      // (-1, -1): where the system put it
        QSize size;        // empty: the form's own size
        bool maximized;
    };
    const QSize form(760, 460);
    const Row rows[] = {
        {{{"WindowState", "0"}, {"Top", "10"}, {"Left", "20"}, {"Width", "700"}, {"Height", "500"}}, {20, 10}, {700, 500}, false},
        {{{"WindowState", "0"}, {"Top", "0"}, {"Left", "0"}, {"Width", "150"}, {"Height", "520"}}, {0, 0}, {760, 520}, false},
        {{{"WindowState", "0"}, {"Top", "-1"}, {"Left", "-5"}, {"Width", "640"}, {"Height", "199"}}, {-1, -1}, {640, 460}, false},
        {{{"WindowState", "1"}, {"Top", "10"}, {"Left", "20"}, {"Width", "700"}, {"Height", "500"}}, {-1, -1}, {}, false},
        {{{"Top", "10"}, {"Left", "20"}, {"Width", "700"}, {"Height", "500"}}, {-1, -1}, {}, false},
        {{{"WindowState", "2"}, {"Width", "700"}}, {-1, -1}, {}, true},
    };
    for (const Row& row : rows) {
        Desktop desktop;
        for (const auto& [key, value] : row.stored) desktop.settings.SaveSetting("frmMain", key, value);
        frmMain window(desktop.session);
        const QPoint systemPlace = window.pos();
        LoadFormLayout(window, desktop.settings);
        if (!row.maximized) QCOMPARE(window.pos(), row.place == QPoint(-1, -1) ? systemPlace : row.place);
        QCOMPARE(window.size(), row.size.isEmpty() ? form : row.size);
        QCOMPARE(window.windowState().testFlag(Qt::WindowMaximized), row.maximized);
    }

    // Closing stores the normal window's place and size, only the state when maximized.
    Desktop desktop;
    {
        frmMain window(desktop.session);
        window.show();
        window.move(30, 40);
        window.resize(700, 500);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.close();
    }
    QCOMPARE(desktop.settings.GetSetting("frmMain", "WindowState"), std::string("0"));
    QCOMPARE(desktop.settings.GetSetting("frmMain", "Width"), std::string("700"));
    QCOMPARE(desktop.settings.GetSetting("frmMain", "Height"), std::string("500"));
    desktop.settings.SaveSetting("frmMain", "Width", "999");
    {
        frmMain window(desktop.session);
        window.showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.close();
    }
    QCOMPARE(desktop.settings.GetSetting("frmMain", "WindowState"), std::string("2"));
    QCOMPARE(desktop.settings.GetSetting("frmMain", "Width"), std::string("999"));

    // A window made too small keeps its commands, and the log keeps equal margins.
    frmMain window(desktop.session);
    window.show();
    window.resize(10, 10);
    QApplication::processEvents();
    auto* install = Child<QPushButton>(window, "btnInstall");
    auto* log = Child<QPlainTextEdit>(window, "txtLog");
    QVERIFY(window.centralWidget()->height() >= install->geometry().bottom() + install->height() / 2);
    const QRect logPlace = log->geometry();
    const int right = window.centralWidget()->width() - logPlace.right() - 1;
    const int bottom = window.centralWidget()->height() - logPlace.bottom() - 1;
    QCOMPARE(right, logPlace.top());
    QCOMPARE(bottom, logPlace.top());
}

void TestMainWindow::editorAndOpenLogGetTheirFileAsOneArgument() {
    Desktop desktop;
    // The "editor" writes its argument count and arguments, one per line.
    const std::string record = desktop.folder.File("arguments");
    const std::string editor = desktop.folder.Write("editor tool", "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '" + record + "'\n");
    std::filesystem::permissions(editor, std::filesystem::perms::owner_all);
    qputenv("VISUAL", QByteArray("'") + QByteArray::fromStdString(editor) + "'");
    const std::string source = desktop.folder.File("route $(touch made) ; touch made2 & name.txt");
    desktop.session.Engine().SetRouteSource(source);
    frmMain window(desktop.session);
    window.show();

    const auto recorded = [&] {
        QFile file(QString::fromStdString(record));
        if (!file.open(QIODevice::ReadOnly)) return QString();
        return QString::fromUtf8(file.readAll());
    };
    QTest::mouseClick(Child<QToolButton>(window, "cmdRouteEdit"), Qt::LeftButton);
    QTRY_COMPARE(recorded(), QStringLiteral("1\n") + QString::fromStdString(source) + QLatin1Char('\n'));
    QVERIFY(!std::filesystem::exists(desktop.folder.File("made")));
    QVERIFY(!std::filesystem::exists("made") && !std::filesystem::exists("made2"));

    // Open Log: the log text on the clipboard and in the file the editor gets.
    QFile::remove(QString::fromStdString(record));
    window.AddLog("Error: Route Source does not exist");
    window.AddLog("");
    QTest::mouseClick(Child<QPushButton>(window, "btnLog"), Qt::LeftButton);
    const QString expected = QStringLiteral("Error: Route Source does not exist\n\n");
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    QTRY_VERIFY(recorded().startsWith(QStringLiteral("1\n")));
    QFile logFile(recorded().split(QLatin1Char('\n')).at(1));
    QVERIFY(logFile.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(logFile.readAll()), expected);
    qunsetenv("VISUAL");

    // The user's editor command splits into words as a shell would split it.
    const std::pair<QString, QStringList> commands[] = {
        {"code -w", {"code", "-w"}},
        {"  'my editor' --flag ", {"my editor", "--flag"}},
        {"\"a \\\"b\" c\\ d ''", {"a \"b", "c d", ""}},
        {"", {}},
    };
    for (const auto& [command, words] : commands) QCOMPARE(TextEditor::SplitWords(command), words);
}

void TestMainWindow::viewerFailures() {
    Desktop desktop;
    frmMain window(desktop.session);
    window.show();
    auto* viewer = Child<QAction>(window, "mnuFileViewer");

    QtFileDialog::SetNextAnswer(std::nullopt); // cancelled: nothing happens
    viewer->trigger();
    QCOMPARE(desktop.settings.GetSetting("RememberedUse", "ViewerFile"), std::string());

    // A file that is no database: a log line, no box.
    const std::string junk = desktop.folder.Write("junk.pdb", "not a database");
    QtFileDialog::SetNextAnswer(junk);
    viewer->trigger();
    QCOMPARE(desktop.settings.GetSetting("RememberedUse", "ViewerFile"), junk);
    QVERIFY(LogLines(window).contains(QStringLiteral("Error: Could not read QVF file")));
    QVERIFY(desktop.messages.Shown.empty());

    // A route record before any header: "Unable to display file".
    const std::string broken = desktop.folder.File("broken.pdb");
    {
        clsQVF qvf;
        qvf.SetVersion(3);
        QCOMPARE(qvf.CreateQVF(broken, ContainerPDB, 2), int16_t{0});
        qvf.AddNew();
        qvf.SetItem("RecType", Value(int64_t{1}));
        qvf.SetItem("RouteNbr", Value(int64_t{1}));
        qvf.WriteData();
        qvf.Close();
    }
    QtFileDialog::SetNextAnswer(broken);
    viewer->trigger();
    QCOMPARE(desktop.messages.Lines(), std::vector<std::string>{"[] Unable to display file"});
}

void TestMainWindow::installToUnitsQueuesTheApplicationFile() {
    Desktop desktop;
    MakeFolders(desktop.locations.PalmDesktop);
    desktop.folder.Write("palm/users", "1\tAnn\tAnn\n2\tBob\tBob\n");
    // The test program's name chooses no application file; the Meazura files show the queueing.
    desktop.folder.Write(std::string("home/") + clsInstaller::MeazuraLibraryFile, "library");
    desktop.folder.Write(std::string("home/") + clsInstaller::MeazuraPatchFile, "patch");
    frmMain window(desktop.session);
    window.show();
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog != nullptr);
        dialog->findChild<QListWidget*>(QStringLiteral("lstUnits"))->item(1)->setCheckState(Qt::Checked);
        dialog->findChild<QCheckBox*>(QStringLiteral("chkMeazura"))->setChecked(true);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdInstall")), Qt::LeftButton);
    });
    QTest::mouseClick(Child<QPushButton>(window, "btnInstall"), Qt::LeftButton);
    QCOMPARE(desktop.folder.Read(std::string("palm/Bob/Install/") + clsInstaller::MeazuraLibraryFile), std::string("library"));
    QCOMPARE(desktop.folder.Read(std::string("palm/Bob/Install/") + clsInstaller::MeazuraPatchFile), std::string("patch"));
    QVERIFY(!std::filesystem::exists(desktop.folder.File("palm/Ann/Install")));
    QVERIFY(LogLines(window).filter(QStringLiteral("Warning:")).isEmpty());
}

DOVREX_WINDOW_TEST(TestMainWindow)
#include "TestMainWindow.moc"
