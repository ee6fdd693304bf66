#pragma once

// The advanced handheld configuration: logins, supervisor messages, excluded index words,
// changeout code tables, skip codes, favourite readings files, alert preferences and the
// index-creation rule. Loaded once from the settings store when created; only what
// changed is written back.

#include "platform/modRuntime.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

namespace dovrex {

// One entry of a configuration list.
struct ConfigEntry {
    int16_t Position = 0;
    std::string Key;   // the identity; compared without regard to letter case
    std::string Extra; // second payload (logins only)
    std::string Value; // first payload
    bool Deleted = false;
    bool Dirty = false;
};

// The Index argument of the Get operations: a position (1, 2, 3, ...) or a key.
class ConfigIndex {
public:
    ConfigIndex(int position) : mIndex(static_cast<int32_t>(position)) {}
    ConfigIndex(const char* key) : mIndex(std::string(key)) {}
    ConfigIndex(std::string key) : mIndex(std::move(key)) {}
    bool IsKey() const { return std::holds_alternative<std::string>(mIndex); }
    int32_t Position() const { return std::get<int32_t>(mIndex); }
    const std::string& Key() const { return std::get<std::string>(mIndex); }

private:
    std::variant<int32_t, std::string> mIndex;
};

class clsAdvanced {
public:
    // The twelve lists, in the order they load and save.
    enum List : int {
        lstLogins, lstMessagesAccount, lstMessagesSerialNbr, lstMessagesTagNbr, lstTokensAddress, lstTokensOwner,
        lstChangeoutRC, lstChangeoutMT, lstChangeoutMFG, lstChangeoutMS, lstFavorites, lstSkips, ListCount
    };
    // The groups a save writes when changed, in saving order.
    enum Group : int { grpLogins, grpMessages, grpTokens, grpChangeouts, grpFavorites, grpSkips, grpAlerts, GroupCount };

    // Loads the configuration from the settings store file storePath. An empty path
    // means no store: the defaults, and saving writes nothing.
    explicit clsAdvanced(std::string storePath);
    // Saves what changed; a failure cannot be reported from here and is dropped.
    ~clsAdvanced();
    clsAdvanced(const clsAdvanced&) = delete;
    clsAdvanced& operator=(const clsAdvanced&) = delete;

    // The one instance the program shares, created on first use from the store at
    // storePath (an instance of another store is saved and replaced).
    static clsAdvanced& Shared(const std::string& storePath);
    // Replaces the shared instance by a fresh one that loads the store again; the old
    // one saves first.
    static clsAdvanced& RenewShared(const std::string& storePath);
    // Saves and destroys the shared instance (at program end); errors are raised.
    static void ReleaseShared();

    void LoadValues();
    // Writes every changed group; a value the store refused stays changed and the error
    // is raised after the rest was written.
    void SaveValues();

    bool UseLoginSecurity() const { return mUseLoginSecurity; }
    void SetUseLoginSecurity(bool value);
    bool UseFavorite() const { return mUseFavorite; }
    void SetUseFavorite(bool value);
    // 0 don't create indexes, 1 always, 2 ask during route creation.
    int16_t IndexControl() const { return mIndexControl; }
    void SetIndexControl(int16_t value);
    // 0 no alert, 1 beep, 2 popup message. Held as 32-bit; reading a value beyond 16 bits
    // raises the overflow error.
    int16_t AlertOutOfBounds() const { return CheckInt16(mAlertOutOfBounds); }
    void SetAlertOutOfBounds(int16_t value);
    int16_t AlertRollover() const { return CheckInt16(mAlertRollover); }
    void SetAlertRollover(int16_t value);
    int16_t AlertTamper() const { return CheckInt16(mAlertTamper); }
    void SetAlertTamper(int16_t value);

    // Every Get returns the found position, -1 when there is none. By position, a
    // deleted entry gives its position and an empty key (other outputs untouched).
    int16_t GetLogin(const ConfigIndex& Index, std::string& UserID, std::string& Password, std::string& Data) const;
    void AddLogin(const std::string& UserID, const std::string& Password, const std::string& Data);
    bool UpdateLogin(const std::string& UserID, const std::string& Password, const std::string& Data);
    bool DeleteLogin(const std::string& UserID);

    // The text a handheld shows for one meter: the billing message and the supervisor
    // messages for its account, serial number and tag number. Without any supervisor
    // message (HasSupervisorMessages false) only the billing message counts.
    std::string LookupMessage(std::string_view PriorMessage, std::string_view RouteNbr, std::string_view Account,
                              std::string_view SerialNbr, std::string_view TagNbr) const;
    // The same text, made in out (whose buffer is reused); PriorMessage must not lie in out.
    void LookupMessage(std::string& out, std::string_view PriorMessage, std::string_view RouteNbr,
                       std::string_view Account, std::string_view SerialNbr, std::string_view TagNbr) const;
    bool HasSupervisorMessages() const;
    // MessageType "Account", "SerialNbr" or "TagNbr"; any other text matches no list.
    int16_t GetMessage(const std::string& MessageType, const ConfigIndex& Index, std::string& RouteNbr,
                       std::string& MeterID, std::string& Message) const;
    void AddMessage(const std::string& MessageType, const std::string& RouteNbr, const std::string& MeterID,
                    const std::string& Message);
    bool UpdateMessage(const std::string& MessageType, const std::string& RouteNbr, const std::string& MeterID,
                       const std::string& Message);
    bool DeleteMessage(const std::string& MessageType, const std::string& RouteNbr, const std::string& MeterID);

    // TokenType "Address" or "Owner".
    int16_t GetToken(const std::string& TokenType, const ConfigIndex& Index, std::string& Token) const;
    // Whether Token is in the list of TokenType, as GetToken finds it, without copying texts.
    bool HasToken(const std::string& TokenType, const std::string& Token) const;
    // The same test on a list (lstTokensAddress, lstTokensOwner) for a word of the index
    // step: most words are settled by the shape of the list's keys, without a lookup.
    bool HasToken(List list, std::string_view Token) const {
        const unsigned shape = KeyShape(Token);
        return (mLists[list].KeyShapes[shape / 64] & (uint64_t{1} << (shape % 64))) != 0 &&
               HasKeyOfShape(list, shape, Token);
    }
    void AddToken(const std::string& TokenType, const std::string& Token);
    bool DeleteToken(const std::string& TokenType, const std::string& Token);

    // ChangeoutType "RC", "MT", "MFG" or "MS".
    int16_t GetChangeout(const std::string& ChangeoutType, const ConfigIndex& Index, std::string& Code,
                         std::string& Description) const;
    void AddChangeout(const std::string& ChangeoutType, const std::string& Code, const std::string& Description);
    bool UpdateChangeout(const std::string& ChangeoutType, const std::string& Code, const std::string& Description);
    bool DeleteChangeout(const std::string& ChangeoutType, const std::string& Code);

    int16_t GetFavorite(const ConfigIndex& Index, std::string& UnitID, std::string& PathName) const;
    void AddFavorite(const std::string& UnitID, const std::string& PathName);
    // Adds the favourite when the unit has none; true only when an existing one was rewritten.
    bool UpdateFavorite(const std::string& UnitID, const std::string& PathName);
    bool DeleteFavorite(const std::string& UnitID);

    int16_t GetSkip(const ConfigIndex& Index, std::string& Code, std::string& Description) const;
    void AddSkip(const std::string& Code, const std::string& Description);
    bool UpdateSkip(const std::string& Code, const std::string& Description);
    bool DeleteSkip(const std::string& Code);

    // Inspection for tests and tools: the entries of a list (positions 1, 2, ...) and
    // whether a group waits to be saved.
    const std::vector<ConfigEntry>& Entries(List list) const { return mLists[list].Entries; }
    bool GroupDirty(Group group) const { return mGroupDirty[group]; }
    const std::string& StorePath() const { return mStorePath; }

private:
    struct ConfigList {
        std::vector<ConfigEntry> Entries; // position p at p - 1; none: only the placeholder slot 0
        // Positions of the entries of each key, ascending (keys never change but in letter case).
        std::unordered_map<std::string, std::vector<int16_t>, NoCaseHash, NoCaseEqual> ByKey;
        // One bit per key shape (letter-case-free first and last character and length) of
        // every key ever added: a clear bit means no key of that shape, so no lookup.
        std::array<uint64_t, 4> KeyShapes{};
        // The live keys by shape (those of shape s at ShapeStart[s] up to ShapeStart[s + 1]),
        // built at the first lookup after a change: the index step looks up every word.
        mutable std::vector<std::string> ShapedKeys;
        mutable std::array<uint32_t, 257> ShapeStart{};
        mutable bool ShapedStale = true;
    };
    static unsigned KeyShape(std::string_view key) {
        if (key.empty()) return 0;
        return (UpperByte(key.front()) * 7u + UpperByte(key.back()) * 13u + static_cast<unsigned>(key.size())) & 255u;
    }
    static unsigned UpperByte(char c) {
        // Only a-z change within ASCII.
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 'a' && byte <= 'z') return byte - 32u;
        return byte < 0x80 ? byte : static_cast<unsigned char>(UpperChar(c));
    }

    static Group GroupOf(List list);
    static int MessageList(const std::string& MessageType);
    static int TokenList(const std::string& TokenType);
    static int ChangeoutList(const std::string& ChangeoutType);

    int16_t Find(List list, std::string_view key) const;
    // Whether a live key of the list, of the given shape, equals key but for letter case.
    bool HasKeyOfShape(List list, unsigned shape, std::string_view key) const;
    // The entry at Index (the empty placeholder for position 0 of a list that never had
    // one), or null; position receives the found position or -1.
    const ConfigEntry* Locate(int list, const ConfigIndex& Index, int16_t& position) const;
    int16_t GetPair(int list, const ConfigIndex& Index, std::string& key, std::string& value) const;
    void Add(int list, const std::string& key, const std::string& value, const std::string& extra);
    bool Update(int list, const std::string& key, const std::string& value, const std::string& extra);
    bool Delete(int list, const std::string& key);
    void MarkDirty(Group group);
    void AddDefaultTokens(List list, std::initializer_list<const char*> words);

    std::string mStorePath;
    bool mLoading = false;
    bool mUseLoginSecurity = false;
    bool mUseFavorite = false;
    int16_t mIndexControl = 1;
    int32_t mAlertOutOfBounds = 0;
    int32_t mAlertRollover = 0;
    int32_t mAlertTamper = 0;
    std::array<ConfigList, ListCount> mLists;
    std::array<bool, GroupCount> mGroupDirty{};
};

} // namespace dovrex
