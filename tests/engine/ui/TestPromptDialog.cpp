#include "engine/ui/frmPromptVariables.h"

#include "maps/clsExchMap.h"

#include "support/TempFolder.h"
#include "support/TestDoubles.h"
#include "support/WindowTesting.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace dovrex;
using namespace dovrex::ui;
using dovrex::test::RecordingMessageBox;
using dovrex::test::TempFolder;

namespace {

// A route map that prompts for a required text, numbers of one, two and four bytes,
// and a date, in this map order: MeterType, Digits, LstReadingDate, ScaleFactor,
// InitTamperCount.
clsExchMap PromptedMap(const TempFolder& folder) {
    clsExchMap map(folder.Path());
    map.NewMap("Prompted", MapUseRoute);
    for (const char* field : {"MeterType", "Digits", "LstReadingDate", "ScaleFactor", "InitTamperCount"}) {
        map.SetMapOption(field, MapOptionPrompt);
    }
    return map;
}

template <class T> T* Box(const char* name) {
    QWidget* dialog = QApplication::activeModalWidget();
    return dialog == nullptr ? nullptr : dialog->findChild<T*>(QString::fromLatin1(name));
}

// Shows the dialog for the map through the engine's rules, acting on it once it is up.
std::string Run(const clsExchMap& map, clsPrompts& prompts, IMessageBox& messages, const std::function<void()>& act) {
    QtPromptVariablesView view(messages);
    QTimer::singleShot(0, [act] {
        act();
        // A check that failed leaves the dialog open: close it so that the test goes on.
        if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
    });
    return PromptVariables::Display(map, prompts, view);
}

} // namespace

class TestPromptDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rowsWidthsKeyFilterAndRequiredCheck();
    void cancelEscapeAndCloseBox();
    void mapWithoutPromptsShowsNothing();
};

void TestPromptDialog::rowsWidthsKeyFilterAndRequiredCheck() {
    TempFolder folder;
    const clsExchMap map = PromptedMap(folder);
    RecordingMessageBox messages;
    clsPrompts prompts;
    bool checked = false;
    const std::string action = Run(map, prompts, messages, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Runtime Variables"));
        QVERIFY(!dialog->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        // One label per prompted field, in map order, 1.25 box heights apart.
        const int boxHeight = Box<QLineEdit>("cPrompt_0")->sizeHint().height();
        int previousTop = -1;
        for (const char* label : {"lPrompt_4", "lPrompt_5", "lPrompt_11", "lPrompt_15", "lPrompt_18"}) {
            auto* shown = Box<QLabel>(label);
            QVERIFY2(shown != nullptr && shown->isVisible(), label);
            if (previousTop >= 0) QVERIFY(qAbs(shown->y() - previousTop - boxHeight * 5 / 4) <= 1);
            previousTop = shown->y();
        }
        QCOMPARE(Box<QLabel>("lPrompt_4")->text(), QStringLiteral("MeterType"));
        QCOMPARE(Box<QLabel>("lPrompt_15")->text(), QStringLiteral("ScaleFactor"));
        QVERIFY(!Box<QLabel>("lPrompt_0")->isVisible());
        // One text box, three numeric boxes (1, 2 and 4 bytes wide), none for the date.
        auto* text = Box<QLineEdit>("cPrompt_1");
        QVERIFY(text != nullptr && Box<QLineEdit>("cPrompt_2") == nullptr);
        QCOMPARE(text->property("Tag").toString(), QStringLiteral("*MeterType"));
        QVERIFY(text->width() >= Box<QLineEdit>("cPrompt_0")->minimumWidth());
        const int digit = text->fontMetrics().horizontalAdvance(QLatin1Char('9'));
        struct Numeric { const char* name; int maxLength; const char* tag; };
        const Numeric numerics[] = {{"nPrompt_1", 3, " Digits"}, {"nPrompt_2", 10, " ScaleFactor"},
                                    {"nPrompt_3", 5, " InitTamperCount"}};
        for (const Numeric& numeric : numerics) {
            auto* box = Box<QLineEdit>(numeric.name);
            QVERIFY2(box != nullptr, numeric.name);
            QCOMPARE(box->maxLength(), numeric.maxLength);
            QCOMPARE(box->property("Tag").toString(), QString::fromLatin1(numeric.tag));
            QVERIFY(box->width() >= digit * (numeric.maxLength + 1));
            QVERIFY(box->width() < digit * (numeric.maxLength + 1) + 40);
        }
        QVERIFY(Box<QLineEdit>("nPrompt_4") == nullptr);
        // Numeric boxes keep digits, ".", "-" and nothing else, up to their length.
        QTest::keyClicks(Box<QLineEdit>("nPrompt_2"), "a-1.5x9 e");
        QCOMPARE(Box<QLineEdit>("nPrompt_2")->text(), QStringLiteral("-1.59"));
        QTest::keyClicks(Box<QLineEdit>("nPrompt_1"), "12345");
        QCOMPARE(Box<QLineEdit>("nPrompt_1")->text(), QStringLiteral("123"));
        QTest::keyClicks(text, "a 1");
        QCOMPARE(text->text(), QStringLiteral("a 1"));
        dovrex::test::SaveScreenshot(*dialog, QStringLiteral("prompt-dialog"));
        // OK with the required text blank: refused, focus on its box.
        text->setText(QStringLiteral("   "));
        Box<QLineEdit>("nPrompt_1")->setFocus();
        QTest::mouseClick(Box<QPushButton>("btnAction_1"), Qt::LeftButton);
        QCOMPARE(messages.Lines(), std::vector<std::string>{"[] MeterType Required"});
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->focusWidget(), static_cast<QWidget*>(text));
        text->setText(QStringLiteral("E"));
        checked = true;
        // Enter presses OK.
        QTest::keyClick(text, Qt::Key_Return);
    });
    QVERIFY(checked);
    QCOMPARE(action, std::string("OK"));
    // Text boxes first, then numeric boxes; the date has no box.
    QCOMPARE(prompts.Pairs(), (std::vector<std::pair<std::string, std::string>>{
                                  {"MeterType", "E"}, {"Digits", "123"}, {"ScaleFactor", "-1.59"}, {"InitTamperCount", ""}}));
}

void TestPromptDialog::cancelEscapeAndCloseBox() {
    TempFolder folder;
    const clsExchMap map = PromptedMap(folder);
    struct Row {
        const char* how;
        std::function<void()> act;
        std::string action;
    };
    const Row rows[] = {
        {"Cancel", [] { QTest::mouseClick(Box<QPushButton>("btnAction_0"), Qt::LeftButton); }, "CANCEL"},
        {"Escape", [] { QTest::keyClick(Box<QLineEdit>("cPrompt_1"), Qt::Key_Escape); }, "CANCEL"},
        {"close box", [] { QApplication::activeModalWidget()->close(); }, ""},
    };
    for (const Row& row : rows) {
        RecordingMessageBox messages;
        clsPrompts prompts;
        prompts.Add("MeterType", "kept from before");
        QCOMPARE(Run(map, prompts, messages, [&] {
                     QTest::keyClicks(Box<QLineEdit>("cPrompt_1"), "typed");
                     row.act();
                 }),
                 row.action);
        QVERIFY2(prompts.Count() == 0, row.how);
        QVERIFY(messages.Shown.empty());
    }
}

void TestPromptDialog::mapWithoutPromptsShowsNothing() {
    TempFolder folder;
    clsExchMap map(folder.Path());
    map.NewMap("Plain", MapUseRoute);
    RecordingMessageBox messages;
    clsPrompts prompts;
    prompts.Add("MeterType", "kept");
    QtPromptVariablesView view(messages);
    bool shown = false;
    QTimer::singleShot(0, [&] { shown = QApplication::activeModalWidget() != nullptr; });
    QCOMPARE(PromptVariables::Display(map, prompts, view), std::string("OK"));
    QApplication::processEvents();
    QVERIFY(!shown);
    QCOMPARE(prompts.Value("MeterType"), std::string("kept"));
}

DOVREX_WINDOW_TEST(TestPromptDialog)
#include "TestPromptDialog.moc"
