#include "advanced/ui/frmAdvanced.h"
#include "advanced/ui/frmFavorites.h"
#include "advanced/ui/frmLogin.h"

#include "platform/RuntimeError.h"
#include "platform/ui/QtFileDialog.h"
#include "platform/ui/TabStopDelegate.h"

#include "support/TempFolder.h"
#include "support/TestDoubles.h"
#include "support/WindowTesting.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace dovrex;
using namespace dovrex::ui;
using dovrex::test::RecordingMessageBox;
using dovrex::test::TempFolder;

namespace {

// The modal window that is up now.
QWidget& Modal() {
    static QWidget none;
    QWidget* window = QApplication::activeModalWidget();
    return window != nullptr ? *window : none;
}

template <class T> T* Find(QWidget& window, const char* name) {
    T* child = window.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) qWarning("no %s named %s in %s", T::staticMetaObject.className(), name, qPrintable(window.objectName()));
    return child;
}

// Acts on the next modal window once it is up; a window a failed check left open is closed.
void WhenShown(std::function<void(QWidget&)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        QWidget& window = Modal();
        window.activateWindow();
        QTRY_VERIFY(QApplication::activeWindow() == &window);
        act(window);
        if (QApplication::activeModalWidget() == &window) window.close();
    });
}

void Click(QWidget& window, const char* name) { Find<QAbstractButton>(window, name)->click(); }

void Type(QWidget& window, const char* name, const QString& text) {
    auto* box = Find<QLineEdit>(window, name);
    box->setFocus();
    box->clear();
    QTest::keyClicks(box, text);
}

QStringList Items(QWidget& window, const char* list) {
    QStringList items;
    auto* widget = Find<QListWidget>(window, list);
    for (int row = 0; row < widget->count(); ++row) items << widget->item(row)->text();
    return items;
}

// Clicks, or double-clicks, a list item as the user does.
void Pick(QWidget& window, const char* list, int row, bool twice = false) {
    auto* widget = Find<QListWidget>(window, list);
    const QPoint at = widget->visualItemRect(widget->item(row)).center();
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, at);
    if (twice) QTest::mouseDClick(widget->viewport(), Qt::LeftButton, {}, at);
}

void Pick(QWidget& window, const char* list, const QString& text, bool twice = false) {
    const QList<QListWidgetItem*> found = Find<QListWidget>(window, list)->findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    Pick(window, list, found.first()->listWidget()->row(found.first()), twice);
}

QString Focused() { return QApplication::focusWidget() != nullptr ? QApplication::focusWidget()->objectName() : QString(); }

// A configuration store of the test's own, the advanced window over it and its answers.
struct Setup {
    TempFolder folder;
    std::string store = folder.File("registry.ini");
    std::unique_ptr<clsAdvanced> advanced = std::make_unique<clsAdvanced>(store);
    RecordingMessageBox messages;
    std::vector<std::string> users;
    bool usersFail = false;

    // Shows frmAdvanced; act runs on it once it is up.
    void Open(std::function<void(QWidget&)> act) {
        frmAdvanced window(*advanced, messages, [this] {
            if (usersFail) RaiseError(ErrFileNotFound, "Palm Desktop folder missing");
            return users;
        }, folder.Path(), nullptr);
        WhenShown(std::move(act));
        window.Display();
    }
    // One entry in each list but the tokens.
    void Seed() {
        advanced->AddLogin("SMITH", "pw", "S");
        advanced->AddMessage("Account", "3", "A-1", "m");
        advanced->AddChangeout("RC", "RC1", "d");
        advanced->AddSkip("dog", "Dog");
        advanced->AddFavorite("Ann", "a.pdb");
    }
    // The configuration as the store file holds it now.
    std::unique_ptr<clsAdvanced> Reloaded() const { return std::make_unique<clsAdvanced>(store); }
};

void SelectTab(QWidget& window, int tab) { Find<QTabWidget>(window, "tabAdvanced")->setCurrentIndex(tab); }

} // namespace

class TestAdvancedWindows : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tabsPanelsAndCtrlTab();
    void messagesOpenOnAccountAndListAnyRoute();
    void changeoutDescriptionCutInTheListOnly();
    void favouritesPanelWithoutFavourites();
    void editDialogChecksInOrder();
    void deletingAsksAndEditedTokenStays();
    void editingNeverTakesOverAnotherEntry();
    void immediateSettingsAndSavingOnClose();
    void favouritesChooser();
    void desktopLogin();
    void accessWordSkipsTheLogin();
    void tabStopsAlignColumns();
};

void TestAdvancedWindows::tabsPanelsAndCtrlTab() {
    Setup setup;
    setup.Open([](QWidget& window) {
        QCOMPARE(window.windowTitle(), QStringLiteral("Advanced"));
        auto* tabs = Find<QTabWidget>(window, "tabAdvanced");
        const std::pair<const char*, const char*> captions[] = {
            {"Logins", "Setup handheld and desktop security"},
            {"Messages", "Configure informational messages by meter"},
            {"Changeouts", "Setup code tables for meter changeouts"},
            {"Skip Codes", "Setup feedback messages for handhelds"},
            {"Index", "Specify which words to skip during index preparation."},
            {"Favorites", "Specify QVF file locations by handheld unit."},
            {"Prefs", "Operational Preferences"}};
        QCOMPARE(tabs->count(), 7);
        for (int tab = 0; tab < 7; ++tab) {
            QCOMPARE(tabs->tabText(tab), QString::fromLatin1(captions[tab].first));
            QCOMPARE(tabs->tabToolTip(tab), QString::fromLatin1(captions[tab].second));
        }
        // Only the selected panel is enabled; Ctrl+Tab steps on and wraps from Prefs to Logins.
        for (int step = 1; step <= 7; ++step) {
            QTest::keyClick(Find<QPushButton>(window, "btnClose"), Qt::Key_Tab, Qt::ControlModifier);
            QCOMPARE(tabs->currentIndex(), step % 7);
            for (int tab = 0; tab < 7; ++tab) QCOMPARE(tabs->widget(tab)->isEnabled(), tab == step % 7);
        }
        SelectTab(window, frmAdvanced::tabPrefs);
        QTest::keyClick(Find<QComboBox>(window, "cboAlertTamper"), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), static_cast<int>(frmAdvanced::tabLogins));
        QCOMPARE(Find<QComboBox>(window, "cboAlertBounds")->itemText(2), QStringLiteral("Popup Message"));
        QCOMPARE(Find<QComboBox>(window, "cboIndex")->currentIndex(), 1); // "Always create indexes" by default
        dovrex::test::SaveScreenshot(window, QStringLiteral("advanced-logins"));
    });
}

void TestAdvancedWindows::messagesOpenOnAccountAndListAnyRoute() {
    Setup setup;
    setup.advanced->AddMessage("Account", "12", "A-1", "Dog in yard");
    setup.advanced->AddMessage("SerialNbr", "12", "S-9", "Gate code 4");
    setup.Open([](QWidget& window) {
        SelectTab(window, frmAdvanced::tabMessages);
        QVERIFY(Find<QRadioButton>(window, "optMessageType_0")->isChecked());
        QCOMPARE(Items(window, "lstMessages"), QStringList{"12\tA-1"});
        QVERIFY(!Find<QPushButton>(window, "btnMessagesEdit")->isEnabled());

        // Add New with "Any": listed under the route "ANY".
        WhenShown([](QWidget& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Message"));
            QCOMPARE(Find<QLabel>(dialog, "lMeterID")->text(), QStringLiteral("Account"));
            QVERIFY(!Find<QPushButton>(dialog, "DeleteButton")->isEnabled());
            Type(dialog, "cRouteNbr", "7");
            QVERIFY(!Find<QCheckBox>(dialog, "chkMessageAnyRoute")->isEnabled());
            Type(dialog, "cRouteNbr", " ");
            QVERIFY(Find<QCheckBox>(dialog, "chkMessageAnyRoute")->isEnabled());
            Click(dialog, "chkMessageAnyRoute");
            QCOMPARE(Find<QLineEdit>(dialog, "cRouteNbr")->text(), QString());
            QVERIFY(!Find<QLineEdit>(dialog, "cRouteNbr")->isEnabled());
            QCOMPARE(Focused(), QStringLiteral("cMeterID"));
            Type(dialog, "cMeterID", "B-2");
            Type(dialog, "cMessage", "Call first");
            dovrex::test::SaveScreenshot(dialog, QStringLiteral("advanced-message-dialog"));
            Click(dialog, "OKButton");
        });
        Click(window, "btnMessagesAdd");
        QCOMPARE(Items(window, "lstMessages"), (QStringList{"12\tA-1", "ANY\tB-2"}));

        // Editing it shows "Any" and lets only the text change.
        Pick(window, "lstMessages", "ANY\tB-2");
        QVERIFY(Find<QPushButton>(window, "btnMessagesEdit")->isEnabled());
        WhenShown([](QWidget& dialog) {
            QVERIFY(Find<QCheckBox>(dialog, "chkMessageAnyRoute")->isChecked());
            QCOMPARE(Find<QLineEdit>(dialog, "cRouteNbr")->text(), QString());
            for (const char* key : {"cRouteNbr", "cMeterID"}) QVERIFY(!Find<QLineEdit>(dialog, key)->isEnabled());
            QCOMPARE(Find<QLineEdit>(dialog, "cMeterID")->text(), QStringLiteral("B-2"));
            QVERIFY(Find<QPushButton>(dialog, "DeleteButton")->isEnabled());
            Type(dialog, "cMessage", "Call after 5");
            Click(dialog, "OKButton");
        });
        Click(window, "btnMessagesEdit");

        Click(window, "optMessageType_1");
        QCOMPARE(Items(window, "lstMessages"), QStringList{"12\tS-9"});
    });
    QCOMPARE(setup.advanced->LookupMessage("", "5", "B-2", "", ""), std::string("Supervisor: Call after 5"));
    QVERIFY(setup.messages.Shown.empty());
}

void TestAdvancedWindows::changeoutDescriptionCutInTheListOnly() {
    Setup setup;
    const std::string description = "Register dial cracked and unreadable"; // 36 characters
    setup.advanced->AddChangeout("RC", "07", description);
    setup.advanced->AddChangeout("MT", "W", "Water");
    setup.Open([&](QWidget& window) {
        SelectTab(window, frmAdvanced::tabChangeouts);
        QVERIFY(Find<QRadioButton>(window, "optChangeouts_0")->isChecked());
        QCOMPARE(Items(window, "lstChangeouts"), QStringList{"07\tRegister dial cracked and unre"});
        Pick(window, "lstChangeouts", "07\tRegister dial cracked and unre");
        WhenShown([&](QWidget& dialog) {
            QCOMPARE(Find<QLineEdit>(dialog, "cDescription")->text(), QString::fromStdString(description));
            QVERIFY(!Find<QLineEdit>(dialog, "cCode")->isEnabled());
            dovrex::test::SaveScreenshot(dialog, QStringLiteral("advanced-changeout-dialog"));
            Click(dialog, "OKButton");
        });
        Pick(window, "lstChangeouts", 0, true);
        Click(window, "optChangeouts_1");
        QCOMPARE(Items(window, "lstChangeouts"), QStringList{"W\tWater"});
        SelectTab(window, frmAdvanced::tabChangeouts);
        dovrex::test::SaveScreenshot(window, QStringLiteral("advanced-changeouts"));
    });
    std::string code, kept;
    QCOMPARE(setup.Reloaded()->GetChangeout("RC", "07", code, kept), int16_t{1});
    QCOMPARE(kept, description);
}

void TestAdvancedWindows::favouritesPanelWithoutFavourites() {
    Setup setup;
    setup.advanced->SetUseFavorite(true);
    setup.advanced->SaveValues();
    setup.users = {"Ann", "Bob"};
    setup.Open([&](QWidget& window) {
        SelectTab(window, frmAdvanced::tabFavorites);
        auto* use = Find<QCheckBox>(window, "chkFavorite");
        QVERIFY(!use->isChecked());
        QVERIFY(!use->isEnabled());
        QCOMPARE(use->text().remove(QLatin1Char('&')),
                 QStringLiteral("Use Favorites to select readings file by handheld unit.\n(Define some paths first)"));
        QVERIFY(!setup.advanced->UseFavorite());
        QCOMPARE(Items(window, "lstFavorites"), (QStringList{"Ann", "Bob"}));
        dovrex::test::SaveScreenshot(window, QStringLiteral("advanced-favorites-empty"));

        // A bare HotSync user opens in mode "Edit" with its name and no path; saving adds it.
        Pick(window, "lstFavorites", "Bob");
        WhenShown([&](QWidget& dialog) {
            QCOMPARE(Find<QLineEdit>(dialog, "cUnitID")->text(), QStringLiteral("Bob"));
            QCOMPARE(Find<QLineEdit>(dialog, "cPathName")->text(), QString());
            QVERIFY(Find<QPushButton>(dialog, "DeleteButton")->isEnabled());
            // Browse: a cancelled dialog keeps the field, a chosen file fills it.
            QtFileDialog::SetNextAnswer(std::nullopt);
            Click(dialog, "btnBrowse");
            QCOMPARE(Find<QLineEdit>(dialog, "cPathName")->text(), QString());
            QtFileDialog::SetNextAnswer(setup.folder.File("bob.pdb"));
            Click(dialog, "btnBrowse");
            dovrex::test::SaveScreenshot(dialog, QStringLiteral("advanced-favorite-dialog"));
            Click(dialog, "OKButton");
        });
        Click(window, "btnFavoritesEdit");
        QCOMPARE(Items(window, "lstFavorites"), (QStringList{QString::fromStdString("Bob\t" + setup.folder.File("bob.pdb")), "Ann"}));
        QVERIFY(use->isEnabled());
        QCOMPARE(use->text().remove(QLatin1Char('&')), QStringLiteral("Use Favorites to select readings file by handheld unit."));
        dovrex::test::SaveScreenshot(window, QStringLiteral("advanced-favorites"));

        // The user list failing is shown and the favourites stay.
        setup.usersFail = true;
        SelectTab(window, frmAdvanced::tabPrefs);
        SelectTab(window, frmAdvanced::tabFavorites);
        QCOMPARE(Items(window, "lstFavorites").size(), 1);
    });
    QCOMPARE(setup.messages.Lines(), std::vector<std::string>{"[Error] Palm Desktop folder missing"});
    std::string unit, path;
    const auto stored = setup.Reloaded();
    QVERIFY(!stored->UseFavorite());
    QCOMPARE(stored->GetFavorite("bob", unit, path), int16_t{1});
    QCOMPARE(path, setup.folder.File("bob.pdb"));
}

void TestAdvancedWindows::editDialogChecksInOrder() {
    // Each row fills one dialog opened with Add New on its panel and presses Save; the
    // messages shown and where the focus went, in order, until the dialog closes.
    struct Row {
        int tab;
        std::vector<std::pair<const char*, QString>> fills; // a field and its text; "=name" presses a button
        std::vector<std::string> messages;
        QString focus; // after the last failure (a duplicate leaves it); empty: the dialog closed
    };
    const Row rows[] = {
        {frmAdvanced::tabLogins, {{"cPassword", "pw"}}, {"[] Login ID is required"}, "cLoginID"},
        {frmAdvanced::tabLogins, {{"cLoginID", " "}}, {"[] Login ID is required"}, "cLoginID"},
        {frmAdvanced::tabLogins, {{"cLoginID", "bob"}, {"cPassword", "  "}}, {"[] Password is required"}, "cPassword"},
        {frmAdvanced::tabLogins, {{"cLoginID", "smith"}, {"cPassword", "x"}}, {"[] Already have a login with this ID"}, "cPassword"},
        {frmAdvanced::tabLogins, {{"cLoginID", "JONES"}, {"cPassword", "x"}}, {}, ""},
        {frmAdvanced::tabMessages, {{"cMeterID", "1"}, {"cMessage", "m"}}, {"[] Route Nbr or (ANY) is required"}, "cRouteNbr"},
        {frmAdvanced::tabMessages, {{"cRouteNbr", "3"}, {"cMessage", "m"}}, {"[] Account is required"}, "cMeterID"},
        {frmAdvanced::tabMessages, {{"=", "chkMessageAnyRoute"}, {"cMeterID", "1"}}, {"[] Message is required"}, "cMessage"},
        {frmAdvanced::tabMessages, {{"cRouteNbr", "3"}, {"cMeterID", "a-1"}, {"cMessage", "m"}}, {"[] Already have a Message with this ID"}, "cMessage"},
        {frmAdvanced::tabChangeouts, {{"cDescription", "d"}}, {"[] Code is required"}, "cCode"},
        {frmAdvanced::tabChangeouts, {{"cCode", "c"}}, {"[] Description is required"}, "cDescription"},
        {frmAdvanced::tabChangeouts, {{"cCode", "rc1"}, {"cDescription", "d"}}, {"[] Already have this Code"}, "cDescription"},
        {frmAdvanced::tabSkips, {{"cDescription", "r"}}, {"[] Code is required"}, "cCode"},
        {frmAdvanced::tabSkips, {{"cCode", "s"}}, {"[] Reason Skipped is required"}, "cDescription"},
        {frmAdvanced::tabSkips, {{"cCode", "DOG"}, {"cDescription", "r"}}, {"[] Already have this Code"}, "cDescription"},
        {frmAdvanced::tabIndex, {{"cToken", " "}}, {"[] Address Token is required"}, "cToken"},
        {frmAdvanced::tabIndex, {{"cToken", "rd"}}, {"[] Already have this Token"}, "cToken"},
        {frmAdvanced::tabFavorites, {{"cPathName", "p"}}, {"[] UnitID is required"}, "cUnitID"},
        {frmAdvanced::tabFavorites, {{"cUnitID", "u"}}, {"[] PathName is required"}, "cPathName"},
        {frmAdvanced::tabFavorites, {{"cUnitID", "ANN"}, {"cPathName", "p"}}, {"[] Already have this UnitID"}, "cPathName"},
    };
    const char* adds[] = {"btnLoginsAdd", "btnMessagesAdd", "btnChangeoutsAdd", "btnSkipsAdd", "btnTokensAdd", "btnFavoritesAdd"};
    for (const Row& row : rows) {
        Setup setup;
        setup.Seed();
        QString focus = QStringLiteral("<closed>");
        setup.Open([&](QWidget& window) {
            SelectTab(window, row.tab);
            WhenShown([&](QWidget& dialog) {
                for (const auto& [field, text] : row.fills) {
                    if (QByteArray(field) == "=") Click(dialog, text.toLatin1().constData());
                    else Type(dialog, field, text);
                }
                Click(dialog, "OKButton");
                if (QApplication::activeModalWidget() == &dialog) focus = Focused();
            });
            Click(window, adds[row.tab]);
        });
        const QString label = QString::number(row.tab) + QLatin1Char(' ') + row.fills.front().second;
        QVERIFY2(setup.messages.Lines() == row.messages, qPrintable(label));
        QCOMPARE(focus, row.focus.isEmpty() ? QStringLiteral("<closed>") : row.focus);
    }
}

void TestAdvancedWindows::deletingAsksAndEditedTokenStays() {
    // Delete on each dialog: the question's title, No keeps the entry, Yes removes it.
    struct Row {
        int tab;
        const char* list;
        QString item;
        const char* title;
        std::function<bool(const clsAdvanced&)> present;
    };
    std::string a, b, c;
    const Row rows[] = {
        {frmAdvanced::tabLogins, "lstLogins", "SMITH", "Delete Login", [&](const clsAdvanced& s) { return s.GetLogin("smith", a, b, c) >= 0; }},
        {frmAdvanced::tabMessages, "lstMessages", "3\tA-1", "Delete Message", [&](const clsAdvanced& s) { return s.GetMessage("Account", "3||A-1", a, b, c) >= 0; }},
        {frmAdvanced::tabChangeouts, "lstChangeouts", "RC1\td", "Delete Changeout", [&](const clsAdvanced& s) { return s.GetChangeout("RC", "RC1", a, b) >= 0; }},
        {frmAdvanced::tabSkips, "lstSkips", "dog\tDog", "Delete Skip", [&](const clsAdvanced& s) { return s.GetSkip("dog", a, b) >= 0; }},
        {frmAdvanced::tabIndex, "lstTokens", "RD", "Delete Token", [&](const clsAdvanced& s) { return s.GetToken("Address", "RD", a) >= 0; }},
        {frmAdvanced::tabFavorites, "lstFavorites", "Ann\ta.pdb", "Delete Favorite", [&](const clsAdvanced& s) { return s.GetFavorite("Ann", a, b) >= 0; }},
    };
    const char* edits[] = {"btnLoginsEdit", "btnMessagesEdit", "btnChangeoutsEdit", "btnSkipsEdit", "btnTokensEdit", "btnFavoritesEdit"};
    for (const Row& row : rows) {
        Setup setup;
        setup.Seed();
        setup.messages.QueueAnswer(MsgResult::No);
        setup.messages.QueueAnswer(MsgResult::Yes);
        setup.Open([&](QWidget& window) {
            SelectTab(window, row.tab);
            Pick(window, row.list, row.item);
            for (int attempt = 0; attempt < 2; ++attempt) {
                WhenShown([&](QWidget& dialog) { Click(dialog, "DeleteButton"); });
                Click(window, edits[row.tab]);
                QCOMPARE(row.present(*setup.advanced), attempt == 0);
                if (attempt == 0) Pick(window, row.list, row.item);
            }
            QVERIFY(!Items(window, row.list).contains(row.item));
        });
        QCOMPARE(setup.messages.Lines(), (std::vector<std::string>{std::string("[") + row.title + "] Are you sure?",
                                                                   std::string("[") + row.title + "] Are you sure?"}));
        QVERIFY(!row.present(*setup.Reloaded()));
    }

    // Saving an edited token changes nothing; Cancel changes nothing either.
    Setup setup;
    setup.Open([](QWidget& window) {
        SelectTab(window, frmAdvanced::tabIndex);
        QVERIFY(Find<QRadioButton>(window, "optToken_0")->isChecked());
        for (const char* button : {"OKButton", "CancelButton"}) {
            Pick(window, "lstTokens", "RD");
            WhenShown([button](QWidget& dialog) {
                QCOMPARE(Find<QLineEdit>(dialog, "cToken")->text(), QStringLiteral("RD"));
                Type(dialog, "cToken", "ROAD");
                Click(dialog, button);
            });
            Click(window, "btnTokensEdit");
        }
        QCOMPARE(Items(window, "lstTokens"), (QStringList{"RD", "ST", "LN", "CT", "BLVD", "CIR", "AVE"}));
        Click(window, "optToken_1");
        QCOMPARE(Items(window, "lstTokens").first(), QStringLiteral("CO"));
        SelectTab(window, frmAdvanced::tabIndex);
        dovrex::test::SaveScreenshot(window, QStringLiteral("advanced-index"));
    });
    std::string token;
    QCOMPARE(setup.Reloaded()->GetToken("Address", "ROAD", token), int16_t{-1});
}

void TestAdvancedWindows::editingNeverTakesOverAnotherEntry() {
    // A key changed in mode "Edit" into another entry's key is refused, so that entry
    // keeps its values.
    struct Row {
        int tab;
        const char* list;
        QString item;
        const char* field;
        std::string message;
    };
    const Row rows[] = {
        {frmAdvanced::tabLogins, "lstLogins", "SMITH", "cLoginID", "[] Already have a login with this ID"},
        {frmAdvanced::tabSkips, "lstSkips", "dog\tDog", "cCode", "[] Already have this Code"},
        {frmAdvanced::tabFavorites, "lstFavorites", "Ann\ta.pdb", "cUnitID", "[] Already have this UnitID"},
    };
    const char* edits[] = {"btnLoginsEdit", "", "", "btnSkipsEdit", "", "btnFavoritesEdit"};
    for (const Row& row : rows) {
        Setup setup;
        setup.Seed();
        setup.advanced->AddLogin("JONES", "jpw", "");
        setup.advanced->AddSkip("JONES", "Gate locked");
        setup.advanced->AddFavorite("Jones", "j.pdb");
        setup.Open([&](QWidget& window) {
            SelectTab(window, row.tab);
            Pick(window, row.list, row.item);
            WhenShown([&](QWidget& dialog) {
                Type(dialog, row.field, "jones");
                Click(dialog, "OKButton");
                QVERIFY(dialog.isVisible());
            });
            Click(window, edits[row.tab]);
        });
        QCOMPARE(setup.messages.Lines(), std::vector<std::string>{row.message});
        std::string a, b, c;
        QVERIFY(setup.advanced->GetLogin("JONES", a, b, c) >= 0 && b == "jpw" && c.empty());
        QVERIFY(setup.advanced->GetSkip("JONES", a, b) >= 0 && b == "Gate locked");
        QVERIFY(setup.advanced->GetFavorite("JONES", a, b) >= 0 && b == "j.pdb");
    }

    // Messages keep their stored route: one for any route written "*", one without a
    // route part at all; both are listed and can be edited and deleted.
    Setup setup;
    setup.advanced->AddMessage("Account", "*", "M-1", "old");
    setup.advanced->AddMessage("Account", "", "E-1", "x");
    setup.messages.QueueAnswer(MsgResult::Yes);
    setup.Open([](QWidget& window) {
        SelectTab(window, frmAdvanced::tabMessages);
        QCOMPARE(Items(window, "lstMessages"), (QStringList{"*\tM-1", "\tE-1"}));
        Pick(window, "lstMessages", "*\tM-1");
        WhenShown([](QWidget& dialog) {
            QVERIFY(Find<QCheckBox>(dialog, "chkMessageAnyRoute")->isChecked());
            QVERIFY(!Find<QCheckBox>(dialog, "chkMessageAnyRoute")->isEnabled());
            Type(dialog, "cMessage", "new");
            Click(dialog, "OKButton");
        });
        Click(window, "btnMessagesEdit");
        Pick(window, "lstMessages", "\tE-1");
        WhenShown([](QWidget& dialog) { Click(dialog, "DeleteButton"); });
        Click(window, "btnMessagesEdit");
        QCOMPARE(Items(window, "lstMessages"), QStringList{"*\tM-1"});
    });
    std::string route, meter, message;
    QCOMPARE(setup.advanced->GetMessage("Account", "*||M-1", route, meter, message), int16_t{1});
    QCOMPARE(message, std::string("new"));
}

void TestAdvancedWindows::immediateSettingsAndSavingOnClose() {
    Setup setup;
    setup.advanced->AddLogin("SMITH", "pw", "S");
    setup.advanced->AddSkip("01", "Dog in yard");
    setup.advanced->SaveValues();
    setup.Open([](QWidget& window) {
        QVERIFY(!Find<QCheckBox>(window, "chkLogin")->isChecked());
        QCOMPARE(Items(window, "lstLogins"), QStringList{"SMITH"});
        Click(window, "chkLogin");
        SelectTab(window, frmAdvanced::tabSkips);
        QCOMPARE(Items(window, "lstSkips"), QStringList{"01\tDog in yard"});
        dovrex::test::SaveScreenshot(window, QStringLiteral("advanced-skips"));
        SelectTab(window, frmAdvanced::tabMessages);
        dovrex::test::SaveScreenshot(window, QStringLiteral("advanced-messages"));
        SelectTab(window, frmAdvanced::tabIndex);
        Find<QComboBox>(window, "cboIndex")->setCurrentIndex(2);
        SelectTab(window, frmAdvanced::tabPrefs);
        const char* combos[] = {"cboAlertBounds", "cboAlertRollover", "cboAlertTamper"};
        for (int item = 0; item < 3; ++item) Find<QComboBox>(window, combos[item])->setCurrentIndex(item);
        dovrex::test::SaveScreenshot(window, QStringLiteral("advanced-prefs"));
        QTest::keyClick(&window, Qt::Key_Escape); // closing by any means saves
    });
    const auto stored = setup.Reloaded();
    QVERIFY(stored->UseLoginSecurity());
    QCOMPARE(stored->IndexControl(), int16_t{2});
    QCOMPARE(stored->AlertOutOfBounds(), int16_t{0});
    QCOMPARE(stored->AlertRollover(), int16_t{1});
    QCOMPARE(stored->AlertTamper(), int16_t{2});

    // Filling the panels writes nothing back, not even values the controls cannot show.
    Setup odd;
    odd.advanced->SetUseLoginSecurity(true);
    odd.advanced->SetIndexControl(7);
    odd.advanced->SetAlertRollover(2);
    odd.advanced->SetAlertTamper(9);
    odd.advanced->SaveValues();
    odd.Open([&](QWidget& window) {
        for (const int tab : {frmAdvanced::tabIndex, frmAdvanced::tabPrefs, frmAdvanced::tabLogins}) SelectTab(window, tab);
        for (const auto group : {clsAdvanced::grpLogins, clsAdvanced::grpTokens, clsAdvanced::grpAlerts}) {
            QVERIFY(!odd.advanced->GroupDirty(group));
        }
        Click(window, "btnClose");
    });
    QCOMPARE(odd.Reloaded()->IndexControl(), int16_t{7});
    QCOMPARE(odd.Reloaded()->AlertTamper(), int16_t{9});
}

void TestAdvancedWindows::favouritesChooser() {
    TempFolder folder;
    const std::string existing = folder.Write("unit1.pdb", "readings");
    folder.Write("relative.pdb", "readings");
    for (const std::string& name : {existing, folder.File("relative.pdb")}) {
        QFile file(QString::fromStdString(name));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime(QDate(2024, 2, 29), QTime(12, 0)), QFileDevice::FileModificationTime));
    }
    clsAdvanced store("");
    store.AddFavorite("Unit1", existing);
    store.AddFavorite("Unit2", folder.File("gone.pdb"));
    store.AddFavorite("Unit3", "");
    store.AddFavorite("Unit4", "relative.pdb");
    store.AddFavorite("Deleted", "x");
    store.DeleteFavorite("Deleted");
    LocaleFormats formats;
    formats.ShortDatePattern = "yyyy-MM-dd";
    const QString today = QStringLiteral("2024-02-29");

    struct Row {
        std::function<void(QWidget&)> act;
        std::string result;
    };
    const Row rows[] = {
        {[&](QWidget& window) {
             QCOMPARE(window.windowTitle(), QStringLiteral("Favorites"));
             QCOMPARE(Items(window, "List1"),
                      (QStringList{QStringLiteral("Unit1\t%1\t%2").arg(today, QString::fromStdString(existing)),
                                   QString::fromStdString("Unit2\t[File Not Found]\t" + folder.File("gone.pdb")),
                                   "Unit3\t[No Path set]\t", QStringLiteral("Unit4\t%1\trelative.pdb").arg(today)}));
             auto* use = Find<QPushButton>(window, "btnUse");
             QVERIFY(!use->isEnabled());
             for (const int row : {1, 2}) {
                 Pick(window, "List1", row, true);
                 QVERIFY(!use->isEnabled());
                 QVERIFY(window.isVisible());
             }
             Pick(window, "List1", 0);
             QVERIFY(use->isEnabled());
             window.resize(900, 400);
             dovrex::test::SaveScreenshot(window, QStringLiteral("favorites"));
             Click(window, "btnUse");
         },
         existing},
        {[](QWidget& window) { Pick(window, "List1", 3, true); }, "relative.pdb"},
        {[](QWidget& window) {
             Pick(window, "List1", 0);
             Click(window, "btnClose");
         },
         ""},
        {[](QWidget& window) { QTest::keyClick(Find<QListWidget>(window, "List1"), Qt::Key_Escape); }, ""},
    };
    for (const Row& row : rows) {
        frmFavorites chooser(store, formats, folder.Path());
        WhenShown(row.act);
        QCOMPARE(chooser.Display(), row.result);
    }
}

void TestAdvancedWindows::desktopLogin() {
    TempFolder folder;
    clsAdvanced store(folder.File("registry.ini"));
    store.SetUseLoginSecurity(true);
    store.AddLogin("SMITH", "Secret", "S");
    store.AddLogin("CLERK", "pw", "");
    // Each row: typed user ID and password, and the message box it gets (none: admitted).
    struct Row {
        QString user, password;
        std::string message;
        QString focus;
    };
    const Row rows[] = {
        {"  ", "Secret", "[Login] Login Required!", "txtUserName"},
        {"SMITH", " ", "[Login] Password Required!", "txtPassword"},
        {"CLERK", "pw", "[Login] Not a supervisor!", "txtPassword"},
        {"SMITH", "wrong", "[Login] Invalid User ID or Password, try again!", "txtPassword"},
        {"NOBODY", "Secret", "[Login] Invalid User ID or Password, try again!", "txtPassword"},
        {" smith ", "  sEcReT ", "", ""},
    };
    RecordingMessageBox messages;
    bool admitted = false;
    {
        frmLogin login(store, messages);
        WhenShown([&](QWidget& window) {
            QCOMPARE(window.windowTitle(), QStringLiteral("Login"));
            QCOMPARE(Find<QLineEdit>(window, "txtPassword")->echoMode(), QLineEdit::Password);
            dovrex::test::SaveScreenshot(window, QStringLiteral("login"));
            for (const Row& row : rows) {
                messages.Shown.clear();
                Type(window, "txtUserName", row.user);
                Type(window, "txtPassword", row.password);
                QTest::keyClick(Find<QLineEdit>(window, "txtPassword"), Qt::Key_Return);
                if (row.message.empty()) {
                    QVERIFY(messages.Shown.empty());
                    QVERIFY(!window.isVisible());
                    return;
                }
                QCOMPARE(messages.Lines(), std::vector<std::string>{row.message});
                QCOMPARE(Focused(), row.focus);
                if (row.message.find("Required") == std::string::npos) {
                    QCOMPARE(Find<QLineEdit>(window, "txtPassword")->selectedText(), row.password);
                }
            }
        });
        admitted = login.Display();
    }
    QVERIFY(admitted);
    for (const char* how : {"cmdCancel", "Escape"}) {
        frmLogin login(store, messages);
        WhenShown([how](QWidget& window) {
            if (QByteArray(how) == "Escape") QTest::keyClick(&window, Qt::Key_Escape);
            else Click(window, how);
        });
        QVERIFY2(!login.Display(), how);
    }
}

void TestAdvancedWindows::accessWordSkipsTheLogin() {
    clsAdvanced secured("");
    secured.SetUseLoginSecurity(true);
    clsAdvanced open("");
    struct Row {
        QStringList commandLine;
        const clsAdvanced* store;
        bool asked;
    };
    const Row rows[] = {
        {{"DIVADA"}, &secured, false},
        {{"--home", "/tmp/x", "-divada"}, &secured, false},
        {{"xxDiVaDaxx"}, &secured, false},
        {{"DIVAD", "A"}, &secured, true},
        {{}, &secured, true},
        {{}, &open, false},
    };
    for (const Row& row : rows) {
        RecordingMessageBox messages;
        bool asked = false;
        QTimer::singleShot(0, [&] {
            if (QWidget* window = QApplication::activeModalWidget()) {
                asked = window->objectName() == QStringLiteral("frmLogin");
                window->close(); // cancelled
            }
        });
        const bool passed = PassLogin(row.commandLine, *row.store, messages);
        QApplication::processEvents();
        QVERIFY2(asked == row.asked, qPrintable(row.commandLine.join(' ')));
        QCOMPARE(passed, !row.asked);
    }
}

void TestAdvancedWindows::tabStopsAlignColumns() {
    // Columns start at their stop, or further right when a text of the column before is
    // wider; past the last stop they repeat at its spacing.
    struct Row {
        std::vector<int> stops;
        QStringList items;
        int columns;
    };
    const Row rows[] = {
        {{40}, {"1\tA", "22\tB"}, 2},
        {{40}, {"a route number far wider than forty units\tA", "2\tB"}, 2},
        {{40, 80}, {"U1\t1/2/2024\t/x.pdb", "Unit2\t[File Not Found]\t/y.pdb", "Unit3"}, 3},
        {{40}, {"a\tb\tc\td"}, 4},
    };
    for (const Row& row : rows) {
        QListWidget list;
        list.addItems(row.items);
        const TabStopDelegate* delegate = TabStopDelegate::Install(list, row.stops);
        const std::vector<int> starts = delegate->ColumnStarts();
        QCOMPARE(static_cast<int>(starts.size()), row.columns);
        const QFontMetrics metrics = list.fontMetrics();
        const int unit = (metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) + 26) / 52;
        for (int column = 1; column < row.columns; ++column) {
            const int stopUnits = column <= static_cast<int>(row.stops.size()) ? row.stops[static_cast<size_t>(column) - 1]
                                                                              : row.stops.back() * column;
            QVERIFY(starts[static_cast<size_t>(column)] >= stopUnits * unit / 4);
            for (const QString& item : row.items) {
                const QStringList parts = item.split(QLatin1Char('\t'));
                if (parts.size() > column) {
                    QVERIFY(starts[static_cast<size_t>(column)] >= starts[static_cast<size_t>(column) - 1] +
                                                                        metrics.horizontalAdvance(parts[column - 1]));
                }
            }
        }
        // Nothing wider than its stop: the columns start exactly there.
        if (row.items.first().startsWith(QLatin1Char('1'))) QCOMPARE(starts[1], 40 * unit / 4);
        // A new, wider item moves the columns for every item.
        list.addItem(QStringLiteral("a much wider first column than before\tZ"));
        QVERIFY(delegate->ColumnStarts()[1] >= metrics.horizontalAdvance(QStringLiteral("a much wider first column than before")));
    }
}

DOVREX_WINDOW_TEST(TestAdvancedWindows)
#include "TestAdvancedWindows.moc"
