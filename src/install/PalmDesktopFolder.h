#pragma once

#include "IPalmDesktop.h"

#include <string>
#include <string_view>
#include <vector>

namespace dovrex {

// Palm Desktop as a folder: the file "users" lists the HotSync users, one line each
// (ID, TAB, name, TAB, folder) in user-database order, and each user's folder holds
// the install queue in its "Install" subfolder; queuing a file copies it there.
// Nothing is ever written outside this folder: user and folder names that could
// leave it are refused.
class PalmDesktopFolder final : public IPalmDesktop {
public:
    // currentFolder is where relative file names are taken from (the program's folder).
    PalmDesktopFolder(std::string folder, std::string currentFolder);

    int32_t UmGetUserCount() override;
    uint32_t UmGetUserID(int32_t Position) override;
    void UmGetUserName(uint32_t UserID, std::string& Buffer) override;
    void UmGetUserDirectory(uint32_t UserID, std::string& Buffer) override;
    uint32_t UmGetIDFromName(const std::string& UserName) override;
    void UmAddUser(const std::string& UserName, int32_t Flags) override;
    int16_t PltInstallFile(const std::string& UserName, const std::string& FileName) override;
    int16_t PltRemoveInstallFile(const std::string& UserName, const std::string& FileName) override;

    const std::string& Folder() const { return mFolder; }
    std::string UsersFile() const;
    // The queue folder of a user's folder name.
    std::string QueueFolder(const std::string& userFolder) const;

    // A user name must be usable as a folder name of its own: 1 to 49 characters, not
    // blank, without "/", "\", ".." or control characters.
    static bool IsValidUserName(std::string_view name);

private:
    struct User {
        uint32_t ID = 0;
        std::string Name;
        std::string Folder;
    };

    // Raises a described error when the folder is missing or a line of "users" is not a user.
    std::vector<User> ReadUsers() const;
    void WriteUsers(const std::vector<User>& users) const;
    static const User* FindName(const std::vector<User>& users, std::string_view name);
    static const User* FindID(const std::vector<User>& users, uint32_t id);
    // The user of that name, raising when there is none.
    User RequireUser(const std::string& name) const;
    // A file's entry in a queue folder, letter case aside; empty when there is none.
    static std::string QueuedEntry(const std::string& queue, const std::string& name);
    [[noreturn]] void RaiseUnwritable(const std::string& what, const std::exception& cause) const;

    std::string mFolder;
    std::string mCurrentFolder;
};

} // namespace dovrex
