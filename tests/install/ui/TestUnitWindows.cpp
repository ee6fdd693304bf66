#include "install/ui/frmPromptUnit.h"
#include "install/ui/frmUnitInstall.h"

#include "install/clsPalmUsers.h"

#include "support/TestDoubles.h"
#include "support/WindowTesting.h"

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace dovrex;
using namespace dovrex::ui;
using dovrex::test::RecordingMessageBox;

namespace {

template <class T> T* Control(const char* name) {
    QWidget* window = QApplication::activeModalWidget();
    return window == nullptr ? nullptr : window->findChild<T*>(QString::fromLatin1(name));
}

// Acts on the window once it is up; a window a failed check left open is closed.
void WhenShown(const std::function<void()>& act) {
    QTimer::singleShot(0, [act] {
        act();
        if (QWidget* window = QApplication::activeModalWidget()) window->close();
    });
}

void Check(int row, bool on) {
    Control<QListWidget>("lstUnits")->item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

} // namespace

class TestUnitWindows : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void installToUnitsEnablesInstallWhileAUnitIsChecked();
    void installToUnitWantsAChosenUnit();
};

void TestUnitWindows::installToUnitsEnablesInstallWhileAUnitIsChecked() {
    const std::vector<std::string> units = {"Ann", "Bob", "Cy"};
    RecordingMessageBox messages;
    std::optional<UnitInstallChoice> choice;
    {
        frmUnitInstall window(messages);
        WhenShown([] {
            auto* install = Control<QPushButton>("cmdInstall");
            QCOMPARE(QApplication::activeModalWidget()->windowTitle(), QStringLiteral("Install to Unit(s)"));
            QCOMPARE(Control<QListWidget>("lstUnits")->count(), 3);
            QVERIFY(!install->isEnabled());
            Check(1, true);
            QVERIFY(install->isEnabled());
            Check(1, false);
            QVERIFY(!install->isEnabled());
            Check(2, true);
            Check(1, true);
            Control<QCheckBox>("chkMeazura")->setChecked(true);
            QTest::mouseClick(install, Qt::LeftButton);
        });
        choice = window.Display(units);
    }
    QVERIFY(choice.has_value());
    QCOMPARE(choice->Units, (std::vector<std::string>{"Bob", "Cy"}));
    QVERIFY(choice->IncludeMeazura);
    QVERIFY(messages.Shown.empty());

    for (const char* how : {"cmdCancel", "Escape"}) {
        frmUnitInstall window(messages);
        WhenShown([how] {
            Check(0, true);
            if (QByteArray(how) == "Escape") QTest::keyClick(Control<QListWidget>("lstUnits"), Qt::Key_Escape);
            else QTest::mouseClick(Control<QPushButton>(how), Qt::LeftButton);
        });
        QVERIFY2(!window.Display(units).has_value(), how);
    }

    // No units: the message, and no window.
    frmUnitInstall window(messages);
    bool shown = false;
    QTimer::singleShot(0, [&] { shown = QApplication::activeModalWidget() != nullptr; });
    QVERIFY(!window.Display({}).has_value());
    QApplication::processEvents();
    QVERIFY(!shown);
    QCOMPARE(messages.Lines(), std::vector<std::string>{std::string("[] ") + NoUnitsMessage});
}

void TestUnitWindows::installToUnitWantsAChosenUnit() {
    const std::vector<std::string> units = {"Ann", "Bob"};
    struct Row {
        const char* how;
        std::function<void()> act;
        std::string unit;
    };
    const Row rows[] = {
        {"install",
         [] {
             auto* install = Control<QPushButton>("cmdInstall");
             QCOMPARE(QApplication::activeModalWidget()->windowTitle(), QStringLiteral("Install To Unit"));
             QVERIFY(!install->isEnabled());
             auto* list = Control<QListWidget>("lstUnits");
             QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
             QVERIFY(install->isEnabled());
             QTest::mouseClick(install, Qt::LeftButton);
         },
         "Bob"},
        {"Enter", [] {
             Control<QListWidget>("lstUnits")->setCurrentRow(0);
             QTest::keyClick(Control<QListWidget>("lstUnits"), Qt::Key_Return);
         },
         "Ann"},
        {"cancel", [] {
             Control<QListWidget>("lstUnits")->setCurrentRow(0);
             QTest::mouseClick(Control<QPushButton>("cmdCancel"), Qt::LeftButton);
         },
         ""},
        {"Escape", [] {
             Control<QListWidget>("lstUnits")->setCurrentRow(0);
             QTest::keyClick(Control<QListWidget>("lstUnits"), Qt::Key_Escape);
         },
         ""},
    };
    for (const Row& row : rows) {
        QtUnitChooser chooser;
        WhenShown(row.act);
        QCOMPARE(chooser.ChooseUnit(units), row.unit);
    }
}

DOVREX_WINDOW_TEST(TestUnitWindows)
#include "TestUnitWindows.moc"
