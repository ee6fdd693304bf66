#include "frmMapEdit.h"

#include "ui_frmMapEdit.h"

#include "platform/BinaryFile.h"
#include "platform/modRuntime.h"
#include "platform/ui/QtInputBox.h"
#include "platform/ui/QtText.h"

#include <QGuiApplication>
#include <QScopedValueRollback>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace dovrex::ui {

namespace {

const char* const kActionTag = "ActionTag";

struct Entry {
    const char* Text;
    int32_t Code;
};

// The date and time formats a field may be written in, in the order the list offers them.
constexpr Entry kDateFormats[] = {
    {"MMDDYY", 20},   {"MM-DD-YY", 21},   {"MM/DD/YY", 22},   {"MMDDYYYY", 24},   {"MM-DD-YYYY", 25},
    {"MM/DD/YYYY", 26}, {"YYMMDD", 10},   {"YY-MM-DD", 11},   {"YY/MM/DD", 12},   {"YYYYMMDD", 14},
    {"YYYY-MM-DD", 15}, {"YYYY/MM/DD", 16}, {"DDMMYY", 30},   {"DD-MM-YY", 31},   {"DD/MM/YY", 32},
    {"DDMMYYYY", 34}, {"DD-MM-YYYY", 35}, {"DD/MM/YYYY", 36},
};
constexpr Entry kTimeFormats[] = {{"HHMM", 40}, {"HH:MM", 42}, {"HHMMSS", 41}, {"HH:MM:SS", 43}};

std::string UseName(int32_t use) {
    switch (use) {
    case MapUseRoute: return "Route";
    case MapUseReRead: return "ReRead";
    case MapUseReading: return "Reading";
    case MapUseOrphan: return "Orphan";
    default: return {};
    }
}

// The code the chosen entry carries; 0 when none is chosen.
int32_t Code(const QComboBox& list) { return list.currentIndex() < 0 ? 0 : list.currentData().toInt(); }

// Chooses the entry carrying code, or none when no entry does.
void SelectCode(QComboBox& list, int32_t code) { list.setCurrentIndex(list.findData(code)); }

// A number box's value as the map keeps it: the leading number, rounded, held to the
// 16-bit range (a map stores positions, widths and lengths as 16-bit numbers).
int16_t BoxNumber(const QString& text) {
    const double value = RoundHalfEven(Val(ToCore(text)));
    if (!std::isfinite(value)) return 0;
    return static_cast<int16_t>(std::clamp(value, -32768.0, 32767.0));
}

QString NumberBoxText(int64_t value) { return FromCore(NumberText(value)); }

} // namespace

frmMapEdit::frmMapEdit(std::string programFolder, IMessageBox& messages, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmMapEdit>()), mProgramFolder(std::move(programFolder)),
      mMessages(messages) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    ui->btnAction_0->setProperty(kActionTag, QStringLiteral("SAVEAS"));
    ui->btnAction_1->setProperty(kActionTag, QStringLiteral("SAVE"));
    ui->btnAction_2->setProperty(kActionTag, QStringLiteral("DELETE"));
    for (int index = 0; index < 3; ++index) {
        auto* button = findChild<QPushButton*>(QStringLiteral("btnAction_%1").arg(index));
        connect(button, &QPushButton::clicked, this, [this, index] { btnAction_Click(index); });
    }

    // The chosen line counts, not the current one: the list makes its first line current when
    // it gets the focus, without choosing it.
    connect(ui->lstMapFields, &QListWidget::itemSelectionChanged, this, &frmMapEdit::lstMapFields_Click);
    connect(ui->cboMapType, &QComboBox::currentIndexChanged, this, &frmMapEdit::cboMapType_Click);
    connect(ui->cboMapOption, &QComboBox::currentIndexChanged, this, &frmMapEdit::cboMapOption_Click);
    // Editable lists: what is typed counts as much as what is chosen, and stays out of the list.
    ui->cboMapDelimiter->setInsertPolicy(QComboBox::NoInsert);
    ui->cboMapQuote->setInsertPolicy(QComboBox::NoInsert);
    connect(ui->cboMapDelimiter, &QComboBox::editTextChanged, this,
            [this](const QString& text) { Change([&] { mMap->SetMapDelimiter(ToCore(text)); }); });
    connect(ui->cboMapQuote, &QComboBox::editTextChanged, this,
            [this](const QString& text) { Change([&] { mMap->SetMapQuote(ToCore(text)); }); });
    connect(ui->cboMapFilter, &QComboBox::currentIndexChanged, this,
            [this] { Change([&] { mMap->SetMapFilter(Code(*ui->cboMapFilter)); }); });
    connect(ui->cboMapTerminator, &QComboBox::currentIndexChanged, this,
            [this] { Change([&] { mMap->SetMapTerminator(Code(*ui->cboMapTerminator)); }); });
    connect(ui->txtMapLength, &QLineEdit::textChanged, this,
            [this](const QString& text) { Change([&] { mMap->SetMapLength(BoxNumber(text)); }); });
    connect(ui->chkMVRS1, &QCheckBox::toggled, this,
            [this](bool on) { Change([&] { mMap->SetMapOptions(1, on ? "Y" : "N"); }); });
    connect(ui->txtMapPosition, &QLineEdit::textChanged, this,
            [this](const QString& text) { Change([&] { mMap->SetDataPosition(mField, BoxNumber(text)); }); });
    connect(ui->txtMapWidth, &QLineEdit::textChanged, this,
            [this](const QString& text) { Change([&] { mMap->SetDataWidth(mField, BoxNumber(text)); }); });
    connect(ui->txtMapConstant, &QLineEdit::textChanged, this,
            [this](const QString& text) { Change([&] { mMap->SetMapConstant(mField, ToCore(text)); }); });
    connect(ui->cboMapAlign, &QComboBox::currentIndexChanged, this,
            [this] { Change([&] { mMap->SetMapAlign(mField, Code(*ui->cboMapAlign)); }); });
    connect(ui->cboMapPad, &QComboBox::currentIndexChanged, this,
            [this] { Change([&] { mMap->SetMapPad(mField, Code(*ui->cboMapPad)); }); });
    connect(ui->cboMapFormat, &QComboBox::currentIndexChanged, this,
            [this] { Change([&] { mMap->SetMapFormat(mField, Code(*ui->cboMapFormat)); }); });
}

frmMapEdit::~frmMapEdit() = default;

template <class Write> void frmMapEdit::Change(Write&& write) {
    if (!mLoading && mMap) write();
}

std::string frmMapEdit::Display(int32_t MapUse, const std::string& MapName, const std::string& FileExtension) {
    mMapUse = MapUse;
    mExtension = FileExtension;
    mResult = MapName;
    mField = 0;
    mMap = std::make_unique<clsExchMap>(mProgramFolder);
    if (!MapName.empty()) {
        setWindowTitle(FromCore("Edit " + UseName(MapUse) + " Map: " + MapName));
        // A missing or unreadable file leaves the default map of the use, under this name.
        mMap->LoadMap(MapName + FileExtension, MapUse);
    } else {
        setWindowTitle(FromCore("New " + UseName(MapUse) + " Map"));
        mMap->NewMap("", MapUse);
    }
    {
        QScopedValueRollback<bool> loading(mLoading, true);
        SetupForm(MapUse);
        SetupData();
        EnableControls(true);
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect place = frameGeometry();
        place.moveCenter(screen->availableGeometry().center());
        move(place.topLeft());
    }
    ui->lstMapFields->setFocus();
    exec();
    return mResult;
}

void frmMapEdit::NewItem(QComboBox& list, const QString& text, int32_t code, bool clearFirst) {
    if (clearFirst) list.clear();
    list.addItem(text, code);
}

void frmMapEdit::SetupForm(int32_t MapUse) {
    NewItem(*ui->cboMapType, QStringLiteral("Fixed"), MapTypeFixed, true);
    NewItem(*ui->cboMapType, QStringLiteral("Delimited"), MapTypeDelimited);
    // Orphan files are always flat text.
    if (MapUse != MapUseOrphan) {
        NewItem(*ui->cboMapType, QStringLiteral("MVRS"), MapTypeMVRS);
        NewItem(*ui->cboMapType, QStringLiteral("E5000"), MapTypeE5000);
    }
    ui->cboMapDelimiter->clear();
    ui->cboMapDelimiter->addItems({QStringLiteral("<tab>"), QStringLiteral(","), QStringLiteral(";"), QStringLiteral("||")});
    ui->cboMapQuote->clear();
    ui->cboMapQuote->addItems({QStringLiteral("<none>"), QStringLiteral("\"")});
    NewItem(*ui->cboMapFilter, QStringLiteral("All Entries"), 0, true);
    NewItem(*ui->cboMapFilter, QStringLiteral("Only Readings"), 1);
    NewItem(*ui->cboMapFilter, QStringLiteral("Readings/Exceptions"), 2);
    NewItem(*ui->cboMapFilter, QStringLiteral("Unread"), 3);

    const bool writtenFile = MapUse != MapUseRoute;
    ui->cboMapTerminator->clear();
    if (writtenFile) {
        NewItem(*ui->cboMapTerminator, QStringLiteral("<none>"), 0);
        NewItem(*ui->cboMapTerminator, QStringLiteral("<cr>"), 1);
        NewItem(*ui->cboMapTerminator, QStringLiteral("<lf>"), 2);
        NewItem(*ui->cboMapTerminator, QStringLiteral("<crlf>"), 3);
        NewItem(*ui->cboMapTerminator, QStringLiteral("<null>"), 4);
    }
    for (QWidget* control : {static_cast<QWidget*>(ui->txtMapLength), static_cast<QWidget*>(ui->lblMapLength),
                             static_cast<QWidget*>(ui->cboMapTerminator), static_cast<QWidget*>(ui->lblMapTerminator)}) {
        control->setVisible(writtenFile);
    }
    ui->cboMapFilter->setVisible(MapUse == MapUseReading);
    ui->lblMapFilter->setVisible(MapUse == MapUseReading);

    NewItem(*ui->cboMapAlign, QStringLiteral("Left"), 1, true);
    NewItem(*ui->cboMapAlign, QStringLiteral("Right"), 2);
    NewItem(*ui->cboMapPad, QStringLiteral("Spaces"), 2, true);
    NewItem(*ui->cboMapPad, QStringLiteral("Zeros"), 1);
    EnableControls(false);
}

void frmMapEdit::SetupData() {
    QScopedValueRollback<bool> loading(mLoading, true);
    SelectCode(*ui->cboMapType, mMap->MapType());
    SelectCode(*ui->cboMapFilter, mMap->MapFilter());
    ui->cboMapDelimiter->setEditText(FromCore(mMap->MapDelimiter()));
    ui->cboMapQuote->setEditText(FromCore(mMap->MapQuote()));
    ui->txtMapLength->setText(NumberBoxText(mMap->MapLength()));
    ui->chkMVRS1->setChecked(mMap->MapOptions(1) == "Y");
    SelectCode(*ui->cboMapTerminator, mMap->MapTerminator());

    const int16_t selected = mField;
    ui->lstMapFields->clear();
    for (int field = 1; field <= mMap->FieldCount(); ++field) {
        auto* line = new QListWidgetItem(FromCore(mMap->Prompt(field, true)), ui->lstMapFields);
        line->setData(Qt::UserRole, field);
    }
    // The type list shows no entry before a new map's type is chosen; its controls are
    // set for "no type" all the same.
    cboMapType_Click();
    // The field being edited stays chosen when the list is filled again.
    if (selected > 0 && selected <= ui->lstMapFields->count()) ui->lstMapFields->setCurrentRow(selected - 1);
}

void frmMapEdit::SetupOptions(const std::string& FieldName) {
    ui->cboMapOption->clear();
    if (mMapUse == MapUseRoute || mMapUse == MapUseReRead) {
        NewItem(*ui->cboMapOption, QStringLiteral("Do Not Map"), MapOptionDoNotMap);
        NewItem(*ui->cboMapOption, QStringLiteral("Map from Source"), MapOptionFromSource);
        if (EqualsNoCase(FieldName, "Sequence")) {
            NewItem(*ui->cboMapOption, QStringLiteral("Autonumber"), MapOptionAutonumber);
        } else {
            NewItem(*ui->cboMapOption, QStringLiteral("Map Constant"), MapOptionConstant);
            NewItem(*ui->cboMapOption, QStringLiteral("Prompt"), MapOptionPrompt);
        }
    } else {
        NewItem(*ui->cboMapOption, QStringLiteral("Do Not Map"), MapOptionDoNotMap);
        NewItem(*ui->cboMapOption, QStringLiteral("Write to Destination"), MapOptionToDestination);
    }
}

void frmMapEdit::ShowField() {
    SelectCode(*ui->cboMapOption, mMap->MapOption(mField));
    ui->txtMapConstant->setText(FromCore(mMap->MapConstant(mField)));
    ui->txtMapPosition->setText(NumberBoxText(mMap->DataPosition(mField)));
    ui->txtMapWidth->setText(NumberBoxText(mMap->DataWidth(mField)));
    SelectCode(*ui->cboMapAlign, mMap->MapAlign(mField));
    SelectCode(*ui->cboMapPad, mMap->MapPad(mField));
    const int32_t dataType = mMap->DataType(mField);
    if (dataType == DataTypeDate || dataType == DataTypeTime) {
        ui->cboMapFormat->clear();
        const auto fill = [this](const auto& formats) {
            for (const Entry& format : formats) NewItem(*ui->cboMapFormat, QString::fromLatin1(format.Text), format.Code);
        };
        if (dataType == DataTypeDate) fill(kDateFormats);
        else fill(kTimeFormats);
    }
    SelectCode(*ui->cboMapFormat, mMap->MapFormat(mField));
    ShowFieldControls();
}

void frmMapEdit::ShowFieldControls() {
    // Types without field mappings (MVRS, E5000) hide the field list and with it the field.
    const bool field = mField > 0 && !ui->lstMapFields->isHidden();
    const int32_t action = field ? Code(*ui->cboMapOption) : 0;
    const int32_t type = mMap ? mMap->MapType() : 0;
    const int32_t dataType = field ? mMap->DataType(mField) : 0;
    const bool placed = action == MapOptionFromSource || action == MapOptionToDestination;
    const bool written = action == MapOptionToDestination;
    const auto show = [](bool on, QWidget* control, QWidget* label) {
        control->setVisible(on);
        label->setVisible(on);
    };
    show(field, ui->cboMapOption, ui->lblMapOption);
    show(placed, ui->txtMapPosition, ui->lblMapPosition);
    show(placed && type == MapTypeFixed, ui->txtMapWidth, ui->lblMapWidth);
    show(action == MapOptionConstant, ui->txtMapConstant, ui->lblMapConstant);
    show(written && type == MapTypeFixed, ui->cboMapAlign, ui->lblMapAlign);
    show(written && type == MapTypeFixed, ui->cboMapPad, ui->lblMapPad);
    show((dataType == DataTypeDate || dataType == DataTypeTime) && written &&
             (type == MapTypeFixed || type == MapTypeDelimited),
         ui->cboMapFormat, ui->lblMapFormat);
    ui->lineFieldSettings->setVisible(field);
}

void frmMapEdit::lstMapFields_Click() {
    // The flag returns to what it was: a field chosen while the window fills itself must
    // not end that filling's loading.
    QScopedValueRollback<bool> loading(mLoading, true);
    const QList<QListWidgetItem*> chosen = ui->lstMapFields->selectedItems();
    mField = chosen.isEmpty() ? int16_t{0} : static_cast<int16_t>(chosen.constFirst()->data(Qt::UserRole).toInt());
    SetupOptions(mMap->FieldName(mField));
    ShowField();
}

void frmMapEdit::cboMapType_Click() {
    if (!mMap) return;
    if (!mLoading) mMap->SetMapType(Code(*ui->cboMapType));
    const int32_t type = mMap->MapType();
    const bool flatFile = type != MapTypeMVRS && type != MapTypeE5000;
    for (QWidget* control : {static_cast<QWidget*>(ui->cboMapDelimiter), static_cast<QWidget*>(ui->lblMapDelimiter),
                             static_cast<QWidget*>(ui->cboMapQuote), static_cast<QWidget*>(ui->lblMapQuote)}) {
        control->setVisible(type == MapTypeDelimited);
    }
    ui->fraMVRS->setVisible(mMapUse == MapUseRoute && type == MapTypeMVRS);
    ui->lstMapFields->setEnabled(true);
    ui->lblMapPosition->setText(type == MapTypeDelimited ? QStringLiteral("C&olumn") : QStringLiteral("P&osition"));
    ui->lstMapFields->setVisible(flatFile);
    ui->lblMapFields->setVisible(flatFile);
    // Without the field list its column gives its width to the map's settings.
    ui->layoutBody->setStretch(0, flatFile ? 2 : 0);
    const bool writtenFile = mMapUse != MapUseRoute;
    for (QWidget* control : {static_cast<QWidget*>(ui->txtMapLength), static_cast<QWidget*>(ui->lblMapLength),
                             static_cast<QWidget*>(ui->cboMapTerminator), static_cast<QWidget*>(ui->lblMapTerminator)}) {
        control->setVisible(writtenFile && flatFile);
    }
    if (!ui->cboMapOption->isHidden() || !flatFile) ShowFieldControls();
    if (!mLoading) SetupData();
}

void frmMapEdit::cboMapOption_Click() {
    Change([&] { mMap->SetMapOption(mField, Code(*ui->cboMapOption)); });
    if (mMap) ShowFieldControls();
}

void frmMapEdit::EnableControls(bool on) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             ui->lstMapFields, ui->cboMapDelimiter, ui->cboMapQuote, ui->cboMapType, ui->cboMapOption, ui->btnAction_0,
             ui->txtMapPosition, ui->txtMapWidth, ui->txtMapConstant, ui->cboMapAlign, ui->cboMapPad, ui->cboMapFormat}) {
        control->setEnabled(on);
    }
    // Only a map that has a file can be deleted.
    ui->btnAction_2->setEnabled(on && mMap && mMap->MapName() > " ");
    if (on) return;
    for (QWidget* control : std::initializer_list<QWidget*>{
             ui->cboMapOption, ui->lblMapOption, ui->txtMapPosition, ui->lblMapPosition, ui->txtMapWidth,
             ui->lblMapWidth, ui->txtMapConstant, ui->lblMapConstant, ui->cboMapAlign, ui->lblMapAlign, ui->cboMapPad,
             ui->lblMapPad, ui->cboMapFormat, ui->lblMapFormat, ui->lineFieldSettings}) {
        control->hide();
    }
}

bool frmMapEdit::Save(bool Prompt) {
    const std::string previousName = mMap->MapName();
    std::string answer;
    if (previousName.empty() || Prompt) {
        answer = InputBox(this, "Map Name", "Save Map").value_or(std::string());
        // The name becomes a file name in the program's folder: no folders, no extension.
        for (char& c : answer) {
            if (c == '.' || c == '\\' || c == '/' || c == ':') c = '_';
        }
        if (answer.empty()) return false;
        mMap->SetMapName(answer + mExtension);
    }
    if (!mMap->SaveMap()) {
        // Nothing was written: the window stays open with the map as it was named.
        const std::string path = mMap->MapFileName();
        mMap->SetMapName(previousName);
        mMessages.Show("Unable to save " + path + ": " + mMap->SaveError(), "Error", MsgButtons::OK, MsgIcon::Critical);
        return false;
    }
    mResult = answer;
    return true;
}

void frmMapEdit::btnAction_Click(int Index) {
    const auto* button = findChild<QPushButton*>(QStringLiteral("btnAction_%1").arg(Index));
    const QString action = button->property(kActionTag).toString();
    if (action == QLatin1String("SAVE")) {
        if (Save(false)) accept();
    } else if (action == QLatin1String("SAVEAS")) {
        if (Save(true)) accept();
    } else if (action == QLatin1String("DELETE")) {
        if (!(mMap->MapName() > " ")) return; // a new map has no file yet
        if (!mMap->DeleteMap() && FileExists(mMap->MapFileName())) {
            mMessages.Show("Unable to delete " + mMap->MapFileName(), "Error", MsgButtons::OK, MsgIcon::Critical);
            return;
        }
        mResult = DeletedResult;
        accept();
    }
}

} // namespace dovrex::ui
