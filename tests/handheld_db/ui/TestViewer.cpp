#include "handheld_db/ui/frmQVFView.h"

#include "handheld_db/clsQVF.h"

#include "support/TempFolder.h"
#include "support/TestDoubles.h"
#include "support/WindowTesting.h"

#include <QHeaderView>
#include <QTest>
#include <QTreeWidget>

using namespace dovrex;
using namespace dovrex::ui;
using dovrex::test::RecordingLog;
using dovrex::test::TempFolder;

namespace {

struct Record {
    int recType;
    int routeNbr;
    std::string text; // Initials of a route record, MeterTagNbr of a meter
    int count = 0;    // PrvReading
};

// A schema-3 database of the given schema records, with code, index and orphan records
// between them that neither list shows.
std::string WriteDatabase(const TempFolder& folder, const std::string& name, const std::vector<Record>& records) {
    const std::string path = folder.File(name);
    clsQVF qvf;
    qvf.SetVersion(3);
    if (qvf.CreateQVF(path, ContainerPDB, 16) != 0) return {};
    for (const Record& record : records) {
        qvf.AddNew();
        qvf.SetItem("RecType", Value(int64_t{record.recType}));
        qvf.SetItem("RouteNbr", Value(int64_t{record.routeNbr}));
        if (record.recType == 0) qvf.SetItem("MeterType", Value(int64_t{3}));
        if (record.recType == 2) {
            qvf.SetItem("MeterTagNbr", Value(int64_t{std::stoi(record.text)}));
            qvf.SetItem("BillingName", Value("Name " + record.text));
        } else {
            qvf.SetItem("Initials", Value(record.text));
        }
        qvf.SetItem("PrvReading", Value(int64_t{record.count}));
        qvf.WriteData();
        if (record.recType == 2 && record.routeNbr == 1) {
            qvf.AddCodeRecord(5, 1, 0, 1, {"01"}, {"Dog"}, {""});
            qvf.AddIndexRecord(1, 1, 1, {"MAIN"}, {1});
        }
    }
    qvf.AddCodeRecord(7, 1, 0, 1, {"A"}, {"1"}, {""});
    qvf.Close();
    return path;
}

QStringList Column(const QTreeWidget& list, int column) {
    QStringList texts;
    for (int row = 0; row < list.topLevelItemCount(); ++row) texts << list.topLevelItem(row)->text(column);
    return texts;
}

} // namespace

class TestViewer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listsRoutesAndTheChosenRoutesMeters();
    void failures();
};

void TestViewer::listsRoutesAndTheChosenRoutesMeters() {
    // A route database and a readings database whose route records are kind 256.
    for (const int routeKind : {1, 256}) {
        TempFolder folder;
        const std::string path = WriteDatabase(folder, "RouteQVF.pdb",
                                               {{0, 3, "QVF"},
                                                {routeKind, 1, "0012", 2},
                                                {routeKind, 2, "0013", 1},
                                                {routeKind, 3, "0099", 1},
                                                {2, 1, "501"},
                                                {2, 2, "601"},
                                                {3, 1, "777"},
                                                {2, 1, "502"},
                                                {2, 3, "901"}});
        RecordingLog log;
        frmQVFView viewer(log, nullptr);
        QCOMPARE(viewer.Load(path), frmQVFView::LoadResult::Shown);
        QCOMPARE(viewer.windowTitle(), QString::fromStdString(path));
        auto* routes = viewer.findChild<QTreeWidget*>(QStringLiteral("lstRoutes"));
        auto* meters = viewer.findChild<QTreeWidget*>(QStringLiteral("lstMeters"));
        QCOMPARE(routes->columnCount(), 5);
        QCOMPARE(routes->headerItem()->text(4), QStringLiteral("Last Read"));
        QCOMPARE(Column(*routes, 0), (QStringList{"1", "2", "3"}));
        QCOMPARE(Column(*routes, 1), (QStringList{"0012", "0013", "0099"}));
        QCOMPARE(Column(*routes, 2), (QStringList{"2", "1", "1"}));
        // Route 1 at once: its meters in file order, nothing of the orphan or code records.
        QCOMPARE(meters->columnCount(), 37);
        QCOMPARE(meters->headerItem()->text(36), QStringLiteral("User5"));
        QCOMPARE(Column(*meters, 1), (QStringList{"501", "502"}));
        QCOMPARE(Column(*meters, frmQVFView::MeterColumns().indexOf("BillingName")),
                 (QStringList{"Name 501", "Name 502"}));
        routes->setCurrentItem(routes->topLevelItem(2));
        QCOMPARE(Column(*meters, 1), QStringList{"901"});
        // Every column fits its header.
        for (int column = 0; column < meters->columnCount(); ++column) {
            QVERIFY(meters->columnWidth(column) >= meters->header()->sectionSizeHint(column));
        }
        if (routeKind == 1) {
            viewer.show();
            dovrex::test::SaveScreenshot(viewer, QStringLiteral("viewer"));
            viewer.resize(1200, 600);
            dovrex::test::SaveScreenshot(viewer, QStringLiteral("viewer-resized"));
        }
        QVERIFY(log.Lines.empty());
    }
}

void TestViewer::failures() {
    TempFolder folder;
    struct Row {
        const char* what;
        std::vector<Record> records;
        frmQVFView::LoadResult result;
    };
    const Row rows[] = {
        {"no routes", {{0, 0, "QVF"}, {2, 1, "501"}}, frmQVFView::LoadResult::Shown},
        {"route before header", {{1, 1, "0012"}, {0, 1, "QVF"}}, frmQVFView::LoadResult::Failed},
        {"route 0", {{0, 1, "QVF"}, {1, 0, "0012"}}, frmQVFView::LoadResult::Failed},
        {"route at the count", {{0, 2, "QVF"}, {1, 2, "0012"}}, frmQVFView::LoadResult::Shown},
        {"route past the count", {{0, 2, "QVF"}, {1, 3, "0012"}}, frmQVFView::LoadResult::Failed},
    };
    for (const Row& row : rows) {
        RecordingLog log;
        frmQVFView viewer(log, nullptr);
        QCOMPARE(viewer.Load(WriteDatabase(folder, std::string(row.what) + ".pdb", row.records)), row.result);
        QVERIFY2(log.Lines.empty(), row.what);
        if (row.result == frmQVFView::LoadResult::Shown) {
            QCOMPARE(viewer.findChild<QTreeWidget*>(QStringLiteral("lstMeters"))->columnCount(), 37);
        }
    }
    RecordingLog log;
    frmQVFView viewer(log, nullptr);
    QCOMPARE(viewer.Load(folder.Write("text.pdb", "no database")), frmQVFView::LoadResult::NotOpened);
    QCOMPARE(viewer.Load(folder.File("missing.pdb")), frmQVFView::LoadResult::NotOpened);
    QCOMPARE(log.Lines, (std::vector<std::string>{"Error: Could not read QVF file", "Error: Could not read QVF file"}));
}

DOVREX_WINDOW_TEST(TestViewer)
#include "TestViewer.moc"
