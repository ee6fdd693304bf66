#include "TestDesktop.h"
#include "shell/ui/DesktopSession.h"
#include "shell/ui/frmMain.h"

#include "advanced/clsAdvanced.h"

#include "support/TempFolder.h"
#include "support/TestDoubles.h"
#include "support/WindowTesting.h"

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>

using namespace dovrex;
using namespace dovrex::ui;
using dovrex::test::RecordingMessageBox;
using dovrex::test::TempFolder;

namespace {

struct Desktop : dovrex::test::TestDesktop {
    std::vector<std::string> readingSources; // what each reading conversion read from

    clsAdvanced& Advanced() { return clsAdvanced::Shared(locations.Registry); }

    frmMainSeams Seams() {
        frmMainSeams seams;
        seams.ConvertReading = [this](clsExchange& engine) {
            readingSources.push_back(engine.ReadingSource());
            return true;
        };
        return seams;
    }
};

// Acts on the next modal window once it is up; a window a failed check left open is closed.
void WhenShown(std::function<void(QWidget&)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        QWidget* window = QApplication::activeModalWidget();
        QVERIFY(window != nullptr);
        act(*window);
        if (QApplication::activeModalWidget() == window) window->close();
    });
}

} // namespace

class TestMainAdvanced : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void advancedCommandRenewsTheConfiguration();
    void readingFileOffersTheFavourites();
};

void TestMainAdvanced::advancedCommandRenewsTheConfiguration() {
    Desktop desktop;
    const clsAdvanced* before = &desktop.Advanced();
    frmMain window(desktop.session);
    window.show();
    auto* advanced = window.findChild<QPushButton*>(QStringLiteral("btnAdvanced"));
    QVERIFY(advanced->isEnabled());
    WhenShown([](QWidget& dialog) {
        QCOMPARE(dialog.objectName(), QStringLiteral("frmAdvanced"));
        dialog.findChild<QCheckBox*>(QStringLiteral("chkLogin"))->click();
        dialog.findChild<QPushButton*>(QStringLiteral("btnClose"))->click();
    });
    QTest::mouseClick(advanced, Qt::LeftButton);
    // A fresh instance that read the saved configuration.
    QVERIFY(&desktop.Advanced() != before);
    QVERIFY(desktop.Advanced().UseLoginSecurity());
    QVERIFY(desktop.messages.Shown.empty());

    // A store that refuses the save: the error is shown and the changes stay with the
    // instance in use, to be saved later, instead of being dropped with it.
    clsAdvanced* kept = &desktop.Advanced();
    std::filesystem::remove(desktop.locations.Registry);
    std::filesystem::create_directory(desktop.locations.Registry);
    WhenShown([](QWidget& dialog) {
        auto* login = dialog.findChild<QCheckBox*>(QStringLiteral("chkLogin"));
        login->click();
        login->click(); // on again, as the store file held it
    });
    QTest::mouseClick(advanced, Qt::LeftButton);
    QCOMPARE(desktop.messages.Shown.size(), size_t{1});
    QCOMPARE(desktop.messages.Shown[0].Title, std::string("Error"));
    QVERIFY(&desktop.Advanced() == kept);
    QVERIFY(kept->GroupDirty(clsAdvanced::grpLogins));
    std::filesystem::remove(desktop.locations.Registry);
    clsAdvanced::ReleaseShared();
    QVERIFY(clsAdvanced(desktop.locations.Registry).UseLoginSecurity());
}

void TestMainAdvanced::readingFileOffersTheFavourites() {
    Desktop desktop;
    const std::string chosen = desktop.folder.Write("home/unit.pdb", "readings");
    desktop.Advanced().AddFavorite("Unit", chosen);
    frmMain window(desktop.session, desktop.Seams());
    window.show();
    clsExchange& engine = desktop.session.Engine();
    auto* reading = window.findChild<QPushButton*>(QStringLiteral("cmdReading"));
    const std::string stored = engine.ReadingSource();

    // Each row: favourites in use or not, what the user does with the chooser, and the
    // source the conversion read (none: no conversion).
    struct Row {
        bool useFavorite;
        std::function<void(QWidget&)> act; // empty: no chooser expected
        std::vector<std::string> converted;
    };
    const Row rows[] = {
        {false, {}, {stored}},
        {true, [](QWidget& chooser) { chooser.findChild<QPushButton*>(QStringLiteral("btnClose"))->click(); }, {}},
        {true,
         [](QWidget& chooser) {
             chooser.findChild<QListWidget*>(QStringLiteral("List1"))->setCurrentRow(0);
             chooser.findChild<QPushButton*>(QStringLiteral("btnUse"))->click();
         },
         {chosen}},
    };
    for (const Row& row : rows) {
        desktop.Advanced().SetUseFavorite(row.useFavorite);
        desktop.readingSources.clear();
        bool chooserShown = false;
        if (row.act) {
            WhenShown([&](QWidget& chooser) {
                chooserShown = chooser.objectName() == QStringLiteral("frmFavorites");
                row.act(chooser);
            });
        }
        const QString log = window.findChild<QPlainTextEdit*>(QStringLiteral("txtLog"))->toPlainText();
        QTest::mouseClick(reading, Qt::LeftButton);
        QCOMPARE(chooserShown, static_cast<bool>(row.act));
        QCOMPARE(desktop.readingSources, row.converted);
        if (row.converted.empty()) {
            QCOMPARE(window.findChild<QPlainTextEdit*>(QStringLiteral("txtLog"))->toPlainText(), log);
        }
        // The chosen file served that run only.
        QCOMPARE(engine.ReadingSource(), stored);
    }
    QVERIFY(desktop.messages.Shown.empty());
    clsAdvanced::ReleaseShared();
}

DOVREX_WINDOW_TEST(TestMainAdvanced)
#include "TestMainAdvanced.moc"
