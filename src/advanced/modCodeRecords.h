#pragma once

// The code records that carry the advanced configuration to the handheld inside every
// route database: the login table, the skip codes, the four changeout code tables and
// the alert preferences, written in that order after the meter records.

namespace dovrex {

class clsAdvanced;
class clsQVF;

// Record 4 (code type 0, flags 1) with login ID, password and flags of every login;
// only while login security is on and there is at least one login.
void WriteLoginCodes(const clsAdvanced& advanced, clsQVF& database);
// Record 5, code type 0, with code and reason of every skip code; none without codes.
void WriteSkipCodes(const clsAdvanced& advanced, clsQVF& database);
// Records 5 with code types 1 to 4 for the change reasons, meter types, manufacturers
// and meter sizes, one per table that has codes.
void WriteChangeoutCodes(const clsAdvanced& advanced, clsQVF& database);
// Record 7 (flags 1): RANGE, ROLLOVER and TAMPER with the three alert settings; always.
void WriteAlertCodes(const clsAdvanced& advanced, clsQVF& database);

} // namespace dovrex
