#pragma once

#include "CliContext.h"

#include "install/IUnitChooser.h"

namespace dovrex::cli {

// "Install To Unit" on the command line: the unit of --unit NAME, else asked on the
// terminal (a number from the list or a name); without either it counts as cancelled.
class CliUnitChooser final : public IUnitChooser {
public:
    explicit CliUnitChooser(CliContext& context) : mContext(context) {}
    std::string ChooseUnit(const std::vector<std::string>& Units) override;

private:
    CliContext& mContext;
};

} // namespace dovrex::cli
