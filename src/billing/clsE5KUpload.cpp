#include "clsE5KUpload.h"

namespace dovrex {

namespace {

constexpr int16_t T = clsField::ftText;
constexpr int16_t N = clsField::ftZeroFilled;

constexpr FieldDecl kA[] = {
    {"RecID", T, 1}, {"Route", T, 8}, {"NoofAccounts", N, 4}, {"NoofMeters", N, 4}, {"ProcessorNumber", T, 3},
    {"ReadDate", N, 6}, {"SurveyQuestionNumber", T, 2}, {"BeginningSequenceNumber", N, 5},
    {"EndingSequenceNumber", N, 5}, {"ResequenceFlag", N, 1}, {"Filler", T, 41},
};

constexpr FieldDecl kC[] = {
    {"RecID", T, 1}, {"Route", T, 8}, {"AccountNumber", T, 10}, {"SpecialInstructionCode", T, 2},
    {"SurveyAnswer", T, 1}, {"ReadingStatus", T, 1}, {"ResequenceFlag", T, 1}, {"ReadDate", N, 4},
    {"Filler", T, 52},
};

constexpr FieldDecl kS[] = {{"RecID", T, 1}, {"RecordCategory", T, 2}, {"PropertyVGKey", T, 12}, {"Filler", T, 65}};

constexpr FieldDecl kD[] = {
    {"RecID", T, 1}, {"RelativeMeterNumber", T, 2}, {"MeterNumber", T, 10}, {"SpecialInstructionsCode2", T, 2},
    {"MeterConditionCode1", T, 2}, {"MeterConditionCode2", T, 2}, {"MeterSize", N, 6},
    {"MeterChangedFlags", T, 1}, {"Filler", T, 54},
};

constexpr FieldDecl kE[] = {
    {"RecID", T, 1}, {"NumberofDials", N, 1}, {"CurrentReading", N, 8}, {"Decimals", N, 1}, {"ReadTime", N, 6},
    {"ReadChangeFlags", T, 1}, {"DisplayCode", T, 2}, {"ReadCount", N, 1}, {"ReadVerifyFlag", N, 1},
    {"NoReadCode", T, 2}, {"Filler", T, 56},
};

constexpr FieldDecl kM[] = {{"RecID", T, 1}, {"MessageCode", T, 3}, {"FreeformMessage", T, 76}};

constexpr FieldDecl kZ[] = {
    {"RecID", T, 1}, {"Route", T, 8}, {"ProcessorNumber", T, 3}, {"EmployerNumber", T, 4}, {"Filler", T, 64},
};

const RecordLayout kLayouts[] = {
    {"A", kA}, {"C", kC}, {"S", kS}, {"D", kD}, {"E", kE}, {"M", kM}, {"Z", kZ},
};

} // namespace

clsE5KUpload::clsE5KUpload(IMessageBox* messages) : RecordFileWriter(kLayouts, LineWidth, messages) {}

} // namespace dovrex
