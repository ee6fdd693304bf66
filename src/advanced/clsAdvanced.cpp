#include "clsAdvanced.h"

#include "platform/ProgramKey.h"
#include "platform/RuntimeError.h"
#include "platform/clsRegistry.h"

#include <algorithm>
#include <limits>
#include <tuple>

namespace dovrex {

namespace {

constexpr const char* kSeparator = "||";

// The subkey of each list, in list order.
constexpr std::array<const char*, clsAdvanced::ListCount> kListSubkeys = {
    "LoginIDs",    "MessagesAccount", "MessagesMeterSerialNbr", "MessagesMeterTagNbr",
    "TokenAddress", "TokenOwner",     "ChangeoutRC",            "ChangeoutMT",
    "ChangeoutMFG", "ChangeoutMS",    "Favorite",               "Skip",
};

// The message types in the order LookupMessage visits them, with their lists.
struct MessageKind {
    const char* Type;
    clsAdvanced::List List;
};
constexpr std::array<MessageKind, 3> kMessageKinds = {{
    {"Account", clsAdvanced::lstMessagesAccount},
    {"SerialNbr", clsAdvanced::lstMessagesSerialNbr},
    {"TagNbr", clsAdvanced::lstMessagesTagNbr},
}};

// A text split at the first "||" into exactly two parts; parts beyond the second are dropped.
std::pair<std::string, std::string> SplitTwo(const std::string& text) {
    std::vector<std::string> parts = Split(text, kSeparator);
    parts.resize(2);
    return {parts[0], parts[1]};
}

// The lenient numeric parse, held within the setting's range: a hand-edited huge value
// must not stop the program from loading.
template <class Int> Int LenientNumber(const std::string& text) {
    const double value = RoundHalfEven(Val(text));
    return static_cast<Int>(std::clamp(value, static_cast<double>(std::numeric_limits<Int>::min()),
                                       static_cast<double>(std::numeric_limits<Int>::max())));
}

std::string YesNo(bool value) { return value ? "Y" : "N"; }

std::unique_ptr<clsAdvanced>& SharedSlot() {
    static std::unique_ptr<clsAdvanced> instance;
    return instance;
}

} // namespace

clsAdvanced::clsAdvanced(std::string storePath) : mStorePath(std::move(storePath)) { LoadValues(); }

clsAdvanced::~clsAdvanced() {
    try {
        SaveValues();
    } catch (...) {
        // Nobody is left to tell.
    }
}

clsAdvanced& clsAdvanced::Shared(const std::string& storePath) {
    auto& slot = SharedSlot();
    if (slot && slot->StorePath() == storePath) return *slot;
    return RenewShared(storePath);
}

clsAdvanced& clsAdvanced::RenewShared(const std::string& storePath) {
    // The old instance saves first, so that the new one reads what it held, and goes only
    // after the new one exists: a renewed configuration is always a different object.
    std::unique_ptr<clsAdvanced> old = std::move(SharedSlot());
    if (old) old->SaveValues();
    SharedSlot() = std::make_unique<clsAdvanced>(storePath);
    return *SharedSlot();
}

void clsAdvanced::ReleaseShared() {
    if (std::unique_ptr<clsAdvanced> old = std::move(SharedSlot())) old->SaveValues();
}

// ---- Lists ----------------------------------------------------------------------------

clsAdvanced::Group clsAdvanced::GroupOf(List list) {
    switch (list) {
    case lstLogins: return grpLogins;
    case lstMessagesAccount:
    case lstMessagesSerialNbr:
    case lstMessagesTagNbr: return grpMessages;
    case lstTokensAddress:
    case lstTokensOwner: return grpTokens;
    case lstChangeoutRC:
    case lstChangeoutMT:
    case lstChangeoutMFG:
    case lstChangeoutMS: return grpChangeouts;
    case lstFavorites: return grpFavorites;
    default: return grpSkips;
    }
}

// The selectors are compared exactly; an unknown one gives -1 (no list).
int clsAdvanced::MessageList(const std::string& MessageType) {
    for (const MessageKind& kind : kMessageKinds) {
        if (MessageType == kind.Type) return kind.List;
    }
    return -1;
}

int clsAdvanced::TokenList(const std::string& TokenType) {
    if (TokenType == "Address") return lstTokensAddress;
    if (TokenType == "Owner") return lstTokensOwner;
    return -1;
}

int clsAdvanced::ChangeoutList(const std::string& ChangeoutType) {
    if (ChangeoutType == "RC") return lstChangeoutRC;
    if (ChangeoutType == "MT") return lstChangeoutMT;
    if (ChangeoutType == "MFG") return lstChangeoutMFG;
    if (ChangeoutType == "MS") return lstChangeoutMS;
    return -1;
}

void clsAdvanced::MarkDirty(Group group) {
    if (!mLoading) mGroupDirty[group] = true;
}

int16_t clsAdvanced::Find(List list, std::string_view key) const {
    const ConfigList& entries = mLists[list];
    const auto found = entries.ByKey.find(key);
    if (found == entries.ByKey.end()) return -1;
    for (const int16_t position : found->second) {
        if (!entries.Entries[static_cast<size_t>(position) - 1].Deleted) return position;
    }
    return -1;
}

bool clsAdvanced::HasKeyOfShape(List list, unsigned shape, std::string_view key) const {
    const ConfigList& entries = mLists[list];
    if (entries.ShapedStale) {
        // Grouped by shape in one pass that counts and one that places.
        std::array<uint32_t, 257>& start = entries.ShapeStart;
        start.fill(0);
        for (const ConfigEntry& entry : entries.Entries) {
            if (!entry.Deleted) ++start[KeyShape(entry.Key) + 1];
        }
        for (size_t s = 1; s < start.size(); ++s) start[s] += start[s - 1];
        entries.ShapedKeys.resize(start.back());
        std::array<uint32_t, 257> next = start;
        for (const ConfigEntry& entry : entries.Entries) {
            if (!entry.Deleted) entries.ShapedKeys[next[KeyShape(entry.Key)]++] = entry.Key;
        }
        entries.ShapedStale = false;
    }
    for (uint32_t i = entries.ShapeStart[shape]; i < entries.ShapeStart[shape + 1]; ++i) {
        if (EqualsNoCase(entries.ShapedKeys[i], key)) return true;
    }
    return false;
}

const ConfigEntry* clsAdvanced::Locate(int list, const ConfigIndex& Index, int16_t& position) const {
    // A list that never had an entry holds one empty placeholder at position 0.
    static const ConfigEntry placeholder;
    position = -1;
    if (list < 0) return nullptr;
    const std::vector<ConfigEntry>& entries = mLists[list].Entries;
    if (Index.IsKey()) {
        position = Find(static_cast<List>(list), Index.Key());
        return position < 0 ? nullptr : &entries[static_cast<size_t>(position) - 1];
    }
    const int32_t wanted = Index.Position();
    if (entries.empty()) {
        if (wanted != 0) return nullptr;
        position = 0;
        return &placeholder;
    }
    if (wanted < 1 || static_cast<size_t>(wanted) > entries.size()) return nullptr;
    position = static_cast<int16_t>(wanted);
    return &entries[static_cast<size_t>(wanted) - 1];
}

void clsAdvanced::Add(int list, const std::string& key, const std::string& value, const std::string& extra) {
    if (list < 0) return;
    ConfigList& target = mLists[list];
    const int16_t position = CheckInt16(static_cast<int64_t>(target.Entries.size()) + 1);
    target.Entries.push_back({position, key, extra, value, false, !mLoading});
    target.ByKey[key].push_back(position);
    const unsigned shape = KeyShape(key);
    target.KeyShapes[shape / 64] |= uint64_t{1} << (shape % 64);
    target.ShapedStale = true;
    MarkDirty(GroupOf(static_cast<List>(list)));
}

bool clsAdvanced::Update(int list, const std::string& key, const std::string& value, const std::string& extra) {
    if (list < 0) return false;
    const int16_t position = Find(static_cast<List>(list), key);
    if (position < 0) return false;
    ConfigEntry& entry = mLists[list].Entries[static_cast<size_t>(position) - 1];
    entry.Key = key; // equal but for letter case, so the key map still holds it
    mLists[list].ShapedStale = true;
    entry.Value = value;
    entry.Extra = extra;
    entry.Dirty = true;
    MarkDirty(GroupOf(static_cast<List>(list)));
    return true;
}

bool clsAdvanced::Delete(int list, const std::string& key) {
    if (list < 0) return false;
    const int16_t position = Find(static_cast<List>(list), key);
    if (position < 0) return false;
    ConfigEntry& entry = mLists[list].Entries[static_cast<size_t>(position) - 1];
    entry.Deleted = true;
    entry.Dirty = true;
    mLists[list].ShapedStale = true;
    MarkDirty(GroupOf(static_cast<List>(list)));
    return true;
}

// ---- Loading and saving ---------------------------------------------------------------

void clsAdvanced::AddDefaultTokens(List list, std::initializer_list<const char*> words) {
    // Seeded words are new to the store: they are written at the next save.
    mLoading = false;
    for (const char* word : words) Add(list, word, "", "");
    mLoading = true;
}

void clsAdvanced::LoadValues() {
    struct LoadingFlag {
        bool& Flag;
        explicit LoadingFlag(bool& flag) : Flag(flag) { Flag = true; }
        ~LoadingFlag() { Flag = false; }
    } loading(mLoading);

    std::unique_ptr<clsRegistry> registry;
    if (!mStorePath.empty()) {
        registry = std::make_unique<clsRegistry>(mStorePath);
        // A store that exists but cannot be read is no empty configuration.
        if (const std::string& problem = registry->ReadError(); !problem.empty()) RaiseError(ErrPathFileAccess, problem);
    }
    auto text = [&](const std::string& subkey, const std::string& name, const std::string& fallback) {
        const std::string value = registry ? registry->GetValue(ProgramValuePath(subkey, name)).ToText() : std::string();
        return value.empty() ? fallback : value;
    };
    auto names = [&](List list) {
        return registry ? registry->GetValues(ProgramKeyPath(kListSubkeys[list])) : std::vector<std::string>();
    };
    auto valueOf = [&](List list, const std::string& name) { return text(kListSubkeys[list], name, ""); };

    mUseLoginSecurity = text("LoginSetup", "UseLogin", "N") == "Y";
    for (const std::string& name : names(lstLogins)) {
        const auto [password, data] = SplitTwo(valueOf(lstLogins, name));
        AddLogin(name, password, data);
    }

    for (const MessageKind& kind : kMessageKinds) {
        for (const std::string& name : names(kind.List)) {
            const auto [route, meter] = SplitTwo(name);
            AddMessage(kind.Type, route, meter, valueOf(kind.List, name));
        }
    }

    mIndexControl = LenientNumber<int16_t>(text("Token", "IndexControl", "1"));
    const auto addressWords = names(lstTokensAddress);
    for (const std::string& name : addressWords) AddToken("Address", name);
    if (addressWords.empty()) AddDefaultTokens(lstTokensAddress, {"RD", "ST", "LN", "CT", "BLVD", "CIR", "AVE"});
    const auto ownerWords = names(lstTokensOwner);
    for (const std::string& name : ownerWords) AddToken("Owner", name);
    if (ownerWords.empty()) AddDefaultTokens(lstTokensOwner, {"CO", "INC", "OF", "THE", "LLP", "LLC", "AND"});

    for (const List list : {lstChangeoutRC, lstChangeoutMT, lstChangeoutMFG, lstChangeoutMS}) {
        for (const std::string& name : names(list)) Add(list, name, valueOf(list, name), "");
    }

    mUseFavorite = text("FavoriteSetup", "UseFavorite", "N") == "Y";
    for (const std::string& name : names(lstFavorites)) AddFavorite(name, valueOf(lstFavorites, name));

    for (const std::string& name : names(lstSkips)) AddSkip(name, valueOf(lstSkips, name));

    mAlertOutOfBounds = LenientNumber<int32_t>(text("OperPrefs", "AlertOutOfBounds", "0"));
    mAlertRollover = LenientNumber<int32_t>(text("OperPrefs", "AlertRollover", "0"));
    mAlertTamper = LenientNumber<int32_t>(text("OperPrefs", "AlertTamper", "0"));
}

void clsAdvanced::SaveValues() {
    if (mStorePath.empty()) return;
    clsRegistry registry(mStorePath);
    std::vector<clsRegistry::ValueSave> saves;
    std::vector<ConfigEntry*> saved;
    std::vector<Group> groups;
    auto save = [&](const std::string& value, const std::string& subkey, const std::string& name) {
        saves.push_back({ProgramValuePath(subkey, name), value});
    };

    for (int number = 0; number < GroupCount; ++number) {
        const auto group = static_cast<Group>(number);
        if (!mGroupDirty[group]) continue;
        groups.push_back(group);
        switch (group) {
        case grpLogins: save(YesNo(mUseLoginSecurity), "LoginSetup", "UseLogin"); break;
        case grpTokens: save(NumberText(mIndexControl), "Token", "IndexControl"); break;
        case grpFavorites: save(YesNo(mUseFavorite), "FavoriteSetup", "UseFavorite"); break;
        case grpAlerts:
            save(NumberText(mAlertOutOfBounds), "OperPrefs", "AlertOutOfBounds");
            save(NumberText(mAlertRollover), "OperPrefs", "AlertRollover");
            save(NumberText(mAlertTamper), "OperPrefs", "AlertTamper");
            continue;
        default: break;
        }
        for (int list = 0; list < ListCount; ++list) {
            if (GroupOf(static_cast<List>(list)) != group) continue;
            for (ConfigEntry& entry : mLists[list].Entries) {
                if (!entry.Dirty) continue;
                if (entry.Deleted) {
                    // Deleted entries of a key always lie before its live ones, so removing
                    // them ahead of the writes keeps the order of positions. False also
                    // when the value was never stored (added and deleted in between).
                    registry.DeleteValue(ProgramValuePath(kListSubkeys[list], entry.Key));
                    entry.Dirty = false;
                    continue;
                }
                std::string data = entry.Value;
                if (list == lstLogins) data += kSeparator + entry.Extra;
                if (group == grpTokens) data.clear();
                save(data, kListSubkeys[list], entry.Key);
                saved.push_back(&entry);
            }
        }
    }
    // One update of the store for every value: all of them or none.
    if (!saves.empty() && !registry.SaveValues(saves)) {
        const std::string reason = registry.LastError();
        RaiseError(ErrPathFileAccess, reason.empty() ? "The advanced configuration could not be saved in " + mStorePath
                                                     : reason);
    }
    for (ConfigEntry* entry : saved) entry->Dirty = false;
    for (const Group group : groups) mGroupDirty[group] = false;
}

// ---- Scalar settings ------------------------------------------------------------------

void clsAdvanced::SetUseLoginSecurity(bool value) {
    mUseLoginSecurity = value;
    MarkDirty(grpLogins);
}

void clsAdvanced::SetUseFavorite(bool value) {
    mUseFavorite = value;
    MarkDirty(grpFavorites);
}

void clsAdvanced::SetIndexControl(int16_t value) {
    mIndexControl = value;
    MarkDirty(grpTokens);
}

void clsAdvanced::SetAlertOutOfBounds(int16_t value) {
    mAlertOutOfBounds = value;
    MarkDirty(grpAlerts);
}

void clsAdvanced::SetAlertRollover(int16_t value) {
    mAlertRollover = value;
    MarkDirty(grpAlerts);
}

void clsAdvanced::SetAlertTamper(int16_t value) {
    mAlertTamper = value;
    MarkDirty(grpAlerts);
}

// ---- Logins ---------------------------------------------------------------------------

int16_t clsAdvanced::GetLogin(const ConfigIndex& Index, std::string& UserID, std::string& Password, std::string& Data) const {
    int16_t position = -1;
    const ConfigEntry* entry = Locate(lstLogins, Index, position);
    if (entry == nullptr) return -1;
    if (entry->Deleted) {
        UserID.clear();
        return position;
    }
    UserID = entry->Key;
    Password = entry->Value;
    Data = entry->Extra;
    return position;
}

void clsAdvanced::AddLogin(const std::string& UserID, const std::string& Password, const std::string& Data) {
    Add(lstLogins, UserID, Password, Data);
}

bool clsAdvanced::UpdateLogin(const std::string& UserID, const std::string& Password, const std::string& Data) {
    return Update(lstLogins, UserID, Password, Data);
}

bool clsAdvanced::DeleteLogin(const std::string& UserID) { return Delete(lstLogins, UserID); }

// ---- Messages -------------------------------------------------------------------------

bool clsAdvanced::HasSupervisorMessages() const {
    for (const MessageKind& kind : kMessageKinds) {
        if (!mLists[kind.List].Entries.empty()) return true;
    }
    return false;
}

std::string clsAdvanced::LookupMessage(std::string_view PriorMessage, std::string_view RouteNbr,
                                       std::string_view Account, std::string_view SerialNbr,
                                       std::string_view TagNbr) const {
    std::string message;
    LookupMessage(message, PriorMessage, RouteNbr, Account, SerialNbr, TagNbr);
    return message;
}

void clsAdvanced::LookupMessage(std::string& out, std::string_view PriorMessage, std::string_view RouteNbr,
                                std::string_view Account, std::string_view SerialNbr, std::string_view TagNbr) const {
    out.clear();
    if (!PriorMessage.empty()) out.append("Billing: ").append(PriorMessage);
    // Most configurations have no supervisor messages: then the billing message is all.
    if (!HasSupervisorMessages()) return;
    const std::array<std::string_view, 3> identifiers = {Account, SerialNbr, TagNbr};
    std::string supervisor;
    const char* firstType = nullptr;
    int found = 0;
    for (size_t i = 0; i < kMessageKinds.size(); ++i) {
        const std::string_view identifier = identifiers[i];
        const List list = kMessageKinds[i].List;
        if (mLists[list].Entries.empty() || TrimView(identifier).empty()) continue;
        int16_t position = Find(list, std::string(RouteNbr) + kSeparator + std::string(identifier));
        if (position < 0) position = Find(list, std::string("ANY") + kSeparator + std::string(identifier));
        if (position < 0) continue;
        const std::string& text = mLists[list].Entries[static_cast<size_t>(position) - 1].Value;
        if (text.empty()) continue;
        const char* type = kMessageKinds[i].Type;
        if (++found == 1) {
            supervisor = text;
            firstType = type;
        } else {
            if (found == 2) supervisor = std::string(firstType) + ": " + supervisor;
            supervisor += std::string("; ") + type + ": " + text;
        }
    }
    if (supervisor.empty()) return;
    if (!PriorMessage.empty()) out += '\n';
    out.append("Supervisor: ").append(supervisor);
}

int16_t clsAdvanced::GetMessage(const std::string& MessageType, const ConfigIndex& Index, std::string& RouteNbr,
                                std::string& MeterID, std::string& Message) const {
    int16_t position = -1;
    const ConfigEntry* entry = Locate(MessageList(MessageType), Index, position);
    if (entry == nullptr) return -1;
    if (entry->Deleted) {
        RouteNbr.clear();
        return position;
    }
    std::tie(RouteNbr, MeterID) = SplitTwo(entry->Key);
    Message = entry->Value;
    return position;
}

void clsAdvanced::AddMessage(const std::string& MessageType, const std::string& RouteNbr, const std::string& MeterID,
                             const std::string& Message) {
    Add(MessageList(MessageType), RouteNbr + kSeparator + MeterID, Message, "");
}

bool clsAdvanced::UpdateMessage(const std::string& MessageType, const std::string& RouteNbr,
                                const std::string& MeterID, const std::string& Message) {
    return Update(MessageList(MessageType), RouteNbr + kSeparator + MeterID, Message, "");
}

bool clsAdvanced::DeleteMessage(const std::string& MessageType, const std::string& RouteNbr,
                                const std::string& MeterID) {
    return Delete(MessageList(MessageType), RouteNbr + kSeparator + MeterID);
}

// ---- Tokens ---------------------------------------------------------------------------

int16_t clsAdvanced::GetToken(const std::string& TokenType, const ConfigIndex& Index, std::string& Token) const {
    int16_t position = -1;
    const ConfigEntry* entry = Locate(TokenList(TokenType), Index, position);
    if (entry == nullptr) return -1;
    Token = entry->Deleted ? std::string() : entry->Key;
    return position;
}

bool clsAdvanced::HasToken(const std::string& TokenType, const std::string& Token) const {
    const int list = TokenList(TokenType);
    return list >= 0 && Find(static_cast<List>(list), Token) >= 0;
}

void clsAdvanced::AddToken(const std::string& TokenType, const std::string& Token) {
    Add(TokenList(TokenType), Token, "", "");
}

bool clsAdvanced::DeleteToken(const std::string& TokenType, const std::string& Token) {
    return Delete(TokenList(TokenType), Token);
}

// ---- Changeouts, favourites and skip codes ----------------------------------------------

int16_t clsAdvanced::GetChangeout(const std::string& ChangeoutType, const ConfigIndex& Index, std::string& Code,
                                  std::string& Description) const {
    return GetPair(ChangeoutList(ChangeoutType), Index, Code, Description);
}

void clsAdvanced::AddChangeout(const std::string& ChangeoutType, const std::string& Code,
                               const std::string& Description) {
    Add(ChangeoutList(ChangeoutType), Code, Description, "");
}

bool clsAdvanced::UpdateChangeout(const std::string& ChangeoutType, const std::string& Code,
                                  const std::string& Description) {
    return Update(ChangeoutList(ChangeoutType), Code, Description, "");
}

bool clsAdvanced::DeleteChangeout(const std::string& ChangeoutType, const std::string& Code) {
    return Delete(ChangeoutList(ChangeoutType), Code);
}

int16_t clsAdvanced::GetFavorite(const ConfigIndex& Index, std::string& UnitID, std::string& PathName) const {
    return GetPair(lstFavorites, Index, UnitID, PathName);
}

void clsAdvanced::AddFavorite(const std::string& UnitID, const std::string& PathName) {
    Add(lstFavorites, UnitID, PathName, "");
}

bool clsAdvanced::UpdateFavorite(const std::string& UnitID, const std::string& PathName) {
    if (Update(lstFavorites, UnitID, PathName, "")) return true;
    AddFavorite(UnitID, PathName);
    return false;
}

bool clsAdvanced::DeleteFavorite(const std::string& UnitID) { return Delete(lstFavorites, UnitID); }

int16_t clsAdvanced::GetSkip(const ConfigIndex& Index, std::string& Code, std::string& Description) const {
    return GetPair(lstSkips, Index, Code, Description);
}

void clsAdvanced::AddSkip(const std::string& Code, const std::string& Description) {
    Add(lstSkips, Code, Description, "");
}

bool clsAdvanced::UpdateSkip(const std::string& Code, const std::string& Description) {
    return Update(lstSkips, Code, Description, "");
}

bool clsAdvanced::DeleteSkip(const std::string& Code) { return Delete(lstSkips, Code); }

int16_t clsAdvanced::GetPair(int list, const ConfigIndex& Index, std::string& key, std::string& value) const {
    int16_t position = -1;
    const ConfigEntry* entry = Locate(list, Index, position);
    if (entry == nullptr) return -1;
    if (entry->Deleted) {
        key.clear();
        return position;
    }
    key = entry->Key;
    value = entry->Value;
    return position;
}

} // namespace dovrex
