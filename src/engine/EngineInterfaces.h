#pragma once

// The engine's calls into subsystems that plug in from outside: the advanced handheld
// configuration, the route word index and the configuration code records. The engine
// holds each through an interface; where none is attached, the conversion goes on
// without that contribution.

#include <cstdint>
#include <string>

namespace dovrex {

class clsQVF;

// What the route conversions need of the advanced handheld configuration.
class IAdvancedSettings {
public:
    virtual ~IAdvancedSettings() = default;
    // 0 never create indexes, 1 always, 2 ask.
    virtual int16_t IndexControl() = 0;
    // The message text a handheld shows for one meter.
    virtual std::string LookupMessage(const std::string& PriorMessage, const std::string& RouteNbr,
                                      const std::string& Account, const std::string& SerialNbr,
                                      const std::string& TagNbr) = 0;
};

// The message of a meter without supervisor messages: the billing system's own text.
std::string BillingMessageOnly(const std::string& PriorMessage);

// Collects the words of each meter into the route's index records.
class IRouteIndexer {
public:
    virtual ~IRouteIndexer() = default;
    // Called after each meter record with the values read back from it, and once at the end
    // of a conversion with RouteNbr 0 and empty texts to write the last route's records.
    virtual void IndexMeter(clsQVF& Database, bool CreateIndexes, int32_t RouteNbr, int32_t Position,
                            const std::string& TagNbr, const std::string& SerialNbr, const std::string& BillingName,
                            const std::string& ServiceAddress, const std::string& ServiceID) = 0;
};

// Writes the advanced configuration's code records into a route database.
class IConfigurationRecords {
public:
    virtual ~IConfigurationRecords() = default;
    virtual void WriteLoginRecords(clsQVF& Database) = 0;
    virtual void WriteSkipCodeRecords(clsQVF& Database) = 0;
    virtual void WriteChangeoutRecords(clsQVF& Database) = 0;
    virtual void WriteAlertRecords(clsQVF& Database) = 0;
};

} // namespace dovrex
