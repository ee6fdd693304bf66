#pragma once

#include "IPalmDesktop.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dovrex {

// The HotSync users ("units") as they were when the object was created: their count
// and, for positions 1..count, each user's name and folder in user-database order.
class clsPalmUsers {
public:
    // Takes the snapshot; more than 255 users raises the overflow error.
    explicit clsPalmUsers(IPalmDesktop& desktop);

    int16_t UserCount() const { return static_cast<int16_t>(mNames.size()); }
    // Index 1..count: that user's name and folder from the snapshot. Index 0: the user
    // named UserName, looked up afresh, with the user database's spelling of the name.
    // Any other index leaves both unchanged.
    void GetUserData(int16_t Index, std::string& UserName, std::string& UserDir);
    // The names of users 1..count, for the unit lists.
    const std::vector<std::string>& Names() const { return mNames; }

    // Source cut at its first NUL character (Source itself is changed too).
    static std::string CleanZ(std::string& Source);

    static constexpr int32_t MaxUsers = 255;

private:
    // The name and folder of a user ID, each read into its buffer and cut at the NUL.
    void ReadUser(uint32_t id, std::string& name, std::string& folder);

    IPalmDesktop& mDesktop;
    std::vector<std::string> mNames;
    std::vector<std::string> mFolders;
};

// What "Install to Unit(s)" says when Palm Desktop has no users.
inline constexpr const char* NoUnitsMessage =
    "Unable to locate any units!\r\nPerhaps the Palm Desktop software is not installed \r\n"
    "or is not set up for your login id?";

} // namespace dovrex
