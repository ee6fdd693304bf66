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
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <optional>
#include <set>

using namespace dovrex;
using dovrex::test::WhenModal;
using namespace dovrex::ui;
using dovrex::test::RecordingMessageBox;
using dovrex::test::TempFolder;

namespace {

template <class T = QWidget> T* C(QWidget& window, const char* name) {
    T* child = window.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) qWarning("no %s named %s", T::staticMetaObject.className(), name);
    return child;
}

QStringList Entries(const QComboBox& list) {
    QStringList entries;
    for (int i = 0; i < list.count(); ++i) entries << list.itemText(i);
    return entries;
}

void Choose(QWidget& window, const char* list, const QString& entry) {
    auto* combo = C<QComboBox>(window, list);
    const int index = combo->findText(entry);
    QVERIFY2(index >= 0, qPrintable(entry));
    combo->setCurrentIndex(index);
}

void ChooseField(QWidget& window, const QString& line) {
    auto* fields = C<QListWidget>(window, "lstMapFields");
    const QList<QListWidgetItem*> found = fields->findItems(line, Qt::MatchExactly);
    QVERIFY2(found.size() == 1, qPrintable(line));
    fields->setCurrentItem(found.constFirst());
}

// The next name prompt: its prompt and title are kept, then it is answered (nothing: cancelled).
struct NamePrompt {
    QString Label, Title;
};
void AnswerNamePrompt(std::optional<QString> answer, NamePrompt* seen = nullptr) {
    WhenModal<QInputDialog>([answer, seen](QInputDialog& box) {
        if (seen != nullptr) *seen = {box.labelText(), box.windowTitle()};
        if (answer) {
            box.setTextValue(*answer);
            box.accept();
        } else {
            box.reject();
        }
    });
}

// A program folder with the editor's message boxes recorded.
struct Maps {
    TempFolder folder;
    RecordingMessageBox messages;

    // Runs the editor; act drives the open window, which is closed afterwards if still open.
    std::string Edit(int32_t use, const std::string& name, const std::string& extension,
                     const std::function<void(frmMapEdit&)>& act) {
        frmMapEdit editor(folder.Path(), messages);
        const auto acted = WhenModal<frmMapEdit>([&act](frmMapEdit& window) {
            act(window);
            if (window.isVisible()) window.reject();
        });
        const std::string result = editor.Display(use, name, extension);
        if (!*acted) QTest::qFail("the editor was not driven", __FILE__, __LINE__);
        return result;
    }
    bool Exists(const std::string& file) const { return std::filesystem::exists(folder.File(file)); }
    bool HasLine(const std::string& file, const std::string& line) const {
        return Exists(file) && folder.Read(file).find("\r\n" + line + "\r\n") != std::string::npos;
    }
};

void Click(QWidget& window, const char* button) { C<QPushButton>(window, button)->click(); }

// The number of fields of a new map of the use.
int FieldCount(int32_t use) {
    clsExchMap map("");
    map.NewMap("", use);
    return map.FieldCount();
}

} // namespace

class TestMapEditor : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void captionsFieldListsAndActions();
    void controlsShownByActionTypeAndDataType();
    void typeDecidesTheMapLevelControls();
    void everyControlWritesIntoTheMap();
    void numberBoxesHoldSixteenBitValues();
    void saveSaveAsAndTheNamePrompt();
    void deleteAndClosing();
};

void TestMapEditor::captionsFieldListsAndActions() {
    Maps maps;
    maps.folder.Write("Standard.bcm", "QVF=1.1\r\nMAPTYPE=1\r\nRouteNbr=1,4,,,0\r\n");
    maps.Edit(MapUseRoute, "Standard", ".bcm", [](frmMapEdit& window) {
        QCOMPARE(window.windowTitle(), QStringLiteral("Edit Route Map: Standard"));
        QCOMPARE(C<QComboBox>(window, "cboMapType")->currentText(), QStringLiteral("Fixed"));
        // Route fields: "Do Not Map", "Map from Source", then Autonumber for Sequence only.
        ChooseField(window, "Sequence(Required)");
        QCOMPARE(Entries(*C<QComboBox>(window, "cboMapOption")),
                 (QStringList{"Do Not Map", "Map from Source", "Autonumber"}));
        ChooseField(window, "RouteNbr(Required)");
        QCOMPARE(Entries(*C<QComboBox>(window, "cboMapOption")),
                 (QStringList{"Do Not Map", "Map from Source", "Map Constant", "Prompt"}));
        // The loaded mapping is shown.
        QCOMPARE(C<QComboBox>(window, "cboMapOption")->currentText(), QStringLiteral("Map from Source"));
        QCOMPARE(C<QLineEdit>(window, "txtMapPosition")->text(), QStringLiteral("1"));
        QCOMPARE(C<QLineEdit>(window, "txtMapWidth")->text(), QStringLiteral("4"));
        QVERIFY(C<QPushButton>(window, "btnAction_2")->isEnabled());
    });

    struct Row {
        int32_t use;
        const char* extension;
        const char* caption;
        int fields;
        QStringList firstLines;
        QStringList types;
        QStringList actions; // of the first field
    };
    const Row rows[] = {
        {MapUseRoute, ".bcm", "New Route Map", 28, {"RouteNbr(Required)", "Sequence(Required)", "MeterTagNbr(Required)", "MeterType(Required)", "Digits"},
         {"Fixed", "Delimited", "MVRS", "E5000"}, {"Do Not Map", "Map from Source", "Map Constant", "Prompt"}},
        {MapUseReRead, ".bcm", "New ReRead Map", 28, {"RouteNbr(Required)"}, {"Fixed", "Delimited", "MVRS", "E5000"},
         {"Do Not Map", "Map from Source", "Map Constant", "Prompt"}},
        {MapUseReading, ".brm", "New Reading Map", FieldCount(MapUseReading), {"RouteNbr", "Sequence"}, {"Fixed", "Delimited", "MVRS", "E5000"},
         {"Do Not Map", "Write to Destination"}},
        // Orphan files are flat text only; prompts stand in for field names.
        {MapUseOrphan, ".bom", "New Orphan Map", 10, {"MeterTagNbr", "CurReading", "ReadingDate"}, {"Fixed", "Delimited"},
         {"Do Not Map", "Write to Destination"}},
    };
    for (const Row& row : rows) {
        maps.Edit(row.use, "", row.extension, [&row](frmMapEdit& window) {
            QCOMPARE(window.windowTitle(), QString::fromLatin1(row.caption));
            auto* fields = C<QListWidget>(window, "lstMapFields");
            QCOMPARE(fields->count(), row.fields);
            for (int i = 0; i < row.firstLines.size(); ++i) QCOMPARE(fields->item(i)->text(), row.firstLines[i]);
            QCOMPARE(Entries(*C<QComboBox>(window, "cboMapType")), row.types);
            QCOMPARE(C<QComboBox>(window, "cboMapType")->currentIndex(), -1);
            // Nothing chosen yet: no field controls, and nothing to delete.
            QVERIFY(C(window, "cboMapOption")->isHidden());
            QVERIFY(!C<QPushButton>(window, "btnAction_2")->isEnabled());
            QVERIFY(C<QPushButton>(window, "btnAction_1")->isEnabled());
            fields->setCurrentRow(0);
            QCOMPARE(Entries(*C<QComboBox>(window, "cboMapOption")), row.actions);
            QCOMPARE(C<QComboBox>(window, "cboMapOption")->currentText(), QStringLiteral("Do Not Map"));
        });
    }
    maps.Edit(MapUseOrphan, "", ".bom", [](frmMapEdit& window) {
        QCOMPARE(C<QListWidget>(window, "lstMapFields")->item(9)->text(), QStringLiteral("NearbyTagNbr4"));
    });
}

void TestMapEditor::controlsShownByActionTypeAndDataType() {
    Maps maps;
    enum Shown { Position = 1, Width = 2, Constant = 4, Align = 8, Pad = 16, Format = 32 };
    struct Row {
        int32_t use;
        const char* type;
        const char* field;
        const char* action;
        int shown;
        QStringList formats; // empty: not looked at
        const char* positionLabel;
    };
    const QStringList dates = {"MMDDYY", "MM-DD-YY", "MM/DD/YY", "MMDDYYYY", "MM-DD-YYYY", "MM/DD/YYYY",
                               "YYMMDD", "YY-MM-DD", "YY/MM/DD", "YYYYMMDD", "YYYY-MM-DD", "YYYY/MM/DD",
                               "DDMMYY", "DD-MM-YY", "DD/MM/YY", "DDMMYYYY", "DD-MM-YYYY", "DD/MM/YYYY"};
    const QStringList times = {"HHMM", "HH:MM", "HHMMSS", "HH:MM:SS"};
    const Row rows[] = {
        {MapUseReading, "Fixed", "ReadingDate", "Write to Destination", Position | Width | Align | Pad | Format, dates, "Position"},
        {MapUseReading, "Delimited", "ReadingDate", "Write to Destination", Position | Format, dates, "Column"},
        {MapUseReading, "Fixed", "ReadingTime", "Write to Destination", Position | Width | Align | Pad | Format, times, "Position"},
        {MapUseReading, "Fixed", "RouteNbr", "Write to Destination", Position | Width | Align | Pad, {}, "Position"},
        {MapUseReading, "Fixed", "ReadingDate", "Do Not Map", 0, {}, "Position"},
        {MapUseOrphan, "Delimited", "ReadingDate", "Write to Destination", Position | Format, dates, "Column"},
        {MapUseRoute, "Fixed", "RouteNbr(Required)", "Map from Source", Position | Width, {}, "Position"},
        {MapUseRoute, "Delimited", "RouteNbr(Required)", "Map from Source", Position, {}, "Column"},
        {MapUseRoute, "Fixed", "RouteNbr(Required)", "Map Constant", Constant, {}, "Position"},
        {MapUseRoute, "Fixed", "RouteNbr(Required)", "Prompt", 0, {}, "Position"},
        // Dates read from a source file take no format here.
        {MapUseRoute, "Fixed", "LstReadingDate", "Map from Source", Position | Width, {}, "Position"},
        {MapUseReRead, "Fixed", "Sequence(Required)", "Autonumber", 0, {}, "Position"},
    };
    for (const Row& row : rows) {
        const std::string extension = row.use == MapUseReading ? ".brm" : row.use == MapUseOrphan ? ".bom" : ".bcm";
        maps.Edit(row.use, "", extension, [&](frmMapEdit& window) {
            const QString what = QStringLiteral("%1 %2 %3").arg(QLatin1String(row.type), QLatin1String(row.field), QLatin1String(row.action));
            Choose(window, "cboMapType", QString::fromLatin1(row.type));
            ChooseField(window, QString::fromLatin1(row.field));
            Choose(window, "cboMapOption", QString::fromLatin1(row.action));
            const std::pair<int, const char*> controls[] = {
                {Position, "txtMapPosition"}, {Width, "txtMapWidth"}, {Constant, "txtMapConstant"},
                {Align, "cboMapAlign"},       {Pad, "cboMapPad"},     {Format, "cboMapFormat"}};
            for (const auto& [flag, name] : controls) {
                QVERIFY2(C(window, name)->isVisible() == ((row.shown & flag) != 0), qPrintable(what + QLatin1Char(' ') + QLatin1String(name)));
            }
            QVERIFY(C(window, "cboMapOption")->isVisible());
            QCOMPARE(C<QLabel>(window, "lblMapPosition")->text().remove(QLatin1Char('&')), QString::fromLatin1(row.positionLabel));
            if (!row.formats.isEmpty()) QCOMPARE(Entries(*C<QComboBox>(window, "cboMapFormat")), row.formats);
        });
    }
}

void TestMapEditor::typeDecidesTheMapLevelControls() {
    Maps maps;
    enum Shown { Delimiter = 1, Quote = 2, Mvrs = 4, Fields = 8, Length = 16, Terminator = 32, Filter = 64 };
    struct Row {
        int32_t use;
        const char* type; // nullptr: none chosen (a new map)
        int shown;
    };
    const Row rows[] = {
        {MapUseRoute, nullptr, Fields},
        {MapUseRoute, "Fixed", Fields},
        {MapUseRoute, "Delimited", Delimiter | Quote | Fields},
        {MapUseRoute, "MVRS", Mvrs},
        {MapUseRoute, "E5000", 0},
        {MapUseReRead, "MVRS", 0},
        {MapUseReRead, "Fixed", Fields | Length | Terminator},
        {MapUseReading, nullptr, Fields | Length | Terminator | Filter},
        {MapUseReading, "Delimited", Delimiter | Quote | Fields | Length | Terminator | Filter},
        {MapUseReading, "E5000", Filter},
        {MapUseOrphan, "Fixed", Fields | Length | Terminator},
    };
    for (const Row& row : rows) {
        const std::string extension = row.use == MapUseReading ? ".brm" : row.use == MapUseOrphan ? ".bom" : ".bcm";
        maps.Edit(row.use, "", extension, [&](frmMapEdit& window) {
            // A field on show goes with the field list.
            ChooseField(window, QString::fromLatin1(row.use == MapUseOrphan ? "CurReading" : "Digits"));
            if (row.type != nullptr) Choose(window, "cboMapType", QString::fromLatin1(row.type));
            const QString what = QStringLiteral("use %1 type %2").arg(row.use).arg(QLatin1String(row.type ? row.type : "none"));
            const std::pair<int, const char*> controls[] = {
                {Delimiter, "cboMapDelimiter"}, {Delimiter, "lblMapDelimiter"}, {Quote, "cboMapQuote"},
                {Mvrs, "fraMVRS"},              {Fields, "lstMapFields"},       {Fields, "lblMapFields"},
                {Fields, "cboMapOption"},       {Length, "txtMapLength"},       {Terminator, "cboMapTerminator"},
                {Terminator, "lblMapTerminator"}, {Filter, "cboMapFilter"}};
            for (const auto& [flag, name] : controls) {
                QVERIFY2(C(window, name)->isVisible() == ((row.shown & flag) != 0), qPrintable(what + QLatin1Char(' ') + QLatin1String(name)));
            }
        });
    }
    // Leaving MVRS for Fixed brings the chosen field back with the list.
    maps.Edit(MapUseRoute, "", ".bcm", [](frmMapEdit& window) {
        ChooseField(window, "Digits");
        Choose(window, "cboMapType", "MVRS");
        Choose(window, "cboMapType", "Fixed");
        QCOMPARE(C<QListWidget>(window, "lstMapFields")->currentItem()->text(), QStringLiteral("Digits"));
        QVERIFY(C(window, "cboMapOption")->isVisible());
        window.resize(900, 640);
        dovrex::test::SaveScreenshot(window, QStringLiteral("mapedit-route-resized"));
    });
}

void TestMapEditor::everyControlWritesIntoTheMap() {
    Maps maps;
    // A reading map: every map-level and field control, then saved under a typed name.
    NamePrompt prompt;
    const std::string result = maps.Edit(MapUseReading, "", ".brm", [&prompt](frmMapEdit& window) {
        dovrex::test::SaveScreenshot(window, QStringLiteral("mapedit-new-reading"));
        Choose(window, "cboMapType", "Fixed");
        Choose(window, "cboMapFilter", "Only Readings");
        Choose(window, "cboMapTerminator", "<null>");
        C<QLineEdit>(window, "txtMapLength")->setText(QStringLiteral("120"));
        ChooseField(window, "CurReading");
        Choose(window, "cboMapOption", "Write to Destination");
        C<QLineEdit>(window, "txtMapPosition")->setText(QStringLiteral("21"));
        C<QLineEdit>(window, "txtMapWidth")->setText(QStringLiteral("6"));
        Choose(window, "cboMapAlign", "Right");
        Choose(window, "cboMapPad", "Zeros");
        ChooseField(window, "ReadingDate");
        Choose(window, "cboMapOption", "Write to Destination");
        C<QLineEdit>(window, "txtMapPosition")->setText(QStringLiteral("1"));
        C<QLineEdit>(window, "txtMapWidth")->setText(QStringLiteral("8"));
        Choose(window, "cboMapAlign", "Left");
        Choose(window, "cboMapPad", "Spaces");
        Choose(window, "cboMapFormat", "YYYYMMDD");
        dovrex::test::SaveScreenshot(window, QStringLiteral("mapedit-reading-date"));
        AnswerNamePrompt(QStringLiteral("Upload"), &prompt);
        Click(window, "btnAction_1");
        QVERIFY(!window.isVisible());
    });
    QCOMPARE(result, std::string("Upload"));
    QCOMPARE(prompt.Label, QStringLiteral("Map Name"));
    QCOMPARE(prompt.Title, QStringLiteral("Save Map"));
    for (const char* line : {"MAPTYPE=1", "MAPFILTER=1", "MAPTERMINATOR= 4 ", "MAPLENGTH=120", "CurReading=21,6,R,Z,0",
                             "ReadingDate=1,8,L,B,14", "Sequence=N"}) {
        QVERIFY2(maps.HasLine("Upload.brm", line), line);
    }
    // Opened again: "<null>" and the field's mapping are shown as saved; opening writes nothing.
    const std::string saved = maps.folder.Read("Upload.brm");
    QCOMPARE(maps.Edit(MapUseReading, "Upload", ".brm", [](frmMapEdit& window) {
        QCOMPARE(C<QComboBox>(window, "cboMapTerminator")->currentText(), QStringLiteral("<null>"));
        QCOMPARE(C<QComboBox>(window, "cboMapFilter")->currentText(), QStringLiteral("Only Readings"));
        QCOMPARE(C<QLineEdit>(window, "txtMapLength")->text(), QStringLiteral("120"));
        ChooseField(window, "ReadingDate");
        QCOMPARE(C<QComboBox>(window, "cboMapFormat")->currentText(), QStringLiteral("YYYYMMDD"));
        QCOMPARE(C<QComboBox>(window, "cboMapAlign")->currentText(), QStringLiteral("Left"));
    }), std::string("Upload"));
    QCOMPARE(maps.folder.Read("Upload.brm"), saved);

    // A delimited route map: typed delimiter and quote, a constant, Autonumber, MVRS option.
    maps.folder.Write("Route.bcm", "QVF=1.1\r\nMAPTYPE=2\r\nMAPQUOTE=\"\r\n");
    QCOMPARE(maps.Edit(MapUseRoute, "Route", ".bcm", [](frmMapEdit& window) {
        QCOMPARE(C<QComboBox>(window, "cboMapQuote")->currentText(), QStringLiteral("\""));
        C<QComboBox>(window, "cboMapDelimiter")->setEditText(QStringLiteral("|"));
        Choose(window, "cboMapQuote", "<none>");
        ChooseField(window, "RouteNbr(Required)");
        Choose(window, "cboMapOption", "Map Constant");
        C<QLineEdit>(window, "txtMapConstant")->setText(QStringLiteral("R7"));
        ChooseField(window, "Sequence(Required)");
        Choose(window, "cboMapOption", "Autonumber");
        ChooseField(window, "MeterTagNbr(Required)");
        Choose(window, "cboMapOption", "Map from Source");
        C<QLineEdit>(window, "txtMapPosition")->setText(QStringLiteral("3"));
        Click(window, "btnAction_1");
    }), std::string());
    for (const char* line : {"MAPTYPE=2", "MAPDELIMITER=|", "MAPQUOTE=<none>", "RouteNbr=C,R7", "Sequence=A",
                             "MeterTagNbr=3,0,,,0"}) {
        QVERIFY2(maps.HasLine("Route.bcm", line), line);
    }
    QCOMPARE(maps.Edit(MapUseRoute, "Route", ".bcm", [](frmMapEdit& window) {
        Choose(window, "cboMapType", "MVRS");
        QVERIFY(C(window, "fraMVRS")->isVisible());
        dovrex::test::SaveScreenshot(window, QStringLiteral("mapedit-route-mvrs"));
        C<QCheckBox>(window, "chkMVRS1")->setChecked(true);
        Click(window, "btnAction_1");
    }), std::string());
    QVERIFY(maps.HasLine("Route.bcm", "MAPTYPE=3"));
    QVERIFY(maps.HasLine("Route.bcm", "MAPOPTIONS=1:Y"));
    QVERIFY(maps.messages.Shown.empty());
}

void TestMapEditor::numberBoxesHoldSixteenBitValues() {
    Maps maps;
    maps.folder.Write("Sizes.brm", "QVF=1.1\r\nMAPTYPE=1\r\n");
    const std::pair<const char*, const char*> rows[] = {
        {"32767", "32767"}, {"32768", "32767"}, {"-32768", "-32768"}, {"-32769", "-32768"},
        {"2.5", "2"},       {"3.5", "4"},       {"12abc", "12"},      {"abc", "0"}, {"1e9", "32767"},
    };
    for (const auto& [typed, stored] : rows) {
        maps.Edit(MapUseReading, "Sizes", ".brm", [typed](frmMapEdit& window) {
            C<QLineEdit>(window, "txtMapLength")->setText(QString::fromLatin1(typed));
            ChooseField(window, "CurReading");
            Choose(window, "cboMapOption", "Write to Destination");
            C<QLineEdit>(window, "txtMapPosition")->setText(QString::fromLatin1(typed));
            C<QLineEdit>(window, "txtMapWidth")->setText(QStringLiteral("5"));
            Click(window, "btnAction_1");
        });
        QVERIFY2(maps.HasLine("Sizes.brm", std::string("MAPLENGTH=") + stored), typed);
        QVERIFY2(maps.HasLine("Sizes.brm", std::string("CurReading=") + stored + ",5,R,Z,0"), typed);
    }
}

void TestMapEditor::saveSaveAsAndTheNamePrompt() {
    Maps maps;
    const std::string standard = "QVF=1.1\r\nMAPTYPE=1\r\n";
    maps.folder.Write("Standard.bcm", standard);
    // Save As: the new file, the old one kept, the typed name returned.
    QCOMPARE(maps.Edit(MapUseRoute, "Standard", ".bcm", [](frmMapEdit& window) {
        AnswerNamePrompt(QStringLiteral("New Map"));
        Click(window, "btnAction_0");
    }), std::string("New Map"));
    QVERIFY(maps.HasLine("New Map.bcm", "MAPNAME=New Map.bcm"));
    QCOMPARE(maps.folder.Read("Standard.bcm"), standard);

    // Cancelled or empty name prompts write nothing and leave the editor open.
    for (const std::optional<QString>& answer : {std::optional<QString>(), std::optional<QString>(QString())}) {
        QCOMPARE(maps.Edit(MapUseRoute, "", ".bcm", [&answer](frmMapEdit& window) {
            AnswerNamePrompt(answer);
            Click(window, "btnAction_1");
            QVERIFY(window.isVisible());
            AnswerNamePrompt(answer);
            Click(window, "btnAction_0");
            QVERIFY(window.isVisible());
        }), std::string());
    }
    QCOMPARE(std::distance(std::filesystem::directory_iterator(maps.folder.Path()), {}), 2);

    // Folder and extension characters become "_".
    const std::pair<const char*, const char*> names[] = {{"a.b", "a_b"}, {"x/y:z\\w", "x_y_z_w"}, {"..", "__"}};
    for (const auto& [typed, saved] : names) {
        QCOMPARE(maps.Edit(MapUseOrphan, "", ".bom", [typed](frmMapEdit& window) {
            AnswerNamePrompt(QString::fromLatin1(typed));
            Click(window, "btnAction_1");
        }), std::string(saved));
        QVERIFY2(maps.Exists(std::string(saved) + ".bom"), saved);
    }

    // A file that cannot be written: the reason shown, the editor open, its name unchanged.
    std::filesystem::create_directory(maps.folder.File("Blocked.bcm"));
    QCOMPARE(maps.Edit(MapUseRoute, "Standard", ".bcm", [&maps](frmMapEdit& window) {
        AnswerNamePrompt(QStringLiteral("Blocked"));
        Click(window, "btnAction_0");
        QVERIFY(window.isVisible());
        QCOMPARE(maps.messages.Shown.size(), size_t{1});
        QCOMPARE(maps.messages.Shown[0].Title, std::string("Error"));
        QVERIFY(maps.messages.Shown[0].Text.find("Blocked.bcm") != std::string::npos);
        Click(window, "btnAction_1");
    }), std::string());
    QVERIFY(maps.HasLine("Standard.bcm", "MAPNAME=Standard.bcm"));
}

void TestMapEditor::deleteAndClosing() {
    Maps maps;
    maps.folder.Write("Old.brm", "QVF=1.1\r\nMAPTYPE=1\r\n");
    // Closing discards the edits and hands back the given name; Escape closes too.
    for (const char* how : {"close", "Escape"}) {
        QCOMPARE(maps.Edit(MapUseReading, "Old", ".brm", [how](frmMapEdit& window) {
            Choose(window, "cboMapType", "Delimited");
            if (QByteArray(how) == "Escape") QTest::keyClick(C(window, "lstMapFields"), Qt::Key_Escape);
            else window.close();
        }), std::string("Old"));
        QVERIFY(maps.HasLine("Old.brm", "MAPTYPE=1"));
    }
    // A map that was never saved has nothing to delete.
    QCOMPARE(maps.Edit(MapUseReading, "", ".brm", [](frmMapEdit& window) { Click(window, "btnAction_2"); }), std::string());
    QCOMPARE(maps.Edit(MapUseReading, "Old", ".brm", [](frmMapEdit& window) {
        Click(window, "btnAction_2");
        QVERIFY(!window.isVisible());
    }), std::string(frmMapEdit::DeletedResult));
    QVERIFY(!maps.Exists("Old.brm"));
    // A map whose file is missing opens as the default map under its name.
    QCOMPARE(maps.Edit(MapUseReading, "Gone", ".brm", [](frmMapEdit& window) {
        QCOMPARE(window.windowTitle(), QStringLiteral("Edit Reading Map: Gone"));
        QCOMPARE(C<QListWidget>(window, "lstMapFields")->count(), FieldCount(MapUseReading));
        Click(window, "btnAction_1");
    }), std::string());
    QVERIFY(maps.HasLine("Gone.brm", "MAPTERMINATOR= 3 "));
    QVERIFY(maps.messages.Shown.empty());
}

DOVREX_WINDOW_TEST(TestMapEditor)
#include "TestMapEditor.moc"
