#pragma once

#include <string>
#include <vector>

namespace dovrex {

// "Install To Unit": asks the user for the one unit (HotSync user) a freshly converted
// database goes to. Each front end answers it (a window, a command-line option, the
// terminal).
class IUnitChooser {
public:
    virtual ~IUnitChooser() = default;
    // Units are the HotSync user names in user-database order; returns the chosen
    // name, or an empty text when the user cancels.
    virtual std::string ChooseUnit(const std::vector<std::string>& Units) = 0;
};

} // namespace dovrex
