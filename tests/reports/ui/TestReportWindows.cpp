#include "reports/ui/Dialog.h"
#include "reports/ui/QtReportPrinter.h"
#include "reports/ui/ReportsStep.h"
#include "reports/ui/frmPreview.h"
#include "reports/ui/frmReports.h"

#include "reports/FontconfigFontSource.h"
#include "reports/RptEngine.h"
#include "reports/TrueTypeFontFile.h"
#include "reports/ui/QtReportSurface.h"

#include "platform/ui/QtText.h"
#include "platform/ui/UserSettings.h"

#include "reports/ReadingsDatabase.h"
#include "support/TempFolder.h"
#include "support/TestDoubles.h"
#include "support/WindowTesting.h"

#include <QAction>
#include <QBuffer>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFontMetricsF>
#include <QLabel>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QRawFont>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <algorithm>
#include <cmath>
#include <functional>

using namespace dovrex;
using namespace dovrex::ui;
using dovrex::test::TempFolder;

namespace {

template <class T> T* Child(QObject& window, const QString& name) {
    T* child = window.findChild<T*>(name);
    if (child == nullptr) qWarning("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return child;
}

// Runs act on the next modal window of type W, once it is shown and enabled; the waiting
// ends with scope at the latest, so that it cannot reach into the next test.
template <class W> void WhenShown(QObject& scope, std::function<void(W&)> act) {
    auto* timer = new QTimer(&scope);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* window = qobject_cast<W*>(QApplication::activeModalWidget());
        if (window == nullptr || !window->isEnabled()) return;
        timer->stop();
        timer->deleteLater();
        act(*window);
    });
    timer->start();
}

void Trigger(frmPreview& preview, const QString& key) {
    for (QAction* action : Child<QToolBar>(preview, QStringLiteral("Toolbar1"))->actions()) {
        if (action->property("key").toString() == key) action->trigger();
    }
}

// The system without printers: reports become PDF files.
struct NoPrinters final : IReportPrinters {
    std::vector<std::string> DeviceNames() override { return {}; }
    int CurrentIndex() override { return -1; }
    void SelectPrinter(int) override {}
    ReportPrinter* CurrentPrinter() override { return nullptr; }
    std::unique_ptr<ReportPrinter> OpenPdf(const std::string& Path) override { return OpenPdfPrinter(Path, Path); }
};

// What the pages of a PDF file written by Qt draw, in order: each glyph as its font, glyph
// and position, each line start, with positions in 64ths of a pixel; one list per page.
std::vector<QStringList> DrawnGlyphs(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray pdf = file.readAll();
    std::vector<QStringList> pages;
    for (qsizetype at = pdf.indexOf("stream\n"); at >= 0; at = pdf.indexOf("stream\n", at + 1)) {
        const qsizetype end = pdf.indexOf("endstream", at);
        if (end < 0 || pdf.mid(at - 3, 3) == "end" || !pdf.mid(at - 60, 60).contains("/FlateDecode")) continue;
        const QByteArray content = qUncompress(QByteArray("\0\1\0\0", 4) + pdf.mid(at + 7, end - at - 7));
        // Page contents are text; fonts and pictures are not.
        if (content.contains('\0') || (!content.contains(" Tf ") && !content.contains(" m\n"))) continue;
        QStringList drawn;
        QByteArray font;
        double x = 0, y = 0;
        auto sixtyFourths = [](double v) { return QString::number(std::llround(v * 64)); };
        for (const QByteArray& line : content.split('\n')) {
            const QList<QByteArray> words = line.split(' ');
            if (line == "BT") {
                x = y = 0;
            } else if (line.endsWith(" Tm") && words.size() > 2 && words[2] == "Tf") {
                font = words[0] + ' ' + words[1];
            } else if (line.endsWith(" Tj") && words.size() == 5) {
                x += words[0].toDouble();
                y += words[1].toDouble();
                drawn << QString::fromLatin1(font + ' ' + words[3]) + ' ' + sixtyFourths(x) + ' ' + sixtyFourths(y);
            } else if (line.endsWith(" m") && words.size() == 3) {
                drawn << "line " + sixtyFourths(words[0].toDouble()) + ' ' + sixtyFourths(words[1].toDouble());
            }
        }
        pages.push_back(drawn);
    }
    return pages;
}

} // namespace

class TestReportWindows : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void selectionResultsAndRememberedChoice();
    void previewNavigationScrollingAndClosing();
    void statusCancelPressedTwiceActsOnce();
    void reportsStepPreviewsThenPrintsPdfsWithoutPrinter();
    void textLiesWhereThePainterLaysItOut();
    void pdfPrinterMeasuresAsQtPdfPages();
    void fontSourceMeasuresAsQtPdfPages();
};

void TestReportWindows::selectionResultsAndRememberedChoice() {
    QObject scope;
    struct Row {
        const char* name;
        const char* stored;
        std::vector<int> tick;   // boxes ticked by the user
        const char* press;       // a button, or "" to close the window
        int16_t result;
        const char* storedAfter;
    };
    const Row rows[] = {
        {"preview Orphans", "6", {}, "btnPreview_8", 9, "6"},
        {"continue with nothing ticked", "6", {}, "btnAction_0", 0, "0"},
        {"continue with two ticked", "0", {2, 16}, "btnAction_0", 18, "18"},
        {"Printer is Close", "18", {4}, "btnAction_1", 0, "18"},
        {"Close", "18", {}, "btnAction_2", 0, "18"},
        {"close box", "18", {}, "", 0, "18"},
        {"preview Readings", "junk", {}, "btnPreview_4", 5, "junk"},
    };
    TempFolder folder;
    UserSettings settings(QString::fromStdString(folder.File("user.ini")));
    for (const Row& row : rows) {
        settings.SaveSetting("Reports", "Options", row.stored);
        frmReports window(settings);
        QCOMPARE(Child<QLabel>(window, QStringLiteral("Label1"))->text(),
                 QStringLiteral("Select reports to print.  (Click name to preview)"));
        std::vector<int> ticked;
        WhenShown<frmReports>(scope, [&](frmReports& shown) {
            for (const int index : {16, 8, 2, 4}) {
                QCheckBox* box = Child<QCheckBox>(shown, QStringLiteral("chkReports_%1").arg(index));
                if (box->isChecked()) ticked.push_back(index);
                box->setChecked(false);
            }
            for (const int index : row.tick) Child<QCheckBox>(shown, QStringLiteral("chkReports_%1").arg(index))->setChecked(true);
            if (*row.press) {
                QTest::mouseClick(Child<QPushButton>(shown, QString::fromLatin1(row.press)), Qt::LeftButton);
            } else {
                shown.close();
            }
        });
        QCOMPARE(window.Display(), row.result);
        QCOMPARE(settings.GetSetting("Reports", "Options"), std::string(row.storedAfter));
        // With "6" stored, Exceptions and Readings start ticked.
        if (std::string(row.stored) == "6") QCOMPARE(ticked, (std::vector<int>{2, 4}));
        if (std::string(row.stored) == "junk") QVERIFY(ticked.empty());
    }

    frmReports window(settings);
    const std::pair<const char*, const char*> captions[] = {
        {"btnPreview_16", "Missed"},     {"btnPreview_8", "Orphans"},      {"btnPreview_2", "Exceptions"},
        {"btnPreview_4", "Readings"},    {"btnAction_0", "Conti&nue"},     {"btnAction_1", "&Printer ..."},
        {"btnAction_2", "&Close"},
    };
    for (const auto& [name, caption] : captions) {
        QCOMPARE(Child<QPushButton>(window, QString::fromLatin1(name))->text(), QString::fromLatin1(caption));
    }
    QCOMPARE(Child<QPushButton>(window, QStringLiteral("btnAction_1"))->property("tag").toString(), QStringLiteral("CANCEL"));
    QCOMPARE(Child<QCheckBox>(window, QStringLiteral("chkReports_4"))->property("tag").toString(), QStringLiteral("READINGS"));
}

void TestReportWindows::previewNavigationScrollingAndClosing() {
    QObject scope;
    frmPreview preview;
    preview.PreparePage(11, 8.5);
    preview.Page().SetCurrentX(1);
    preview.Page().SetCurrentY(1);
    preview.Page().Print("Page one");
    preview.resize(600, 400);
    QStringList keys;
    for (QAction* action : Child<QToolBar>(preview, QStringLiteral("Toolbar1"))->actions()) keys << action->property("key").toString();
    QCOMPARE(keys, (QStringList{"FIRST", "PREV", "NEXT", "LAST", "PRINT", "CLOSE"}));

    QScrollBar* h = Child<QScrollBar>(preview, QStringLiteral("HScroll1"));
    QScrollBar* v = Child<QScrollBar>(preview, QStringLiteral("VScroll1"));
    QLabel* page = Child<QLabel>(preview, QStringLiteral("Preview"));
    QWidget* area = Child<QWidget>(preview, QStringLiteral("Picture1"));
    WhenShown<frmPreview>(scope, [&](frmPreview& shown) {
        QCOMPARE(shown.windowTitle(), QStringLiteral("Report Page 1 of 3"));
        QCOMPARE(page->size(), QSize(1320, 1020));
        // The bars cover what does not fit, in hundredths; a tenth of the view per step.
        QCOMPARE(h->maximum(), (1320 - area->width()) * 100);
        QCOMPARE(v->maximum(), (1020 - area->height()) * 100);
        QCOMPARE(h->pageStep(), area->width() * 100);
        QCOMPARE(h->singleStep(), h->pageStep() / 10);
        QTest::keyClick(&shown, Qt::Key_Right);
        QCOMPARE(h->value(), h->singleStep());
        QTest::keyClick(&shown, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(h->value(), h->singleStep() + h->pageStep());
        QTest::keyClick(&shown, Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(h->value(), h->maximum());
        QCOMPARE(page->x(), -h->maximum() / 100);
        QTest::keyClick(&shown, Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(h->value(), 0);
        QTest::keyClick(&shown, Qt::Key_PageDown);
        QCOMPARE(v->value(), v->pageStep());
        QTest::keyClick(&shown, Qt::Key_Up);
        QCOMPARE(v->value(), v->pageStep() - v->singleStep());
        QTest::keyClick(&shown, Qt::Key_PageDown);
        QTest::keyClick(&shown, Qt::Key_PageDown);
        QCOMPARE(v->value(), v->maximum()); // clamped
        // Dragging moves the page with the pointer.
        QTest::keyClick(&shown, Qt::Key_Up, Qt::ControlModifier);
        QTest::mousePress(page, Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseMove(page, QPoint(60, 70));
        QTest::mouseRelease(page, Qt::LeftButton, {}, QPoint(60, 70));
        QCOMPARE(h->value(), 4000);
        QCOMPARE(v->value(), 3000);
        Trigger(shown, QStringLiteral("NEXT"));
    });
    QCOMPARE(preview.Display("Report Page 1 of 3"), std::string("NEXT"));
    // While the next page is made, the window stays up, disabled and blank.
    QVERIFY(preview.isVisible());
    QVERIFY(!preview.isEnabled());
    QVERIFY(page->pixmap().isNull());

    WhenShown<frmPreview>(scope, [](frmPreview& shown) { shown.close(); });
    QCOMPARE(preview.Display("Report Page 2 of 3"), std::string("CLOSE"));
    WhenShown<frmPreview>(scope, [](frmPreview& shown) { QTest::keyClick(&shown, Qt::Key_Escape); });
    QCOMPARE(preview.Display("Report Page 2 of 3"), std::string("CLOSE"));
    WhenShown<frmPreview>(scope, [](frmPreview& shown) { QTest::keyClick(&shown, Qt::Key_PageDown, Qt::ControlModifier); });
    QCOMPARE(preview.Display("Report Page 2 of 3"), std::string("NEXT"));
}

void TestReportWindows::statusCancelPressedTwiceActsOnce() {
    QObject scope;
    Dialog status;
    QPushButton* cancel = Child<QPushButton>(status, QStringLiteral("btnAbort"));
    QLabel* text = Child<QLabel>(status, QStringLiteral("lReport"));
    QCOMPARE(cancel->text(), QStringLiteral("&Cancel..."));
    QVERIFY(!status.Status("Exception Report\r\nRetrieving data"));
    QVERIFY(status.isVisible());
    QCOMPARE(text->text(), QStringLiteral("Exception Report\nRetrieving data"));
    dovrex::test::SaveScreenshot(status, QStringLiteral("Dialog"));
    QTest::mouseClick(cancel, Qt::LeftButton);
    QTest::mouseClick(cancel, Qt::LeftButton);
    status.reject();
    QVERIFY(status.CancelRequested());
    QVERIFY(!cancel->isEnabled());
    QCOMPARE(text->text(), QStringLiteral("Cancelling..."));
    QVERIFY(status.Status("Exception Report\r\nFormatting page 2\r\nRows processed: 40"));
    QVERIFY(!status.Status(""));
    QVERIFY(!status.isVisible());
    QVERIFY(cancel->isEnabled());
    QVERIFY(!status.Status("next run"));

    // In a run: the cancel pressed twice during page 1 stops the drawing once, at the next
    // page, and the preview is not shown.
    struct Rows : IPrintEventSink {
        RptEngine* Engine = nullptr;
        QPushButton* Cancel = nullptr;
        int Row = 0;
        int Drawn = 0;
        void PrintEvent(int32_t band, int16_t, double& height) override {
            if (band != peDetail) return;
            if (++Row > 200) {
                height = -1;
                return;
            }
            if (Row == 3) {
                QTest::mouseClick(Cancel, Qt::LeftButton);
                QTest::mouseClick(Cancel, Qt::LeftButton);
            }
            const double printed = Engine->PrintElements({RptEngine::MakeElement(0, 0, Value("Row"))});
            if (printed > 0) ++Drawn;
            height = 0.5;
        }
    } rows;
    QtReportPreviews previews(nullptr);
    RptEngine engine(ReportServices{nullptr, nullptr, &status, &previews, nullptr, nullptr, LocaleFormats{}});
    rows.Engine = &engine;
    rows.Cancel = cancel;
    engine.SetEventSink(&rows);
    bool previewShown = false;
    WhenShown<frmPreview>(scope, [&](frmPreview& shown) {
        previewShown = true;
        shown.close();
    });
    engine.PreviewReport();
    QVERIFY(!previewShown);
    QCOMPARE(rows.Row, 201);   // the run went to its end
    QCOMPARE(rows.Drawn, 20);  // the rows of page 1 only
    QVERIFY(!status.isVisible());
    QVERIFY(!status.CancelRequested());
}

void TestReportWindows::reportsStepPreviewsThenPrintsPdfsWithoutPrinter() {
    QObject scope;
    TempFolder folder;
    const std::string readings = folder.File("ReadingQVF.pdb");
    dovrex::test::ReadingMeter orphan;
    orphan.MeterTagNbr = 2;
    orphan.RecType = 3;
    dovrex::test::ReadingMeter meter;
    meter.MeterTagNbr = 1;
    meter.ResponseText = "Dog";
    dovrex::test::WriteReadings(readings, "UNIT7", "JD", {meter, orphan});
    UserSettings settings(QString::fromStdString(folder.File("user.ini")));
    dovrex::test::RecordingMessageBox messages;
    dovrex::test::RecordingLog log;
    NoPrinters printers;
    QWidget owner;

    QString previewTitle;
    WhenShown<frmReports>(scope, [&](frmReports& first) {
        dovrex::test::SaveScreenshot(first, QStringLiteral("frmReports"));
        WhenShown<frmPreview>(scope, [&](frmPreview& preview) {
            previewTitle = preview.windowTitle();
            dovrex::test::SaveScreenshot(preview, QStringLiteral("frmPreview"));
            WhenShown<frmReports>(scope, [](frmReports& second) {
                Child<QCheckBox>(second, QStringLiteral("chkReports_2"))->setChecked(true);
                Child<QCheckBox>(second, QStringLiteral("chkReports_8"))->setChecked(true);
                QTest::mouseClick(Child<QPushButton>(second, QStringLiteral("btnAction_0")), Qt::LeftButton);
            });
            Trigger(preview, QStringLiteral("CLOSE"));
        });
        QTest::mouseClick(Child<QPushButton>(first, QStringLiteral("btnPreview_4")), Qt::LeftButton);
    });
    RunReportsStep(owner, readings, settings, messages, log, &printers);

    QCOMPARE(previewTitle, QStringLiteral("Reading Report Page 1 of 1"));
    QCOMPARE(settings.GetSetting("Reports", "Options"), std::string("10"));
    const std::string exception = folder.File("ReadingQVF Exception Report.pdf");
    const std::string orphans = folder.File("ReadingQVF Orphan Report.pdf");
    QCOMPARE(log.Lines, (std::vector<std::string>{"Info: No printer is installed; Exception Report written to " + exception,
                                                  "Info: No printer is installed; Orphan Report written to " + orphans}));
    for (const std::string& pdf : {exception, orphans}) {
        QFile file(QString::fromStdString(pdf));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(5) == "%PDF-");
    }
    QVERIFY(messages.Shown.empty());

    // Closing the selection ends the step: nothing printed, the choice kept.
    log.Lines.clear();
    WhenShown<frmReports>(scope, [](frmReports& shown) { shown.close(); });
    RunReportsStep(owner, readings, settings, messages, log, &printers);
    QVERIFY(log.Lines.empty());
    QCOMPARE(settings.GetSetting("Reports", "Options"), std::string("10"));
}

// Report surfaces gather texts into glyph runs; every glyph must land where the painter's own
// text layout (drawText) puts it, in the same order with the other drawing and on the same
// page, in PDF files and on preview pages.
void TestReportWindows::textLiesWhereThePainterLaysItOut() {
    struct Op {
        char What; // 't' text, 'l' line to the next op's point, 'p' new page
        double X, Y; // inches
        ReportFont Font;
        std::string Text;
    };
    const ReportFont courier{"Courier New", 8};
    const ReportFont bold{"Courier New", 8, true};
    const ReportFont italic{"Courier New", 8, false, true};
    const ReportFont arial{"Arial", 10};
    const ReportFont underlined{"Courier New", 8, false, false, true};
    const struct Row {
        const char* name;
        std::vector<Op> ops;
    } rows[] = {
        {"texts on one line at uneven positions",
         {{'t', 0.25, 0.2, courier, "Dovrex"}, {'t', 1.0004, 0.2, courier, "12/10/2026"},
          {'t', 3.14159, 0.2, courier, "Page 1"}, {'t', 10.3337, 0.2, courier, "x"}}},
        {"lines below each other", {{'t', 0.25, 0.2, courier, "Account"}, {'t', 0.25, 0.3333, courier, "W 12-34"}}},
        {"the font changes between texts",
         {{'t', 0.25, 1, courier, "Unit ID:"}, {'t', 1.25, 1, italic, "UNIT7"}, {'t', 2.25, 1, bold, "Reading"},
          {'t', 3.25, 1, arial, "Billing, Address fi"}, {'t', 5.25, 1, courier, "--"}}},
        {"a rule between texts",
         {{'t', 0.25, 7.9, courier, "Missed"}, {'l', 0.25, 8, {}, ""}, {'t', 10.5, 8, courier, "Printed"},
          {'t', 0.25, 8.1, courier, "Page 2"}}},
        {"a page break between texts",
         {{'t', 0.25, 0.2, courier, "Page 1"}, {'p', 0, 0, {}, ""}, {'t', 0.25, 0.2, courier, "Page 2"}}},
        {"underlined text, control and soft hyphen characters go through the text layout",
         {{'t', 0.25, 2, underlined, "TAMPER"}, {'t', 1.25, 2, courier, "Tab\there"},
          {'t', 2.25, 2, courier, "soft\xADhyphen"}, {'t', 4.25, 2, courier, "M\xFCller \x80 5"}}},
        {"a text that starts left of the page", {{'t', -0.0101, 3, courier, "Rollover"}}},
    };
    // The operations through a report surface, and straight through a painter with drawText.
    auto drawOurs = [](const Row& row, ReportSurface& out, ReportPrinter* printer) {
        out.SetScaleMode(smInches);
        for (size_t i = 0; i < row.ops.size(); ++i) {
            const Op& op = row.ops[i];
            if (op.What == 'p' && printer) printer->NewPage();
            if (op.What == 'l') out.Line(op.X, op.Y, row.ops[i + 1].X, op.Y);
            if (op.What != 't') continue;
            out.SetFontName(op.Font.Name);
            out.SetFontSize(op.Font.Size);
            out.SetFontBold(op.Font.Bold);
            out.SetFontItalic(op.Font.Italic);
            out.SetFontUnderline(op.Font.Underline);
            out.SetCurrentX(op.X);
            out.SetCurrentY(op.Y);
            out.Print(op.Text);
        }
    };
    auto drawPlain = [](const Row& row, QPainter& paint, QPaintDevice& device, QPdfWriter* writer) {
        const double dpi = device.logicalDpiX();
        for (size_t i = 0; i < row.ops.size(); ++i) {
            const Op& op = row.ops[i];
            if (op.What == 'p' && writer) writer->newPage();
            if (op.What == 'l') {
                QPen pen(Qt::black);
                pen.setWidthF(std::max(1.0, dpi / 100));
                pen.setCapStyle(Qt::FlatCap);
                paint.setPen(pen);
                paint.drawLine(QPointF(op.X * dpi, op.Y * dpi), QPointF(row.ops[i + 1].X * dpi, op.Y * dpi));
            }
            if (op.What != 't') continue;
            const QFont font = QtPainterDrawing::ToQFont(op.Font);
            paint.setFont(font);
            paint.setPen(Qt::black);
            paint.drawText(QPointF(op.X * dpi, op.Y * dpi + QFontMetricsF(font, &device).ascent()), FromCore(op.Text));
        }
    };
    TempFolder folder;
    for (const Row& row : rows) {
        const std::string ours = folder.File("ours.pdf"), plain = folder.File("plain.pdf");
        {
            std::unique_ptr<QtReportPrinter> pdf = QtReportPrinter::Pdf(ours);
            drawOurs(row, *pdf, pdf.get());
            pdf->Finish();
        }
        {
            QPdfWriter writer(QString::fromStdString(plain));
            writer.setResolution(1200);
            writer.setPageSize(QPageSize(QPageSize::Letter));
            writer.setPageMargins(QMarginsF(0, 0, 0, 0));
            QPainter paint(&writer);
            drawPlain(row, paint, writer, &writer);
        }
        const std::vector<QStringList> expected = DrawnGlyphs(plain);
        QVERIFY2(!expected.empty() && !expected[0].isEmpty(), row.name);
        const std::vector<QStringList> drawn = DrawnGlyphs(ours);
        QCOMPARE(drawn.size(), expected.size());
        for (size_t page = 0; page < drawn.size(); ++page) {
            if (drawn[page] != expected[page]) qWarning("%s, page %zu", row.name, page + 1);
            QCOMPARE(drawn[page], expected[page]);
        }

        // The preview's page picture, pixel for pixel (page breaks are the printer's).
        QtPictureSurface page(11, 8.5, 100);
        drawOurs(row, page, nullptr);
        QImage plainPage(page.Picture().size(), QImage::Format_RGB32);
        plainPage.setDotsPerMeterX(page.Picture().dotsPerMeterX());
        plainPage.setDotsPerMeterY(page.Picture().dotsPerMeterY());
        plainPage.fill(Qt::white);
        {
            QPainter paint(&plainPage);
            paint.setRenderHint(QPainter::Antialiasing, false);
            paint.setRenderHint(QPainter::TextAntialiasing, true);
            drawPlain(row, paint, plainPage, nullptr);
        }
        QVERIFY2(page.Picture() == plainPage, row.name);
    }
}

// The PDF printer's pages are as large as Qt's PDF pages in both orientations, and it measures
// text as they do (every byte, bold, italic, underlined), so that reports wrap and align as
// before; the faces, TrueType, go into the file.
void TestReportWindows::pdfPrinterMeasuresAsQtPdfPages() {
    std::string everyByte;
    for (int c = 32; c < 256; ++c) everyByte += static_cast<char>(c);
    const struct Row {
        ReportFont font;
        std::string text;
    } rows[] = {
        {{"Courier New", 8}, everyByte},
        {{"Courier New", 8, true}, everyByte},
        {{"Courier New", 8, false, true}, "M\xFCller \x80 5 () \\"},
        {{"Arial", 10}, everyByte},
        {{"Arial", 7.5, true, true, true}, "Billing, Address fi\tTab\r\nNext line"},
    };
    TempFolder folder;
    std::unique_ptr<QtReportPrinter> qt = QtReportPrinter::Pdf(folder.File("qt.pdf"));
    std::unique_ptr<PdfReportPrinter> ours = OpenPdfPrinter(folder.File("ours.pdf"), "ours.pdf");
    for (const int16_t orientation : {2, 1}) {
        qt->SetOrientation(orientation);
        ours->SetOrientation(orientation);
        QCOMPARE(ours->PixelWidth(), qt->PixelWidth());
        QCOMPARE(ours->PixelHeight(), qt->PixelHeight());
    }
    for (const Row& row : rows) {
        for (ReportPrinter* printer : {static_cast<ReportPrinter*>(qt.get()), static_cast<ReportPrinter*>(ours.get())}) {
            printer->SetScaleMode(smPixels);
            printer->SetFontName(row.font.Name);
            printer->SetFontSize(row.font.Size);
            printer->SetFontBold(row.font.Bold);
            printer->SetFontItalic(row.font.Italic);
            printer->SetFontUnderline(row.font.Underline);
            printer->SetCurrentX(1000);
            printer->SetCurrentY(1000);
        }
        QCOMPARE(ours->TextWidth(row.text), qt->TextWidth(row.text));
        QCOMPARE(ours->TextHeight(row.text), qt->TextHeight(row.text));
        ours->Print(row.text);
    }
    ours->Finish();
    QFile file(QString::fromStdString(folder.File("ours.pdf")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().count("/FontFile2 "), 5);
}

// The PDF printer's fonts, found by fontconfig and measured with FreeType, measure as Qt measures
// them on a 1200 dpi PDF page (what the desktop's windows and printers lay reports out with):
// each byte's advance, the ascent, line spacing and underline; and the face is the one Qt
// draws with (its TrueType file of the same tables). The report fonts, faces with other
// heights (Windows heights, typographic heights, no bold face), a family fontconfig replaces,
// and sizes whose pixels round to the hundredth first: the smallest, and either side of a half.
void TestReportWindows::fontSourceMeasuresAsQtPdfPages() {
    const ReportFont rows[] = {
        {"Courier New", 8},
        {"Courier New", 8, true},
        {"Courier New", 8, true, true},
        {"Arial", 10},
        {"Arial", 7.5, true, true, true},
        {"Times New Roman", 11, true},
        {"Liberation Sans Narrow", 10},
        {"DejaVu Math TeX Gyre", 10, true},
        {"DejaVu Sans Mono", 6, false, true},
        {"No Such Family", 9},
        {"Courier New", 0.03},   // half a pixel: one
        {"Courier New", 8.2497}, // 137.495 pixels: 137.5, then 138
        {"Courier New", 8.2496}, // 137.493 pixels: 137.49, then 137
    };
    QBuffer nothing;
    QPdfWriter page(&nothing);
    page.setResolution(1200);
    page.setPageSize(QPageSize(QPageSize::Letter));
    page.setPageMargins(QMarginsF(0, 0, 0, 0));
    FontconfigFontSource fonts;
    for (const ReportFont& font : rows) {
        const QByteArray row = QByteArray::fromStdString(font.Name + " " + std::to_string(font.Size) + (font.Bold ? " bold" : "") +
                                                         (font.Italic ? " italic" : ""));
        const QFont qfont = QtPainterDrawing::ToQFont(font);
        const QFontMetricsF qt(qfont, &page);
        const PdfFontMetrics ours = fonts.Metrics(font);
        for (int c = 0; c < 256; ++c) {
            const double advance = qt.horizontalAdvance(FromCore(std::string(1, static_cast<char>(c))));
            QVERIFY2(ours.Advance[c] == advance, (row + " byte " + QByteArray::number(c) + ": " + QByteArray::number(ours.Advance[c]) +
                                                  " against " + QByteArray::number(advance)).constData());
        }
        QVERIFY2(ours.Ascent == qt.ascent(), row.constData());
        QVERIFY2(ours.LineHeight == qt.lineSpacing(), row.constData());
        QVERIFY2(ours.UnderlinePosition == qt.underlinePos(), row.constData());
        QVERIFY2(ours.UnderlineThickness == qt.lineWidth(), row.constData());
        // The face at a size of whole screen pixels (none is found for less than one).
        QFont faceSize = qfont;
        faceSize.setPointSizeF(8);
        const QRawFont face = QRawFont::fromFont(faceSize);
        const std::string file = TrueTypeFontFile([&face](const char* tag) { return face.fontTable(tag).toStdString(); });
        QVERIFY2(fonts.FontProgram(font) == file, row.constData());
        QVERIFY2(ours.PostScriptName == FontPostScriptName(face.fontTable("name").toStdString()), row.constData());
    }
}

DOVREX_WINDOW_TEST(TestReportWindows)
#include "TestReportWindows.moc"
