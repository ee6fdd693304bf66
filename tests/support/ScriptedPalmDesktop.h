#pragma once

// Palm Desktop as a test scripts it: users named "User<ID>" with folders "Dir<ID>" at
// IDs 100, 101, ..., one status for every queue call, and every call made.

#include "install/IPalmDesktop.h"

#include <string>
#include <vector>

namespace dovrex::test {

class ScriptedPalmDesktop : public IPalmDesktop {
public:
    int32_t UmGetUserCount() override { return Count; }
    uint32_t UmGetUserID(int32_t Position) override { return static_cast<uint32_t>(Position) + 100; }
    void UmGetUserName(uint32_t UserID, std::string& Buffer) override { Fill(Buffer, "User" + std::to_string(UserID)); }
    void UmGetUserDirectory(uint32_t UserID, std::string& Buffer) override { Fill(Buffer, "Dir" + std::to_string(UserID)); }
    uint32_t UmGetIDFromName(const std::string&) override { return 0; }
    void UmAddUser(const std::string& UserName, int32_t Flags) override {
        Calls.push_back("add " + UserName + " " + std::to_string(Flags));
    }
    int16_t PltInstallFile(const std::string& UserName, const std::string& FileName) override {
        Calls.push_back("install " + UserName + " " + FileName);
        return Status;
    }
    int16_t PltRemoveInstallFile(const std::string& UserName, const std::string& FileName) override {
        Calls.push_back("remove " + UserName + " " + FileName);
        return Status;
    }

    int32_t Count = 0;
    int16_t Status = 0;
    std::vector<std::string> Calls;

private:
    static void Fill(std::string& buffer, const std::string& text) {
        buffer = (text + std::string(buffer.size(), '\0')).substr(0, buffer.size());
    }
};

} // namespace dovrex::test
