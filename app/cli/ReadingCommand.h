#pragma once

#include "Command.h"

namespace dovrex::cli {

// reading: a reading conversion with the stored settings (upload file, orphans, automatic
// re-read). Exit 0 when it succeeded, 1 when not.
class ReadingCommand final : public Command {
public:
    void Register(CLI::App& app) override;
    int Run(CliContext& context) override;
};

} // namespace dovrex::cli
