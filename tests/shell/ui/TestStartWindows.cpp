#include "shell/ui/FirstUse.h"
#include "shell/ui/frmAbout.h"
#include "shell/ui/frmSplash.h"

#include "support/TempFolder.h"
#include "support/WindowTesting.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>

using namespace dovrex::ui;
using dovrex::test::TempFolder;

class TestStartWindows : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splashShowsVersionAndClosesByItself();
    void aboutBox();
    void firstUseCopiesSamplesIntoANewFolderOnly();
    void samplesAreTakenFromTheInstallationWhenItHasThem();
};

namespace {

QString Label(QWidget& window, const char* name) {
    auto* label = window.findChild<QLabel*>(QString::fromLatin1(name));
    return label == nullptr ? QStringLiteral("<missing>") : label->text();
}

} // namespace

void TestStartWindows::splashShowsVersionAndClosesByItself() {
    frmSplash splash;
    QCOMPARE(Label(splash, "lblVersion"), QStringLiteral("Version 3.0.0"));
    QCOMPARE(Label(splash, "lblProductName"), QStringLiteral("Dovrex"));
    QCOMPARE(Label(splash, "lblCompany"), QStringLiteral("Kelmora, Inc."));
    QCOMPARE(Label(splash, "lblCompanyProduct"), QStringLiteral("Quenderel"));
    QCOMPARE(Label(splash, "lblCopyright"), QStringLiteral("Copyright (C) Kelmora, Inc."));
    QCOMPARE(Label(splash, "lblPlatform"), QStringLiteral("Route exchange for handheld meter reading"));
    QCOMPARE(Label(splash, "lblWarning"), QString());
    splash.show();
    auto* timer = splash.findChild<QTimer*>(QStringLiteral("Timer1"));
    QVERIFY(timer != nullptr && timer->isActive());
    QCOMPARE(timer->interval(), 3000);
    // The same timer, run faster: the window closes without being touched.
    timer->setInterval(20);
    QTRY_VERIFY(!splash.isVisible());
    QVERIFY(!timer->isActive());

    frmSplash pressed;
    pressed.show();
    QTest::keyClick(&pressed, Qt::Key_Space);
    QVERIFY(!pressed.isVisible());
}

void TestStartWindows::aboutBox() {
    frmAbout about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About Dovrex"));
    QCOMPARE(Label(about, "lblVersion"), QStringLiteral("Version 3.0.0"));
    QCOMPARE(Label(about, "lblTitle"), QStringLiteral("Dovrex"));
    QCOMPARE(Label(about, "lblDescription"), QStringLiteral("Route exchange for handheld meter reading"));
    QCOMPARE(Label(about, "lblDisclaimer"), QStringLiteral("Copyright (C) Kelmora, Inc. Kelmora, Inc."));
    QCOMPARE(Label(about, "lblProductName"), QStringLiteral("Quenderel"));
    about.show();
    QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    QVERIFY(!about.isVisible());
    about.show();
    QTest::keyClick(&about, Qt::Key_Escape);
    QVERIFY(!about.isVisible());
}

void TestStartWindows::firstUseCopiesSamplesIntoANewFolderOnly() {
    TempFolder folder;
    const std::string samples = folder.File("samples");
    std::filesystem::create_directories(samples + "/maps");
    std::filesystem::create_directories(samples + "/routes");
    folder.Write("samples/maps/Sample.bcm", "map");
    folder.Write("samples/routes/route.txt", "route");
    folder.Write("samples/make.py", "not a sample");

    const std::string fresh = folder.File("fresh");
    QCOMPARE(CopySamplesIntoNewFolder(fresh, samples), 2);
    QCOMPARE(folder.Read("fresh/Sample.bcm"), std::string("map"));
    QCOMPARE(folder.Read("fresh/Samples/route.txt"), std::string("route"));
    QVERIFY(!std::filesystem::exists(fresh + "/make.py"));

    // A folder in use gets nothing, and no file of the user's is replaced.
    std::filesystem::create_directories(folder.File("used"));
    folder.Write("used/Sample.bcm", "the user's map");
    QCOMPARE(CopySamplesIntoNewFolder(folder.File("used"), samples), 0);
    QCOMPARE(folder.Read("used/Sample.bcm"), std::string("the user's map"));
    QVERIFY(!std::filesystem::exists(folder.File("used/Samples")));
}

void TestStartWindows::samplesAreTakenFromTheInstallationWhenItHasThem() {
    TempFolder folder;
    std::filesystem::create_directories(folder.File("usr/bin"));
    std::filesystem::create_directories(folder.File("usr/share/dovrex/samples"));
    folder.Write("usr/share/dovrex/file", "not a folder");
    const std::string bin = folder.File("usr/bin");
    const std::string builtIn = "/src/dovrex/samples";
    const struct {
        std::string ExecutableFolder, Relative, Expected;
    } rows[] = {
        {bin, "../share/dovrex/samples", folder.File("usr/share/dovrex/samples")}, // installed
        {bin + "/", "../share/dovrex/samples", folder.File("usr/share/dovrex/samples")},
        {bin, "../share/dovrex/missing", builtIn}, // run from the build folder
        {bin, "../share/dovrex/file", builtIn},    // a file is no samples folder
        {"", "../share/dovrex/samples", builtIn},  // executable folder unknown
        {bin, "", builtIn},
    };
    for (const auto& row : rows) {
        QCOMPARE(ShippedSamplesFolder(row.ExecutableFolder, row.Relative, builtIn), row.Expected);
    }
}

DOVREX_WINDOW_TEST(TestStartWindows)
#include "TestStartWindows.moc"
