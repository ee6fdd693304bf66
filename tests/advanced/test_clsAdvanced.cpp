#include "advanced/clsAdvanced.h"

#include "platform/ProgramKey.h"
#include "platform/RuntimeError.h"
#include "platform/clsRegistry.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

using namespace dovrex;
using dovrex::test::TempFolder;
using Names = std::vector<std::string>;

namespace {

// A settings store in a temporary folder, written and read the way the program does.
class Store {
public:
    std::string Path() const { return folder.File("registry.ini"); }
    void Set(const std::string& subkey, const std::string& name, const std::string& value) {
        clsRegistry(Path()).SaveValue(value, ProgramValuePath(subkey, name));
    }
    std::string Get(const std::string& subkey, const std::string& name) {
        return clsRegistry(Path()).GetValue(ProgramValuePath(subkey, name)).ToText();
    }
    Names ValueNames(const std::string& subkey) { return clsRegistry(Path()).GetValues(ProgramKeyPath(subkey)); }
    // Every subkey below the program's key that holds values.
    Names Subkeys() {
        Names subkeys;
        clsRegistry registry(Path());
        for (const std::string& key : registry.GetKeys(ProgramKeyPath(""))) {
            if (!registry.GetValues(ProgramKeyPath(key)).empty()) subkeys.push_back(key);
        }
        return subkeys;
    }

    TempFolder folder;
};

Names Keys(const clsAdvanced& advanced, clsAdvanced::List list) {
    Names keys;
    for (const ConfigEntry& entry : advanced.Entries(list)) keys.push_back(entry.Deleted ? "-" + entry.Key : entry.Key);
    return keys;
}

} // namespace

TEST(clsAdvanced, AnEmptyStoreLoadsTheDefaultsAndTheFirstSaveWritesOnlyTheSeededTokens) {
    Store store;
    {
        clsAdvanced advanced(store.Path());
        EXPECT_FALSE(advanced.UseLoginSecurity());
        EXPECT_FALSE(advanced.UseFavorite());
        EXPECT_EQ(advanced.IndexControl(), 1);
        EXPECT_EQ(advanced.AlertOutOfBounds() + advanced.AlertRollover() + advanced.AlertTamper(), 0);
        for (const auto list : {clsAdvanced::lstLogins, clsAdvanced::lstMessagesAccount, clsAdvanced::lstChangeoutRC,
                                clsAdvanced::lstFavorites, clsAdvanced::lstSkips}) {
            EXPECT_TRUE(advanced.Entries(list).empty()) << list;
        }
        EXPECT_EQ(Keys(advanced, clsAdvanced::lstTokensAddress), (Names{"RD", "ST", "LN", "CT", "BLVD", "CIR", "AVE"}));
        EXPECT_EQ(Keys(advanced, clsAdvanced::lstTokensOwner), (Names{"CO", "INC", "OF", "THE", "LLP", "LLC", "AND"}));
        // A list that never had an entry answers only for its placeholder at position 0.
        std::string user = "x", password = "p", data = "d";
        EXPECT_EQ(advanced.GetLogin(1, user, password, data), -1);
        EXPECT_EQ(advanced.GetLogin(0, user, password, data), 0);
        EXPECT_EQ(user + password + data, "");
        EXPECT_EQ(store.Subkeys(), Names{}); // loading writes nothing
        for (int group = 0; group < clsAdvanced::GroupCount; ++group) {
            EXPECT_EQ(advanced.GroupDirty(static_cast<clsAdvanced::Group>(group)), group == clsAdvanced::grpTokens);
        }
        advanced.SaveValues();
        EXPECT_FALSE(advanced.GroupDirty(clsAdvanced::grpTokens));
    }
    EXPECT_EQ(store.Subkeys(), (Names{"Token", "TokenAddress", "TokenOwner"}));
    EXPECT_EQ(store.ValueNames("Token"), Names{"IndexControl"});
    EXPECT_EQ(store.Get("Token", "IndexControl"), "1");
    EXPECT_EQ(store.ValueNames("TokenOwner"), (Names{"CO", "INC", "OF", "THE", "LLP", "LLC", "AND"}));
    EXPECT_EQ(store.Get("TokenAddress", "BLVD"), "");

    // The seeded words are stored now: the next load finds them and has nothing to save.
    clsAdvanced again(store.Path());
    EXPECT_EQ(again.Entries(clsAdvanced::lstTokensAddress).size(), 7u);
    EXPECT_FALSE(again.GroupDirty(clsAdvanced::grpTokens));
}

TEST(clsAdvanced, StoredValuesLoadAsTheStoreLaysThemOut) {
    Store store;
    store.Set("LoginSetup", "UseLogin", "y"); // only exactly "Y" is true
    store.Set("FavoriteSetup", "UseFavorite", "Y");
    store.Set("LoginIDs", "SMITH", "pw||S");
    store.Set("LoginIDs", "JONES", "secret");      // without "||": no flags
    store.Set("LoginIDs", "BROWN", "a||b||c");     // parts beyond the second are dropped
    store.Set("MessagesAccount", "0012||A100", "Dog in yard");
    store.Set("MessagesMeterTagNbr", "ANY||555", "Ladder");
    store.Set("Token", "IndexControl", "2");
    store.Set("TokenAddress", "HWY", "");
    store.Set("ChangeoutMFG", "SEN", "Sensus");
    store.Set("Favorite", "Unit 1", "/data/r1.pdb");
    store.Set("Skip", "01", "Dog");
    store.Set("OperPrefs", "AlertRollover", "2");
    store.Set("OperPrefs", "AlertTamper", "70000"); // hand-edited beyond 16 bits

    clsAdvanced advanced(store.Path());
    EXPECT_FALSE(advanced.UseLoginSecurity());
    EXPECT_TRUE(advanced.UseFavorite());
    EXPECT_EQ(advanced.IndexControl(), 2);
    EXPECT_EQ(advanced.AlertRollover(), 2);
    EXPECT_THROW(advanced.AlertTamper(), RuntimeError);
    const struct { const char* key; const char* password; const char* data; } logins[] = {
        {"smith", "pw", "S"}, {"Jones", "secret", ""}, {"BROWN", "a", "b"}};
    for (const auto& login : logins) {
        std::string user, password, data;
        EXPECT_GT(advanced.GetLogin(login.key, user, password, data), 0) << login.key;
        EXPECT_TRUE(EqualsNoCase(user, login.key));
        EXPECT_EQ(password + "|" + data, std::string(login.password) + "|" + login.data);
    }
    std::string route, meter, message;
    EXPECT_EQ(advanced.GetMessage("Account", 1, route, meter, message), 1);
    EXPECT_EQ(route + "/" + meter + "/" + message, "0012/A100/Dog in yard");
    EXPECT_EQ(advanced.GetMessage("account", 1, route, meter, message), -1); // selectors are exact
    // A stored address word replaces the defaults; the owner words are still seeded.
    EXPECT_EQ(Keys(advanced, clsAdvanced::lstTokensAddress), Names{"HWY"});
    EXPECT_EQ(advanced.Entries(clsAdvanced::lstTokensOwner).size(), 7u);
    std::string code, text;
    EXPECT_EQ(advanced.GetChangeout("MFG", "sen", code, text), 1);
    EXPECT_EQ(code + "=" + text, "SEN=Sensus");
    EXPECT_EQ(advanced.GetFavorite("UNIT 1", code, text), 1);
    EXPECT_EQ(text, "/data/r1.pdb");
    EXPECT_EQ(advanced.GetSkip(1, code, text), 1);
    EXPECT_EQ(code + "=" + text, "01=Dog");
}

TEST(clsAdvanced, EntriesAreAddedUpdatedAndDeletedByKeyAndPosition) {
    Store store;
    clsAdvanced advanced(store.Path());
    advanced.AddLogin("SMITH", "pw", "S");
    advanced.AddLogin("JONES", "x", "");
    EXPECT_TRUE(advanced.UpdateLogin("jones", "y", "S"));
    EXPECT_FALSE(advanced.UpdateLogin("NOBODY", "y", ""));
    EXPECT_TRUE(advanced.DeleteLogin("Smith"));
    EXPECT_FALSE(advanced.DeleteLogin("SMITH")); // already deleted

    std::string user, password = "untouched", data = "untouched";
    EXPECT_EQ(advanced.GetLogin("SMITH", user, password, data), -1);
    user = "before";
    EXPECT_EQ(advanced.GetLogin(1, user, password, data), 1); // deleted: the key comes back empty
    EXPECT_EQ(user + "|" + password + "|" + data, "|untouched|untouched");
    EXPECT_EQ(advanced.GetLogin(2, user, password, data), 2);
    EXPECT_EQ(user + "|" + password + "|" + data, "jones|y|S"); // Update rewrites the key as given
    EXPECT_EQ(advanced.GetLogin(3, user, password, data), -1);

    // Adding always appends, even a key that exists; the first entry of a key is the one found.
    advanced.AddSkip("01", "Dog");
    advanced.AddSkip("01", "Gate");
    std::string code, reason;
    EXPECT_EQ(advanced.GetSkip("01", code, reason), 1);
    EXPECT_EQ(reason, "Dog");
    EXPECT_TRUE(advanced.DeleteSkip("01"));
    EXPECT_EQ(advanced.GetSkip("01", code, reason), 2);
    EXPECT_EQ(reason, "Gate");

    // UpdateFavorite adds a missing one (False), rewrites an existing one (True).
    EXPECT_FALSE(advanced.UpdateFavorite("Unit 1", "/a.pdb"));
    EXPECT_TRUE(advanced.UpdateFavorite("UNIT 1", "/b.pdb"));
    EXPECT_EQ(advanced.Entries(clsAdvanced::lstFavorites).size(), 1u);
    EXPECT_EQ(advanced.GetFavorite(1, code, reason), 1);
    EXPECT_EQ(reason, "/b.pdb");

    // Unknown selectors match no list.
    advanced.AddToken("Street", "MAIN");
    advanced.AddChangeout("XX", "1", "one");
    EXPECT_FALSE(advanced.DeleteToken("Street", "MAIN"));
    EXPECT_FALSE(advanced.UpdateChangeout("XX", "1", "two"));
    EXPECT_EQ(advanced.GetToken("address", 1, code), -1);

    // Positions are 16-bit: a list holds 32767 entries.
    clsAdvanced unsaved("");
    for (int i = 0; i < 32767; ++i) unsaved.AddSkip("S", "");
    EXPECT_THROW(unsaved.AddSkip("S", ""), RuntimeError);
}

TEST(clsAdvanced, SavingWritesChangedGroupsOnly) {
    Store store;
    store.Set("LoginIDs", "OLD", "pw||");
    store.Set("Skip", "09", "Keep");
    {
        clsAdvanced advanced(store.Path());
        advanced.SaveValues(); // the seeded tokens
        advanced.SetUseLoginSecurity(true);
        advanced.AddLogin("SMITH", "pw", "S");
        EXPECT_TRUE(advanced.DeleteLogin("OLD"));
        // Deleted and added again before the save: written in position order, so it stays.
        advanced.AddLogin("TEMP", "1", "");
        EXPECT_TRUE(advanced.DeleteLogin("TEMP"));
        advanced.AddLogin("TEMP", "2", "");
        advanced.AddMessage("SerialNbr", "ANY", "X1", "Bees");
        advanced.AddChangeout("RC", "01", "Broken");
        advanced.SetAlertOutOfBounds(1);
        EXPECT_FALSE(advanced.GroupDirty(clsAdvanced::grpSkips));
        EXPECT_FALSE(advanced.GroupDirty(clsAdvanced::grpFavorites));
        advanced.SaveValues();
        for (int group = 0; group < clsAdvanced::GroupCount; ++group) {
            EXPECT_FALSE(advanced.GroupDirty(static_cast<clsAdvanced::Group>(group)));
        }
    }
    EXPECT_EQ(store.ValueNames("LoginIDs"), (Names{"SMITH", "TEMP"}));
    EXPECT_EQ(store.Get("LoginIDs", "SMITH"), "pw||S");
    EXPECT_EQ(store.Get("LoginIDs", "TEMP"), "2||");
    EXPECT_EQ(store.Get("LoginSetup", "UseLogin"), "Y");
    EXPECT_EQ(store.Get("MessagesMeterSerialNbr", "ANY||X1"), "Bees");
    EXPECT_EQ(store.Get("ChangeoutRC", "01"), "Broken");
    EXPECT_EQ(store.ValueNames("OperPrefs"), (Names{"AlertOutOfBounds", "AlertRollover", "AlertTamper"}));
    EXPECT_EQ(store.Get("OperPrefs", "AlertOutOfBounds"), "1");
    EXPECT_EQ(store.ValueNames("FavoriteSetup"), Names{});
    EXPECT_EQ(store.Get("Skip", "09"), "Keep");

    // The destructor saves what is still changed.
    {
        clsAdvanced advanced(store.Path());
        advanced.AddFavorite("Unit", "/r.pdb");
    }
    EXPECT_EQ(store.Get("Favorite", "Unit"), "/r.pdb");
    EXPECT_EQ(store.Get("FavoriteSetup", "UseFavorite"), "N");
}

TEST(clsAdvanced, AStoreThatCannotBeReadOrSavedSaysSo) {
    TempFolder folder;
    EXPECT_THROW(clsAdvanced{folder.Path()}, RuntimeError); // a folder is no store file

    clsAdvanced advanced(folder.File("sub/registry.ini")); // not there yet: empty
    folder.Write("sub", "a file where the store's folder should be");
    advanced.AddSkip("01", "Dog");
    EXPECT_THROW(advanced.SaveValues(), RuntimeError);
    EXPECT_TRUE(advanced.GroupDirty(clsAdvanced::grpSkips)); // kept for the next save
    EXPECT_TRUE(advanced.Entries(clsAdvanced::lstSkips)[0].Dirty);
}

TEST(clsAdvanced, LookupMessageCombinesBillingAndSupervisorTexts) {
    clsAdvanced advanced(""); // no store
    advanced.AddMessage("Account", "0012", "A1", "Dog");
    advanced.AddMessage("Account", "ANY", "A1", "Any dog");
    advanced.AddMessage("Account", "ANY", "A2", "Cat");
    advanced.AddMessage("SerialNbr", "0012", "S1", "");      // empty text: skipped, no fallback
    advanced.AddMessage("SerialNbr", "ANY", "S1", "Unused");
    advanced.AddMessage("SerialNbr", "ANY", "S2", "Stairs");
    advanced.AddMessage("TagNbr", "0012", "T1", "Ladder");
    advanced.AddMessage("TagNbr", "ANY", " T3", "Spaced"); // the identifier is looked up untrimmed

    const struct {
        const char *prior, *route, *account, *serial, *tag, *expected;
    } rows[] = {
        {"", "0012", "", "", "", ""},
        {"Bill", "0012", "   ", "", "", "Billing: Bill"},
        {"Bill", "0013", "A9", "", "", "Billing: Bill"},
        {"", "0012", "A1", "", "", "Supervisor: Dog"},             // the route's own message wins
        {"", "0013", "a1", "", "", "Supervisor: Any dog"},         // "ANY" otherwise; keys ignore case
        {"", "0012", "A2", "", "", "Supervisor: Cat"},
        {"", "0012", "", "S1", "", ""},
        {"Bill", "0012", "A1", "", "T1", "Billing: Bill\nSupervisor: Account: Dog; TagNbr: Ladder"},
        {"", "0012", "A2", "S2", "T1", "Supervisor: Account: Cat; SerialNbr: Stairs; TagNbr: Ladder"},
        {"", "0012", "", "S2", "T1", "Supervisor: SerialNbr: Stairs; TagNbr: Ladder"},
        {"", "0012", "", "", " T3", "Supervisor: Spaced"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(advanced.LookupMessage(row.prior, row.route, row.account, row.serial, row.tag), row.expected)
            << row.route << "/" << row.account << "/" << row.serial << "/" << row.tag;
    }
}

TEST(clsAdvanced, OneSharedInstanceIsRenewedFromTheStore) {
    Store store;
    clsAdvanced& first = clsAdvanced::Shared(store.Path());
    EXPECT_EQ(&clsAdvanced::Shared(store.Path()), &first);
    first.AddSkip("01", "Dog");
    // The fresh instance sees what the old one saved on its way out.
    clsAdvanced& fresh = clsAdvanced::RenewShared(store.Path());
    std::string code, reason;
    EXPECT_EQ(fresh.GetSkip("01", code, reason), 1);
    EXPECT_EQ(reason, "Dog");
    fresh.AddSkip("02", "Gate");
    clsAdvanced::ReleaseShared();
    EXPECT_EQ(store.Get("Skip", "02"), "Gate");
}
