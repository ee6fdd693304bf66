#pragma once

#include "RptEngine.h"

#include "platform/ValueCollection.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dovrex {

class QVFReader;

// What one meter or orphan record shows in a readings report, and its exception code.
struct ReadingRow {
    int32_t Code = 0;
    std::string Transponder;
    std::string Tamper;
    std::string Reading;
    std::string Previous;
    std::string Min;
    std::string Max;
    std::string DateTime;       // date CR LF time
    std::string AccountMeter;   // account CR LF meter type letter and serial number
    std::string BillingAddress; // billing name CR LF service address
    std::string Label;          // the exception label, one part per line
};

// The fields of a schema record that a readings report shows or tests.
enum ReportField {
    rfMeterTagNbr, rfMeterType, rfDigits, rfDecimals, rfPrvReading, rfMaxReading, rfMinReading, rfCurReading,
    rfReadingDate, rfReadingTime, rfStatus, rfReadType, rfResponseCode, rfLstReadingDate, rfTamperCount,
    rfInitials, rfResponseText, rfServiceAddress, rfBillingName, rfServiceUniqueID, rfMeterSerialNbr,
    rfFieldCount
};
using ReportFields = std::array<Value, rfFieldCount>;

// Where a report field lies in a schema: its field number (0: none), and for a number field
// its type and offset, at which it is read straight from a record that holds its numbers.
struct ReportFieldPlace {
    int16_t Number = 0;
    int16_t Type = -1; // a number field's type; -1 for a text or a field the schema lacks
    int16_t Offset = 0;
};

// The readings reports of a readings database returned by a handheld: one layout, and a
// report kind that filters the meter rows by their exception code.
class clsReport : private IPrintEventSink {
public:
    enum ReportKinds : int32_t { rkPreview = 1, rkException = 2, rkReading = 4, rkOrphan = 8, rkMissed = 16 };

    explicit clsReport(ReportServices services);
    ~clsReport() override;
    clsReport(const clsReport&) = delete;
    clsReport& operator=(const clsReport&) = delete;

    // The report's title for a filter: a kind's own title, or those of every kind it holds.
    static std::string TitleOf(int32_t Filter);
    // The schema field name of each ReportField.
    static const char* FieldName(ReportField field);
    // The row of a meter (RecType 2) or orphan (RecType 3) record.
    static ReadingRow MakeRow(const ReportFields& Fields, int32_t RecType);
    static ReadingRow MakeRow(const ValueCollection& Fields, int32_t RecType);

    // The output device; without one the report goes to the system printer.
    void Init(RptEngine::OutputDevice PrintObj);
    // The printer's paper bin, as decimal text.
    std::string Tray() const;
    void SetTray(const std::string& NewTray);

    // Runs one report over the readings database FileName into the preview or to the printer.
    // False (and a log line) when the database cannot be read.
    bool Begin(bool Preview, const std::string& FileName, int32_t Filter, const std::string& ReportTitle);

    RptEngine& Engine() { return mEngine; }

private:
    void PrintEvent(int32_t peEvent, int16_t level, double& SectionHeight) override;
    void BuildElements();
    void Detail(double& SectionHeight);
    ReportPrinter* PdfBesideReadings();

    ReportServices mServices;
    RptEngine mEngine;
    RptEngine::OutputDevice mDevice;
    int16_t mTray = 0;
    int32_t mFilter = 0;
    std::string mFileName;
    std::string mPrintedDate;
    QVFReader* mReader = nullptr;
    // Where each report field lies in the database's schema.
    std::array<ReportFieldPlace, rfFieldCount> mFieldPlaces{};
    // The row of the record read, kept for the capacity of its texts.
    ReadingRow mRow;
    std::unique_ptr<ReportPrinter> mPdf;
    double mLineHeight = 0;
    bool mUnitHeaderPending = false;
    std::vector<clsPrintElement> mPageHeader;
    std::vector<clsPrintElement> mUnitHeader;
    std::vector<clsPrintElement> mDetailRow;
    std::vector<clsPrintElement> mPageFooter;
};

} // namespace dovrex
