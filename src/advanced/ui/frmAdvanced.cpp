#include "frmAdvanced.h"

#include "ui_frmAdvanced.h"

#include "frmAdvChangeout.h"
#include "frmAdvFavorite.h"
#include "frmAdvLogin.h"
#include "frmAdvMessage.h"
#include "frmAdvSkip.h"
#include "frmAdvToken.h"

#include "platform/RuntimeError.h"
#include "platform/ui/QtText.h"
#include "platform/ui/TabStopDelegate.h"

#include <QScreen>
#include <QShortcut>

#include <algorithm>

namespace dovrex::ui {

namespace {

// Item data: the key parts exactly as the store holds them.
constexpr int KeyRole = Qt::UserRole;
constexpr int SecondKeyRole = Qt::UserRole + 1;

// What a deleted message leaves in the meter output: a live entry always overwrites it,
// so a message whose route part is empty still shows.
const std::string kUntouched(1, '\x01');

std::string ItemKey(const QListWidgetItem* item, int role) {
    return item == nullptr ? std::string() : item->data(role).toByteArray().toStdString();
}

// Filling a panel: the check boxes and combo boxes do not write back meanwhile.
class Refresh {
public:
    explicit Refresh(int& depth) : mDepth(depth) { ++mDepth; }
    ~Refresh() { --mDepth; }
    Refresh(const Refresh&) = delete;
    Refresh& operator=(const Refresh&) = delete;

private:
    int& mDepth;
};

} // namespace

frmAdvanced::frmAdvanced(clsAdvanced& store, IMessageBox& messages, std::function<std::vector<std::string>()> hotSyncUsers,
                         std::string programFolder, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmAdvanced>()), mStore(store), mMessages(messages),
      mHotSyncUsers(std::move(hotSyncUsers)), mProgramFolder(std::move(programFolder)) {
    ui->setupUi(this);
    mFavoriteCaption = ui->chkFavorite->text();
    for (QListWidget* list : {ui->lstMessages, ui->lstChangeouts, ui->lstSkips, ui->lstFavorites}) {
        TabStopDelegate::Install(*list, {40});
    }

    mPanels[tabLogins] = {ui->lstLogins, ui->btnLoginsAdd, ui->btnLoginsEdit, {}};
    mPanels[tabMessages] = {ui->lstMessages, ui->btnMessagesAdd, ui->btnMessagesEdit, {}};
    mPanels[tabChangeouts] = {ui->lstChangeouts, ui->btnChangeoutsAdd, ui->btnChangeoutsEdit, {}};
    mPanels[tabSkips] = {ui->lstSkips, ui->btnSkipsAdd, ui->btnSkipsEdit, {}};
    mPanels[tabIndex] = {ui->lstTokens, ui->btnTokensAdd, ui->btnTokensEdit, {}};
    mPanels[tabFavorites] = {ui->lstFavorites, ui->btnFavoritesAdd, ui->btnFavoritesEdit, {}};
    // The same button column on every panel, so the lists keep their width between tabs.
    int buttonWidth = 0;
    for (int tab = 0; tab < tabPrefs; ++tab) {
        for (QPushButton* button : {mPanels[static_cast<size_t>(tab)].Add, mPanels[static_cast<size_t>(tab)].Edit}) {
            buttonWidth = std::max(buttonWidth, button->sizeHint().width());
        }
    }
    for (int tab = 0; tab < tabPrefs; ++tab) {
        Panel& panel = mPanels[static_cast<size_t>(tab)];
        panel.Add->setMinimumWidth(buttonWidth);
        panel.Edit->setMinimumWidth(buttonWidth);
        connect(panel.Add, &QPushButton::clicked, this, [this, tab] { OpenDialog(tab, "Add", nullptr); });
        connect(panel.Edit, &QPushButton::clicked, this, [this, tab] { EditClicked(tab); });
        connect(panel.List, &QListWidget::itemDoubleClicked, this, [this, tab] { EditClicked(tab); });
        connect(panel.List, &QListWidget::itemSelectionChanged, this,
                [&panel] { panel.Edit->setEnabled(!panel.List->selectedItems().isEmpty()); });
    }

    const std::pair<QRadioButton*, const char*> messageTypes[] = {
        {ui->optMessageType_0, "Account"}, {ui->optMessageType_1, "SerialNbr"}, {ui->optMessageType_2, "TagNbr"}};
    for (const auto& [option, type] : messageTypes) {
        connect(option, &QRadioButton::toggled, this, [this, type](bool on) {
            if (on) SelectListType(mMessageType, type, tabMessages);
        });
    }
    const std::pair<QRadioButton*, const char*> changeoutTypes[] = {
        {ui->optChangeouts_0, "RC"}, {ui->optChangeouts_1, "MT"}, {ui->optChangeouts_2, "MFG"}, {ui->optChangeouts_3, "MS"}};
    for (const auto& [option, type] : changeoutTypes) {
        connect(option, &QRadioButton::toggled, this, [this, type](bool on) {
            if (on) SelectListType(mChangeoutType, type, tabChangeouts);
        });
    }
    const std::pair<QRadioButton*, const char*> tokenTypes[] = {{ui->optToken_0, "Address"}, {ui->optToken_1, "Owner"}};
    for (const auto& [option, type] : tokenTypes) {
        connect(option, &QRadioButton::toggled, this, [this, type](bool on) {
            if (on) SelectListType(mTokenType, type, tabIndex);
        });
    }

    // The settings that take effect at once.
    connect(ui->chkLogin, &QCheckBox::toggled, this, [this](bool on) {
        if (mRefreshing == 0) mStore.SetUseLoginSecurity(on);
    });
    connect(ui->chkFavorite, &QCheckBox::toggled, this, [this](bool on) {
        if (mRefreshing == 0) mStore.SetUseFavorite(on);
    });
    const std::pair<QComboBox*, void (clsAdvanced::*)(int16_t)> combos[] = {
        {ui->cboIndex, &clsAdvanced::SetIndexControl},
        {ui->cboAlertBounds, &clsAdvanced::SetAlertOutOfBounds},
        {ui->cboAlertRollover, &clsAdvanced::SetAlertRollover},
        {ui->cboAlertTamper, &clsAdvanced::SetAlertTamper}};
    for (const auto& [combo, setter] : combos) {
        connect(combo, &QComboBox::currentIndexChanged, this, [this, setter](int item) {
            if (mRefreshing == 0 && item >= 0) (mStore.*setter)(static_cast<int16_t>(item));
        });
    }

    connect(ui->tabAdvanced, &QTabWidget::currentChanged, this, &frmAdvanced::SelectTab);
    // Ctrl+Tab anywhere in the window: the next tab, the last one wrapping to the first.
    const auto step = [this](int by) {
        const int count = ui->tabAdvanced->count();
        ui->tabAdvanced->setCurrentIndex((ui->tabAdvanced->currentIndex() + by + count) % count);
    };
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this), &QShortcut::activated, this, [step] { step(1); });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this), &QShortcut::activated, this,
            [step] { step(-1); });
    connect(ui->btnClose, &QPushButton::clicked, this, &QDialog::close);
}

frmAdvanced::~frmAdvanced() = default;

void frmAdvanced::Display() {
    SelectTab(ui->tabAdvanced->currentIndex());
    adjustSize();
    if (const QScreen* shown = screen()) move(shown->availableGeometry().center() - rect().center());
    exec();
}

void frmAdvanced::done(int result) {
    // However the window closes, the store keeps what was changed.
    try {
        mStore.SaveValues();
    } catch (const std::exception& e) {
        mMessages.Show(DescribeException(e), "Error", MsgButtons::OK, MsgIcon::Critical);
    }
    QDialog::done(result);
}

void frmAdvanced::SelectTab(int index) {
    for (int tab = 0; tab < ui->tabAdvanced->count(); ++tab) ui->tabAdvanced->widget(tab)->setEnabled(tab == index);
    RefreshTab(index);
}

void frmAdvanced::SelectListType(std::string& type, const std::string& value, int tab) {
    type = value;
    RefreshTab(tab);
}

void frmAdvanced::AddItem(QListWidget* list, const std::string& key, const std::string& second, const std::string& shown) {
    auto* item = new QListWidgetItem(FromCore(shown), list);
    item->setData(KeyRole, QByteArray::fromStdString(key));
    item->setData(SecondKeyRole, QByteArray::fromStdString(second));
}

void frmAdvanced::RefreshTab(int index) {
    if (index < 0 || index >= TabCount) return;
    Refresh refreshing(mRefreshing);
    std::string key, value, extra;
    // Positions 1, 2, 3, ... until there is none; deleted entries come back with an empty key.
    const auto eachEntry = [&](const std::function<int16_t(int)>& get, const std::function<void()>& add) {
        for (int position = 1;; ++position) {
            key.clear();
            if (get(position) < 0) break;
            if (!key.empty()) add();
        }
    };
    const auto cut30 = [](const std::string& text) { return text.substr(0, 30); };

    switch (index) {
    case tabLogins:
        ui->chkLogin->setChecked(mStore.UseLoginSecurity());
        ui->lstLogins->clear();
        eachEntry([&](int at) { return mStore.GetLogin(at, key, value, extra); },
                  [&] { AddItem(ui->lstLogins, key, "", key); });
        break;
    case tabMessages:
        if (mMessageType.empty()) {
            ui->optMessageType_0->setChecked(true); // selects "Account" and fills the panel
            return;
        }
        ui->lstMessages->clear();
        for (int position = 1;; ++position) {
            std::string route, meter = kUntouched, message;
            if (mStore.GetMessage(mMessageType, position, route, meter, message) < 0) break;
            if (route.empty() && meter == kUntouched) continue;
            AddItem(ui->lstMessages, route, meter, route + "\t" + meter);
        }
        break;
    case tabChangeouts:
        if (mChangeoutType.empty()) {
            ui->optChangeouts_0->setChecked(true);
            return;
        }
        ui->lstChangeouts->clear();
        eachEntry([&](int at) { return mStore.GetChangeout(mChangeoutType, at, key, value); },
                  [&] { AddItem(ui->lstChangeouts, key, "", key + "\t" + cut30(value)); });
        break;
    case tabSkips:
        ui->lstSkips->clear();
        eachEntry([&](int at) { return mStore.GetSkip(at, key, value); },
                  [&] { AddItem(ui->lstSkips, key, "", key + "\t" + cut30(value)); });
        break;
    case tabIndex:
        ui->cboIndex->setCurrentIndex(mStore.IndexControl());
        if (mTokenType.empty()) {
            ui->optToken_0->setChecked(true);
            return;
        }
        ui->lstTokens->clear();
        eachEntry([&](int at) { return mStore.GetToken(mTokenType, at, key); },
                  [&] { AddItem(ui->lstTokens, key, "", key); });
        break;
    case tabFavorites: FillFavorites(); break;
    case tabPrefs:
        ui->cboAlertBounds->setCurrentIndex(mStore.AlertOutOfBounds());
        ui->cboAlertRollover->setCurrentIndex(mStore.AlertRollover());
        ui->cboAlertTamper->setCurrentIndex(mStore.AlertTamper());
        return;
    }
    Panel& panel = mPanels[static_cast<size_t>(index)];
    panel.List->clearSelection();
    panel.Edit->setEnabled(false);
}

void frmAdvanced::FillFavorites() {
    ui->chkFavorite->setChecked(mStore.UseFavorite());
    ui->lstFavorites->clear();
    std::string unit, path;
    for (int position = 1;; ++position) {
        unit.clear();
        if (mStore.GetFavorite(position, unit, path) < 0) break;
        if (!unit.empty()) AddItem(ui->lstFavorites, unit, "", unit + "\t" + path);
    }
    if (ui->lstFavorites->count() > 0) {
        ui->chkFavorite->setEnabled(true);
        ui->chkFavorite->setText(mFavoriteCaption);
    } else {
        // Nothing to choose from: favourites cannot be in use.
        ui->chkFavorite->setChecked(false);
        ui->chkFavorite->setEnabled(false);
        ui->chkFavorite->setText(mFavoriteCaption + QStringLiteral("\n(Define some paths first)"));
        mStore.SetUseFavorite(false);
    }
    // The HotSync users still without a favourite, by their bare names.
    try {
        const std::vector<std::string> users = mHotSyncUsers ? mHotSyncUsers() : std::vector<std::string>();
        for (const std::string& user : users) {
            if (mStore.GetFavorite(user, unit, path) < 0) AddItem(ui->lstFavorites, user, "", user);
        }
    } catch (const std::exception& e) {
        mMessages.Show(DescribeException(e), "Error", MsgButtons::OK, MsgIcon::Critical);
    }
}

void frmAdvanced::EditClicked(int tab) {
    const QList<QListWidgetItem*> selected = mPanels[static_cast<size_t>(tab)].List->selectedItems();
    if (selected.isEmpty()) return;
    OpenDialog(tab, "Edit", selected.constFirst());
}

void frmAdvanced::OpenDialog(int tab, const std::string& Mode, const QListWidgetItem* item) {
    const std::string key = ItemKey(item, KeyRole);
    try {
        switch (tab) {
        case tabLogins: frmAdvLogin(mStore, mMessages, this).Display(Mode, key); break;
        case tabMessages:
            frmAdvMessage(mStore, mMessages, this).Display(Mode, key, ItemKey(item, SecondKeyRole), mMessageType);
            break;
        case tabChangeouts: frmAdvChangeout(mStore, mMessages, this).Display(Mode, key, mChangeoutType); break;
        case tabSkips: frmAdvSkip(mStore, mMessages, this).Display(Mode, key); break;
        case tabIndex: frmAdvToken(mStore, mMessages, this).Display(Mode, key, mTokenType); break;
        case tabFavorites: frmAdvFavorite(mStore, mMessages, mProgramFolder, this).Display(Mode, key); break;
        default: return;
        }
    } catch (const std::exception& e) {
        mMessages.Show(DescribeException(e), "Error", MsgButtons::OK, MsgIcon::Critical);
    }
    RefreshTab(tab);
}

} // namespace dovrex::ui
