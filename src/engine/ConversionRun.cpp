#include "ConversionRun.h"

#include "platform/modRuntime.h"

#include <algorithm>

namespace dovrex {

void ConversionRun::ClearRoute() {
    RouteList.clear();
    RouteMeterCount.clear();
}

int16_t ConversionRun::AddRoute(const std::string& NewRoute) {
    // Consecutive meters usually share a route: try the last one first.
    if (!RouteList.empty() && RouteList.back() == NewRoute) return static_cast<int16_t>(RouteList.size());
    const auto found = std::find(RouteList.begin(), RouteList.end(), NewRoute);
    if (found != RouteList.end()) return static_cast<int16_t>(found - RouteList.begin() + 1);
    const int16_t position = CheckInt16(static_cast<int64_t>(RouteList.size()) + 1);
    RouteList.push_back(NewRoute);
    RouteMeterCount.push_back(0);
    return position;
}

} // namespace dovrex
