#include "frmQVFView.h"

#include "ui_frmQVFView.h"

#include "handheld_db/QVFReader.h"
#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"
#include "platform/ui/QtText.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTreeWidgetItem>

#include <vector>

namespace dovrex::ui {

namespace {

const QStringList& RouteColumns() {
    static const QStringList columns = {QStringLiteral("Index"), QStringLiteral("Route"), QStringLiteral("Meters"),
                                        QStringLiteral("First Read"), QStringLiteral("Last Read")};
    return columns;
}

QString FieldText(const QVFRecord& record, const char* field) { return FromCore(record.Fields.Item(field).ToText()); }

bool IsRouteRecord(int32_t recordType) {
    return recordType == clsQVF::rtRoute || recordType == clsQVF::rtReadingRoute;
}

} // namespace

const QStringList& frmQVFView::MeterColumns() {
    static const QStringList columns = {
        "Sequence",       "MeterTagNbr",    "MeterType",      "Digits",         "Decimals",     "PrvReading",
        "MaxReading",     "MinReading",     "CurReading",     "ReadingDate",    "ReadingTime",  "Status",
        "ReadType",       "ResponseCode",   "LstReadingDate", "TamperCount",    "UtilityCode",  "Signal",
        "Lat",            "Lng",            "ScaleFactor",    "InitReading",    "InitPulseCount", "InitTamperCount",
        "Initials",       "ResponseText",   "Message",        "ServiceAddress", "BillingName",  "ServiceUniqueID",
        "MeterSerialNbr", "ReceiverData",   "User1",          "User2",          "User3",        "User4",
        "User5"};
    return columns;
}

frmQVFView::frmQVFView(ILog& log, IMessageBox* messages, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmQVFView>()), mLog(log), mMessages(messages) {
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    ui->splitLists->setStretchFactor(0, 0);
    ui->splitLists->setStretchFactor(1, 1);
    connect(ui->lstRoutes, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (current == nullptr) return;
        ShowMeters(CInt(Val(ToCore(current->text(0)))));
    });
}

frmQVFView::~frmQVFView() = default;

frmQVFView::LoadResult frmQVFView::Load(const std::string& Filename) {
    setWindowTitle(FromCore(Filename));
    mDatabase = std::make_unique<QVFReader>(mMessages);
    if (!mDatabase->Open(Filename)) {
        mLog.AddLog("Error: Could not read QVF file");
        mDatabase.reset();
        return LoadResult::NotOpened;
    }
    ui->lstRoutes->clear();
    ui->lstMeters->clear();
    ui->lstRoutes->setHeaderLabels(RouteColumns());
    ui->lstMeters->setHeaderLabels(MeterColumns());
    try {
        std::vector<QTreeWidgetItem*> rows;
        bool headerSeen = false;
        int32_t routeCount = 0;
        QVFRecord record;
        while (mDatabase->ReadNext(record)) {
            if (record.RecordType == clsQVF::rtHeader) {
                headerSeen = true;
                routeCount = static_cast<int32_t>(record.Fields.Item("RouteNbr").ToNumber());
            } else if (IsRouteRecord(record.RecordType)) {
                const double position = record.Fields.Item("RouteNbr").ToNumber();
                if (!headerSeen || position < 1 || position > routeCount) {
                    qDeleteAll(rows);
                    return LoadResult::Failed;
                }
                rows.push_back(new QTreeWidgetItem(QStringList{FieldText(record, "RouteNbr"), FieldText(record, "Initials"),
                                                               FieldText(record, "PrvReading"),
                                                               FieldText(record, "Sequence"),
                                                               FieldText(record, "MeterTagNbr")}));
            }
        }
        for (QTreeWidgetItem* row : rows) ui->lstRoutes->addTopLevelItem(row);
    } catch (const std::exception&) {
        return LoadResult::Failed;
    }
    if (ui->lstRoutes->topLevelItemCount() > 0) {
        // Selecting the first route shows its meters.
        ui->lstRoutes->setCurrentItem(ui->lstRoutes->topLevelItem(0));
    } else {
        AutoSizeColumns(*ui->lstMeters);
    }
    AutoSizeColumns(*ui->lstRoutes);
    // The route list as wide as its columns, the meters taking the rest.
    const int routesWidth = ui->lstRoutes->header()->length() + 2 * ui->lstRoutes->frameWidth() +
                            ui->lstRoutes->verticalScrollBar()->sizeHint().width();
    ui->splitLists->setSizes({routesWidth, std::max(width() - routesWidth, routesWidth)});
    return LoadResult::Shown;
}

bool frmQVFView::Display(const std::string& Filename) {
    const LoadResult result = Load(Filename);
    if (result == LoadResult::Shown) exec();
    mDatabase.reset();
    return result != LoadResult::Failed;
}

void frmQVFView::ShowMeters(int16_t RoutePosition) {
    ui->lstMeters->clear();
    if (!mDatabase) return;
    const QStringList& columns = MeterColumns();
    QList<QTreeWidgetItem*> rows;
    try {
        mDatabase->Rewind();
        QVFRecord record;
        while (mDatabase->ReadNext(record)) {
            if (record.RecordType != clsQVF::rtMeter) continue;
            if (record.Fields.Item("RouteNbr").ToNumber() != RoutePosition) continue;
            QStringList cells;
            cells.reserve(columns.size());
            for (const QString& column : columns) cells << FromCore(record.Fields.Item(column.toStdString()).ToText());
            rows << new QTreeWidgetItem(cells);
        }
    } catch (const std::exception& e) {
        // The file changed or broke since it was opened: show what was read.
        if (mMessages != nullptr) mMessages->Show(DescribeException(e), "Error", MsgButtons::OK, MsgIcon::Critical);
    }
    ui->lstMeters->addTopLevelItems(rows);
    AutoSizeColumns(*ui->lstMeters);
}

void frmQVFView::AutoSizeColumns(QTreeWidget& list) {
    // Each column as wide as the larger of its header and its contents.
    for (int column = 0; column < list.columnCount(); ++column) list.resizeColumnToContents(column);
}

} // namespace dovrex::ui
