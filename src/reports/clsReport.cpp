#include "clsReport.h"

#include "handheld_db/QVFReader.h"

#include "platform/NumberChars.h"
#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <DovrexVersion.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string_view>
#include <utility>

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

// The fields of a row as numbers and texts: values, or views of the record read.
struct ValueFields {
    const ReportFields& Fields;
    int64_t Number(ReportField field) const { return static_cast<int64_t>(Fields[field].ToNumber()); }
    std::string_view Text(ReportField field, std::string& scratch) const {
        const Value& value = Fields[field];
        if (value.IsText()) return value.Text();
        scratch = value.ToText();
        return scratch;
    }
};

// Read as they are needed: a record whose code the report leaves out reads only the fields
// that make its code. A field the schema does not have (number 0) reads as Null. The record
// holds the schema's fixed part: its number fields are read straight from their bytes.
struct ViewFields {
    clsPalmDB& Record;
    const std::array<ReportFieldPlace, rfFieldCount>& Places;
    const unsigned char* Bytes = reinterpret_cast<const unsigned char*>(Record.RawData().data());
    // Inlined: it is called for most fields of every record.
    [[gnu::always_inline]] int64_t Number(ReportField field) const {
        const ReportFieldPlace& place = Places[field];
        if (place.Type >= 0) return clsPalmDB::FixedNumber(place.Type, Bytes + place.Offset);
        return Record.ViewWhole(place.Number);
    }
    std::string_view Text(ReportField field, std::string& scratch) const {
        return Record.View(Places[field].Number).TextIn(scratch);
    }
};

void AppendNumber(std::string& out, int64_t value) { out += NumberChars(value).View(); }

// Copies part to out; past the part copied.
char* Put(char* out, std::string_view part) { return std::copy(part.begin(), part.end(), out); }

// The room of a date and a time with the line break between them.
constexpr size_t DateTimeRoom = 10 + 2 + 8;

// The two digits of a number from 0 to 99.
char* PutTwoDigits(char* out, int64_t number) {
    out[0] = static_cast<char>('0' + number / 10);
    out[1] = static_cast<char>('0' + number % 10);
    return out + 2;
}

// "yyyymmdd" as "mm/dd/yyyy", the parts cut from the number's digits as they stand; at most
// 10 characters. A date of eight digits (nearly all) is cut by arithmetic.
char* PutDate(char* out, int64_t date) {
    if (date >= 10000000 && date <= 99999999) {
        out = PutTwoDigits(out, date / 100 % 100);
        *out++ = '/';
        out = PutTwoDigits(out, date % 100);
        *out++ = '/';
        out = PutTwoDigits(out, date / 1000000);
        return PutTwoDigits(out, date / 10000 % 100);
    }
    const NumberChars digits(date);
    const std::string_view d = digits.View();
    auto mid = [d](size_t start, size_t length) { return start < d.size() ? d.substr(start, length) : std::string_view(); };
    out = Put(out, mid(4, 2));
    *out++ = '/';
    out = Put(out, mid(6, 2));
    *out++ = '/';
    return Put(out, mid(0, 4));
}

// A time above 0, "hhmmss", as "hh:mm:ss" from its last six digits with leading zeros; 8
// characters.
char* PutTime(char* out, int64_t time) {
    const int64_t last = time % 1000000;
    out = PutTwoDigits(out, last / 10000);
    *out++ = ':';
    out = PutTwoDigits(out, last / 100 % 100);
    *out++ = ':';
    return PutTwoDigits(out, last % 100);
}

// The account with its runs of blanks shortened as replacing five blanks by one, then four,
// three and two does: each pass leaves a run of k blanks k / n + k % n long. What lies
// between the runs is copied whole.
void AppendAccount(std::string& out, std::string_view account) {
    size_t pos = 0;
    while (pos < account.size()) {
        const size_t blank = std::min(account.find(' ', pos), account.size());
        out.append(account.data() + pos, blank - pos);
        size_t run = 0;
        for (pos = blank; pos < account.size() && account[pos] == ' '; ++pos) ++run;
        for (const size_t n : {5, 4, 3, 2}) run = run / n + run % n;
        out.append(run, ' ');
    }
}

// The label with a second part on a new line.
void AddLine(std::string& label, std::string_view line) {
    if (line.empty()) return;
    if (!label.empty()) label += CrLf;
    label += line;
}

// Fills row from the fields of a meter (RecType 2) or orphan (RecType 3) record: its code
// always, the texts only when the code is one of filter's.
template <class Fields>
bool FillRow(const Fields& f, int32_t RecType, int32_t filter, ReadingRow& row) {
    int64_t reading = f.Number(rfCurReading);
    const int64_t decimals = f.Number(rfDecimals);
    // Readings kept with decimals are shown and tested in whole units.
    if (decimals > 0) reading = static_cast<int64_t>(std::floor(static_cast<double>(reading) / std::pow(10.0, decimals)));
    const int64_t status = f.Number(rfStatus);
    const int64_t readType = f.Number(rfReadType);
    const int64_t previous = f.Number(rfPrvReading);
    const int64_t minimum = f.Number(rfMinReading);
    const int64_t maximum = f.Number(rfMaxReading);
    const int64_t readingDate = f.Number(rfReadingDate);
    std::string scratch;

    // The exception: the first rule that applies.
    const char* label = "";
    int32_t code;
    if (RecType == clsQVF::rtOrphan) {
        code = 8;
    } else if (status == 0) {
        code = 16, label = "Missed";
    } else if (readType == 4 || readingDate == 0 || (readType == 2 && reading == 0)) {
        code = 2, label = "Skipped";
    } else if (minimum < maximum && (reading < minimum || reading > maximum)) {
        code = 6, label = reading < minimum ? "Low Reading" : "High Reading";
    } else if (reading < previous) {
        code = 6, label = "Rollover";
    } else if (minimum > maximum && reading < minimum && reading > maximum) {
        code = 6, label = "High Reading";
    } else if (readType == 2 && f.Number(rfResponseCode) != 0) {
        code = 6, label = "Manually Read";
    } else {
        // The response text, read only here and for a row shown.
        code = f.Text(rfResponseText, scratch).empty() ? 4 : 6;
    }
    row.Code = code;
    if ((code & filter) == 0) return false;

    const int64_t digits = f.Number(rfDigits);
    const int64_t readingTime = f.Number(rfReadingTime);
    const int64_t tamper = f.Number(rfTamperCount);
    row.Transponder.clear();
    AppendNumber(row.Transponder, f.Number(rfMeterTagNbr));
    row.Tamper.clear();
    AppendNumber(row.Tamper, tamper);
    row.Reading.clear();
    if (status == 0) {
        row.Reading = "--";
    } else if (digits > 0) {
        // Eight digits with leading zeros, cut to the meter's dial.
        const NumberChars magnitude(reading < 0 ? -reading : reading);
        const std::string_view m = magnitude.View();
        char padded[32];
        char* out = padded;
        if (reading < 0) *out++ = '-';
        if (m.size() < 8) out = std::fill_n(out, 8 - m.size(), '0');
        out = Put(out, m);
        const size_t size = static_cast<size_t>(out - padded);
        const size_t keep = std::min(static_cast<size_t>(digits), size);
        row.Reading.assign(out - keep, keep);
    } else {
        AppendNumber(row.Reading, reading);
    }
    if (readType == 2 && status > 0) row.Reading += '*';

    char dateTime[DateTimeRoom];
    char* out = dateTime;
    if (readingDate > 0) out = PutDate(out, readingDate);
    out = Put(out, CrLf);
    if (readingTime > 0) out = PutTime(out, readingTime);
    row.DateTime.assign(dateTime, static_cast<size_t>(out - dateTime));

    row.Label.clear();
    if (RecType == clsQVF::rtOrphan) {
        row.Previous.clear();
        row.Min.clear();
        row.Max.clear();
        row.AccountMeter.clear();
        row.BillingAddress = "**Orphan Transponder **";
        for (const ReportField nearby : {rfPrvReading, rfMaxReading, rfMinReading, rfLstReadingDate}) {
            const int64_t number = f.Number(nearby);
            if (number == 0) continue;
            row.Label += row.Label.empty() ? "Nearby: " : " ";
            AppendNumber(row.Label, number);
        }
    } else {
        // Blank for 0.
        for (auto [text, number] : {std::pair{&row.Previous, previous}, {&row.Min, minimum}, {&row.Max, maximum}}) {
            text->clear();
            if (number != 0) AppendNumber(*text, number);
        }

        const int64_t meterType = f.Number(rfMeterType);
        row.AccountMeter.clear();
        AppendAccount(row.AccountMeter, f.Text(rfServiceUniqueID, scratch));
        row.AccountMeter += CrLf;
        if (meterType >= 1 && meterType <= 3) {
            row.AccountMeter += "WGE"[meterType - 1];
        } else {
            AppendNumber(row.AccountMeter, meterType);
        }
        row.AccountMeter += ' ';
        row.AccountMeter += f.Text(rfMeterSerialNbr, scratch);

        row.BillingAddress.assign(f.Text(rfBillingName, scratch));
        row.BillingAddress += CrLf;
        row.BillingAddress += f.Text(rfServiceAddress, scratch);

        row.Label = label;
        AddLine(row.Label, f.Text(rfResponseText, scratch));
        if (tamper != 0) AddLine(row.Label, "TAMPER");
    }
    if (row.Label.find(';') != std::string::npos) row.Label = Replace(Replace(row.Label, "; ", CrLf), ";", CrLf);
    return true;
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
            const clsPalmDB& schema = mReader->Database().DB();
            ReportFieldPlace& place = mFieldPlaces[field];
            place = {schema.FindItem(FieldNames[field]), -1, 0};
            const int16_t type = schema.FieldType(place.Number);
            if (type == clsPalmDB::ftInt8 || type == clsPalmDB::ftInt16 || type == clsPalmDB::ftInt32) {
                place.Type = type;
                place.Offset = schema.FieldOffset(place.Number);
            }
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

void clsReport::Detail(double& SectionHeight) {
    clsQVF& db = mReader->Database();
    if (!db.ReadData()) {
        SectionHeight = -1;
        return;
    }
    SectionHeight = 0;
    // Only the schema records show (header, route, meter and orphan records); one too short
    // for the schema's fixed part shows nothing.
    const int32_t type = db.RecordType();
    const bool route = type == clsQVF::rtRoute || type == clsQVF::rtReadingRoute;
    if (type != clsQVF::rtHeader && !route && type != clsQVF::rtMeter && type != clsQVF::rtOrphan) return;
    if (db.RawData().size() < static_cast<size_t>(db.DB().FixedLength())) return;

    if (type == clsQVF::rtHeader) {
        mUnitHeader[uhUnitId].Value = Value(db.Item("ResponseText").ToText());
        return;
    }

    if (mUnitHeaderPending) {
        mUnitHeaderPending = false;
        mUnitHeader[uhReader].Value = Value(db.Item("Initials").ToText());
        mEngine.AddSectionHeight(mEngine.PrintElements(mUnitHeader) + mLineHeight / 2);
    }
    if (route) return;

    clsPalmDB& record = db.DB();
    // Most rows are left out, having read one text at most.
    record.ViewRecord(clsPalmDB::TextSearch::AsAsked);
    ReadingRow& row = mRow;
    if (!FillRow(ViewFields{record, mFieldPlaces}, type, mFilter, row)) return;
    const std::string* texts[] = {&row.Transponder, &row.Tamper,   &row.Reading,      &row.Previous,
                                  &row.Min,         &row.Max,      &row.DateTime,     &row.AccountMeter,
                                  &row.BillingAddress, &row.Label};
    // Assigned as texts, into the texts of the row before.
    for (size_t i = 0; i < mDetailRow.size(); ++i) mDetailRow[i].Value = *texts[i];
    SectionHeight = mEngine.PrintElements(mDetailRow) + mLineHeight / 2;
}

const char* clsReport::FieldName(ReportField field) { return FieldNames[field]; }

ReadingRow clsReport::MakeRow(const ValueCollection& Fields, int32_t RecType) {
    ReportFields fields;
    for (int field = 0; field < rfFieldCount; ++field) fields[field] = Fields.Item(FieldNames[field]);
    return MakeRow(fields, RecType);
}

ReadingRow clsReport::MakeRow(const ReportFields& Fields, int32_t RecType) {
    ReadingRow row;
    FillRow(ValueFields{Fields}, RecType, ~0, row);
    return row;
}

} // namespace dovrex
