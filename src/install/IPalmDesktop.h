#pragma once

// The calls the program makes of Palm Desktop: its user database (HotSync users) and
// its per-user install queue. The folder stand-in implements them on Linux; another
// back end can take its place without changing the callers.

#include <cstdint>
#include <string>

namespace dovrex {

// Statuses of PltInstallFile and PltRemoveInstallFile (16-bit, shown signed).
inline constexpr int16_t PalmStatusOK = 0;
inline constexpr int16_t PalmStatusAlreadyQueued = static_cast<int16_t>(0xFE00); // -512
inline constexpr int16_t PalmStatusFileNotFound = static_cast<int16_t>(0xFDFF);  // -513
inline constexpr int16_t PalmStatusNotQueued = static_cast<int16_t>(0xFDF5);     // -523

// The buffers the program hands over for a user's name and folder, terminating NUL included.
inline constexpr size_t UserNameBufferLength = 50;
inline constexpr size_t UserDirectoryBufferLength = 150;

// A call that cannot reach Palm Desktop at all (not installed, unreadable user database,
// a queue that cannot be written) raises an error whose description says why, as a
// library that cannot be loaded would.
class IPalmDesktop {
public:
    virtual ~IPalmDesktop() = default;

    // The number of HotSync users; a negative number means none.
    virtual int32_t UmGetUserCount() = 0;
    // The user ID at a position of the user database, counted from 0.
    virtual uint32_t UmGetUserID(int32_t Position) = 0;
    // Fill Buffer (its size is the buffer's length) with the user's name or folder name,
    // NUL-terminated; an unknown ID leaves it unchanged.
    virtual void UmGetUserName(uint32_t UserID, std::string& Buffer) = 0;
    virtual void UmGetUserDirectory(uint32_t UserID, std::string& Buffer) = 0;
    // The ID of the user of that name (letter case aside); 0 when there is none.
    virtual uint32_t UmGetIDFromName(const std::string& UserName) = 0;
    // Adds the user unless one of that name exists.
    virtual void UmAddUser(const std::string& UserName, int32_t Flags) = 0;

    // Queues a file for the user's next HotSync: 0, PalmStatusAlreadyQueued,
    // PalmStatusFileNotFound or another error status. A relative file name is taken
    // from the current folder.
    virtual int16_t PltInstallFile(const std::string& UserName, const std::string& FileName) = 0;
    // Takes the queued file of that name off the user's queue: 0, PalmStatusNotQueued,
    // PalmStatusAlreadyQueued, PalmStatusFileNotFound or another error status.
    virtual int16_t PltRemoveInstallFile(const std::string& UserName, const std::string& FileName) = 0;
};

} // namespace dovrex
