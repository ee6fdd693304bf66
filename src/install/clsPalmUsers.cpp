#include "clsPalmUsers.h"

#include "platform/RuntimeError.h"

namespace dovrex {

clsPalmUsers::clsPalmUsers(IPalmDesktop& desktop) : mDesktop(desktop) {
    const int32_t count = mDesktop.UmGetUserCount();
    if (count > MaxUsers) RaiseError(ErrOverflow);
    for (int32_t position = 0; position < count; ++position) {
        std::string name, folder;
        ReadUser(mDesktop.UmGetUserID(position), name, folder);
        mNames.push_back(std::move(name));
        mFolders.push_back(std::move(folder));
    }
}

void clsPalmUsers::ReadUser(uint32_t id, std::string& name, std::string& folder) {
    name.assign(UserNameBufferLength, '\0');
    mDesktop.UmGetUserName(id, name);
    CleanZ(name);
    folder.assign(UserDirectoryBufferLength, '\0');
    mDesktop.UmGetUserDirectory(id, folder);
    CleanZ(folder);
}

void clsPalmUsers::GetUserData(int16_t Index, std::string& UserName, std::string& UserDir) {
    if (Index == 0) {
        ReadUser(mDesktop.UmGetIDFromName(UserName), UserName, UserDir);
    } else if (Index >= 1 && Index <= UserCount()) {
        UserName = mNames[static_cast<size_t>(Index - 1)];
        UserDir = mFolders[static_cast<size_t>(Index - 1)];
    }
}

std::string clsPalmUsers::CleanZ(std::string& Source) {
    const size_t nul = Source.find('\0');
    if (nul != std::string::npos) Source.resize(nul);
    return Source;
}

} // namespace dovrex
