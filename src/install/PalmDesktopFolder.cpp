#include "PalmDesktopFolder.h"

#include "platform/BinaryFile.h"
#include "platform/ProgramFolder.h"
#include "platform/RuntimeError.h"
#include "platform/TextLineReader.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>

namespace dovrex {

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsersFileName = "users";
constexpr const char* kQueueFolderName = "Install";

// A name that stays one entry of the folder it is joined to.
bool IsSafeEntryName(std::string_view name, size_t maxLength) {
    if (name.empty() || name.size() > maxLength || Trim(name).empty()) return false;
    if (name == "." || name.find("..") != std::string_view::npos) return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return c == '/' || c == '\\' || u < 0x20 || u == 0x7F;
    });
}

bool ParseID(const std::string& text, uint32_t& id) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value == 0 || value > std::numeric_limits<uint32_t>::max()) return false;
    id = static_cast<uint32_t>(value);
    return true;
}

// The file name a path ends in (after its last "/").
std::string LastPart(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Copies text into a NUL-terminated buffer of the buffer's own size, cutting what does not fit.
void FillBuffer(std::string& buffer, const std::string& text) {
    if (buffer.empty()) return;
    const size_t length = std::min(text.size(), buffer.size() - 1);
    std::copy_n(text.begin(), length, buffer.begin());
    buffer[length] = '\0';
}

} // namespace

PalmDesktopFolder::PalmDesktopFolder(std::string folder, std::string currentFolder)
    : mFolder(std::move(folder)), mCurrentFolder(std::move(currentFolder)) {}

std::string PalmDesktopFolder::UsersFile() const { return JoinPath(mFolder, kUsersFileName); }

std::string PalmDesktopFolder::QueueFolder(const std::string& userFolder) const {
    return JoinPath(JoinPath(mFolder, userFolder), kQueueFolderName);
}

bool PalmDesktopFolder::IsValidUserName(std::string_view name) {
    return IsSafeEntryName(name, UserNameBufferLength - 1);
}

std::vector<PalmDesktopFolder::User> PalmDesktopFolder::ReadUsers() const {
    std::error_code error;
    if (!fs::is_directory(mFolder, error)) {
        RaiseError(ErrPathNotFound, "Palm Desktop folder not found: " + mFolder);
    }
    std::vector<User> users;
    const std::string path = UsersFile();
    if (!fs::exists(path, error)) return users; // Palm Desktop without users yet

    TextLineReader reader;
    if (const int status = reader.Open(path); status != 0) {
        RaiseError(status, "Palm Desktop users file cannot be read: " + RuntimeError::StandardDescription(status) +
                               " (" + path + ")");
    }
    std::string line;
    int64_t number = 0;
    while (reader.ReadLine(line)) {
        ++number;
        if (line.empty()) continue;
        const auto junk = [&](const std::string& reason) {
            RaiseError(ErrBadFileFormat,
                       "Palm Desktop users file " + path + ", line " + NumberText(number) + ": " + reason);
        };
        const std::vector<std::string> parts = Split(line, "\t");
        if (parts.size() != 3) junk("expected ID, TAB, name, TAB, folder");
        User user;
        if (!ParseID(parts[0], user.ID)) junk("the user ID \"" + parts[0] + "\" is not a number from 1 to 4294967295");
        user.Name = parts[1];
        user.Folder = parts[2];
        if (!IsValidUserName(user.Name)) junk("\"" + user.Name + "\" is not a usable user name");
        if (!IsSafeEntryName(user.Folder, UserDirectoryBufferLength - 1)) {
            junk("\"" + user.Folder + "\" is not a folder name inside the Palm Desktop folder");
        }
        for (const User& other : users) {
            if (other.ID == user.ID) junk("the user ID " + parts[0] + " appears twice");
            if (EqualsNoCase(other.Name, user.Name)) junk("the user name \"" + user.Name + "\" appears twice");
            if (EqualsNoCase(other.Folder, user.Folder)) junk("the folder \"" + user.Folder + "\" appears twice");
        }
        users.push_back(std::move(user));
    }
    return users;
}

void PalmDesktopFolder::WriteUsers(const std::vector<User>& users) const {
    std::string text;
    for (const User& user : users) {
        text += std::to_string(user.ID) + "\t" + user.Name + "\t" + user.Folder + "\n";
    }
    try {
        WriteWholeFile(UsersFile(), text);
    } catch (const std::exception& e) {
        RaiseUnwritable("the users file", e);
    }
}

void PalmDesktopFolder::RaiseUnwritable(const std::string& what, const std::exception& cause) const {
    const int number = dynamic_cast<const RuntimeError*>(&cause) ? static_cast<const RuntimeError&>(cause).Number()
                                                                  : static_cast<int>(ErrPathFileAccess);
    RaiseError(number, "Palm Desktop folder " + mFolder + ": cannot write " + what + ": " + DescribeException(cause));
}

const PalmDesktopFolder::User* PalmDesktopFolder::FindName(const std::vector<User>& users, std::string_view name) {
    const auto found = std::find_if(users.begin(), users.end(), [&](const User& u) { return EqualsNoCase(u.Name, name); });
    return found == users.end() ? nullptr : &*found;
}

const PalmDesktopFolder::User* PalmDesktopFolder::FindID(const std::vector<User>& users, uint32_t id) {
    const auto found = std::find_if(users.begin(), users.end(), [&](const User& u) { return u.ID == id; });
    return found == users.end() ? nullptr : &*found;
}

PalmDesktopFolder::User PalmDesktopFolder::RequireUser(const std::string& name) const {
    const std::vector<User> users = ReadUsers();
    const User* user = FindName(users, name);
    if (user == nullptr) RaiseError(ErrInvalidCall, "HotSync user not found: " + name);
    return *user;
}

int32_t PalmDesktopFolder::UmGetUserCount() {
    const size_t count = ReadUsers().size();
    return static_cast<int32_t>(std::min<size_t>(count, std::numeric_limits<int32_t>::max()));
}

uint32_t PalmDesktopFolder::UmGetUserID(int32_t Position) {
    const std::vector<User> users = ReadUsers();
    if (Position < 0 || static_cast<size_t>(Position) >= users.size()) return 0;
    return users[static_cast<size_t>(Position)].ID;
}

void PalmDesktopFolder::UmGetUserName(uint32_t UserID, std::string& Buffer) {
    const std::vector<User> users = ReadUsers();
    if (const User* user = FindID(users, UserID)) FillBuffer(Buffer, user->Name);
}

void PalmDesktopFolder::UmGetUserDirectory(uint32_t UserID, std::string& Buffer) {
    const std::vector<User> users = ReadUsers();
    if (const User* user = FindID(users, UserID)) FillBuffer(Buffer, user->Folder);
}

uint32_t PalmDesktopFolder::UmGetIDFromName(const std::string& UserName) {
    const std::vector<User> users = ReadUsers();
    const User* user = FindName(users, UserName);
    return user == nullptr ? 0 : user->ID;
}

void PalmDesktopFolder::UmAddUser(const std::string& UserName, int32_t) {
    if (!IsValidUserName(UserName)) {
        RaiseError(ErrInvalidCall, "\"" + UserName +
                                       "\" cannot be a HotSync user name (1 to 49 characters without \"/\", \"\\\", "
                                       "\"..\" or control characters)");
    }
    std::vector<User> users = ReadUsers();
    if (FindName(users, UserName) != nullptr) return;

    User user;
    for (const User& other : users) user.ID = std::max(user.ID, other.ID);
    if (user.ID == std::numeric_limits<uint32_t>::max()) RaiseError(ErrOverflow);
    ++user.ID;
    user.Name = UserName;
    // The user's folder is named after the user; a folder another user already has gets a number.
    user.Folder = UserName;
    for (int suffix = 2; std::any_of(users.begin(), users.end(), [&](const User& u) { return EqualsNoCase(u.Folder, user.Folder); });
         ++suffix) {
        user.Folder = UserName + std::to_string(suffix);
    }
    users.push_back(std::move(user));
    WriteUsers(users);
}

std::string PalmDesktopFolder::QueuedEntry(const std::string& queue, const std::string& name) {
    std::error_code error;
    for (fs::directory_iterator it(queue, error), end; !error && it != end; it.increment(error)) {
        const std::string entry = it->path().filename().string();
        if (EqualsNoCase(entry, name)) return entry;
    }
    return {};
}

int16_t PalmDesktopFolder::PltInstallFile(const std::string& UserName, const std::string& FileName) {
    const User user = RequireUser(UserName);
    const std::string source = ResolvePath(mCurrentFolder, FileName);
    const std::string name = LastPart(source);
    std::error_code error;
    if (FileName.empty() || name.empty() || !fs::is_regular_file(source, error)) return PalmStatusFileNotFound;

    const std::string queue = QueueFolder(user.Folder);
    if (!QueuedEntry(queue, name).empty()) return PalmStatusAlreadyQueued;
    // Copy under a temporary name first, so that the queue never holds half a file.
    const std::string target = JoinPath(queue, name);
    const std::string partial = JoinPath(queue, "." + name + ".partial");
    try {
        fs::create_directories(queue);
        fs::copy_file(source, partial, fs::copy_options::overwrite_existing);
        fs::rename(partial, target);
    } catch (const fs::filesystem_error& e) {
        fs::remove(partial, error);
        RaiseUnwritable("the install queue of " + user.Name, FileError(e.code().value(), queue));
    }
    return PalmStatusOK;
}

int16_t PalmDesktopFolder::PltRemoveInstallFile(const std::string& UserName, const std::string& FileName) {
    const User user = RequireUser(UserName);
    const std::string name = LastPart(FileName);
    if (name.empty() || name == "." || name == "..") return PalmStatusNotQueued;
    const std::string queue = QueueFolder(user.Folder);
    const std::string entry = QueuedEntry(queue, name);
    if (entry.empty()) return PalmStatusNotQueued;
    std::error_code error;
    const bool removed = fs::remove(JoinPath(queue, entry), error);
    if (error) RaiseUnwritable("the install queue of " + user.Name, FileError(error.value(), JoinPath(queue, entry)));
    return removed ? PalmStatusOK : PalmStatusNotQueued;
}

} // namespace dovrex
