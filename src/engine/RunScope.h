#pragma once

#include "clsExchange.h"

namespace dovrex {

// Gives the engine a fresh conversion state for as long as one conversion runs, and
// keeps what the caller may report on when it ends, however it ends.
class clsExchange::RunScope {
public:
    enum Kind { RouteConversion, OtherConversion };
    RunScope(clsExchange& engine, Kind kind);
    ~RunScope();
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

private:
    clsExchange& mEngine;
    Kind mKind;
};

} // namespace dovrex
