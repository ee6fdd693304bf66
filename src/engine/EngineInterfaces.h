#pragma once

// The engine's calls into subsystems that plug in from outside: the HotSync installer
// and its unit chooser. The engine holds each through an interface; where none is
// attached, the conversion goes on without that contribution.

#include <cstdint>
#include <string>

namespace dovrex {

// The HotSync install queue of the handheld users.
class IInstaller {
public:
    virtual ~IInstaller() = default;
    // 0 on success, else the queue's status code.
    virtual int32_t RemovePRC(const std::string& Unit, const std::string& SourcePRC) = 0;
    virtual int32_t PRC(const std::string& Unit, const std::string& SourcePRC) = 0;
};

// Asks the user for a handheld unit (HotSync user name); empty when cancelled.
class IUnitChooser {
public:
    virtual ~IUnitChooser() = default;
    virtual std::string ChooseUnit() = 0;
};

} // namespace dovrex
