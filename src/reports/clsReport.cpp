#include "clsReport.h"

#include "handheld_db/QVFReader.h"

#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <DovrexVersion.h>

#include <cmath>
#include <filesystem>

namespace dovrex {

namespace {

const std::string CrLf = "\r\n";

struct Kind {
    int32_t Filter;
    const char* Title;
};
// In the order the main window prints them.
constexpr Kind Kinds[] = {
    {clsReport::rkException, "Exception Report"},
    {clsReport::rkReading, "Reading Report"},
    {clsReport::rkOrphan, "Orphan Report"},
    {clsReport::rkMissed, "Missed Report"},
};

// The detail columns: x from the left margin, heading, wrap width.
struct Column {
    double X;
    const char* Heading;
    double WrapWidth;
};
constexpr Column Columns[] = {
    {0, "Transponder", 0},  {1.0, "Tamper", 0},        {1.5, "Reading", 0},          {2.2, "Previous", 0},
    {2.9, "Min", 0},        {3.6, "Max", 0},           {4.7, "Date/Time", 0},        {5.6, "Account/Meter", 0},
    {7.1, "Billing/Address", 1.9}, {9.4, "Exception", 1.1},
};
enum ColumnIndex { colTransponder, colTamper, colReading, colPrevious, colMin, colMax, colDateTime, colAccount,
                   colBilling, colException };
// The unit header: "Unit ID:", "Reader:", their values, then the column headings.
enum UnitHeaderIndex { uhUnitId = 2, uhReader = 3, uhFirstHeading = 4 };

constexpr const char* FieldNames[rfFieldCount] = {
    "MeterTagNbr", "MeterType", "Digits", "Decimals", "PrvReading", "MaxReading", "MinReading", "CurReading",
    "ReadingDate", "ReadingTime", "Status", "ReadType", "ResponseCode", "LstReadingDate", "TamperCount",
    "Initials", "ResponseText", "ServiceAddress", "BillingName", "ServiceUniqueID", "MeterSerialNbr",
};

constexpr int16_t Portrait = 1;
constexpr int16_t Landscape = 2;

std::string Mid(const std::string& text, size_t start1, size_t length) {
    return start1 - 1 < text.size() ? text.substr(start1 - 1, length) : std::string();
}

std::string Right(const std::string& text, size_t length) {
    return length >= text.size() ? text : text.substr(text.size() - length);
}

std::string Blank0(int64_t value) { return value == 0 ? std::string() : NumberText(value); }

// The label with a second part on a new line.
void AddLine(std::string& label, const std::string& line) {
    if (line.empty()) return;
    label = label.empty() ? line : label + CrLf + line;
}

} // namespace

clsReport::clsReport(ReportServices services) : mServices(services), mEngine(std::move(services)) {
    mEngine.SetEventSink(this);
    mEngine.PageSetup(11, 8.5, 0.25, 0.5, 0.2, 0.75, 7.25);
    mEngine.SetNoPrinterFallback([this] { return PdfBesideReadings(); });
}

clsReport::~clsReport() = default;

std::string clsReport::TitleOf(int32_t Filter) {
    std::string title;
    for (const Kind& kind : Kinds) {
        if (kind.Filter == Filter) return kind.Title;
        if (Filter & kind.Filter) title += (title.empty() ? "" : ", ") + std::string(kind.Title);
    }
    return title;
}

void clsReport::Init(RptEngine::OutputDevice PrintObj) { mDevice = std::move(PrintObj); }

std::string clsReport::Tray() const { return NumberText(mTray); }

void clsReport::SetTray(const std::string& NewTray) { mTray = CInt(Val(NewTray)); }

bool clsReport::Begin(bool Preview, const std::string& FileName, int32_t Filter, const std::string& ReportTitle) {
    mFilter = Filter;
    mFileName = FileName;
    mEngine.SetOutputDevice(mDevice);
    mEngine.SetBaseFontName("Courier New");
    mEngine.SetBaseFontSize(8);
    mEngine.SetCompany({});
    mEngine.SetTitle(ReportTitle.empty() ? TitleOf(Filter) : ReportTitle);
    mEngine.SetSubTitle({});

    ReportPrinter* printer = nullptr;
    if (auto* const* object = std::get_if<ReportPrinter*>(&mDevice)) {
        printer = *object;
    } else if (std::holds_alternative<RptEngine::SystemPrinter>(mDevice) && mServices.Printers) {
        printer = mServices.Printers->CurrentPrinter();
    }
    if (printer) printer->SetOrientation(mEngine.PageLength() < mEngine.PageWidth() ? Landscape : Portrait);

    const SystemClock systemClock;
    mPrintedDate = mServices.Locale.ShortDate((mServices.Clock ? *mServices.Clock : systemClock).Now());

    QVFReader reader(mServices.Messages);
    bool opened = false;
    try {
        opened = reader.Open(FileName);
    } catch (const std::exception&) {
        opened = false;
    }
    if (!opened) {
        if (mServices.Log) mServices.Log->AddLog("Error: Could not read QVF file");
        return false;
    }
    mReader = &reader;
    if (Preview) {
        mEngine.PreviewReport();
    } else {
        mEngine.PrintReport(0, 0, mTray);
    }
    mReader = nullptr;
    mPdf.reset();
    return true;
}

// Without a printer the report becomes a PDF file beside the readings database.
ReportPrinter* clsReport::PdfBesideReadings() {
    if (!mServices.Printers) return nullptr;
    const std::filesystem::path readings(mFileName);
    const std::string title = mEngine.Title().empty() ? "Report" : mEngine.Title();
    const std::filesystem::path pdf = readings.parent_path() / (readings.stem().string() + " " + title + ".pdf");
    mPdf = mServices.Printers->OpenPdf(pdf.string());
    if (!mPdf) return nullptr;
    mPdf->SetOrientation(mEngine.PageLength() < mEngine.PageWidth() ? Landscape : Portrait);
    if (mServices.Log) {
        mServices.Log->AddLog("Info: No printer is installed; " + title + " written to " + pdf.string());
    }
    return mPdf.get();
}

void clsReport::PrintEvent(int32_t peEvent, int16_t, double& SectionHeight) {
    switch (peEvent) {
    case peReportStart:
        mReader->Rewind();
        for (int field = 0; field < rfFieldCount; ++field) {
            mFieldNumbers[field] = mReader->Database().DB().FindItem(FieldNames[field]);
        }
        mEngine.ApplyBaseFont();
        mLineHeight = mEngine.LineHeight();
        BuildElements();
        break;
    case pePageHeader:
        SectionHeight = mEngine.PrintElements(mPageHeader) + mLineHeight;
        mUnitHeaderPending = true;
        break;
    case peDetail: Detail(SectionHeight); break;
    case pePageFooter: SectionHeight = mEngine.PrintElements(mPageFooter, true); break;
    case peReportEnd:
        mPageHeader.clear();
        mUnitHeader.clear();
        mDetailRow.clear();
        mPageFooter.clear();
        break;
    default: break;
    }
}

void clsReport::BuildElements() {
    const double L = mLineHeight;
    const double printWidth = mEngine.PrintWidth();
    mPageHeader = {
        RptEngine::MakeElement(0, 0, Value(std::string(version::Title) + CrLf + "%d")),
        RptEngine::MakeElement(printWidth / 2, 0, Value("%t" + CrLf + "%s"), alCenter),
        RptEngine::MakeElement(printWidth - 0.5, 0, Value("Page %p"), alRight),
    };

    mUnitHeader = {
        RptEngine::MakeElement(0, 0, Value("Unit ID:")),
        RptEngine::MakeElement(0, L, Value("Reader:")),
        RptEngine::MakeElement(1.0, 0, Value(""), alLeft, fsBold | fsItalic),
        RptEngine::MakeElement(1.0, L, Value(""), alLeft, fsBold | fsItalic),
    };
    mDetailRow.clear();
    for (const Column& column : Columns) {
        const bool first = mUnitHeader.size() == uhFirstHeading;
        mUnitHeader.push_back(
            RptEngine::MakeElement(column.X, L + 0.4, Value(column.Heading), alLeft, first ? fsBold : 0));
        mDetailRow.push_back(
            RptEngine::MakeElement(column.X, 0, Value(""), alLeft, 0, {}, std::nullopt, column.WrapWidth));
    }

    const double footerY = mEngine.PageLength() - mEngine.MarginBottom();
    const double left = mEngine.MarginLeft();
    mPageFooter = {
        RptEngine::MakeLine(left, footerY, printWidth, 0),
        RptEngine::MakeElement(left, footerY, Value("Printed " + mPrintedDate)),
        RptEngine::MakeElement(left + printWidth / 2, footerY, Value("%c"), alCenter),
        RptEngine::MakeElement(mEngine.PageWidth() - mEngine.MarginRight(), footerY, Value("Page %p"), alRight),
    };
}

void clsReport::ReadFields() {
    clsQVF& db = mReader->Database();
    for (int field = 0; field < rfFieldCount; ++field) {
        mFields[field] = mFieldNumbers[field] == 0 ? Value::Null() : db.Item(mFieldNumbers[field]);
    }
}

void clsReport::Detail(double& SectionHeight) {
    clsQVF& db = mReader->Database();
    if (!db.ReadData()) {
        SectionHeight = -1;
        return;
    }
    SectionHeight = 0;
    // Only schema records show; one too short for the schema's fixed part shows nothing.
    const int32_t type = db.RecordType();
    if (QVFRecord::LayoutOf(type) != QVFRecord::Layout::Schema) return;
    if (db.RawData().size() < static_cast<size_t>(db.DB().FixedLength())) return;

    if (type == clsQVF::rtHeader) {
        mUnitHeader[uhUnitId].Value = Value(db.Item("ResponseText").ToText());
        return;
    }
    const bool route = type == clsQVF::rtRoute || type == clsQVF::rtReadingRoute;
    if (!route && type != clsQVF::rtMeter && type != clsQVF::rtOrphan) return;

    if (mUnitHeaderPending) {
        mUnitHeaderPending = false;
        mUnitHeader[uhReader].Value = Value(db.Item("Initials").ToText());
        mEngine.AddSectionHeight(mEngine.PrintElements(mUnitHeader) + mLineHeight / 2);
    }
    if (route) return;

    ReadFields();
    const ReadingRow row = MakeRow(mFields, type);
    if ((row.Code & mFilter) == 0) return;
    const std::string* texts[] = {&row.Transponder, &row.Tamper,   &row.Reading,      &row.Previous,
                                  &row.Min,         &row.Max,      &row.DateTime,     &row.AccountMeter,
                                  &row.BillingAddress, &row.Label};
    for (size_t i = 0; i < mDetailRow.size(); ++i) mDetailRow[i].Value = Value(*texts[i]);
    SectionHeight = mEngine.PrintElements(mDetailRow) + mLineHeight / 2;
}

const char* clsReport::FieldName(ReportField field) { return FieldNames[field]; }

ReadingRow clsReport::MakeRow(const ValueCollection& Fields, int32_t RecType) {
    ReportFields fields;
    for (int field = 0; field < rfFieldCount; ++field) fields[field] = Fields.Item(FieldNames[field]);
    return MakeRow(fields, RecType);
}

ReadingRow clsReport::MakeRow(const ReportFields& Fields, int32_t RecType) {
    auto number = [&Fields](ReportField field) { return static_cast<int64_t>(Fields[field].ToNumber()); };
    auto text = [&Fields](ReportField field) { return Fields[field].ToText(); };
    ReadingRow row;

    int64_t reading = number(rfCurReading);
    const int64_t decimals = number(rfDecimals);
    // Readings kept with decimals are shown and tested in whole units.
    if (decimals > 0) reading = static_cast<int64_t>(std::floor(static_cast<double>(reading) / std::pow(10.0, decimals)));
    const int64_t status = number(rfStatus);
    const int64_t digits = number(rfDigits);
    const int64_t readType = number(rfReadType);
    const int64_t previous = number(rfPrvReading);
    const int64_t minimum = number(rfMinReading);
    const int64_t maximum = number(rfMaxReading);
    const int64_t readingDate = number(rfReadingDate);
    const int64_t readingTime = number(rfReadingTime);
    const int64_t tamper = number(rfTamperCount);
    const std::string responseText = text(rfResponseText);

    row.Transponder = NumberText(number(rfMeterTagNbr));
    row.Tamper = NumberText(tamper);
    if (status == 0) {
        row.Reading = "--";
    } else if (digits > 0) {
        // Eight digits with leading zeros, cut to the meter's dial.
        std::string padded = NumberText(static_cast<int64_t>(reading < 0 ? -reading : reading));
        if (padded.size() < 8) padded.insert(0, 8 - padded.size(), '0');
        if (reading < 0) padded.insert(0, "-");
        row.Reading = Right(padded, static_cast<size_t>(digits));
    } else {
        row.Reading = NumberText(reading);
    }
    if (readType == 2 && status > 0) row.Reading += "*";
    row.Previous = Blank0(previous);
    row.Min = Blank0(minimum);
    row.Max = Blank0(maximum);

    std::string date, time;
    if (readingDate > 0) {
        const std::string d = NumberText(readingDate);
        date = Mid(d, 5, 2) + "/" + Mid(d, 7, 2) + "/" + Mid(d, 1, 4);
    }
    if (readingTime > 0) {
        const std::string t = Right("000000" + NumberText(readingTime), 6);
        time = t.substr(0, 2) + ":" + t.substr(2, 2) + ":" + t.substr(4, 2);
    }
    row.DateTime = date + CrLf + time;

    const int64_t meterType = number(rfMeterType);
    const std::string letter = meterType == 1 ? "W" : meterType == 2 ? "G" : meterType == 3 ? "E" : NumberText(meterType);
    std::string account = text(rfServiceUniqueID);
    for (const char* run : {"     ", "    ", "   ", "  "}) account = Replace(account, run, " ");
    row.AccountMeter = account + CrLf + letter + " " + text(rfMeterSerialNbr);
    row.BillingAddress = text(rfBillingName) + CrLf + text(rfServiceAddress);

    // The exception: the first rule that applies.
    std::string label;
    int32_t code;
    if (status == 0) {
        code = 16, label = "Missed";
    } else if (readType == 4 || readingDate == 0 || (readType == 2 && reading == 0)) {
        code = 2, label = "Skipped";
    } else if (minimum < maximum && (reading < minimum || reading > maximum)) {
        code = 6, label = reading < minimum ? "Low Reading" : "High Reading";
    } else if (reading < previous) {
        code = 6, label = "Rollover";
    } else if (minimum > maximum && reading < minimum && reading > maximum) {
        code = 6, label = "High Reading";
    } else if (readType == 2 && number(rfResponseCode) != 0) {
        code = 6, label = "Manually Read";
    } else {
        code = responseText.empty() ? 4 : 6;
    }
    AddLine(label, responseText);
    if (tamper != 0) AddLine(label, "TAMPER");

    if (RecType == clsQVF::rtOrphan) {
        row.Previous.clear();
        row.Min.clear();
        row.Max.clear();
        row.AccountMeter.clear();
        row.BillingAddress = "**Orphan Transponder **";
        code = 8;
        label.clear();
        for (const ReportField nearby : {rfPrvReading, rfMaxReading, rfMinReading, rfLstReadingDate}) {
            if (number(nearby) != 0) label += " " + NumberText(number(nearby));
        }
        if (!label.empty()) label = "Nearby:" + label;
    }
    label = Replace(label, "; ", CrLf);
    label = Replace(label, ";", CrLf);
    row.Code = code;
    row.Label = label;
    return row;
}

} // namespace dovrex
