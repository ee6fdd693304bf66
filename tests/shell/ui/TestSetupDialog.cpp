#include "TestDesktop.h"
#include "shell/ui/DesktopSession.h"
#include "shell/ui/frmMain.h"
#include "shell/ui/frmOptions.h"

#include "maps/ui/frmMapEdit.h"

#include "support/TempFolder.h"
#include "support/TestDoubles.h"
#include "support/WindowTesting.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>

using namespace dovrex;
using dovrex::test::WhenModal;
using namespace dovrex::ui;
using dovrex::test::RecordingMessageBox;
using dovrex::test::TempFolder;

namespace {

// Keeps every file dialog request and answers with the next prepared name (none: cancelled).
class RecordingFileDialog : public IFileDialog {
public:
    std::optional<FileDialogAnswer> Ask(const FileDialogRequest& request) override {
        Requests.push_back(request);
        if (!Next) return std::nullopt;
        return FileDialogAnswer{*Next, request.FilterIndex};
    }
    std::vector<FileDialogRequest> Requests;
    std::optional<std::string> Next;
};

// A desktop session on folders of the test's own, with HotSync users Ann and Bob.
struct Desktop : dovrex::test::TestDesktop {
    RecordingFileDialog files;

    Desktop() {
        MakeFolders(locations.PalmDesktop);
        folder.Write("palm/users", "1\tAnn\tAnn\n2\tBob\tBob\n");
    }
    clsExchange& Engine() { return session.Engine(); }
    void Map(const std::string& file) { folder.Write("home/" + file, "QVF=1.1\r\nMAPTYPE=1\r\n"); }
};

// The setup dialog, filled from the engine and shown (not modally) for the test to use.
struct Setup {
    frmOptions window;
    explicit Setup(Desktop& desktop) : window(desktop.session, desktop.files) {
        window.FormLoad();
        window.show();
    }
    ~Setup() {
        if (window.isVisible()) window.reject();
    }
    template <class T = QWidget> T* C(const QString& name) {
        T* child = window.findChild<T*>(name);
        if (child == nullptr) qWarning("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
        return child;
    }
    template <class T = QWidget> T* C(const char* name, int index) { return C<T>(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index)); }
    QStringList Maps(int use) {
        QStringList entries;
        auto* list = C<QComboBox>("cboMapping", use);
        for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
        return entries;
    }
    QString Chosen(int use) { return C<QComboBox>("cboMapping", use)->currentText(); }
    void Click(const QString& name) { C<QPushButton>(name)->click(); }
};

QString Plain(QString caption) { return caption.remove(QLatin1Char('&')); }

} // namespace

class TestSetupDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tabsControlsAndKeyboard();
    void openingShowsTheEngineAndApplyStoresIt();
    void immediateReactionsOutliveCancel();
    void mapListsAndTheMapEditor();
    void browseDialogs();
    void failuresAreShown();
    void mainWindowOpensSetupAndLayoutIsKept();
};

void TestSetupDialog::tabsControlsAndKeyboard() {
    Desktop desktop;
    Setup setup(desktop);
    QCOMPARE(setup.window.windowTitle(), QStringLiteral("Setup"));
    auto* tabs = setup.C<QTabWidget>("tbsOptions");
    const std::pair<const char*, const char*> tabTexts[] = {
        {"Route Conversion", "Specify Source for Creating QVF file"},
        {"Re-Read Conversion", "Input Transponder IDs for Re-Reads"},
        {"Reading Conversion", "Specify Conversions for Meter Readings"},
        {"PRC/PDB Installation", "Handling of PRC/PDB files"},
    };
    QCOMPARE(tabs->count(), 4);
    for (int tab = 0; tab < 4; ++tab) {
        QCOMPARE(tabs->tabText(tab), QString::fromLatin1(tabTexts[tab].first));
        QCOMPARE(tabs->tabToolTip(tab), QString::fromLatin1(tabTexts[tab].second));
        QCOMPARE(tabs->widget(tab)->objectName(), QStringLiteral("picOptions_%1").arg(tab + 1));
    }
    struct Control { QString name; const char* text; const char* tooltip; };
    const Control controls[] = {
        {"lblSourcePath_1", "Route Source:", ""}, {"lblDestinationPath_1", "Destination QVF:", ""},
        {"lblMapping_1", "Mapping:", ""}, {"lblQVFType_1", "QVF Format:", ""},
        {"btnSource_1", "Browse ...", ""}, {"btnDestination_1", "Browse ...", ""},
        {"btnEditMap_1", "Edit Map", ""}, {"btnNewMap_1", "New Map", ""},
        {"lblSourcePath_2", "Re-Read Source:", ""}, {"lblDestinationPath_2", "Destination QVF:", ""},
        {"lblQVFType_2", "QVF Format:", ""}, {"btnNewMap_2", "New Map", ""},
        {"fraReadings", "Readings", ""}, {"lblSourcePath_3", "Source QVF:", ""},
        {"lblDestinationPath_3", "Destination File:", ""}, {"lblMapping_3", "Mapping:", ""},
        {"chkAutoReread", "Generate Re-Read file for Exceptions", ""}, {"chkOrphanConvert", "Write Orphans to File", ""},
        {"fraOrphans", "Orphans", ""}, {"lblDestinationPath_99", "Destination File:", ""},
        {"btnDestination_99", "Browse ...", ""}, {"btnEditMap_99", "Edit Map", ""}, {"btnNewMap_99", "New Map", ""},
        {"optOrphanReplace_1", "Replace file each time readings are processed (may lose data)", ""},
        {"optOrphanReplace_0", "Create or append to file (continues to grow until deleted)", ""},
        {"optInstallPRC_0", "Install the PRC/PDB ready for hotsync.", "Copy the created route file to the install directory for a handheld unit."},
        {"optInstallPRC_1", "Just write the PRC/PDB file.", "The file is left in the destination directory.  You must manually install it onto a handheld."},
        {"chkLeave", "Keep copy in destination folder.", "Check to leave copy of Route QVF file in destination."},
        {"chkPrompt", "Prompt during Route QVF Creation", "If checked, the choice of the Destination Handheld is made during Route QVF creation."},
        {"cmdOK", "OK", ""}, {"cmdCancel", "Cancel", ""}, {"cmdApply", "Apply", ""},
    };
    for (const Control& control : controls) {
        QWidget* widget = setup.C(control.name);
        QVERIFY2(widget != nullptr, qPrintable(control.name));
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) text = button->text();
        else if (auto* label = qobject_cast<QLabel*>(widget)) text = label->text();
        else if (auto* frame = qobject_cast<QGroupBox*>(widget)) text = frame->title();
        QCOMPARE(Plain(text), QString::fromLatin1(control.text));
        QCOMPARE(widget->toolTip(), QString::fromLatin1(control.tooltip));
    }
    for (int use : {1, 2}) {
        auto* types = setup.C<QComboBox>("cboQVFType", use);
        QCOMPARE(types->count(), 3);
        QCOMPARE(types->itemText(0), QStringLiteral("Palm Database File (PDB)"));
        QCOMPARE(types->itemText(1), QStringLiteral("Palm Resource File (PRC)"));
        QCOMPARE(types->itemText(2), QStringLiteral("Virtual File System (VFS)"));
    }
    QVERIFY(setup.C<QPushButton>("cmdOK")->isDefault());

    // Ctrl+Tab from any control: the next tab, from the last the first; only the tab on show is enabled.
    QCOMPARE(setup.window.CurrentTab(), 1);
    setup.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&setup.window));
    setup.C("txtSourcePath", 1)->setFocus();
    for (int expected : {2, 3, 4, 1}) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus != nullptr ? focus : &setup.window, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(setup.window.CurrentTab(), expected);
        for (int tab = 0; tab < 4; ++tab) QCOMPARE(tabs->widget(tab)->isEnabled(), tab + 1 == expected);
        dovrex::test::SaveScreenshot(setup.window, QStringLiteral("setup-tab%1").arg(expected));
    }

    // Never smaller than 6900 x 6060 twips; text boxes and lists take the width, buttons keep to the right.
    const QSize least(qCeil(6900.0 / 1440 * setup.window.logicalDpiX()), qCeil(6060.0 / 1440 * setup.window.logicalDpiY()));
    QVERIFY(setup.window.minimumWidth() >= least.width() && setup.window.minimumHeight() >= least.height());
    const QSize before = setup.C("txtSourcePath", 1)->size();
    setup.window.resize(setup.window.width() + 200, setup.window.height() + 100);
    QApplication::processEvents();
    QCOMPARE(setup.C("txtSourcePath", 1)->width(), before.width() + 200);
    QCOMPARE(setup.C("cboMapping", 1)->geometry().right() + 1 + setup.window.fontMetrics().horizontalAdvance(QLatin1Char('X')),
             setup.C("btnEditMap", 1)->geometry().left());
    QCOMPARE(setup.C("btnSource", 1)->geometry().right(), setup.C("btnNewMap", 1)->geometry().right());
    dovrex::test::SaveScreenshot(setup.window, QStringLiteral("setup-resized-large"));
    tabs->setCurrentIndex(2);
    setup.C<QCheckBox>("chkOrphanConvert")->setChecked(true);
    setup.window.resize(10, 10);
    QApplication::processEvents();
    QVERIFY(setup.window.width() >= least.width() && setup.window.height() >= least.height());
    dovrex::test::SaveScreenshot(setup.window, QStringLiteral("setup-reading-smallest"));
}

void TestSetupDialog::openingShowsTheEngineAndApplyStoresIt() {
    Desktop desktop;
    desktop.Map("Billing.bcm");
    desktop.Map("Upload.brm");
    desktop.Map("Strays.bom");
    clsExchange& engine = desktop.Engine();
    engine.SetRouteSource("route.txt");
    engine.SetRouteQVFType("VFS");
    engine.SetRouteMap("Billing");
    engine.SetReReadQVFType("XYZ"); // no such format: the list shows none and Apply keeps it
    engine.SetReReadDestination("reread.pdb");
    engine.SetReadingMap("Upload");
    engine.SetAutoReRead(true);
    engine.SetOrphanConvert(5);
    engine.SetOrphanReplace(1);
    engine.SetOrphanMap("Strays");
    engine.SetAutoInstall(true);
    engine.SetAutoInstallLeave(true);
    engine.SetAutoInstallUnit("Bob");
    Setup setup(desktop);
    QCOMPARE(setup.C<QComboBox>("cboQVFType", 1)->currentText(), QStringLiteral("Virtual File System (VFS)"));
    QCOMPARE(setup.C<QComboBox>("cboQVFType", 2)->currentIndex(), -1);
    QCOMPARE(setup.C<QLineEdit>("txtSourcePath", 1)->text(), QStringLiteral("route.txt"));
    QCOMPARE(setup.C<QLineEdit>("txtSourcePath", 3)->text(), QStringLiteral("ReadingQVF.pdb"));
    QVERIFY(setup.C<QCheckBox>("chkAutoReread")->isChecked());
    QVERIFY(setup.C<QCheckBox>("chkOrphanConvert")->isChecked());
    QVERIFY(setup.C<QRadioButton>("optOrphanReplace", 1)->isChecked());
    QVERIFY(setup.C<QRadioButton>("optInstallPRC", 0)->isChecked());
    QVERIFY(setup.C<QCheckBox>("chkLeave")->isChecked() && !setup.C<QCheckBox>("chkPrompt")->isChecked());
    QCOMPARE(setup.C<QListWidget>("lstUnits")->selectedItems().size(), 1);
    QCOMPARE(setup.C<QListWidget>("lstUnits")->selectedItems()[0]->text(), QStringLiteral("Bob"));
    QCOMPARE(setup.Chosen(3), QStringLiteral("Upload"));
    QCOMPARE(setup.Chosen(99), QStringLiteral("Strays"));
    QVERIFY(desktop.messages.Shown.empty()); // loading raises no notice

    // Apply: every control into its property, texts untouched, then stored.
    setup.C<QLineEdit>("txtSourcePath", 1)->setText(QStringLiteral("  spaced route.txt "));
    setup.C<QLineEdit>("txtDestinationPath", 3)->setText(QStringLiteral("upload.txt"));
    setup.C<QComboBox>("cboMapping", 2)->setCurrentIndex(0);
    setup.C<QRadioButton>("optOrphanReplace", 0)->setChecked(true);
    setup.C<QCheckBox>("chkOrphanConvert")->setChecked(false);
    setup.C<QListWidget>("lstUnits")->clearSelection();
    setup.Click("cmdApply");
    QVERIFY(!setup.C<QPushButton>("cmdApply")->isEnabled());
    struct Stored { const char* section; const char* name; const char* value; };
    const Stored stored[] = {
        {"Route", "Source", "  spaced route.txt "}, {"Route", "Destination", "RouteQVF.pdb"}, {"Route", "Map", "Billing"},
        {"Route", "QVFType", "VFS"}, {"ReRead", "Destination", "reread.pdb"}, {"ReRead", "Map", "Billing"},
        {"ReRead", "QVFType", "XYZ"}, {"Reading", "Source", "ReadingQVF.pdb"}, {"Reading", "Destination", "upload.txt"},
        {"Reading", "Map", "Upload"}, {"Reading", "AutoReRead", "Y"}, {"Orphan", "Map", "Strays"},
        {"Orphan", "Convert", "0"}, {"Orphan", "Replace", "0"}, {"PRCInstall", "AutoInstall", "Y"},
        {"PRCInstall", "Leave", "Y"}, {"PRCInstall", "Prompt", "N"}, {"PRCInstall", "Unit", ""},
    };
    for (const Stored& value : stored) {
        QCOMPARE(engine.GetParm(value.section, value.name, "(none)"), std::string(*value.value ? value.value : "(none)"));
    }
    QCOMPARE(engine.AutoInstallUnit(), std::string());
    // Apply stays off for the dialog's life; OK applies again and closes.
    setup.C<QCheckBox>("chkOrphanConvert")->setChecked(true);
    QVERIFY(!setup.C<QPushButton>("cmdApply")->isEnabled());
    setup.Click("cmdOK");
    QVERIFY(!setup.window.isVisible());
    QCOMPARE(setup.window.result(), int(QDialog::Accepted));
    QCOMPARE(engine.GetParm("Orphan", "Convert", ""), std::string("1"));
    QVERIFY(desktop.messages.Shown.empty());

    // Opened again, Apply is back.
    Setup again(desktop);
    QVERIFY(again.C<QPushButton>("cmdApply")->isEnabled());
    QCOMPARE(again.C<QComboBox>("cboQVFType", 1)->currentText(), QStringLiteral("Virtual File System (VFS)"));
    QCOMPARE(again.C<QComboBox>("cboQVFType", 2)->currentIndex(), -1);
}

void TestSetupDialog::immediateReactionsOutliveCancel() {
    Desktop desktop;
    clsExchange& engine = desktop.Engine();
    engine.SetAutoInstall(true);
    engine.SetAutoInstallUnit("Ann");
    Setup setup(desktop);
    setup.C<QTabWidget>("tbsOptions")->setCurrentIndex(3);
    auto* leave = setup.C<QCheckBox>("chkLeave");
    auto* prompt = setup.C<QCheckBox>("chkPrompt");
    auto* units = setup.C<QListWidget>("lstUnits");
    QCOMPARE(units->count(), 2);
    QVERIFY(leave->isEnabled() && prompt->isEnabled() && units->isEnabled());

    // Each reaction: the controls it enables and the engine value it sets at once.
    struct Row {
        std::function<void()> act;
        bool leaveOn, promptOn, unitsOn;
        std::function<bool()> engineSet;
    };
    const Row rows[] = {
        {[&] { prompt->setChecked(true); }, true, true, false, [&] { return engine.AutoInstallPrompt(); }},
        {[&] { prompt->setChecked(false); }, true, true, true, [&] { return !engine.AutoInstallPrompt(); }},
        {[&] { units->setCurrentRow(1); }, true, true, true, [&] { return engine.AutoInstallUnit() == "Bob"; }},
        {[&] { leave->setChecked(true); }, true, true, true, [&] { return engine.AutoInstallLeave(); }},
        {[&] { setup.C<QRadioButton>("optInstallPRC", 1)->setChecked(true); }, false, false, false, [&] { return !engine.AutoInstall(); }},
        {[&] { prompt->setChecked(true); }, false, false, false, [&] { return engine.AutoInstallPrompt(); }},
        {[&] { setup.C<QRadioButton>("optInstallPRC", 0)->setChecked(true); }, true, true, false, [&] { return engine.AutoInstall(); }},
        {[&] { setup.C<QRadioButton>("optInstallPRC", 1)->setChecked(true); }, false, false, false, [&] { return !engine.AutoInstall(); }},
    };
    int step = 0;
    for (const Row& row : rows) {
        row.act();
        QVERIFY2(leave->isEnabled() == row.leaveOn && prompt->isEnabled() == row.promptOn && units->isEnabled() == row.unitsOn,
                 qPrintable(QString::number(step)));
        QVERIFY2(row.engineSet(), qPrintable(QString::number(step)));
        ++step;
    }

    // The orphan frame shows only while its box is ticked.
    auto* orphans = setup.C("fraOrphans");
    setup.C<QTabWidget>("tbsOptions")->setCurrentIndex(2);
    QVERIFY(orphans->isHidden());
    setup.C<QCheckBox>("chkOrphanConvert")->setChecked(true);
    QVERIFY(orphans->isVisible());
    setup.C<QCheckBox>("chkOrphanConvert")->setChecked(false);
    QVERIFY(orphans->isHidden());
    QCOMPARE(engine.OrphanConvert(), int16_t{0});

    // Re-reads for exceptions want a re-read destination: a notice when it is empty.
    auto* autoReread = setup.C<QCheckBox>("chkAutoReread");
    setup.C<QLineEdit>("txtDestinationPath", 2)->clear();
    autoReread->setChecked(true);
    autoReread->setChecked(false);
    setup.C<QLineEdit>("txtDestinationPath", 2)->setText(QStringLiteral("reread.pdb"));
    autoReread->setChecked(true);
    QCOMPARE(desktop.messages.Lines(), std::vector<std::string>{"[Notice] Specify the Re-Read destination file in the Re-Read Panel"});
    QVERIFY(!engine.AutoReRead());

    // Cancel keeps the engine as the reactions left it, and stores nothing.
    setup.Click("cmdCancel");
    QCOMPARE(setup.window.result(), int(QDialog::Rejected));
    QVERIFY(!engine.AutoInstall() && engine.AutoInstallPrompt() && engine.AutoInstallLeave());
    QCOMPARE(engine.GetParm("PRCInstall", "AutoInstall", "(none)"), std::string("(none)"));
}

void TestSetupDialog::mapListsAndTheMapEditor() {
    Desktop desktop;
    for (const char* file : {"Billing.bcm", "alpha.bcm", "Upload.brm", "Strays.bom", "OLD.BCM", "notes.txt", ".bcm"}) desktop.Map(file);
    MakeFolders(desktop.locations.Home + "/Folder.bcm");
    desktop.Engine().SetRouteMap("billing");
    desktop.Engine().SetReReadMap("missing");
    Setup setup(desktop);
    // Route and re-read share their maps; each use lists only its own extension.
    QCOMPARE(setup.Maps(1), (QStringList{"alpha", "Billing"}));
    QCOMPARE(setup.Maps(2), (QStringList{"alpha", "Billing"}));
    QCOMPARE(setup.Maps(3), QStringList{"Upload"});
    QCOMPARE(setup.Maps(99), QStringList{"Strays"});
    QCOMPARE(setup.Chosen(1), QStringLiteral("Billing"));
    QVERIFY(setup.C<QPushButton>("btnEditMap", 1)->isEnabled());
    QCOMPARE(setup.C<QComboBox>("cboMapping", 2)->currentIndex(), -1);
    setup.C<QTabWidget>("tbsOptions")->setCurrentIndex(1);
    QVERIFY(!setup.C<QPushButton>("btnEditMap", 2)->isEnabled());
    setup.C<QComboBox>("cboMapping", 2)->setCurrentIndex(0);
    QVERIFY(setup.C<QPushButton>("btnEditMap", 2)->isEnabled());

    // "New Map" saved as Test: the list of that use shows it chosen, the shared list has it too.
    auto edited = WhenModal<frmMapEdit>([](frmMapEdit& editor) {
        QCOMPARE(editor.windowTitle(), QStringLiteral("New Route Map"));
        WhenModal<QInputDialog>([](QInputDialog& box) {
            box.setTextValue(QStringLiteral("Test"));
            box.accept();
        });
        editor.findChild<QPushButton*>(QStringLiteral("btnAction_1"))->click();
    });
    setup.C<QTabWidget>("tbsOptions")->setCurrentIndex(0);
    setup.Click("btnNewMap_1");
    QVERIFY(*edited);
    QVERIFY(std::filesystem::exists(desktop.locations.Home + "/Test.bcm"));
    QCOMPARE(setup.Chosen(1), QStringLiteral("Test"));
    QCOMPARE(setup.Maps(2), (QStringList{"alpha", "Billing", "Test"}));
    QCOMPARE(setup.Chosen(2), QStringLiteral("alpha"));

    // "Edit Map" saved under its own name: the choice stays.
    edited = WhenModal<frmMapEdit>([](frmMapEdit& editor) {
        QCOMPARE(editor.windowTitle(), QStringLiteral("Edit Route Map: Test"));
        editor.findChild<QPushButton*>(QStringLiteral("btnAction_1"))->click();
    });
    setup.Click("btnEditMap_1");
    QVERIFY(*edited);
    QCOMPARE(setup.Chosen(1), QStringLiteral("Test"));

    // Deleted: no choice and "Edit Map" off.
    edited = WhenModal<frmMapEdit>([](frmMapEdit& editor) { editor.findChild<QPushButton*>(QStringLiteral("btnAction_2"))->click(); });
    setup.Click("btnEditMap_1");
    QVERIFY(*edited);
    QVERIFY(!std::filesystem::exists(desktop.locations.Home + "/Test.bcm"));
    QCOMPARE(setup.C<QComboBox>("cboMapping", 1)->currentIndex(), -1);
    QVERIFY(!setup.C<QPushButton>("btnEditMap", 1)->isEnabled());
    QCOMPARE(setup.Maps(2), (QStringList{"alpha", "Billing"}));

    // The editor of each use gets that use's extension; closed unsaved, nothing changes.
    edited = WhenModal<frmMapEdit>([](frmMapEdit& editor) {
        QCOMPARE(editor.windowTitle(), QStringLiteral("Edit Orphan Map: Strays"));
        editor.reject();
    });
    setup.C<QTabWidget>("tbsOptions")->setCurrentIndex(2);
    setup.C<QComboBox>("cboMapping", 99)->setCurrentIndex(0);
    setup.Click("btnEditMap_99");
    QVERIFY(*edited);
    QCOMPARE(setup.Chosen(99), QStringLiteral("Strays"));
    QVERIFY(desktop.messages.Shown.empty());
}

void TestSetupDialog::browseDialogs() {
    Desktop desktop;
    const std::string home = desktop.Engine().ProgramFolder();
    const std::string qvf = "QVF Files (*.qvf)|*.qvf|DAT Files (*.dat)|*.dat|Palm Resource Files (*.prc)|*.prc|"
                            "Palm Database Files (*.pdb)|*.pdb|All Files(*.*)|*.*";
    const std::string all = "All Files(*.*)|*.*";
    struct Row {
        int tab;
        QString button;
        QString box;
        std::string current;
        bool save;
        std::string title;
        std::string filter;
        int16_t filterIndex;
    };
    const Row rows[] = {
        {1, "btnSource_1", "txtSourcePath_1", "/data/route.txt", false, "Route", all, 1},
        {2, "btnSource_2", "txtSourcePath_2", "ids.txt", false, "ReRead", all, 1},
        {3, "btnSource_3", "txtSourcePath_3", "/x/read.qvf", false, "Reading", qvf, 1},
        {3, "btnSource_3", "txtSourcePath_3", "/x/READ.DAT", false, "Reading", qvf, 2},
        {3, "btnSource_3", "txtSourcePath_3", "/x/read.prc", false, "Reading", qvf, 3},
        {3, "btnSource_3", "txtSourcePath_3", "ReadingQVF.pdb", false, "Reading", qvf, 4},
        {3, "btnSource_3", "txtSourcePath_3", "/x/read.bin", false, "Reading", qvf, 1},
        {1, "btnDestination_1", "txtDestinationPath_1", "out.pdb", true, "Route", qvf, 4},
        {2, "btnDestination_2", "txtDestinationPath_2", "out.prc", true, "ReRead", qvf, 3},
        {3, "btnDestination_3", "txtDestinationPath_3", "upload.pdb", true, "Reading", all, 1},
        {3, "btnDestination_99", "txtDestinationPath_99", "/o/orphans.txt", true, "Orphan", all, 1},
    };
    Setup setup(desktop);
    auto* tabs = setup.C<QTabWidget>("tbsOptions");
    setup.C<QCheckBox>("chkOrphanConvert")->setChecked(true);
    for (const Row& row : rows) {
        tabs->setCurrentIndex(row.tab - 1);
        auto* box = setup.C<QLineEdit>(row.box);
        box->setText(QString::fromStdString(row.current));
        desktop.files.Requests.clear();
        desktop.files.Next = "/chosen/" + row.title + ".txt";
        setup.Click(row.button);
        QCOMPARE(desktop.files.Requests.size(), size_t{1});
        const FileDialogRequest& asked = desktop.files.Requests[0];
        const QString what = row.button + QLatin1Char(' ') + QString::fromStdString(row.current);
        QVERIFY2(asked.Save == row.save && asked.Title == row.title && asked.DefaultExt == ".txt", qPrintable(what));
        QVERIFY2(asked.Flags == (row.save ? 0x8 : 0x80008), qPrintable(what));
        QVERIFY2(asked.Filename == row.current && asked.FilterIndex == row.filterIndex, qPrintable(what));
        std::string filter;
        for (const auto& [description, pattern] : asked.Filters) filter += (filter.empty() ? "" : "|") + description + "|" + pattern;
        QVERIFY2(filter == row.filter, qPrintable(what));
        const std::string folder = row.current.find('/') == 0 ? row.current.substr(0, row.current.rfind('/')) : home;
        QVERIFY2(asked.InitDir == folder, qPrintable(what + QStringLiteral(" ") + QString::fromStdString(asked.InitDir)));
        QCOMPARE(box->text(), QString::fromStdString(*desktop.files.Next));
    }
    // Cancelled: the text stays.
    tabs->setCurrentIndex(0);
    setup.C<QLineEdit>("txtSourcePath_1")->setText(QStringLiteral("keep.txt"));
    desktop.files.Next.reset();
    setup.Click("btnSource_1");
    QCOMPARE(setup.C<QLineEdit>("txtSourcePath_1")->text(), QStringLiteral("keep.txt"));
    // Nothing reached the engine without Apply.
    QCOMPARE(desktop.Engine().RouteSource(), std::string());
}

void TestSetupDialog::failuresAreShown() {
    // HotSync users that cannot be read: the reason in an "Error" box, an empty list.
    Desktop desktop;
    std::filesystem::remove_all(desktop.locations.PalmDesktop);
    {
        Setup setup(desktop);
        QCOMPARE(setup.C<QListWidget>("lstUnits")->count(), 0);
        QCOMPARE(desktop.messages.Shown.size(), size_t{1});
        QCOMPARE(desktop.messages.Shown[0].Title, std::string("Error"));
        QVERIFY(desktop.messages.Shown[0].Text.find("Palm Desktop") != std::string::npos);
    }
    // Settings that cannot be stored: the reason shown, Apply still on, OK keeps the dialog open.
    desktop.messages.Shown.clear();
    MakeFolders(desktop.locations.Registry);
    Setup setup(desktop);
    desktop.messages.Shown.clear();
    setup.Click("cmdApply");
    QVERIFY(setup.C<QPushButton>("cmdApply")->isEnabled());
    setup.Click("cmdOK");
    QVERIFY(setup.window.isVisible());
    QCOMPARE(desktop.messages.Shown.size(), size_t{2});
    QCOMPARE(desktop.messages.Shown[0].Title, std::string("Error"));
    QVERIFY(desktop.messages.Shown[0].Text.find("registry.ini") != std::string::npos);
}

void TestSetupDialog::mainWindowOpensSetupAndLayoutIsKept() {
    Desktop desktop;
    desktop.settings.SaveSetting("frmOptions", "WindowState", "0");
    desktop.settings.SaveSetting("frmOptions", "Width", "700");
    desktop.settings.SaveSetting("frmOptions", "Height", "520");
    frmMain main(desktop.session);
    main.show();
    auto opened = WhenModal<frmOptions>([](frmOptions& setup) {
        QCOMPARE(setup.windowTitle(), QStringLiteral("Setup"));
        QCOMPARE(setup.size(), QSize(700, 520));
        setup.resize(640, 500);
        QTest::keyClick(&setup, Qt::Key_Escape);
    });
    QTest::mouseClick(main.findChild<QPushButton*>(QStringLiteral("cmdSetup")), Qt::LeftButton);
    QVERIFY(*opened);
    QCOMPARE(desktop.settings.GetSetting("frmOptions", "Width"), std::string("640"));
    QCOMPARE(desktop.settings.GetSetting("frmOptions", "Height"), std::string("500"));
    QCOMPARE(desktop.settings.GetSetting("frmOptions", "WindowState"), std::string("0"));
    QVERIFY(desktop.messages.Shown.empty());
}

DOVREX_WINDOW_TEST(TestSetupDialog)
#include "TestSetupDialog.moc"
