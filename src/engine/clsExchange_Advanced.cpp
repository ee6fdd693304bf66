// What the advanced configuration adds to every route database: the word index of each
// route, built while the meters are written, and the code records at the end.

#include "clsExchange.h"

#include "advanced/clsAdvanced.h"
#include "advanced/modCodeRecords.h"
#include "advanced/modIndexWords.h"
#include "handheld_db/clsQVF.h"
#include "platform/clsRegistry.h"
#include "platform/modRuntime.h"

#include <array>

namespace dovrex {

clsAdvanced& clsExchange::Advanced() {
    if (mAdvanced != nullptr) return *mAdvanced;
    // Called for every meter: the store path is passed on, not copied.
    static const std::string noStore;
    return clsAdvanced::Shared(mRegistry != nullptr ? mRegistry->StorePath() : noStore);
}

void clsExchange::IndexMeter(int32_t RouteNbr, int16_t Position, std::string_view TagNbr, std::string_view SerialNbr,
                             std::string_view BillingName, std::string_view ServiceAddress,
                             std::string_view ServiceID) {
    ConversionRun& run = Run();
    std::vector<clsIndex>& collectors = run.IndexCollectors;
    const std::array<std::string_view, IndexKindCount> fields = {BillingName, ServiceAddress, TagNbr, SerialNbr,
                                                                 ServiceID};
    // A meter of the route indexed last (nearly every one) only adds its entries; the first
    // meter and a route's first take the steps below, out of line.
    if (!collectors.empty() && run.LastIndexedRoute == RouteNbr) {
        IndexMeterEntries(fields, *run.IndexAdvanced, run.IndexText, collectors, Position);
        return;
    }
    [&]() __attribute__((noinline)) {
        // Without index records nothing is collected: the words would only be dropped at
        // the flush, and a long route could overflow a collector for nothing.
        if (collectors.empty() && RouteNbr > 0 && run.CreateIndexes) {
            collectors.resize(IndexKindCount);
            // Whole values seldom repeat within a route: hashing them to find repeats costs
            // more than letting the sort find them.
            for (int16_t kind = ixMeterTagNbr; kind < IndexKindCount; ++kind) {
                collectors[static_cast<size_t>(kind)].SetDistinctAtSort(true);
            }
            run.IndexAdvanced = &Advanced();
        }
        if (run.LastIndexedRoute >= 1 && run.LastIndexedRoute != RouteNbr) {
            // The texts may be views of the meter record just written, in the database's
            // record buffer, which writing the index records reuses: keep copies first.
            std::array<std::string, IndexKindCount> copies;
            std::array<std::string_view, IndexKindCount> kept;
            for (size_t i = 0; i < fields.size(); ++i) kept[i] = copies[i].assign(fields[i]);
            for (int16_t kind = 0; kind < static_cast<int16_t>(collectors.size()); ++kind) {
                clsIndex& collector = collectors[static_cast<size_t>(kind)];
                collector.SetRouteIndex(CheckInt16(run.LastIndexedRoute));
                collector.SetIndexType(kind);
                collector.WriteRecord(*run.RouteDatabase);
            }
            if (!collectors.empty()) IndexMeterEntries(kept, *run.IndexAdvanced, run.IndexText, collectors, Position);
        } else if (!collectors.empty()) {
            IndexMeterEntries(fields, *run.IndexAdvanced, run.IndexText, collectors, Position);
        }
        run.LastIndexedRoute = RouteNbr;
        if (RouteNbr == 0) collectors.clear();
    }();
}

void clsExchange::WriteLoginCodes() { dovrex::WriteLoginCodes(Advanced(), *Run().RouteDatabase); }
void clsExchange::WriteSkipCodes() { dovrex::WriteSkipCodes(Advanced(), *Run().RouteDatabase); }
void clsExchange::WriteChangeoutCodes() { dovrex::WriteChangeoutCodes(Advanced(), *Run().RouteDatabase); }
void clsExchange::WriteAlertCodes() { dovrex::WriteAlertCodes(Advanced(), *Run().RouteDatabase); }

} // namespace dovrex
