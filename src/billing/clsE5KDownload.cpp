#include "clsE5KDownload.h"

namespace dovrex {

namespace {

constexpr int16_t T = clsField::ftText;
constexpr int16_t N = clsField::ftZeroFilled;

constexpr FieldDecl kF[] = {{"RecID", T, 1}, {"Route", T, 8}, {"Filler", T, 71}};

constexpr FieldDecl kA[] = {
    {"RecID", T, 1}, {"Route", T, 8}, {"AccountNumber", T, 10}, {"Filler1", T, 12},
    {"MeterSequenceNumber", N, 5}, {"Filler2", N, 1}, {"AccountType", T, 1}, {"SpecialInstruction", T, 2},
    {"Filler3", T, 40},
};

constexpr FieldDecl kB[] = {{"RecID", T, 1}, {"CustomerName", T, 32}, {"Address", T, 32}, {"Filler1", T, 15}};

constexpr FieldDecl kE[] = {{"RecID", T, 1}, {"CustomerAddressLotandPlan", T, 79}};

constexpr FieldDecl kC[] = {{"RecID", T, 1}, {"RecordCategory", T, 2}, {"PropertyVGKey", T, 12}, {"Filler", T, 65}};

constexpr FieldDecl kD[] = {{"RecID", T, 1}, {"SpecialInstructions", T, 32}, {"Filler", T, 47}};

constexpr FieldDecl kH[] = {
    {"RecID", T, 1}, {"RelativeMeterNumber", T, 2}, {"MeterSerialNumber", T, 10}, {"NumberofDials", N, 1},
    {"MinimumRead", N, 8}, {"MaximumRead", N, 8}, {"PriorRead", N, 8}, {"MeterType", T, 1}, {"MeterSize", N, 7},
    {"MeterMake", T, 2}, {"DisplayCode", T, 2}, {"NoDecimals", N, 1}, {"MustReadFlag", N, 1},
    {"MeterStatus", T, 1}, {"MeterLocation", T, 2}, {"MeterReference", T, 8}, {"Filler", T, 17},
};

constexpr FieldDecl kK01[] = {
    {"RecID", T, 3}, {"PropertyLocationDesc1", T, 32}, {"MeterLocationDesc1", T, 32}, {"Filler", T, 13},
};

constexpr FieldDecl kK05[] = {
    {"RecID", T, 3}, {"PropertyLocationDesc2", T, 32}, {"MeterLocationDesc2", T, 32}, {"Filler", T, 13},
};

constexpr FieldDecl kZ[] = {
    {"RecID", T, 1}, {"Route", T, 8}, {"NumberofAccounts", N, 4}, {"NumberofMeters", N, 4}, {"Filler", T, 63},
};

constexpr FieldDecl kL[] = {{"RecID", T, 1}, {"Location", T, 79}};

constexpr FieldDecl kUnknown[] = {{"RecID", T, 1}, {"Filler", T, 79}};

// Declaration order is the order in which a line's identifier is tested; "?" is taken
// for any line that no other kind recognises.
const RecordLayout kLayouts[] = {
    {"F", kF}, {"A", kA}, {"B", kB}, {"E", kE}, {"C", kC}, {"D", kD}, {"H", kH}, {"I", kH}, {"K01", kK01},
    {"K05", kK05}, {"Z", kZ}, {"L", kL}, {"?", kUnknown},
};

} // namespace

clsE5KDownload::clsE5KDownload(IMessageBox* messages) : RecordFileReader(kLayouts, UnknownKind, messages) {}

} // namespace dovrex
