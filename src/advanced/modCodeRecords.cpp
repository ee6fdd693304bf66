#include "modCodeRecords.h"

#include "clsAdvanced.h"

#include "handheld_db/clsQVF.h"
#include "platform/modRuntime.h"

#include <functional>
#include <string>
#include <vector>

namespace dovrex {

namespace {

struct CodeTable {
    std::vector<std::string> Codes, Values, Data;
};

// Enumerates a list by position until the Get operation finds nothing, keeping the
// entries whose key comes back non-empty (deleted ones come back empty).
CodeTable Collect(const std::function<int16_t(int, std::string&, std::string&, std::string&)>& get) {
    CodeTable table;
    for (int position = 1;; ++position) {
        std::string code, value, data;
        if (get(position, code, value, data) < 0) break;
        if (code.empty()) continue;
        CheckInt16(static_cast<int64_t>(table.Codes.size()) + 1);
        table.Codes.push_back(std::move(code));
        table.Values.push_back(std::move(value));
        table.Data.push_back(std::move(data));
    }
    return table;
}

void WriteTable(clsQVF& database, int16_t recordType, int16_t codeType, int16_t flags, const CodeTable& table) {
    if (table.Codes.empty()) return;
    database.AddCodeRecord(recordType, codeType, flags, static_cast<int16_t>(table.Codes.size()), table.Codes,
                           table.Values, table.Data);
}

} // namespace

void WriteLoginCodes(const clsAdvanced& advanced, clsQVF& database) {
    if (!advanced.UseLoginSecurity()) return;
    WriteTable(database, clsQVF::rtLogins, 0, 1,
               Collect([&](int position, std::string& code, std::string& value, std::string& data) {
                   return advanced.GetLogin(position, code, value, data);
               }));
}

void WriteSkipCodes(const clsAdvanced& advanced, clsQVF& database) {
    WriteTable(database, clsQVF::rtCodes, 0, 0, Collect([&](int position, std::string& code, std::string& value, std::string&) {
                   return advanced.GetSkip(position, code, value);
               }));
}

void WriteChangeoutCodes(const clsAdvanced& advanced, clsQVF& database) {
    const char* const types[] = {"RC", "MT", "MFG", "MS"};
    for (int16_t codeType = 1; codeType <= 4; ++codeType) {
        const std::string type = types[codeType - 1];
        WriteTable(database, clsQVF::rtCodes, codeType, 0,
                   Collect([&](int position, std::string& code, std::string& value, std::string&) {
                       return advanced.GetChangeout(type, position, code, value);
                   }));
    }
}

void WriteAlertCodes(const clsAdvanced& advanced, clsQVF& database) {
    database.AddCodeRecord(clsQVF::rtAlerts, 0, 1, 3, {"RANGE", "ROLLOVER", "TAMPER"},
                           {NumberText(advanced.AlertOutOfBounds()), NumberText(advanced.AlertRollover()),
                            NumberText(advanced.AlertTamper())},
                           {"", "", ""});
}

} // namespace dovrex
