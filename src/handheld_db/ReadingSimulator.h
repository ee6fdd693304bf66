#pragma once

#include "clsQVF.h"

#include <cstdint>
#include <string>

namespace dovrex {

// Does to a route database what a handheld does in the field, so that a reading map can
// be tried without one: every meter gets a status, a reading with its date and time and a
// read type, some a response code, a share stays unread and a share reads outside its
// window, and a few transponders that were not on the route are added as orphans. The
// same seed gives the same readings database.
class ReadingSimulator {
public:
    struct Summary {
        int32_t Meters = 0;
        int32_t Read = 0;
        int32_t Unread = 0;
        int32_t OutsideWindow = 0;
        int32_t Responses = 0;
        int32_t Orphans = 0;
    };

    // RouteKind: the record type route records come back with, 1 or 256.
    explicit ReadingSimulator(uint64_t Seed, int32_t RouteKind = clsQVF::rtRoute);

    // Writes the readings database of the route database, in its container kind and
    // schema version. Raises a runtime error with the reason when the route database
    // cannot be read or the readings database cannot be written.
    Summary Simulate(const std::string& RouteFile, const std::string& ReadingsFile);

private:
    uint64_t Next();
    // A whole number from 0 to n - 1 (0 when n is not above 0).
    int64_t Below(int64_t n);
    // True with the given probability.
    bool Chance(double probability);

    uint64_t mState;
    int32_t mRouteKind;
};

} // namespace dovrex
